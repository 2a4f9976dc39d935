// The edit-run-read loop with real keys: Shift+F9's arguments reaching the script, F4 walking
// its error lines into the script.
#include "e2e/Program.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

TEST(EndToEndLoop, ShiftF9PassesTypedArgumentsAndF4WalksTheErrorLines) {
    Program p;
    TempDir work;
    std::filesystem::create_directories(p.Folder() + "/defs");
    WriteFileBytes(p.Folder() + "/defs/perl.def",
                   "[Language]\nName=Perl\nExt=pl\n[Debug]\nRegExpErr=line [0-9]+\n");
    WriteFileBytes(p.Folder() + "/VexilPro.cfg", "[Window]\nWidth=640\nHeight=440\n");
    const std::string script = work.Write("loop.pl", "print join('|', @ARGV), \"\\n\";\n"
                                                     "warn \"first\";\n"
                                                     "print STDERR \"no line here\\n\";\n"
                                                     "warn \"second\";\n");
    ASSERT_TRUE(p.StartWindowManager());
    p.Start({script}, work.Path());
    const std::string main = p.WaitForWindow("^Vexil2 - ");
    ASSERT_FALSE(main.empty());
    p.Run("xdotool windowactivate --sync " + main);
    Pause(300);

    p.Run("xdotool key shift+F9");
    const std::string dialog = p.WaitForWindow("^Vexil - 引数を指定して実行$");
    ASSERT_FALSE(dialog.empty());
    p.Run("xdotool windowactivate --sync " + dialog);
    p.Run("xdotool type --delay 40 -- '--n 3'");
    p.Run("xdotool key Return");
    // The result page comes forward with the arguments as the script saw them.
    std::string clip;
    for (int i = 0; i < 20 && clip != "--n|3\n"; ++i) {
        Pause(500);
        p.Run("xdotool key ctrl+a ctrl+c");
        Pause(200);
        clip = p.Clipboard();
    }
    EXPECT_EQ(clip, "--n|3\n");

    // F4 goes to line 2, passes the entry without a line number to line 4, and wraps to line 2:
    // a mark typed at each stop shows where the caret went.
    for (const char* mark : {"#", "#", "X"}) {
        p.Run("xdotool key F4");
        Pause(400);
        p.Run(std::string("xdotool type --delay 40 '") + mark + "'");
        Pause(200);
    }
    p.Run("xdotool key ctrl+s");
    Pause(600);
    EXPECT_EQ(work.Read("loop.pl"), "print join('|', @ARGV), \"\\n\";\n"
                                    "X#warn \"first\";\n"
                                    "print STDERR \"no line here\\n\";\n"
                                    "#warn \"second\";\n");
}
