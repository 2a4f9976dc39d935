// Runs as a user meets them: the built program under a private X server with a window
// manager, driven by real key presses and clicks, read through the clipboard, the files and
// the pixels of the window.
#include "e2e/Program.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// A program folder with Perl (exit codes shown, errors read as "line N") and a recorder
// that stands in for the browser and the terminal.
struct Desk {
    Program p;
    TempDir work;
    std::string log = work.File("opened.log");

    Desk() {
        std::filesystem::create_directories(p.Folder() + "/defs");
        WriteFileBytes(p.Folder() + "/defs/perl.def",
                       "[Language]\nName=Perl\nExt=pl,cgi\n[Debug]\nShowError=1\n"
                       "RegExpErr=line [0-9]+\n");
        WriteFileBytes(p.Folder() + "/VexilPro.cfg",
                       "[Window]\nWidth=640\nHeight=440\n[Environment]\nTempHtml=" +
                           work.File("temp.html") + "\nTempBat=" + work.File("temp.sh") + "\n");
        std::string recorder =
            work.Write("record", "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + log + "'\n");
        std::filesystem::permissions(recorder, std::filesystem::perms::owner_all);
        p.SetEnv("VEXIL_OPENER=" + recorder);
        p.SetEnv("VEXIL_TERMINAL=" + recorder);
    }

    // Starts on the script and answers the main window, focused.
    std::string Start(const std::string& script) {
        EXPECT_TRUE(p.X().Running());
        EXPECT_TRUE(p.StartWindowManager());
        pid = p.Start({script}, work.Path());
        std::string main = p.WaitForWindow("^Vexil2 - ");
        if (!main.empty()) {
            p.Run("xdotool windowactivate --sync " + main);
            Pause(300);
        }
        return main;
    }
    // Waits for a message box with the caption, answers it with Return; its wait in seconds.
    double Answer(const std::string& caption, int seconds = 15) {
        auto t0 = Clock::now();
        std::string box = p.WaitForWindow("^" + caption + "$", seconds);
        EXPECT_FALSE(box.empty()) << "no box " << caption;
        double waited = std::chrono::duration<double>(Clock::now() - t0).count();
        if (!box.empty()) {
            p.Run("xdotool windowactivate --sync " + box);
            p.Run("xdotool key Return");
            Pause(300);
        }
        return waited;
    }
    std::string Copied(const std::string& expected) { return p.CopiedPage(expected); }
    std::string Opened(int tries = 30) {
        for (int i = 0; i < tries && !std::filesystem::exists(log); ++i)
            Pause(100);
        return std::filesystem::exists(log) ? ReadFileBytes(log) : std::string();
    }
    pid_t pid = -1;
};

} // namespace

TEST(EndToEndRun, F9ShowsOutputAndWarningsAndADoubleClickJumpsToTheLine) {
    Desk d;
    std::string script = d.work.Write("jp.pl", "use utf8;\nbinmode STDOUT, ':utf8';\n"
                                               "binmode STDERR, ':utf8';\n"
                                               "print \"こんにちは 世界\\n\";\n"
                                               "warn \"注意\\n\";\n"
                                               "my $x = 1;\n"
                                               "warn \"行五\";\n"
                                               "print \"end\\n\";\n");
    std::string main = d.Start(script);
    ASSERT_FALSE(main.empty());
    d.p.Run("xdotool key F9");
    // The result page is in front with the caret in the result.
    EXPECT_EQ(d.Copied("こんにちは 世界\nend\n"), "こんにちは 世界\nend\n");

    // The error panel: the second entry names line 7; a click selects it, Ctrl+C copies it.
    auto [w, h] = d.p.Size(main);
    ASSERT_GT(h, 200);
    std::string before = d.p.Screenshot(main);

    // The panel is 60 pixels tall above the status bar; its rows are about 17 pixels high.
    int secondRow = h - 66;
    d.p.Click(main, 80, secondRow);
    Pause(200);
    d.p.Run("xdotool key ctrl+c");
    Pause(300);
    EXPECT_NE(d.p.Clipboard().find("行五 at "), std::string::npos) << d.p.Clipboard();
    d.p.Click(main, 80, secondRow, 2);
    Pause(400);
    // The caret is now on line 7 of the script: type there and save, then read the file.
    d.p.Run("xdotool type --delay 40 '#'");
    d.p.Run("xdotool key ctrl+s");
    Pause(600);
    std::string saved = d.work.Read("jp.pl");
    EXPECT_NE(saved.find("\n#warn \"行五\";\n"), std::string::npos) << saved;
    EXPECT_NE(before, d.p.Screenshot(main));
}

TEST(EndToEndRun, ShiftF8TurnsClipboardTextIntoTheResultOnTheClipboard) {
    Desk d;
    std::string script =
        d.work.Write("upper.pl", "while (<>) { s/\\r?\\n//; print uc($_), \"|\"; }\n");
    std::string main = d.Start(script);
    ASSERT_FALSE(main.empty());
    d.p.SetClipboard("ab\ncd\n");
    Pause(300);
    d.p.Run("xdotool key shift+F8");
    std::string clip;
    for (int i = 0; i < 40 && clip != "AB|CD|"; ++i) {
        Pause(100);
        clip = d.p.Clipboard();
    }
    EXPECT_EQ(clip, "AB|CD|");
}

TEST(EndToEndRun, F8OpensTheBrowserFileAndCtrlF8TheTerminalScript) {
    Desk d;
    std::string script = d.work.Write(
        "page.pl", "print \"Content-type: text/html\\n\\n<p>hello</p>\\n\"; print STDERR $0;\n");
    std::string main = d.Start(script);
    ASSERT_FALSE(main.empty());
    d.p.Run("xdotool key F8");
    EXPECT_EQ(d.Opened(), d.work.File("temp.html") + "\n");
    EXPECT_EQ(d.work.Read("temp.html"), "<p>hello</p>\r\n");

    std::filesystem::remove(d.log);
    d.p.Run("xdotool key ctrl+F8");
    EXPECT_EQ(d.Opened(), "-e sh " + d.work.File("temp.sh") + "\n");
    // Run by a shell as the terminal would: saved and unchanged, the script runs as itself,
    // where it lives.
    FILE* sh = ::popen(("sh '" + d.work.File("temp.sh") + "' 2>&1 >/dev/null").c_str(), "r");
    ASSERT_NE(sh, nullptr);
    char name[512] = {};
    const std::size_t n = std::fread(name, 1, sizeof name - 1, sh);
    ::pclose(sh);
    EXPECT_EQ(std::string(name, n), script);
    EXPECT_TRUE(std::filesystem::exists(script));
}

// A run keeps the window painting, and the real Escape key cancels it (the cancel button and the
// process-level cancel have tests of their own).
TEST(EndToEndRun, ALongRunRepaintsAndIsCancelledByEscape) {
    Desk d;
    // Long enough that a run which was not cancelled can never pass for one that was.
    std::string script = d.work.Write("sleep.pl", "$| = 1; print \"started\\n\"; sleep 60;\n");
    std::string main = d.Start(script);
    ASSERT_FALSE(main.empty());
    std::string shown = d.p.Screenshot(main);
    d.p.Run("xdotool key F9");
    // The result page comes forward, then the run's seconds count on in the status bar.
    int changes = 0;
    for (auto until = Clock::now() + std::chrono::seconds(15); changes < 3 && Clock::now() < until;
         Pause(100)) {
        std::string now = d.p.Screenshot(main);
        if (!now.empty() && now != shown) {
            ++changes;
            shown = now;
        }
    }
    EXPECT_EQ(changes, 3) << "the window did not repaint while the script ran";
    // Escape until a notice is up (a key pressed before the run had begun would go to the
    // script), then every box the cancel brings up (the notice, the exit code) is answered; on a
    // slow machine a second Escape may already have closed the first.
    std::string box;
    for (int i = 0; i < 6 && box.empty(); ++i) {
        d.p.Run("xdotool key Escape");
        box = d.p.WaitForWindow("^VexilPro$", 3);
    }
    EXPECT_FALSE(box.empty()) << "Escape did not cancel";
    for (int answered = 0; !box.empty() && answered < 2;) {
        d.p.Run("xdotool windowactivate --sync " + box + " key Return");
        Pause(300); // the box answered may still be mapped for a moment
        box = ++answered < 2 ? d.p.WaitForWindow("^VexilPro$", 2) : "";
    }
}

TEST(EndToEndRun, TypingGoesToTheScriptAtOnceAndAFileDroppedOnTheEditorOpens) {
    Desk d;
    std::string script = d.work.Write("first.pl", "print 1;\nprint 2;\n");
    std::string main = d.Start(script);
    ASSERT_FALSE(main.empty());
    // No click first: the caret is in the script from the start.
    d.p.Run("xdotool type --delay 40 'x'");
    d.p.Run("xdotool key ctrl+s");
    Pause(500);
    EXPECT_EQ(d.work.Read("first.pl"), "xprint 1;\nprint 2;\n");

    // A real drag from another program onto the middle of the editor.
    std::string other = d.work.Write("other.pl", "print 2;\n");
    d.p.Run("QT_QPA_PLATFORM=xcb " + std::string(VEXIL_DRAGSOURCE) + " '" + other +
            "' >/dev/null 2>&1 &");
    std::string source = d.p.WaitForWindow("^dragsource$");
    ASSERT_FALSE(source.empty());
    d.p.Run("xdotool windowmove --sync " + source + " 0 0");
    d.p.Run("xdotool windowmove --sync " + main + " 300 200");
    Pause(300);
    auto [w, h] = d.p.Size(main);
    d.p.Run("xdotool mousemove --window " + source + " 40 40 mousedown 1");
    for (int step = 1; step <= 10; ++step) {
        Pause(60);
        d.p.Run("xdotool mousemove --window " + main + " " + std::to_string(w / 2 * step / 10) +
                " " + std::to_string(h / 2 * step / 10));
    }
    Pause(300);
    d.p.Run("xdotool mouseup 1");
    EXPECT_FALSE(d.p.WaitForWindow("^Vexil2 - " + other + "$", 10).empty())
        << "the editor swallowed the drop";
}

TEST(EndToEndRun, TheFormEditorsRequestReachesACgiScriptByGetAndByPost) {
    Desk d;
    std::string script = d.work.Write(
        "cgi.pl",
        "read(STDIN, my $body, $ENV{CONTENT_LENGTH} || 0);\n"
        "print \"$ENV{REQUEST_METHOD}|$ENV{QUERY_STRING}|$ENV{HTTP_COOKIE}|$body\\n\";\n");
    std::string main = d.Start(script);
    ASSERT_FALSE(main.empty());
    // F6 turns the CGI data mode on and shows the editor, its TEXT name field ready.
    d.p.Run("xdotool key F6");
    std::string editor = d.p.WaitForWindow("^フォームエディタ$");
    ASSERT_FALSE(editor.empty());
    d.p.Run("xdotool windowactivate --sync " + editor);
    Pause(300);
    d.p.Run("xdotool type --delay 40 q");
    d.p.Run("xdotool key Return");
    d.p.Run("xdotool type --delay 40 'a b'");
    d.p.Run("xdotool key Return");
    // The Cookie tab, third in the row at the top; its name field takes the keys.
    d.p.Click(editor, 211, 40);
    Pause(300);
    d.p.Run("xdotool type --delay 40 id");
    d.p.Run("xdotool key Return");
    d.p.Run("xdotool type --delay 40 7");
    d.p.Run("xdotool key Return");
    d.p.Run("xdotool key Escape");
    Pause(300);
    EXPECT_TRUE(d.p.WaitForWindow("^フォームエディタ$", 1).empty()) << "Esc hides the editor";

    d.p.Run("xdotool windowactivate --sync " + main);
    d.p.Run("xdotool key F9");
    EXPECT_EQ(d.Copied("GET|q=a+b|id=7|\n"), "GET|q=a+b|id=7|\n");

    // 設定 > REQUEST_METHOD > POST, by its menu keys: the body comes on standard input.
    d.p.Run("xdotool key F6");
    ASSERT_FALSE(d.p.WaitForWindow("^フォームエディタ$").empty());
    d.p.Run("xdotool windowactivate --sync " + editor);
    Pause(300);
    d.p.Run("xdotool key --delay 200 alt+c m p Escape");
    d.p.Run("xdotool windowactivate --sync " + main);
    d.p.Run("xdotool key F9");
    EXPECT_EQ(d.Copied("POST||id=7|q=a+b\n"), "POST||id=7|q=a+b\n");
}

// A UTF-8 script's characters, those CP932 lacks among them, reach every place a user takes
// output to: the result's copy and file, Shift+F8's clipboard, the F8 page, the error line's
// copy, and the jump to a file whose folder holds one of them.
TEST(EndToEndRun, NoCharacterOfUtf8OutputIsLostOnItsWayToTheUser) {
    Desk d;
    const std::string line = "café ü € 😀 中文 张 〜 − 日本語";
    const std::string module = d.work.File("café/x.pl");
    std::filesystem::create_directories(d.work.File("café"));
    WriteFileBytes(d.p.Folder() + "/defs/perl.def",
                   "[Language]\nName=Perl\nExt=pl\n[Debug]\nRegExpErr=line [0-9]+\n"
                   "RegExpFile=at (.+) line [0-9]+\nUseTagJumpToOtherFile=1\n");
    WriteFileBytes(
        d.p.Folder() + "/VexilPro.cfg",
        "[Window]\nWidth=640\nHeight=440\n[Environment]\nTempHtml=" + d.work.File("temp.html") +
            "\nTempBat=" + d.work.File("temp.sh") +
            "\nUseTagJump=1\nTagJumpText=+%L %F\nEditor=" + d.work.File("record") + "\n");
    std::string script = d.work.Write(
        "u.pl", "my $line = '" + line +
                    "';\n"
                    "if (@ARGV) { open F, '<', $ARGV[0]; local $/; my $in = <F>; print \"[$in]\"; "
                    "exit }\n"
                    "print \"$line\\n\";\n"
                    "print STDERR \"$line at " +
                    module + " line 3.\\n\";\n");
    std::string main = d.Start(script);
    ASSERT_FALSE(main.empty());

    d.p.Run("xdotool key F9");
    EXPECT_EQ(d.Copied(line + "\n"), line + "\n");

    // The result page's save: the file holds the bytes the script printed.
    d.p.Run("xdotool key ctrl+s");
    std::string dialog = d.p.WaitForWindow("実行結果を保存");
    ASSERT_FALSE(dialog.empty());
    d.p.Run("xdotool windowactivate --sync " + dialog);
    Pause(300);
    d.p.Run("xdotool type --delay 20 '" + d.work.File("saved.txt") + "'");
    d.p.Run("xdotool key Return");
    for (int i = 0; i < 30 && !std::filesystem::exists(d.work.File("saved.txt")); ++i)
        Pause(100);
    EXPECT_EQ(d.work.Read("saved.txt"), line + "\n");

    // The error line, copied; a double-click hands the file to the editor by its real path.
    auto [w, h] = d.p.Size(main);
    d.p.Click(main, 80, h - 83);
    Pause(200);
    d.p.Run("xdotool key ctrl+c");
    Pause(300);
    EXPECT_EQ(d.p.Clipboard(), line + " at " + module + " line 3.\r\n");
    d.p.Click(main, 80, h - 83, 2);
    EXPECT_EQ(d.Opened(), "+3 " + module + "\n");
    std::filesystem::remove(d.log);

    // F8: the page in UTF-8, as printed.
    d.p.Run("xdotool windowactivate --sync " + main);
    d.p.Run("xdotool key F8");
    EXPECT_EQ(d.Opened(), d.work.File("temp.html") + "\n");
    EXPECT_EQ(d.work.Read("temp.html"), line + "\r\n");

    // Shift+F8: the clipboard in as a UTF-8 file with LF, and back out whole.
    d.p.SetClipboard("é😀\n中");
    Pause(300);
    d.p.Run("xdotool key shift+F8");
    std::string clip;
    for (int i = 0; i < 40 && clip != "[é😀\n中\n]"; ++i) {
        Pause(100);
        clip = d.p.Clipboard();
    }
    EXPECT_EQ(clip, "[é😀\n中\n]");
}

// A script that prints, sleeps and exits with 3: its output shows while it still sleeps (the
// result page comes forward full of black blocks), and when it is over the status bar's
// amber panel says it ended badly; the blocks go with the script page that a failed run shows.
TEST(EndToEndRun, OutputShowsWhileTheScriptRunsAndTheEndIsShownInAmber) {
    Desk d;
    std::string script = d.work.Write(
        "slow.pl", "binmode STDOUT, ':utf8'; $| = 1;\n"
                   "print \"\\x{2588}\" x 30, \"\\n\" for 1 .. 8;\nsleep 3;\nexit 3;\n");
    std::string main = d.Start(script);
    ASSERT_FALSE(main.empty());
    constexpr unsigned kBlack = 0x000000, kAmber = 0xffd54f;
    const long blackBefore = d.p.Pixels(main, kBlack);
    EXPECT_EQ(d.p.Pixels(main, kAmber), 0);
    d.p.Run("xdotool key F9");
    // Looked at until the blocks show, while the script still sleeps (a loaded machine may
    // start the run late).
    long blackDuring = 0;
    for (int i = 0; i < 8 && blackDuring <= blackBefore + 5000; ++i) {
        Pause(300);
        blackDuring = d.p.Pixels(main, kBlack);
    }
    EXPECT_FALSE(d.p.HasWindow("^VexilPro$")) << "the run was over before its output showed";
    EXPECT_GT(blackDuring, blackBefore + 5000) << "nothing of the output showed during the run";
    d.Answer("VexilPro"); // Error Code : 3
    long amber = 0;
    for (int i = 0; i < 10 && amber <= 300; ++i) {
        Pause(300);
        amber = d.p.Pixels(main, kAmber);
    }
    EXPECT_GT(amber, 300) << "no warning panel after exit 3";
    EXPECT_LT(d.p.Pixels(main, kBlack), blackDuring - 5000);
}
