// Progress lines, colours and the terminal mode as a user meets them: the built program under
// a private X server, real keys typed into the input line, the result read back through the
// clipboard, the files and the window's pixels.
#include "e2e/Program.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// A program folder with Perl and Python, the terminal mode on or off.
struct Desk {
    Program p;
    TempDir work;
    pid_t pid = -1;
    std::string main;

    explicit Desk(bool terminalMode) {
        std::filesystem::create_directories(p.Folder() + "/defs");
        WriteFileBytes(p.Folder() + "/defs/perl.def",
                       "[Language]\nName=Perl\nExt=pl\n[Environment]\nExePath=/usr/bin/perl\n");
        WriteFileBytes(p.Folder() + "/defs/python.def",
                       "[Language]\nName=Python\nExt=py\n"
                       "[Environment]\nExePath=/usr/bin/python3\n");
        WriteFileBytes(p.Folder() + "/VexilPro.cfg",
                       std::string("[Window]\nWidth=640\nHeight=440\n[Others]\nRunInTerminal=") +
                           (terminalMode ? "1" : "0") + "\n");
    }

    // Starts on the script; the main window, focused.
    std::string Start(const std::string& script) {
        EXPECT_TRUE(p.X().Running());
        EXPECT_TRUE(p.StartWindowManager());
        pid = p.Start({script}, work.Path());
        main = p.WaitForWindow("^Vexil2 - ");
        if (!main.empty()) {
            p.Run("xdotool windowactivate --sync " + main);
            Pause(300);
        }
        return main;
    }
    std::string Copied(const std::string& expected) { return p.CopiedPage(expected); }
    void Type(const std::string& text) { p.Run("xdotool type --delay 40 '" + text + "'"); }
    void Key(const std::string& key) { p.Run("xdotool key " + key); }
};

// Asks for a name, and says in a file once the question is out.
std::string AskScript(const std::string& asked) {
    return "import sys\nsys.stdout.write('名前? ')\nsys.stdout.flush()\nopen('" + asked +
           "', 'w').close()\n"
           "try:\n    name = input()\nexcept EOFError:\n    name = '(EOF)'\n"
           "print('こんにちは ' + name + 'さん')\n";
}

} // namespace

// A counter written with "\r" ends as one line holding its last value; a coloured word shows
// in its colour without the escape, and the saved result holds the bytes as printed.
TEST(EndToEndTerminalText, ACounterIsOneLineAndColoursShowWithoutTheirEscapes) {
    Desk d(false);
    const std::string block = "\xe2\x96\x88\xe2\x96\x88\xe2\x96\x88\xe2\x96\x88";
    std::string script = d.work.Write(
        "count.pl", "binmode STDOUT, ':utf8'; $| = 1;\n"
                    "for my $i (1 .. 20) { print \"\\r$i\"; select(undef, undef, undef, 0.02) }\n"
                    "print \"\\n\\e[31mred \", \"\\x{2588}\" x 4, \"\\e[0m\\n\";\n");
    ASSERT_FALSE(d.Start(script).empty());
    d.Key("F9");
    // Looked at before the text is selected, which draws it in the selection's colours.
    EXPECT_TRUE(WaitFor([&] { return d.p.Pixels(d.main, 0xCD0000) > 50; }))
        << "the red blocks never showed in red: " << d.p.Pixels(d.main, 0xCD0000);
    const std::string shown = "20\nred " + block + "\n";
    EXPECT_EQ(d.Copied(shown), shown);

    d.Key("ctrl+s");
    const std::string dialog = d.p.WaitForWindow("実行結果を保存");
    ASSERT_FALSE(dialog.empty());
    d.p.Run("xdotool windowactivate --sync " + dialog);
    Pause(300);
    d.Type(d.work.File("saved.txt"));
    d.Key("Return");
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(d.work.File("saved.txt")); }));
    std::string printed;
    for (int i = 1; i <= 20; ++i)
        printed += "\r" + std::to_string(i);
    EXPECT_EQ(d.work.Read("saved.txt"), printed + "\n\x1b[31mred " + block + "\x1b[0m\n");
}

// In the terminal mode Perl writes every line as it comes without $|: the first line shows
// while the script still runs.
TEST(EndToEndTerminalMode, PerlWithoutAutoflushShowsItsFirstLineWhileItRuns) {
    Desk d(true);
    const std::string done = d.work.File("done");
    std::string script =
        d.work.Write("slow.pl", "binmode STDOUT, ':utf8';\n"
                                "for (1 .. 8) { print \"\\x{2588}\" x 30, \"\\n\"; "
                                "select(undef, undef, undef, 0.3) }\n"
                                "open my $f, '>', '" +
                                    done + "';\n");
    ASSERT_FALSE(d.Start(script).empty());
    const long blackBefore = d.p.Pixels(d.main, 0x000000);
    d.Key("F9");
    bool shownWhileRunning = false;
    WaitFor([&] {
        if (std::filesystem::exists(done))
            return true;
        shownWhileRunning = d.p.Pixels(d.main, 0x000000) > blackBefore + 1000;
        return shownWhileRunning;
    });
    EXPECT_TRUE(shownWhileRunning) << "nothing showed before the script ended";
    EXPECT_FALSE(std::filesystem::exists(done));
}

// Python's input() gets the line typed, Japanese included, and answers it; the line typed
// shows in the output.
TEST(EndToEndTerminalMode, InputTypedReachesPythonAndItsAnswerShows) {
    Desk d(true);
    const std::string asked = d.work.File("asked");
    std::string script = d.work.Write("ask.py", AskScript(asked));
    ASSERT_FALSE(d.Start(script).empty());
    d.Key("F9");
    // Typed once the question is out, so the echo comes after it; the input line has the
    // keyboard from the run's start.
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(asked); }));
    // Japanese comes in as a user without an input method brings it: pasted into the line.
    d.p.SetClipboard("太郎");
    d.Key("ctrl+v");
    d.Key("Return");
    const std::string shown = "名前? 太郎\nこんにちは 太郎さん\n";
    EXPECT_EQ(d.Copied(shown), shown);
}

// Ctrl+D ends the input: a while (<STDIN>) loop ends and the script goes on.
TEST(EndToEndTerminalMode, CtrlDEndsAReadingLoop) {
    Desk d(true);
    std::string script = d.work.Write(
        "loop.pl", "my $n = 0;\nwhile (my $l = <STDIN>) { $n++ }\nprint \"lines=$n\\n\";\n");
    ASSERT_FALSE(d.Start(script).empty());
    d.Key("F9");
    // Keys typed at once wait in line behind F9, which opens the input line first.
    d.Type("one");
    d.Key("Return");
    d.Type("two");
    d.Key("Return");
    d.Key("ctrl+d");
    const std::string shown = "one\ntwo\nlines=2\n";
    EXPECT_EQ(d.Copied(shown), shown);
}

// git log in a repository prints and ends: no pager waits on the terminal.
TEST(EndToEndTerminalMode, GitLogStartsNoPager) {
    Desk d(true);
    const std::string repo = d.work.Path() + "/repo";
    std::filesystem::create_directories(repo);
    const std::string git = "git -C '" + repo + "' -c user.name=t -c user.email=t@example.com ";
    ASSERT_EQ(std::system((git + "init -q && " + git +
                           "commit -q --allow-empty -m 'first commit of the test'")
                              .c_str()),
              0);
    std::string script =
        d.work.Write("log.pl", "chdir '" + repo +
                                   "';\nsystem('git', 'log', '--format=%s');\nprint \"end\\n\";\n");
    ASSERT_FALSE(d.Start(script).empty());
    d.Key("F9");
    const std::string shown = "first commit of the test\nend\n";
    EXPECT_EQ(d.Copied(shown), shown);
}

// With the mode off the same input() script reads the end of its input at once.
TEST(EndToEndTerminalMode, WithTheModeOffInputEndsAtOnce) {
    Desk d(false);
    std::string script = d.work.Write("ask.py", AskScript(d.work.File("asked")));
    ASSERT_FALSE(d.Start(script).empty());
    const auto started = std::chrono::steady_clock::now();
    d.Key("F9");
    // No one had to type: input() met the end of its input.
    const std::string shown = "名前? こんにちは (EOF)さん\n";
    EXPECT_EQ(d.Copied(shown), shown);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
              10.0);
}
