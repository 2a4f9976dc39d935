#include "platform/ByteStream.h"
#include "support/Resident.h"
#include "support/TempDir.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A spilled stream lets its pages go as it grows and when told, and every byte comes back when
// read; a stream in memory is never told to forget what only it holds.
TEST(ByteStream, ForgottenPagesOfASpilledStreamComeBackAndAStreamInMemoryKeepsItsBytes) {
    TempDir dir;
    // Many steps, so what stays between two of them is small beside what was written.
    const std::size_t total = ByteStream::kForgetStep * 16;
    std::string pattern(4096, '\0');
    for (std::size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<char>('a' + i % 26);

    ByteStream spilled;
    spilled.SpillAbove(1 << 20, dir.Path());
    const long before = ResidentKb();
    // Written as the capture writes: room reserved, filled, committed.
    for (std::size_t at = 0; at < total; at += pattern.size()) {
        std::memcpy(spilled.Reserve(pattern.size()), pattern.data(), pattern.size());
        spilled.Commit(pattern.size());
    }
    ASSERT_TRUE(spilled.Spilled());
    EXPECT_LT(ResidentKb() - before, static_cast<long>(total / 1024 / 2))
        << "the pages written stayed in memory";
    spilled.ForgetPages(0, spilled.Size());
    for (std::size_t at = 0; at < total; at += pattern.size())
        ASSERT_EQ(spilled.View().substr(at, pattern.size()), pattern) << at;

    ByteStream memory;
    for (int i = 0; i < 1024; ++i)
        memory.Append(pattern);
    ASSERT_FALSE(memory.Spilled());
    memory.ForgetPages(0, memory.Size());
    EXPECT_EQ(memory.View().substr(memory.Size() - pattern.size()), pattern);
    EXPECT_EQ(memory.View().substr(0, pattern.size()), pattern);
}

// The spill file's disk fills while memory is free (a file size limit stands in for the full
// disk): the stream goes on in memory and keeps every byte, instead of dropping all that comes
// after and asking the disk again for each read.
TEST(ByteStream, AFullDiskUnderTheSpillFileGoesOnInMemory) {
    pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{6u << 20, 6u << 20};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ByteStream s;
        s.SpillAbove(1u << 20, "/tmp");
        bool spilled = false;
        std::string chunk(4096, 'x');
        for (int i = 0; i < 5120; ++i) { // 20 MiB
            chunk[0] = static_cast<char>('a' + i % 26);
            char* room = s.TryReserve(chunk.size());
            if (!room)
                ::_exit(1);
            std::memcpy(room, chunk.data(), chunk.size());
            s.Commit(chunk.size());
            spilled = spilled || s.Spilled();
        }
        const bool whole = s.Size() == 5120u * 4096 && s.View()[4096 * 27] == 'b' &&
                           s.View()[4096 * 5119] == static_cast<char>('a' + 5119 % 26);
        ::_exit(!spilled ? 2 : s.Spilled() ? 3 : whole ? 0 : 4);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1 dropped, 2 never spilled, 3 still spilled, 4 lost";
}
