#include "platform/ByteStream.h"

#include <gtest/gtest.h>

TEST(ByteStream, WriteReadPositionAndOverwrite) {
    ByteStream s;
    s.Write("hello", 5);
    EXPECT_EQ(s.Position(), 5u);
    s.SetPosition(1);
    s.Write("EL", 2);
    s.Write("LO!", 3); // overwrites the tail and extends by one
    EXPECT_EQ(s.ToString(), "hELLO!");
    s.SetPosition(100);
    EXPECT_EQ(s.Position(), 6u);
    s.SetPosition(2);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 4u);
    EXPECT_EQ(std::string(buf, 4), "LLO!");
    EXPECT_EQ(s.Read(buf, 8), 0u);
}

TEST(ByteStream, ReserveCommitKeepsZeroBytesAndGrowsGeometrically) {
    ByteStream s;
    size_t grows = 0, lastCap = 0;
    std::string expect;
    for (int i = 0; i < 5000; ++i) {
        char* p = s.Reserve(4097);
        std::string chunk(1000, static_cast<char>(i % 7)); // zero bytes included
        std::copy(chunk.begin(), chunk.end(), p);
        s.Commit(chunk.size());
        expect += chunk;
        if (s.Capacity() != lastCap) {
            ++grows;
            lastCap = s.Capacity();
        }
    }
    EXPECT_EQ(s.View(), expect);
    EXPECT_LT(grows, 20u); // doubling, not one step per append
    EXPECT_LE(s.Capacity(), 2 * s.Size() + 16 * 1024);
}

TEST(ByteStream, MoveLeavesSourceEmptyAndClearKeepsMemory) {
    ByteStream a("abc");
    ByteStream b(std::move(a));
    EXPECT_EQ(b.ToString(), "abc");
    EXPECT_TRUE(a.Empty());
    size_t cap = b.Capacity();
    b.Clear();
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Capacity(), cap);
    b.Assign(std::string("x\0y", 3));
    EXPECT_EQ(b.Size(), 3u);
    EXPECT_EQ(b.Position(), 0u);
}
