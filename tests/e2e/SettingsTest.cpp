// The language settings dialog as a user meets it: F9 without an interpreter, Yes, the path
// typed into the dialog with real keys, OK, and F9 runs. A first start as ./run makes it.
#include "e2e/Program.h"
#include "platform/IniFile.h"
#include "platform/Launcher.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

TEST(EndToEndSettings, MissingInterpreterYesTypeThePathOkAndF9Runs) {
    Program p;
    TempDir work;
    std::filesystem::create_directories(p.Folder() + "/defs");
    WriteFileBytes(p.Folder() + "/defs/perl.def",
                   "[Language]\nName=Perl\nExt=pl\n[Environment]\nExePath=/no/such/perl\n");
    WriteFileBytes(p.Folder() + "/VexilPro.cfg", "[Environment]\nLanguage=Perl\n");
    std::string script = work.Write("hello.pl", "print \"hello from perl\\n\";\n");
    ASSERT_TRUE(p.StartWindowManager());
    p.Start({script}, work.Path());
    std::string main = p.WaitForWindow("^Vexil2 - ");
    ASSERT_FALSE(main.empty());
    p.Run("xdotool windowactivate --sync " + main);
    Pause(300);

    // Each box answered with the key a user presses: Return on OK, then on the default Yes.
    auto answer = [&](const std::string& caption) {
        std::string box = p.WaitForWindow("^" + caption + "$");
        ASSERT_FALSE(box.empty()) << "no box " << caption;
        p.Run("xdotool windowactivate --sync " + box);
        p.Run("xdotool key Return");
    };
    p.Run("xdotool key F9");
    answer("VexilPro");      // File /no/such/perl is not found.
    answer("Vexil - Error"); // 実行ファイルのパスの設定をしますか？
    std::string dialog = p.WaitForWindow("^Vexil - Language Settings$");
    ASSERT_FALSE(dialog.empty()) << "Yes did not open the language settings";
    p.Run("xdotool windowactivate --sync " + dialog);
    Pause(200);
    // The dialog opens with the caret in the interpreter's field.
    p.Run("xdotool key ctrl+a");
    p.Run("xdotool type --delay 30 /usr/bin/perl");
    p.Run("xdotool key Return");
    for (int i = 0; i < 30 && p.HasWindow("^Vexil - Language Settings$"); ++i)
        Pause(100);
    EXPECT_FALSE(p.HasWindow("^Vexil - Language Settings$")) << "OK did not close the dialog";
    EXPECT_NE(ReadFileBytes(p.Folder() + "/defs/perl.def").find("ExePath=/usr/bin/perl\n"),
              std::string::npos);

    p.Run("xdotool windowactivate --sync " + main);
    Pause(200);
    p.Run("xdotool key F9");
    std::string clip;
    for (int i = 0; i < 20 && clip != "hello from perl\n"; ++i) {
        Pause(400);
        p.Run("xdotool key ctrl+a ctrl+c");
        Pause(200);
        clip = p.Clipboard();
    }
    EXPECT_EQ(clip, "hello from perl\n");
}

TEST(EndToEndSettings, AFirstStartAsRunStartsItTakesTheReadyDefinitionsAndAScriptsFirstLine) {
    // The build folder holds the ready definitions beside the program, as an install does.
    const std::string ready = std::string(VEXIL_BIN_DIR) + "/default-defs/perl.def";
    ASSERT_EQ(ReadFileBytes(ready),
              ReadFileBytes(VEXIL_SOURCE_DIR "/resources/desktop/default-defs/perl.def"));
    if (FindOnPath("python3").empty())
        GTEST_SKIP() << "python3 is not installed here";
    Program p;
    std::filesystem::copy(VEXIL_BIN_DIR "/default-defs", p.Folder() + "/default-defs");
    TempDir work;
    // A command without an extension: its #! line says Python.
    std::string script = work.Write("greet", "#!/usr/bin/env python3\nprint('py', 6 * 7)\n");
    ASSERT_TRUE(p.StartWindowManager());
    pid_t pid = p.Start({script}, work.Path());
    std::string main = p.WaitForWindow("^Vexil2 - ");
    ASSERT_FALSE(main.empty()) << "the program did not come up";
    Pause(500);
    EXPECT_FALSE(p.HasWindow("^VexilPro$")) << "a first start with ready definitions asks nothing";
    EXPECT_EQ(ReadFileBytes(p.Folder() + "/defs/perl.def"), ReadFileBytes(ready));
    EXPECT_TRUE(std::filesystem::exists(p.Folder() + "/defs/python.def"));

    p.Run("xdotool windowactivate --sync " + main);
    Pause(300);
    p.Run("xdotool key F9");
    std::string clip;
    for (int i = 0; i < 20 && clip != "py 42\n"; ++i) {
        Pause(400);
        p.Run("xdotool key ctrl+a ctrl+c");
        Pause(200);
        clip = p.Clipboard();
    }
    EXPECT_EQ(clip, "py 42\n") << "F9 ran the script with Python, the language of its first line";
    p.Run("xdotool windowactivate --sync " + main);
    p.Run("xdotool key alt+F4");
    EXPECT_EQ(p.Wait(pid), 0);
    EXPECT_EQ(IniFile(p.Folder() + "/VexilPro.cfg").ReadString("Environment", "Language", ""),
              "Python");
}
