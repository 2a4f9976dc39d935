#include "platform/FileJournal.h"

#include "platform/FileFacts.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Notes the files in a process that then ends, as an instance killed by a crash would.
void NoteInDeadProcess(const FileJournal& journal, const std::vector<std::string>& files) {
    pid_t pid = ::fork();
    if (pid == 0) {
        for (const std::string& f : files)
            journal.Record(f);
        ::_exit(0);
    }
    ::waitpid(pid, nullptr, 0);
}

} // namespace

// Only what a gone owner noted and is still that very file is removed; a user's file at a
// noted name (recreated, or grown), a live owner's file and the user's lookalikes stay.
TEST(FileJournal, SweepRemovesOnlyTheUnchangedFilesOfGoneOwners) {
    TempDir dir;
    FileJournal journal(dir.File("VexilPro.files"));
    const std::string left = dir.Write(".a.pl.vexil-save-Q1w2E3", "half");
    const std::string grown = dir.Write(".a.pl.vexil-Z9y8X7.pl", "copy");
    const std::string recreated = dir.Write(".vexil-temp-K1l2M3.html", "page");
    const std::string backup = dir.Write(".a.pl.backup", "the user's");
    NoteInDeadProcess(journal, {left, grown, recreated});
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("VexilPro.files").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    WriteFileBytes(grown, "copy and more"); // same inode, another size
    ::unlink(recreated.c_str());
    WriteFileBytes(recreated, "PAGE"); // same size, another inode
    const std::string live = dir.Write(".b.pl.vexil-save-A1b2C3", "mine, running");
    journal.Record(live); // this process still runs

    EXPECT_EQ(journal.Sweep(), 1u);
    EXPECT_FALSE(FileExists(left));
    for (const std::string& kept : {grown, recreated, backup, live})
        EXPECT_TRUE(FileExists(kept)) << kept;

    // The entries of gone owners are dropped, the live one's stays for the next start.
    EXPECT_EQ(journal.Sweep(), 0u);
    EXPECT_TRUE(FileExists(live));
    EXPECT_EQ(journal.RemoveOwn(), 1u);
    EXPECT_FALSE(FileExists(live));
}

// An entry of the same process id from another boot belongs to no process that runs now.
TEST(FileJournal, AnEntryFromAnotherBootIsGoneEvenWithALiveProcessId) {
    TempDir dir;
    const std::string file = dir.Write("the file's\nname", "12345");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    const std::string entry =
        std::to_string(::getpid()) + " another-boot " + std::to_string(st.st_dev) + " " +
        std::to_string(st.st_ino) + " 5 " +
        std::to_string(st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec) + " " + file +
        std::string(1, '\0');
    // A torn last entry, as a crash while appending leaves it, is ignored.
    dir.Write("VexilPro.files", entry + "123 x 1 2 3 /no");
    FileJournal journal(dir.File("VexilPro.files"));
    ASSERT_FALSE(FileJournal::BootId().empty());
    EXPECT_EQ(journal.Sweep(), 1u);
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(dir.Read("VexilPro.files"), "");
}

// The save's temporary is noted before the rename, so a save killed in between is known.
TEST(FileJournal, AtomicWritesNoteTheirTemporaryWhileAJournalIsSet) {
    TempDir dir;
    FileJournal journal(dir.File("VexilPro.files"));
    SetFileJournal(&journal);
    ASSERT_TRUE(WriteFileAtomic(dir.File("a.pl"), "text", nullptr));
    SetFileJournal(nullptr);
    const std::string noted = dir.Read("VexilPro.files");
    EXPECT_NE(noted.find(dir.Path() + "/.a.pl"), std::string::npos) << noted;
    EXPECT_EQ(noted.find(dir.File("a.pl") + '\0'), std::string::npos) << "the user's file itself";
}
