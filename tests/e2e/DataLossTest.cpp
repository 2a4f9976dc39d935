// What a user keeps, with real keys: files beside the script that look like ours survive a
// save and a restart; a declined reload runs the text shown; a new script saved as .py runs
// with Python.
#include "e2e/Program.h"

#include "platform/FileFacts.h"
#include "platform/Launcher.h"

#include <csignal>

#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

TEST(EndToEndDataLoss, LookalikesSurviveADeclinedReloadRunsTheTextShownAndSaveAsPyRunsPython) {
    if (FindOnPath("python3").empty())
        GTEST_SKIP() << "python3 is not installed here";
    Program p;
    TempDir work;
    std::filesystem::create_directories(p.Folder() + "/defs");
    WriteFileBytes(p.Folder() + "/defs/perl.def", "[Language]\nName=Perl\nExt=pl\n");
    WriteFileBytes(p.Folder() + "/defs/python.def", "[Language]\nName=Python\nExt=py\n"
                                                    "[Environment]\nExePath=" +
                                                        FindOnPath("python3") + "\n");
    WriteFileBytes(p.Folder() + "/VexilPro.cfg", "[Window]\nWidth=640\nHeight=440\n");
    const std::string script = work.Write("x.pl", "print qq(disk\\n);\n");
    const std::string lookalikes[] = {".x.pl.backup", ".x.pl.original", ".x.pl.Ab3dE9"};
    for (const std::string& name : lookalikes) {
        const std::string path = work.Write(name, "the user's");
        ::chmod(path.c_str(), 0600);
        const struct timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 3600, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
    ASSERT_TRUE(p.StartWindowManager());
    pid_t pid = p.Start({script}, work.Path());
    std::string main = p.WaitForWindow("^Vexil2 - ");
    ASSERT_FALSE(main.empty());
    p.Run("xdotool windowactivate --sync " + main);
    Pause(300);

    // A save, then the program killed (as a crash would) and started again.
    p.Run("xdotool key ctrl+End");
    p.Run("xdotool type --delay 30 'print qq(typed\\n);'");
    p.Run("xdotool key ctrl+s");
    for (int i = 0; i < 30 && work.Read("x.pl").find("typed") == std::string::npos; ++i)
        Pause(100);
    ASSERT_NE(work.Read("x.pl").find("typed"), std::string::npos);
    ::kill(pid, SIGKILL);
    p.Wait(pid);
    pid = p.Start({script}, work.Path());
    main = p.WaitForWindow("^Vexil2 - ");
    ASSERT_FALSE(main.empty());
    for (const std::string& name : lookalikes)
        EXPECT_EQ(work.Read(name), "the user's") << name;

    // Changed elsewhere; the reload question, declined; F9 runs the text shown.
    work.Write("x.pl", "print qq(changed elsewhere\\n);\n");
    // The window's activation changes (a dialog of its own, go to line, opens) and the
    // change on disk is offered; Escape answers No.
    p.Run("xdotool windowactivate --sync " + main);
    Pause(300);
    p.Run("xdotool key ctrl+g");
    std::string question = p.WaitForWindow("^Vexil$");
    ASSERT_FALSE(question.empty()) << "no reload question";
    p.Run("xdotool windowactivate --sync " + question);
    p.Run("xdotool key Escape");
    Pause(300);
    for (int i = 0; i < 3 && !p.Run("xdotool search --onlyvisible --name '指定行へ移動'").empty();
         ++i) {
        p.Run("xdotool key Escape"); // the go-to-line dialog
        Pause(300);
    }
    p.Run("xdotool windowactivate --sync " + main);
    EXPECT_FALSE(p.WaitForWindow("^Vexil2 \\* ", 5).empty()) << "the text shown is unsaved";
    p.Run("xdotool key F9");
    EXPECT_EQ(p.CopiedPage("disk\ntyped\n"), "disk\ntyped\n");

    // A new script saved as main.py runs with Python.
    p.Run("xdotool key ctrl+n");
    std::string save = p.WaitForWindow("保存確認", 5);
    if (!save.empty()) { // the unsaved text: not wanted
        p.Run("xdotool windowactivate --sync " + save);
        p.Run("xdotool key Tab Return"); // No
    }
    p.WaitForWindow("^Vexil2 \\* 新規スクリプト");
    p.Run("xdotool type --delay 30 'print(\"py\", 6 * 7)'");
    p.Run("xdotool key ctrl+w");
    std::string dialog = p.WaitForWindow("名前を付けて保存|保存");
    ASSERT_FALSE(dialog.empty()) << "no save dialog";
    Pause(300);
    p.Run("xdotool type --delay 20 '" + work.File("main.py") + "'");
    p.Run("xdotool key Return");
    for (int i = 0; i < 30 && !FileExists(work.File("main.py")); ++i)
        Pause(100);
    ASSERT_TRUE(FileExists(work.File("main.py")));
    p.Run("xdotool windowactivate --sync " + main);
    p.Run("xdotool key F9");
    EXPECT_EQ(p.CopiedPage("py 42\n"), "py 42\n") << "F9 ran the new .py with Python";
    for (const std::string& name : lookalikes)
        EXPECT_EQ(work.Read(name), "the user's") << name;
}
