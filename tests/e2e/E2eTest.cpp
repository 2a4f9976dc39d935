// The real program under a private X server: start-up, the first start's defaults, the
// single-instance hand-over, the hot key, the window state saved at close, a screenshot after a
// run.
#include "e2e/Program.h"
#include "platform/IniFile.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void WriteDefaultPerl(const Program& p) {
    std::filesystem::create_directories(p.Folder() + "/defs");
    WriteFileBytes(p.Folder() + "/defs/perl.def", "[Language]\nName=Perl\nExt=pl,cgi\n");
}

int CloseWithAltF4(Program& p, pid_t pid, const std::string& window) {
    p.Keys(window, "alt+F4");
    return p.Wait(pid);
}

} // namespace

TEST(EndToEnd, FirstStartShowsTheMessageOnceAndSavesEveryKey) {
    Program p;
    ASSERT_TRUE(p.X().Running());
    pid_t pid = p.Start();
    std::string box = p.WaitForWindow("^VexilPro$");
    ASSERT_FALSE(box.empty()) << "no \"Def Files are not found\" message";
    p.Keys(box, "Return");
    std::string main = p.WaitForWindow("^Vexil2 \\* ");
    ASSERT_FALSE(main.empty());
    Pause(500);
    EXPECT_FALSE(p.HasWindow("^VexilPro$")) << "the message came more than once";
    EXPECT_EQ(CloseWithAltF4(p, pid, main), 0);

    IniFile def(p.Folder() + "/defs/perl.def");
    for (const char* key : {"Name", "Ext", "RegExpLang"})
        EXPECT_TRUE(def.HasKey("Language", key)) << key;
    for (const char* key : {"ExePath", "Option", "LastFolder", "UseHelpFile", "UseHtmlHelp",
                            "HelpFile", "TempFile", "TempDir"})
        EXPECT_TRUE(def.HasKey("Environment", key)) << key;
    for (const char* key :
         {"RegExpErr", "ShowError", "UseTagJumpToOtherFile", "RegExpLine", "RegExpFile"})
        EXPECT_TRUE(def.HasKey("Debug", key)) << key;
    EXPECT_EQ(def.ReadString("Language", "Name", ""), "Perl");
    EXPECT_EQ(def.ReadString("Environment", "ExePath", ""), "/usr/bin/perl");

    IniFile cfg(p.Folder() + "/VexilPro.cfg");
    for (const char* key : {"Language", "Editor", "UseDoubleQuotes", "UseTagJump", "TagJumpText",
                            "TempBat", "UsePause", "UseHotKey", "HotKey", "AutoRefresh",
                            "ReadOnlyWhenAutoRefresh", "TempHtml", "CutHead", "DefaultCode"})
        EXPECT_TRUE(cfg.HasKey("Environment", key)) << key;
    for (const char* key : {"Maximized", "Width", "Height"})
        EXPECT_TRUE(cfg.HasKey("Window", key)) << key;
    EXPECT_TRUE(cfg.HasKey("FileHistory", "ItemNumber"));
    for (const char* key : {"MemoryFileWhenDropped", "ChangeCurrentDirOnDrop",
                            "DontChangeDirFromDesktop", "FEditorStayOnTop"})
        EXPECT_TRUE(cfg.HasKey("Others", key)) << key;
    EXPECT_EQ(cfg.ReadInteger("Window", "Width", 0), 600);
    EXPECT_EQ(cfg.ReadInteger("Window", "Height", 0), 400);
    EXPECT_EQ(cfg.ReadInteger("Environment", "DefaultCode", 0), -1);
    EXPECT_EQ(cfg.ReadString("Environment", "CutHead", ""), "1");
}

TEST(EndToEnd, SecondStartHandsItsFileToTheFirstAndEndsWithOne) {
    Program p;
    ASSERT_TRUE(p.X().Running());
    WriteDefaultPerl(p);
    TempDir work;
    work.Write("test.pl", "print \"hello\\n\";\n");
    pid_t first = p.Start();
    std::string main = p.WaitForWindow("^Vexil2 ");
    ASSERT_FALSE(main.empty());

    pid_t second = p.Start({"test.pl"}, work.Path());
    EXPECT_EQ(p.Wait(second), 1);
    EXPECT_FALSE(p.WaitForWindow("^Vexil2 - " + work.Path() + "/test.pl$").empty())
        << "the first instance did not open the bare file name from the second's folder";

    pid_t third = p.Start(); // no argument: the first only comes forward
    EXPECT_EQ(p.Wait(third), 1);
    EXPECT_EQ(CloseWithAltF4(p, first, main), 0);
    // With the first gone, a start is a first start again.
    pid_t again = p.Start();
    std::string window = p.WaitForWindow("^Vexil2 ");
    ASSERT_FALSE(window.empty());
    EXPECT_EQ(CloseWithAltF4(p, again, window), 0);
}

TEST(EndToEnd, TheHotKeyBringsTheWindowForward) {
    Program p;
    ASSERT_TRUE(p.X().Running());
    WriteDefaultPerl(p);
    // Ctrl+Alt+V in the stored Windows shortcut code: 0x4000 | 0x8000 | 'V'.
    WriteFileBytes(p.Folder() + "/VexilPro.cfg", "[Environment]\nUseHotKey=1\nHotKey=49238\n");
    pid_t pid = p.Start();
    std::string main = p.WaitForWindow("^Vexil2 ");
    ASSERT_FALSE(main.empty());

    p.Run("xmessage -name other -geometry +300+300 'another program' >/dev/null 2>&1 &");
    std::string other = p.WaitForWindow("^other$");
    ASSERT_FALSE(other.empty());
    p.Run("xdotool windowfocus --sync " + other);
    Pause(200);
    EXPECT_EQ(p.Run("xdotool getwindowfocus getwindowname"), "other");

    p.Run("xdotool key ctrl+alt+v");
    std::string focused;
    for (int i = 0; i < 50 && focused.rfind("Vexil2", 0) != 0; ++i) {
        Pause(100);
        focused = p.Run("xdotool getwindowfocus getwindowname");
    }
    EXPECT_EQ(focused.rfind("Vexil2", 0), 0u) << "focus stayed on: " << focused;
    p.Run("pkill -f 'xmessage -name other' >/dev/null 2>&1");
    EXPECT_EQ(CloseWithAltF4(p, pid, main), 0);
}

TEST(EndToEnd, AMaximizedWindowSavesTheFlagAndItsNormalSize) {
    Program p;
    ASSERT_TRUE(p.X().Running());
    WriteDefaultPerl(p);
    WriteFileBytes(p.Folder() + "/VexilPro.cfg", "[Window]\nMaximized=1\nWidth=700\nHeight=500\n");
    pid_t pid = p.Start();
    std::string main = p.WaitForWindow("^Vexil2 ");
    ASSERT_FALSE(main.empty());
    EXPECT_EQ(CloseWithAltF4(p, pid, main), 0);
    IniFile cfg(p.Folder() + "/VexilPro.cfg");
    EXPECT_EQ(cfg.ReadString("Window", "Maximized", ""), "1");
    EXPECT_EQ(cfg.ReadInteger("Window", "Width", 0), 700);
    EXPECT_EQ(cfg.ReadInteger("Window", "Height", 0), 500);

    // Not maximized: the flag goes back to 0 and the size stays.
    WriteFileBytes(p.Folder() + "/VexilPro.cfg", "[Window]\nMaximized=0\nWidth=640\nHeight=480\n");
    pid = p.Start();
    main = p.WaitForWindow("^Vexil2 ");
    ASSERT_FALSE(main.empty());
    EXPECT_EQ(CloseWithAltF4(p, pid, main), 0);
    IniFile again(p.Folder() + "/VexilPro.cfg");
    EXPECT_EQ(again.ReadString("Window", "Maximized", ""), "0");
    EXPECT_EQ(again.ReadInteger("Window", "Width", 0), 640);
    EXPECT_EQ(again.ReadInteger("Window", "Height", 0), 480);
}

TEST(EndToEnd, ScreenshotOfAJapaneseScript) {
    Program p;
    ASSERT_TRUE(p.X().Running());
    WriteDefaultPerl(p);
    WriteFileBytes(p.Folder() + "/VexilPro.cfg", "[Window]\nWidth=900\nHeight=600\n");
    TempDir work;
    // Shift_JIS on disk, as a Windows-era script would be.
    std::string script = work.Write(
        "hello.pl", "# \x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x58\x83\x4E"
                    "\x83\x8A\x83\x76\x83\x67\n"
                    "use strict;\nmy $name = \"\x90\xA2\x8A\x45\";\n"
                    "print \"\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD\x81\x41$name\\n\";\n"
                    "warn \"\x8C\x78\x8D\x90\\n\";\n\n"
                    "sub count_words {\n    my ($text) = @_;\n"
                    "    my @words = grep { /\\w/ } split /\\s+/, $text;\n"
                    "    return scalar @words;    # \x90\x94\x82\xA6\x82\xE9\n}\n");
    pid_t pid = p.Start({script});
    std::string main = p.WaitForWindow("^Vexil2 - " + script + "$");
    ASSERT_FALSE(main.empty());
    // After a run: the warning in the error panel, and the script in front again with its line
    // numbers and colours.
    p.Keys(main, "F9");
    Pause(1200);
    p.Keys(main, "alt+v");
    Pause(300);
    p.Keys(main, "s");
    Pause(500);
    const char* out = std::getenv("VEXIL_SCREENSHOT_OUT");
    std::string png = out && *out ? out : work.File("screenshot.png");
    ASSERT_EQ(std::system(("QT_QPA_PLATFORM=xcb DISPLAY=" + p.X().Display() +
                           " " VEXIL_SCREENSHOT " '" + png + "' " + main)
                              .c_str()),
              0);
    EXPECT_GT(ReadFileBytes(png).size(), 5000u);
    EXPECT_EQ(CloseWithAltF4(p, pid, main), 0);
}
