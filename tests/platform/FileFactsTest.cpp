#include "platform/FileFacts.h"
#include "support/TempDir.h"

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// Files beside the script that look like a save's temporaries are the user's: a save touches
// none of them, and its own temporary name fits beside a name of 255 bytes.
TEST(FileFacts, AtomicWriteLeavesLookalikesAndSavesTheLongestName) {
    TempDir dir;
    const std::string file = dir.Write("x.pl", "old");
    const std::string lookalikes[] = {".x.pl.backup", ".x.pl.202401", ".x.pl.Ab3dE9",
                                      ".x.pl.original", ".x.pl.backup1"};
    for (const std::string& name : lookalikes) {
        const std::string path = dir.Write(name, "mine");
        ::chmod(path.c_str(), 0600);
        const struct timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 3600, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
    ASSERT_TRUE(WriteFileAtomic(file, "new", nullptr));
    EXPECT_EQ(dir.Read("x.pl"), "new");
    for (const std::string& name : lookalikes)
        EXPECT_EQ(dir.Read(name), "mine") << name;

    // 255 bytes, the last character a three-byte one: the temporary's name is cut, not this.
    std::string longest(252, 'a');
    longest += "\xe3\x81\x82";
    ASSERT_EQ(longest.size(), 255u);
    std::string error;
    ASSERT_TRUE(WriteFileAtomic(dir.File(longest), "x", &error)) << error;
    EXPECT_EQ(dir.Read(longest), "x");
    int entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Path()))
        ++entries;
    EXPECT_EQ(entries, 2 + 5) << "a temporary file was left behind";
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

TEST(FileFacts, SavesWhereNoTemporaryFileCanBeMadeAndFailuresPartWayLeaveTheOldFile) {
    TempDir dir;
    ::mkdir(dir.File("shared").c_str(), 0755);
    std::string file = dir.Write("shared/notes.txt", "old");
    ::chmod(file.c_str(), 0666);
    ::chmod(dir.Path().c_str(), 0755);
    ::chmod(dir.File("shared").c_str(), 0555);
    // A writable file in a folder its saver may not write to is written in place.
    EXPECT_TRUE(RunUnprivileged([&] { return WriteFileAtomic(file, "new", nullptr); }));
    EXPECT_EQ(ReadFileBytes(file), "new");
    ::chmod(dir.File("shared").c_str(), 0755);

    // Written in place, the disk fills part-way (a file size limit stands in for it): the room
    // is taken before a byte changes, so the file keeps its old content.
    ::chmod(dir.File("shared").c_str(), 0555);
    pid_t inPlace = ::fork();
    if (inPlace == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string error;
        bool saved = WriteFileAtomic(file, std::string(5000, 'x'), &error);
        ::_exit(!saved && error.find("notes.txt") != std::string::npos ? 0 : 1);
    }
    int inPlaceStatus = 0;
    ::waitpid(inPlace, &inPlaceStatus, 0);
    EXPECT_TRUE(WIFEXITED(inPlaceStatus) && WEXITSTATUS(inPlaceStatus) == 0) << inPlaceStatus;
    EXPECT_EQ(ReadFileBytes(file), "new");
    ::chmod(dir.File("shared").c_str(), 0755);

    // The disk fills part-way (a file size limit): the old file stays whole, nothing is left.
    pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string error;
        bool saved = WriteFileAtomic(file, std::string(5000, 'x'), &error);
        ::_exit(!saved && error.find("notes.txt") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFileBytes(file), "new");
    int entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.File("shared")))
        ++entries;
    EXPECT_EQ(entries, 1) << "a temporary file was left behind";

    // Saved by root, a user's file stays the user's.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
        ASSERT_TRUE(WriteFileAtomic(file, "root", nullptr));
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }
}
