#include "platform/FileFacts.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <unistd.h>

TEST(FileFacts, PathPieces) {
    EXPECT_EQ(ExtractFileDir("/home/u/a.pl"), "/home/u");
    EXPECT_EQ(ExtractFileDir("/a.pl"), "/");
    EXPECT_EQ(ExtractFileDir("/home//a.pl"), "/home//");
    EXPECT_EQ(ExtractFileDir("a.pl"), "");
    EXPECT_EQ(ExtractFilePath("/x/y"), "/x/");
    EXPECT_EQ(ExtractFileName("/x/y.z"), "y.z");
    EXPECT_EQ(ExtractFileExt("/x.d/y"), "");
    EXPECT_EQ(ExtractFileExt("/x/y.tar.PL"), ".PL");
    EXPECT_EQ(ExtractFileExt("/x/y."), ".");
    EXPECT_EQ(Trim(" \t\x01 a b \r\n"), "a b");
    EXPECT_EQ(LowerAscii("ABC\x82\x60Z"), "abc\x82\x60z");
    EXPECT_TRUE(SameTextAscii("PERL", "perl"));
}

TEST(FileFacts, ExistenceFollowsSymlinksAndFoldersAreNotFiles) {
    TempDir dir;
    auto f = dir.Write("f", "x");
    ASSERT_EQ(::symlink(f.c_str(), dir.File("link").c_str()), 0);
    EXPECT_TRUE(FileExists(f));
    EXPECT_TRUE(FileExists(dir.File("link")));
    EXPECT_FALSE(FileExists(dir.Path()));
    EXPECT_TRUE(DirectoryExists(dir.Path()));
    EXPECT_FALSE(DirectoryExists(f));
    EXPECT_FALSE(FileExists(dir.File("none")));
    EXPECT_EQ(ProgramDir().back(), '/');
}

TEST(FileFacts, AtomicWriteThroughSymlinkKeepsTheLink) {
    TempDir dir;
    auto f = dir.Write("real", "old");
    ASSERT_EQ(::symlink(f.c_str(), dir.File("link").c_str()), 0);
    std::string err;
    ASSERT_TRUE(WriteFileAtomic(dir.File("link"), std::string("n\0w", 3), &err)) << err;
    EXPECT_EQ(dir.Read("real"), std::string("n\0w", 3));
    char target[256] = {};
    EXPECT_GT(::readlink(dir.File("link").c_str(), target, sizeof target), 0);
    EXPECT_FALSE(WriteFileAtomic(dir.File("missing/x"), "x", &err));
    EXPECT_NE(err.find("missing/x"), std::string::npos);
}
