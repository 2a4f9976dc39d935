#include "platform/ReadWait.h"

#include <gtest/gtest.h>
#include <sys/syscall.h>

TEST(ReadWait, OnlyAReadNamesItsDescriptor) {
    const std::string read = std::to_string(SYS_read);
    EXPECT_EQ(ReadingDescriptor(read + " 0x0 0x5600 0x2000 0x0 0x0 0x0 0x7ffc 0x7f12"), 0);
    EXPECT_EQ(ReadingDescriptor(read + " 0x1a 0x5600 0x2000 0x0 0x0 0x0 0x7ffc 0x7f12"), 26);
    EXPECT_EQ(ReadingDescriptor(std::to_string(SYS_readv) + " 0x3 0x1 0x1 0 0 0 0 0"), 3);
    EXPECT_EQ(ReadingDescriptor(std::to_string(SYS_pread64) + " 0x4 0x1 0x1 0 0 0 0 0"), 4);
    EXPECT_FALSE(ReadingDescriptor("running"));
    EXPECT_FALSE(ReadingDescriptor("-1 0x7ffc 0x7f12"));
    EXPECT_FALSE(ReadingDescriptor(std::to_string(SYS_write) + " 0x0 0x1 0x1 0 0 0 0 0"));
    EXPECT_FALSE(ReadingDescriptor(std::to_string(SYS_nanosleep) + " 0x7ffc 0x0 0 0 0 0 0 0"));
    EXPECT_FALSE(ReadingDescriptor(""));
    EXPECT_FALSE(ReadingDescriptor(read));
}

TEST(ReadWait, TheGroupIsReadAfterTheLastParenthesis) {
    EXPECT_EQ(GroupOfStat("123 (perl) S 1 456 456 0 -1"), 456);
    EXPECT_EQ(GroupOfStat("123 (a) S 9 (b)) R 7 88 88 0"), 88);
    EXPECT_EQ(GroupOfStat("garbage"), -1);
    EXPECT_EQ(GroupOfStat(""), -1);
}

TEST(ReadWait, NoGroupWaits) {
    EXPECT_FALSE(GroupWaitsOnPipe(0, 1));
    EXPECT_FALSE(GroupWaitsOnPipe(-5, 1));
}
