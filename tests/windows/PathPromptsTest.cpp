// The path dialogs' rules around the process's current directory, and the volumes the
// change-directory dialog offers.
#include "windows/logic/PathPrompts.h"

#include "platform/Browse.h"
#include "support/HostDoubles.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// Every test leaves the current directory where it found it.
struct Folders : ::testing::Test {
    TempDir dir;
    std::string cwd = CurrentFolder();
    void SetUp() override {
        std::filesystem::create_directories(dir.File("a/b"));
        std::filesystem::create_directories(dir.File("c"));
        ASSERT_TRUE(ChangeFolder(dir.Path()));
    }
    void TearDown() override { ChangeFolder(cwd); }
};

} // namespace

TEST(PathPrompts, VolumesAreTheRootAndTheMountsThatHoldUsersFiles) {
    const char* mounts = "proc /proc proc rw 0 0\n"
                         "/dev/sda1 / ext4 rw 0 0\n"
                         "tmpfs /run tmpfs rw 0 0\n"
                         "/dev/sda2 /home ext4 rw 0 0\n"
                         "/dev/sdb1 /media/usb\\040stick vfat rw 0 0\n"
                         "server:/x /srv/share nfs4 rw 0 0\n"
                         "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
                         "/dev/sda3 /boot/efi vfat rw 0 0\n"
                         "tmpfs /tmp tmpfs rw 0 0\n"
                         "truncated\n";
    Lines volumes = MountedVolumes(mounts);
    EXPECT_EQ(volumes, (Lines{"/", "/home", "/media/usb stick", "/srv/share"}));
    EXPECT_EQ(VolumeOf("/home/me/src", volumes), "/home");
    EXPECT_EQ(VolumeOf("/homework", volumes), "/");
    EXPECT_EQ(VolumeOf("/media/usb stick", volumes), "/media/usb stick");
}

TEST_F(Folders, ChangeDirectoryCancelPutsTheFolderBackAndOkKeepsTheBrowsing) {
    DirectoryPrompt prompt;
    prompt.Volumes = {"/"};
    std::string started;
    // Cancel after opening a few folders: back where it was, SelectedDir what the list showed.
    EXPECT_FALSE(prompt.Prompt([&](const std::string& start) {
        started = start;
        EXPECT_TRUE(prompt.OpenFolder(dir.File("a")));
        EXPECT_TRUE(prompt.OpenFolder("b"));
        EXPECT_FALSE(prompt.OpenFolder(dir.File("none"))) << "a folder that is not there";
        return false;
    }));
    EXPECT_EQ(started, dir.Path());
    EXPECT_EQ(prompt.SelectedDir, dir.File("a/b"));
    EXPECT_EQ(CurrentFolder(), dir.Path());

    // OK untouched gives the folder it opened in; OK after browsing stays there.
    EXPECT_TRUE(prompt.Prompt([](const std::string&) { return true; }));
    EXPECT_EQ(prompt.SelectedDir, dir.Path());
    EXPECT_TRUE(
        prompt.Prompt([&](const std::string&) { return prompt.OpenFolder(dir.File("c")); }));
    EXPECT_EQ(prompt.SelectedDir, dir.File("c"));
    EXPECT_EQ(CurrentFolder(), dir.File("c"));
    // A volume chosen again opens where the browsing on it last was.
    EXPECT_EQ(prompt.FolderOnVolume("/"), dir.File("c"));
    EXPECT_EQ(prompt.FolderOnVolume("/media/x"), "/media/x");
}

TEST_F(Folders, FileNameBrowseMayNameANewFileAndKeepsTheFolder) {
    ScriptedDialogs dialogs;
    dialogs.Answer(dir.File("c/new.txt"));
    EXPECT_EQ(FilePrompt::Browse(dialogs, "/r/out.txt"), dir.File("c/new.txt"));
    ASSERT_EQ(dialogs.Saves.size(), 1u) << "the result file may be a new one";
    EXPECT_EQ(dialogs.Saves[0].fileName, "/r/out.txt");
    EXPECT_EQ(CurrentFolder(), dir.Path());
}
