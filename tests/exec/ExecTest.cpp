#include "exec/Exec.h"
#include "exec/TerminalInput.h"
#include "exec/TestRun.h"
#include "platform/CommandLine.h"

#include "cgi/Kcgidata.h"
#include "config/Kvexilconfig.h"
#include "encoding/Codeconv.h"
#include "platform/ByteStream.h"
#include "platform/FileFacts.h"
#include "platform/KeyStateProbe.h"
#include "shell/logic/Commands.h"
#include "support/HostDoubles.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;

// Runs argv with input on its standard input; answers what it wrote to its standard output.
std::string RunWithInput(const Lines& argv, const std::string& input) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0)
        return "(no pipe)";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::close(in[1]);
        ::close(out[0]);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    if (!input.empty() && ::write(in[1], input.data(), input.size()) < 0)
        return "(no input)";
    ::close(in[1]);
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return text;
}

class NoEscape : public KeyStateProbe {
public:
    bool EscapeHeld() override { return false; }
};

// The windows around a run, recorded. The script "window" holds the file's bytes as they are
// written in its code.
struct FakeWindows : RunWindows {
    std::string source;
    int code = 0, lineEnd = kLineEndCrLf;
    TextCode resultCode = TextCode::Cp932, errorsCode = TextCode::Cp932;
    bool writeFails = false;
    std::string result, errors, page, resultFolder, written;
    bool errorPanel = false;
    int optionsChanged = 0, ticks = 0, languageSettings = 0, formEditor = 0;
    double cancelAfter = 1e9;

    bool WriteScript(const std::string& path) override {
        written = path;
        return !writeFails && WriteFileAtomic(path, source, nullptr, Links::Replace);
    }
    int ScriptCode() const override { return code; }
    std::string file;
    bool modified = true;
    std::string ScriptFile() const override { return file; }
    bool ScriptModified() const override { return modified; }
    std::optional<std::string> InScriptCode(const std::string& utf8) override {
        ScriptFileText file = EncodeForScript(utf8, code, lineEnd);
        inputLost = file.lost;
        return file.lost && declineLossyInput ? std::nullopt : std::optional(file.bytes);
    }
    std::size_t inputLost = 0;
    bool declineLossyInput = false;
    void ClearResult() override {
        result = "(cleared)";
        liveResult.clear();
        liveErrors.clear();
    }
    void LoadResult(ByteStream& s, TextCode c) override {
        captured.reset();
        result = std::string(s.View().substr(s.Position()));
        resultCode = c;
    }
    // The editor holds Unicode: CP932 text comes back from it folded (NEC and IBM characters
    // to their look-alikes, invalid bytes to 〓), unless the captured bytes were kept.
    HeldText ResultText() override {
        if (captured)
            return {*captured, resultCode};
        if (resultCode == TextCode::Cp932)
            return {Utf8ToCp932(Cp932ToUtf8(result).text).text, resultCode};
        return {result, resultCode};
    }
    std::string ResultUtf8() override {
        return resultCode == TextCode::Utf8 ? result : Cp932ToUtf8(result).text;
    }
    void KeepCapturedResult(std::string bytes) override { captured = std::move(bytes); }
    std::optional<std::string> captured;
    bool SaveResult(const std::string& path) override {
        savedTo.push_back(path);
        return WriteFileAtomic(path, result, nullptr);
    }
    std::vector<std::string> savedTo;
    void SetResultFolder(const std::string& folder) override { resultFolder = folder; }
    void LoadErrors(ByteStream& s, TextCode c) override {
        errors = std::string(s.View().substr(s.Position()));
        errorsCode = c;
        errorPanel = errorPanel || !errors.empty();
    }
    std::vector<TestEntry> testEntries;
    std::string testFolder;
    void LoadTestErrors(const std::vector<TestEntry>& entries, const std::string& folder) override {
        testEntries = entries;
        testFolder = folder;
        errorPanel = errorPanel || !entries.empty();
    }
    void HideErrorPanel() override { errorPanel = false; }
    void ShowResultPage() override { page = "result"; }
    void ShowScriptPage() override { page = "script"; }
    void RefreshStatus() override {}
    void OptionsChanged() override { ++optionsChanged; }
    void OpenLanguageSettings() override { ++languageSettings; }
    // The file-name dialog: what it was shown with, and the answers it gives in turn.
    std::vector<std::pair<std::string, std::string>> prompts;
    std::vector<std::optional<std::string>> answers;
    std::optional<std::string> PromptResultFile(const std::string& caption,
                                                const std::string& current) override {
        prompts.emplace_back(caption, current);
        auto a = answers.empty() ? std::nullopt : answers.front();
        if (!answers.empty())
            answers.erase(answers.begin());
        return a;
    }
    void ShowFormEditor() override { ++formEditor; }
    int started = 0, ended = 0;
    void RunStarted() override { ++started; }
    // Where each tick writes how many there were, for a script that waits on the runner.
    std::string tickFile;
    bool RunTick(double seconds, std::size_t) override {
        ++ticks;
        age = seconds;
        TypeWhenWaiting();
        if (!tickFile.empty())
            WriteFileAtomic(tickFile, std::to_string(ticks), nullptr);
        return seconds >= cancelAfter;
    }
    void RunEnded() override { ++ended; }
    // Output shown while the run lasted, with the run's age when each piece came.
    std::string liveResult, liveErrors;
    std::vector<double> liveAt;
    double age = 0;
    bool keptLive = false;
    std::vector<RunOutcome> outcomes;
    bool memoryRunsOut = false; // the next live output cannot be shown
    bool AppendLiveResult(std::string_view bytes, TextCode c, LiveAhead) override {
        if (memoryRunsOut)
            throw std::bad_alloc();
        liveResult += bytes;
        liveAt.push_back(age);
        resultCode = c;
        return true;
    }
    std::vector<std::string> errorPieces;
    bool AppendLiveErrors(std::string_view bytes, TextCode, LiveAhead) override {
        liveErrors += bytes;
        errorPieces.emplace_back(bytes);
        return true;
    }
    bool keptLiveErrors = false;
    void KeepLiveErrors(TextCode c) override {
        keptLiveErrors = true;
        errors = liveErrors;
        errorsCode = c;
        errorPanel = errorPanel || !errors.empty();
    }
    void KeepLiveResult(TextCode c) override {
        keptLive = true;
        result = liveResult;
        resultCode = c;
    }
    void RunFinished(const RunOutcome& outcome) override { outcomes.push_back(outcome); }
    // The terminal mode's input line: while the program waits, the next line is typed (past
    // the time the wait is looked at again), and the input ended once they are all gone.
    TerminalInput* input = nullptr;
    int inputsOpened = 0;
    std::vector<std::string> typed;
    std::vector<bool> waits;
    bool waitingNow = false;
    double typeAgainAt = 0;
    void OpenInput(TerminalInput* in) override {
        input = in;
        inputsOpened += in ? 1 : 0;
    }
    void InputWaiting(bool waiting) override {
        waits.push_back(waiting);
        waitingNow = waiting;
    }
    void TypeWhenWaiting() {
        if (!waitingNow || !input || input->Ended() || age < typeAgainAt)
            return;
        typeAgainAt = age + 0.5;
        if (typed.empty()) {
            input->EndInput("");
            return;
        }
        input->Enter(typed.front());
        typed.erase(typed.begin());
    }
};

struct Bench : ::testing::Test {
    TempDir dir;
    ScriptedMessages messages;
    ScriptedDialogs dialogs;
    FakeClipboard clipboard;
    RecordingLauncher launcher;
    NoEscape probe;
    FakeWindows windows;
    KVexilConfig config{dir.Path(), messages};
    KCgiData cgi{messages};
    Exec exec{ExecContext{config, windows, messages, dialogs, clipboard, launcher, probe, &cgi,
                          [this] { return dir.File("Desktop"); }}};
    std::string cwd = std::filesystem::current_path();

    void SetUp() override {
        ASSERT_TRUE(NkfLoad(VEXIL_BIN_DIR));
        config.Languages.push_back(std::make_unique<KDefConfig>(dir.File("perl.def")));
        KDefConfig& perl = *config.Languages.back();
        perl.ExePath = "/usr/bin/perl";
        perl.TempDir = dir.Path();
        perl.TempFile = "run.pl";
        perl.ShowError = true;
        config.Current = &perl;
        config.TempBat = dir.File("temp.sh");
        config.TempHtml = dir.File("temp.html");
    }
    void TearDown() override { std::filesystem::current_path(cwd); }
    KDefConfig& Perl() { return *config.Current; }
};

} // namespace

TEST(ExecText, CommandLinesScriptsAndLines) {
    // The interpreter is quoted only when it holds a blank; everything else as it always was.
    EXPECT_EQ(RunCommandLine("/usr/bin/perl", "-w", "/tmp/vexil.tmp", ""),
              "/usr/bin/perl -w \"/tmp/vexil.tmp\" ");
    EXPECT_EQ(RunCommandLine("/usr/bin/perl", "", "/tmp/v.tmp", "a \"b c\" "),
              "/usr/bin/perl  \"/tmp/v.tmp\" a \"b c\" ");
    EXPECT_EQ(RunCommandLine("/opt/my perl/perl", "", "/t", ""), "\"/opt/my perl/perl\"  \"/t\" ");
    EXPECT_EQ(RunCommandLine("/opt/tab\tperl", "", "/t", ""), "\"/opt/tab\tperl\"  \"/t\" ");
    EXPECT_EQ(DropArguments({"/My Files/in.txt", "/b"}), "\"/My Files/in.txt\" /b ");
    // A quote in a Linux file name survives the way through the command line.
    EXPECT_EQ(
        SplitCommandLine(RunCommandLine("/o\"p/perl", "", "/t", DropArguments({"q\"x", "/b"}))),
        (Lines{"/o\"p/perl", "/t", "q\"x", "/b"}));

    EXPECT_EQ(SplitLines("a\r\nb\rc\n\nd"), (Lines{"a", "b", "c", "", "d"}));
    EXPECT_EQ(SplitLines("a\n"), (Lines{"a"}));
    EXPECT_EQ(SplitLines(""), Lines{});
    EXPECT_EQ(BrowserText("Content-type: text/html\n\n<p>x</p>\n", true), "<p>x</p>\r\n");
    EXPECT_EQ(BrowserText("Content-type: text/html\n\n<p>x</p>\n", false),
              "Content-type: text/html\r\n\r\n<p>x</p>\r\n");
    // The whole header block goes, in any case, as CGI.pm and hand-written scripts print it;
    // output that does not begin with a header field, or whose block never ends, stays whole.
    const std::pair<const char*, const char*> pages[] = {
        {"Content-type: a\n\n", ""},
        {"content-type: a\n\nb", "b\r\n"},
        {"Content-Type: text/html; charset=ISO-8859-1\r\n\r\n<p>", "<p>\r\n"},
        {"Status: 302 Found\nSet-Cookie: s=1\nLocation: /x\n\nmoved", "moved\r\n"},
        {"Content-Type: text/html\n<p>no empty line</p>\n", "Content-Type: text/html\r\n<p>no "
                                                            "empty line</p>\r\n"},
        {"<p>Content-type: a</p>\n\nb", "<p>Content-type: a</p>\r\n\r\nb\r\n"},
    };
    for (const auto& [output, page] : pages)
        EXPECT_EQ(BrowserText(output, true), page) << output;
}

TEST_F(Bench, ScriptRunsWithItsOutputsExitCodeAndFollowUps) {
    Perl().Option = "-w";
    windows.source = "print qq(out @ARGV\\n); print STDERR qq(warned\\n); exit($ARGV[0] // 0);\n";
    config.RememberedArgs = "2 x";

    exec.ToggleToBrowserAll();
    exec.ToggleMemoryDroppedFiles();
    exec.RunScriptCommand();
    EXPECT_EQ(windows.result, "out 2 x\n");
    EXPECT_EQ(windows.errors, "warned\n");
    EXPECT_TRUE(windows.errorPanel);
    EXPECT_EQ(windows.page, "script");
    EXPECT_EQ(exec.LastExitCode(), 2);
    EXPECT_EQ(messages.Texts(), Lines{"Error Code : 2"});
    EXPECT_TRUE(launcher.Started.empty()) << "a failed run shows no browser";
    EXPECT_FALSE(FileExists(windows.written)) << "the temporary script is deleted";

    messages.Reset();
    Perl().ShowError = false;
    exec.RunScriptCommand();
    EXPECT_TRUE(messages.Texts().empty());

    exec.ToggleMemoryDroppedFiles(); // off: no arguments
    exec.RunScriptCommand();
    EXPECT_EQ(windows.result, "out \n");
    EXPECT_EQ(windows.page, "result");
    EXPECT_EQ(exec.LastExitCode(), 0);
    ASSERT_EQ(launcher.Started.size(), 1u);
    EXPECT_EQ(launcher.Started[0], OpenerCommand(config.TempHtml));
    EXPECT_EQ(ReadFileBytes(config.TempHtml), "out \r\n");
}

TEST_F(Bench, AMissingInterpreterAsksOnlyOnF9AndChangesNothing) {
    Perl().ExePath = dir.File("no-perl");
    windows.result = "kept";
    clipboard.SetText("clip");
    messages.Answer(MessageAnswer::Yes);
    exec.RunScriptCommand();
    ASSERT_EQ(messages.Count(), 2u);
    EXPECT_EQ(messages.Shown()[0].text, "File " + dir.File("no-perl") + " is not found.");
    EXPECT_EQ(messages.Shown()[1].text, kMissingInterpreterQuestion);
    EXPECT_EQ(messages.Shown()[1].caption, kErrorCaption);
    EXPECT_EQ(windows.languageSettings, 1);
    for (auto command : {&Exec::RunToBrowserCommand, &Exec::RunFromClipboardCommand}) {
        messages.Reset();
        (exec.*command)();
        EXPECT_EQ(messages.Count(), 1u);
    }
    EXPECT_EQ(windows.result, "kept");
    EXPECT_EQ(clipboard.Text(), "clip");
    EXPECT_TRUE(launcher.Started.empty());
    EXPECT_TRUE(windows.written.empty());
}

TEST_F(Bench, ClipboardRunReadsCrLfLinesAndLeavesTheResultOnTheClipboard) {
    windows.source = "open F, '<:raw', $ARGV[0] or die; local $/; $t = <F>; $t =~ s/\\r/CR/g; "
                     "$t =~ s/\\n/LF/g; print qq($t $ARGV[0]);\n";
    clipboard.SetText("a\nb\rc");
    // The input file goes to TMPDIR, which may hold a blank: still one argument.
    const std::string tmp = dir.File("tmp dir");
    std::filesystem::create_directory(tmp);
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string kept = oldTmp ? oldTmp : "";
    ::setenv("TMPDIR", tmp.c_str(), 1);
    exec.RunFromClipboardCommand();
    oldTmp ? ::setenv("TMPDIR", kept.c_str(), 1) : ::unsetenv("TMPDIR");
    const std::string input = windows.result.substr(windows.result.find(' ') + 1);
    EXPECT_EQ(windows.result, "aCRLFbCRLFcCRLF " + input);
    EXPECT_EQ(clipboard.Text(), windows.result);
    EXPECT_EQ(input.rfind(tmp + "/vxl", 0), 0u) << input;
    EXPECT_FALSE(FileExists(input)) << "the input file is deleted";

    exec.ToggleNotClip();
    clipboard.SetText("x");
    exec.RunFromClipboardCommand();
    EXPECT_EQ(clipboard.Text(), "x");
    EXPECT_EQ(windows.result.substr(0, 6), "xCRLF ");
}

TEST_F(Bench, BrowserFileIsCutAndReplacesALinkPlantedAtItsName) {
    dir.Write("victim", "precious");
    ASSERT_EQ(::symlink(dir.File("victim").c_str(), config.TempHtml.c_str()), 0);
    windows.source = "print qq(Content-type: text/html\\n\\n<p>body</p>\\n);";
    exec.RunToBrowserCommand();
    EXPECT_EQ(ReadFileBytes(config.TempHtml), "<p>body</p>\r\n");
    EXPECT_EQ(dir.Read("victim"), "precious");
    ASSERT_EQ(launcher.Started.size(), 1u);

    config.CutHead = false;
    exec.RunToBrowserCommand();
    EXPECT_EQ(ReadFileBytes(config.TempHtml), "Content-type: text/html\r\n\r\n<p>body</p>\r\n");

    // A browser file that cannot be written: nothing is opened, the user learns why.
    config.TempHtml = dir.File("no-folder/temp.html");
    exec.RunToBrowserCommand();
    EXPECT_EQ(launcher.Started.size(), 2u);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_NE(messages.Texts()[0].find(config.TempHtml), std::string::npos);
}

// An opener that starts and then finds no browser: the user hears of it, and a page of our own
// goes; a page a later F8 made in its place stays, and still goes when the next one comes.
TEST_F(Bench, APageNoBrowserShowsIsSaidAndRemovedUnlessANewerOneReplacedIt) {
    config.TempHtml = "temp.html";
    windows.source = "print qq(<p>body</p>\\n);";
    exec.RunToBrowserCommand();
    exec.RunToBrowserCommand();
    ASSERT_EQ(launcher.NotShown.size(), 2u);
    const std::string first = launcher.Started[0].back(), second = launcher.Started[1].back();
    launcher.NotShown[0]();
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Texts()[0], first + " をブラウザで開けませんでした。");
    ASSERT_TRUE(FileExists(second));
    exec.RunToBrowserCommand();
    EXPECT_FALSE(FileExists(second)) << "the page before the newest is left behind";
    const std::string third = launcher.Started[2].back();
    launcher.NotShown[2]();
    EXPECT_FALSE(FileExists(third));
    ASSERT_EQ(messages.Count(), 2u);
    EXPECT_EQ(messages.Texts()[1], third + " をブラウザで開けませんでした。ページは削除しました。");
}

// Ctrl+F8's shell script, run by a real sh as the terminal runs it, in folders whose names the
// shell would read (a quote, a dollar, a backtick, a double quote, a backslash): it runs the
// interpreter on the copy, waits for a key when told to, and removes the copy and itself.
TEST_F(Bench, ConsoleRunWritesAShellScriptThatRunsTheScriptAndRemovesTheCopy) {
    const std::string awkward = dir.File("it's $x `echo b` \"q\" \\ end");
    std::filesystem::create_directories(awkward + "/my perl");
    std::filesystem::create_symlink("/usr/bin/perl", awkward + "/my perl/perl");
    Perl().ExePath = awkward + "/my perl/perl";
    Perl().Option = "-w";
    Perl().TempDir = awkward;
    config.RememberedArgs = "ignored";
    windows.source = "print qq(console @ARGV);";
    const char* saved = std::getenv("TMPDIR");
    const std::string before = saved ? saved : "";
    ::setenv("TMPDIR", awkward.c_str(), 1);
    for (const std::string& batch : {dir.File("temp.sh"), std::string("temp.sh")}) {
        for (bool pause : {false, true}) {
            SCOPED_TRACE(batch + (pause ? " pausing" : ""));
            config.TempBat = batch;
            config.UsePause = pause;
            launcher.Started.clear();
            exec.RunInConsoleCommand();
            ASSERT_EQ(launcher.Started.size(), 1u);
            const Lines shell(launcher.Started[0].end() - 2, launcher.Started[0].end());
            ASSERT_EQ(shell[0], "sh");
            EXPECT_EQ(launcher.Started[0], TerminalCommand(shell[1]));
            EXPECT_EQ(shell[1].rfind(batch[0] == '/' ? batch : awkward + "/vexil-temp", 0), 0u);
            EXPECT_TRUE(FileExists(windows.written)) << "the terminal still needs the script";
            const std::string shown = RunWithInput(shell, "k");
            EXPECT_EQ(shown.rfind("console ", 0), 0u) << shown;
            EXPECT_EQ(shown.find(kConsolePause) != std::string::npos, pause) << shown;
            EXPECT_FALSE(FileExists(windows.written)) << "the shell removes the copy as it ends";
            EXPECT_EQ(FileExists(shell[1]), batch[0] == '/') << "a script of our own goes too";
        }
    }
    if (saved)
        ::setenv("TMPDIR", before.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    EXPECT_EQ(messages.Count(), 0u);

    config.TempBat = dir.File("temp.sh");
    launcher.Succeeds = false; // no terminal on this desktop
    exec.RunInConsoleCommand();
    EXPECT_EQ(messages.Texts(),
              Lines{TerminalCommand(config.TempBat).front() + " を起動できませんでした。"});
    EXPECT_FALSE(FileExists(windows.written)) << "no shell will remove it";
}

// Memory running out while output is shown: the run ends there and then, whatever it was
// doing; the child is killed and reaped, the copy goes, the window takes input again, the
// message comes from the one dispatch point, and the next run works.
TEST_F(Bench, ARunThatRunsOutOfMemoryEndsCleanlyAndTheNextRunWorks) {
    windows.source = "open my $f, '>', '" + dir.File("pid") +
                     "'; print $f $$; close $f; $| = 1; print qq(line\\n); sleep 30;";
    windows.memoryRunsOut = true;
    CommandDispatcher commands(messages);
    commands.Register("MMExecuteScript", [this] { exec.RunScriptCommand(); });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(commands.Dispatch("MMExecuteScript"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20))
        << "the run waited for the child's sleep";
    EXPECT_EQ(messages.Texts(), Lines{"メモリが足りません。"});
    const pid_t child = std::stoi(ReadFileBytes(dir.File("pid")));
    EXPECT_EQ(::kill(child, 0), -1) << "the child runs on or was never reaped";
    EXPECT_EQ(errno, ESRCH);
    EXPECT_FALSE(FileExists(windows.written)) << "the run's copy stayed";
    EXPECT_EQ(windows.ended, windows.started) << "the window still refuses input";
    ASSERT_EQ(windows.outcomes.size(), 1u);
    EXPECT_EQ(windows.outcomes[0].kind, RunOutcome::Kind::Aborted);

    windows.memoryRunsOut = false;
    windows.source = "print qq(again\\n);";
    EXPECT_TRUE(commands.Dispatch("MMExecuteScript"));
    EXPECT_EQ(windows.result, "again\n");
}

// Shift_JIS output with an NEC character, an IBM one and invalid bytes: the page and what a save
// gets are those very bytes.
TEST_F(Bench, OutputHeldInCp932KeepsItsCapturedBytesForTheSaveAndThePage) {
    const std::string bytes = "\x87\x90\xED\x40\xFF\x80";
    windows.code = kCodeSjis;
    windows.source = "binmode STDOUT; print qq(\\x87\\x90\\xED\\x40\\xFF\\x80\\n);";
    exec.RunToBrowserCommand();
    EXPECT_EQ(windows.ResultText().bytes, bytes + "\n");
    ASSERT_EQ(launcher.Started.size(), 1u);
    EXPECT_EQ(ReadFileBytes(launcher.Started[0].back()), bytes + "\r\n");
}

// A terminal closed (HUP), Ctrl+C (INT) or a logout (TERM) while the script runs: dash runs no
// EXIT trap on a signal, and the copy would stay beside the user's script.
TEST(ConsoleScriptSignals, EverySignalThatEndsTheShellStillRemovesTheCopy) {
    TempDir dir;
    for (const char* signal : {"HUP", "INT", "TERM"}) {
        const std::string copy = dir.Write(std::string("it's $x ") + signal + ".sh",
                                           std::string("kill -") + signal + " $PPID; sleep 0.2\n");
        const std::string script =
            dir.Write("run.sh", ConsoleScript("/bin/sh", copy, false, {copy}));
        const int status = std::system(("sh '" + script + "'").c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) >= 129) << signal << " " << status;
        EXPECT_FALSE(FileExists(copy)) << signal;
    }
}

// F9, F8 and Ctrl+F8 give the interpreter a script in the script's own folder, so FindBin and
// sibling imports work as from a terminal, and no file of the user's is overwritten, whatever
// its name.
TEST_F(Bench, ScriptsRunWhereTheyLiveAndNoFileOfTheUsersIsTouched) {
    const std::string project = dir.File("project");
    std::filesystem::create_directories(project + "/lib");
    WriteFileBytes(project + "/lib/Helper.pm", "package Helper; sub hi { 'hi' } 1;\n");
    WriteFileBytes(project + "/helper.py", "def hi():\n    return 'py'\n");
    const std::string tmp = dir.File("tmp");
    std::filesystem::create_directories(tmp);
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string keptTmp = oldTmp ? oldTmp : "";
    ::setenv("TMPDIR", tmp.c_str(), 1);
    // The user's own files at every name the program used to write.
    const Lines mine = {project + "/temp.html", project + "/temp.sh", dir.File("vexil.tmp"),
                        tmp + "/temp.sh"};
    for (const std::string& f : mine)
        WriteFileBytes(f, "mine");
    Perl().TempDir.clear();
    Perl().TempFile = "vexil.tmp";
    config.TempHtml = "temp.html";
    config.TempBat = "temp.sh";
    std::filesystem::current_path(project);

    KDefConfig* perl = &Perl();
    KDefConfig python(dir.File("python.def"));
    python.ExePath = "/usr/bin/python3";
    python.TempFile = "vexil.tmp";
    const struct {
        KDefConfig* language;
        const char* file;
        std::string source, printed;
    } cases[] = {
        {perl, "main.pl",
         "use FindBin; use lib \"$FindBin::Bin/lib\"; use Helper; print Helper::hi(), \"|$0\";",
         "hi|" + project + "/.main.vexil-"},
        {&python, "main.py", "import sys, helper\nprint(helper.hi() + '|' + sys.argv[0], end='')",
         "py|" + project + "/.main.vexil-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        config.Current = c.language;
        windows.file = project + "/" + c.file;
        windows.source = c.source;
        windows.modified = true; // an unsaved edit: a copy beside the script
        exec.RunScriptCommand();
        EXPECT_EQ(windows.result.rfind(c.printed, 0), 0u) << windows.result << windows.errors;
        EXPECT_EQ(windows.result.substr(windows.result.size() - 3),
                  std::string(ExtractFileExt(c.file)));
        EXPECT_EQ(config.LastRunCopy, windows.result.substr(3));
        EXPECT_FALSE(FileExists(config.LastRunCopy)) << "the copy is removed after the run";

        // Saved and unchanged, the script runs as itself and stays.
        WriteFileBytes(windows.file, c.source);
        windows.modified = false;
        exec.RunScriptCommand();
        EXPECT_EQ(windows.result, c.printed.substr(0, 3) + windows.file);
        EXPECT_TRUE(config.LastRunCopy.empty());
        EXPECT_EQ(ReadFileBytes(windows.file), c.source);
    }
    config.Current = perl;

    // F8 writes a page of its own beside the script; Ctrl+F8 a shell script of its own in
    // TMPDIR, which removes itself and the copy as it ends.
    windows.modified = true;
    windows.source = "print qq(<p>page</p>);";
    exec.RunToBrowserCommand();
    ASSERT_FALSE(launcher.Started.empty()) << windows.errors;
    const std::string page = launcher.Started.back().back();
    EXPECT_EQ(page.rfind(project + "/.vexil-temp-", 0), 0u) << page;
    EXPECT_EQ(ReadFileBytes(page), "<p>page</p>\r\n");
    exec.RunToBrowserCommand();
    EXPECT_FALSE(FileExists(page)) << "the last page goes when the next is written";
    exec.RunInConsoleCommand();
    const std::string batch = launcher.Started.back().back();
    EXPECT_EQ(batch.rfind(tmp + "/vexil-temp-", 0), 0u) << batch;
    EXPECT_EQ(std::system(("sh '" + batch + "' >/dev/null").c_str()), 0);
    EXPECT_FALSE(FileExists(batch));
    EXPECT_FALSE(FileExists(windows.written));
    for (const std::string& f : mine)
        EXPECT_EQ(ReadFileBytes(f), "mine") << f;

    // A script in a folder the user cannot write runs from a copy in the settings folder.
    const bool ranReadOnly = [&] {
        std::filesystem::permissions(dir.Path(), std::filesystem::perms::all);
        std::filesystem::permissions(
            project, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                         std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
        windows.source = "print 'ran';";
        return RunUnprivileged([&] {
            exec.RunScriptCommand();
            return windows.result == "ran" && config.LastRunCopy.rfind(dir.File("vexil-"), 0) == 0;
        });
    }();
    std::filesystem::permissions(project, std::filesystem::perms::owner_all);
    EXPECT_TRUE(ranReadOnly);
    oldTmp ? ::setenv("TMPDIR", keptTmp.c_str(), 1) : ::unsetenv("TMPDIR");
}

TEST_F(Bench, DroppedFilesRunAreRememberedAndMoveTheCurrentDirectory) {
    std::filesystem::create_directories(dir.File("My Files"));
    std::filesystem::create_directories(dir.File("Desktop/sub"));
    std::filesystem::create_directories(dir.File("デスクトップ"));
    windows.source = "print join '|', @ARGV;";
    config.MemoryFileWhenDropped = true;
    config.ChangeCurrentDirOnDrop = true;
    config.DontChangeDirFromDesktop = true;
    const std::string in = dir.File("My Files/in.txt");

    exec.RunDroppedFiles({in, "/b"});
    EXPECT_EQ(windows.result, in + "|/b");
    EXPECT_EQ(config.RememberedArgs, "\"" + in + "\" /b ");
    EXPECT_TRUE(exec.Options().MemoryDroppedFiles);
    EXPECT_EQ(exec.Options().MemoryDroppedFilesHint,
              "ドロップファイルを記憶\n\n 直前にドロップしたファイル\n" + in + "\n/b");
    EXPECT_EQ(std::filesystem::current_path(), dir.File("My Files"));
    EXPECT_EQ(windows.resultFolder, dir.File("My Files"));

    exec.RunScriptCommand(); // the remembered arguments come again
    EXPECT_EQ(windows.result, in + "|/b");

    for (const char* desktop : {"Desktop/sub/a.txt", "Desktop/b.txt", "デスクトップ/c.txt"}) {
        exec.RunDroppedFiles({dir.File(desktop)});
        EXPECT_EQ(std::filesystem::current_path(), dir.File("My Files")) << desktop;
    }
    // A sibling whose name begins like the desktop's is no part of it.
    std::filesystem::create_directories(dir.File("Desktop2"));
    exec.RunDroppedFiles({dir.File("Desktop2/d.txt")});
    EXPECT_EQ(std::filesystem::current_path(), dir.File("Desktop2"));
    config.DontChangeDirFromDesktop = false;
    exec.RunDroppedFiles({dir.File("Desktop/b.txt")});
    EXPECT_EQ(std::filesystem::current_path(), dir.File("Desktop"));
}

// Each stream is judged whole and by itself: UTF-8 is held as it came whatever the script's
// code, other output as CP932, converted from a script's EUC-JP or JIS.
TEST_F(Bench, OutputIsHeldInTheCodeItCameIn) {
    const std::string utf8 = "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 \xe6\x97\xa5";
    const std::string sjis = "\x93\xfa\x96\x7b"; // 日本
    const std::string longUtf8 = [&] {
        std::string text;
        while (text.size() < 72000)
            text += utf8 + "\n";
        return text;
    }();
    const struct {
        const char* what;
        int code;
        std::string out;
        TextCode held;
        std::string shown;
    } cases[] = {
        {"UTF-8 script", kCodeUtf8, utf8, TextCode::Utf8, utf8},
        {"UTF-8 from a Shift_JIS script", kCodeSjis, utf8, TextCode::Utf8, utf8},
        {"Shift_JIS", kCodeSjis, sjis, TextCode::Cp932, sjis},
        {"EUC-JP script", kCodeEuc, "\xc6\xfc\xcb\xdc", TextCode::Cp932, sjis},
        {"stray bytes and NUL", kCodeUtf8, utf8 + "\xe9\x00\xff" + utf8, TextCode::Utf8,
         utf8 + "\xe9\x00\xff" + utf8},
        {"one stray byte in a short line", kCodeSjis, "\xc3\xa9 \xe9!", TextCode::Utf8,
         "\xc3\xa9 \xe9!"},
        {"UTF-8 then Shift_JIS", kCodeSjis, longUtf8 + "SJIS:" + sjis, TextCode::Cp932,
         longUtf8 + "SJIS:" + sjis},
        {"ASCII of a Shift_JIS script", kCodeSjis, "plain", TextCode::Cp932, "plain"},
        {"ASCII of a UTF-8 script", kCodeUtf8, "plain", TextCode::Utf8, "plain"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        windows.code = c.code;
        dir.Write("out", c.out);
        windows.source = "open F, '<:raw', '" + dir.File("out") +
                         "'; local $/; $t = <F>; print $t; print STDERR $t;";
        exec.RunScriptCommand();
        EXPECT_EQ(windows.resultCode, c.held);
        EXPECT_EQ(windows.errorsCode, c.held);
        EXPECT_EQ(windows.result, c.shown);
        EXPECT_EQ(windows.errors, c.shown);
    }
}

// Shift+F8: the clipboard becomes a file of the script's code and line ends, and the result
// goes back with every character.
TEST_F(Bench, ClipboardRunKeepsEveryCharacterAndTheScriptsLineEnds) {
    windows.source = "open F, '<:raw', $ARGV[0] or die; local $/; $t = <F>; $t =~ s/\\r/CR/g; "
                     "print $t;";
    windows.code = kCodeUtf8;
    windows.lineEnd = kLineEndLf;
    clipboard.SetUtf8Text("caf\xc3\xa9\r\n\xf0\x9f\x98\x80");
    exec.RunFromClipboardCommand();
    EXPECT_EQ(windows.result, "caf\xc3\xa9\n\xf0\x9f\x98\x80\n");
    EXPECT_EQ(clipboard.Utf8Text(), windows.result);

    // A Shift_JIS script cannot take the emoji: the user is asked, and No runs nothing.
    windows.code = kCodeSjis;
    windows.lineEnd = kLineEndCrLf;
    windows.declineLossyInput = true;
    windows.result = "kept";
    exec.RunFromClipboardCommand();
    EXPECT_EQ(windows.inputLost, 2u) << "é and the emoji";
    EXPECT_EQ(windows.result, "kept");
    windows.declineLossyInput = false;
    exec.RunFromClipboardCommand();
    EXPECT_EQ(windows.result, "caf\x81\xac"
                              "CR\n\x81\xac"
                              "CR\n");
}

// A child that cannot be started is said, with the reason, instead of a run that shows nothing.
TEST_F(Bench, AChildThatCannotStartIsSaidWithItsReason) {
    const std::string plain = dir.Write("not-executable", "#!/bin/sh\n");
    windows.source = "print 1;";
    windows.result = "kept";
    const struct {
        const char* what;
        std::string interpreter;
        std::string environment; // a TEXT value of the form, sent by GET
        std::string says;
    } cases[] = {
        {"not executable", plain, "",
         "Cannot create a proccess.\n" + std::string(std::strerror(EACCES))},
        {"a GET past the kernel's limit", "/usr/bin/perl", std::string(200000, 'x'),
         "Cannot create a proccess.\n" + std::string(std::strerror(E2BIG)) + "\nGET の要求"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        messages.Reset();
        Perl().ExePath = c.interpreter;
        config.UseCGI = !c.environment.empty();
        cgi.Form.Set({KFormData::Text, "q", c.environment});
        exec.RunScriptCommand();
        ASSERT_EQ(messages.Count(), 1u);
        EXPECT_EQ(messages.Texts()[0].rfind(c.says, 0), 0u) << messages.Texts()[0];
        EXPECT_TRUE(launcher.Started.empty());
        ASSERT_FALSE(windows.outcomes.empty());
        EXPECT_EQ(RunOutcomeText(windows.outcomes.back()).rfind("起動失敗 · ", 0), 0u);
        EXPECT_TRUE(RunOutcomeWarns(windows.outcomes.back()));
    }
}

TEST_F(Bench, CgiModeHandsTheRequestAsTheWholeEnvironment) {
    windows.source = "print join ',', map { qq($_=$ENV{$_}) } sort keys %ENV;";
    cgi.Env.Set({"TZ", "JST-9"});
    cgi.Form.Set({KFormData::Text, "a b", "x&y"});
    cgi.Cookie.Set({"id", "7", "", "", "", false});
    exec.RunScriptCommand();
    EXPECT_NE(windows.result.find("PATH="), std::string::npos) << "mode off: inherited";
    exec.ToggleUseCGI();
    EXPECT_TRUE(config.UseCGI);
    EXPECT_EQ(windows.formEditor, 1) << "turning the mode on shows the form editor";
    exec.RunScriptCommand();
    EXPECT_EQ(windows.result,
              "HTTP_COOKIE=id=7,QUERY_STRING=a+b=x%26y,REQUEST_METHOD=GET,TZ=JST-9");

    // A POST: the body on standard input, its length and type in the environment.
    cgi.Method = KCgiData::Post;
    windows.source = "read STDIN, $b, $ENV{CONTENT_LENGTH}; print \"$ENV{REQUEST_METHOD} "
                     "$ENV{CONTENT_TYPE} $ENV{CONTENT_LENGTH} [$b]\";";
    exec.RunScriptCommand();
    EXPECT_EQ(windows.result, "POST application/x-www-form-urlencoded 9 [a+b=x%26y]");
    exec.ToggleUseCGI();
    EXPECT_EQ(windows.formEditor, 1) << "turning it off shows nothing";
}

TEST_F(Bench, CancelAndSaveAll) {
    windows.source = "$| = 1; print 'so far'; sleep 20;";
    windows.cancelAfter = 0.4;
    auto t0 = std::chrono::steady_clock::now();
    exec.RunScriptCommand();
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 5.0);
    EXPECT_GE(windows.ticks, 5);
    EXPECT_EQ(windows.result, "so far");
    EXPECT_EQ(exec.LastExitCode(), -1);
    EXPECT_EQ(messages.Texts(), (Lines{"処理は中断されました", "Error Code : -1"}));
    ASSERT_EQ(windows.outcomes.size(), 1u);
    EXPECT_EQ(RunOutcomeText(windows.outcomes[0]).rfind("中止 · 0.", 0), 0u);

    config.ResultFile = dir.File("old.txt");
    exec.ToggleSaveAll(); // the question is cancelled: off again, the result file kept
    EXPECT_FALSE(exec.Options().SaveAll);
    EXPECT_EQ(config.ResultFile, dir.File("old.txt"));
    ASSERT_EQ(windows.prompts.size(), 1u);
    EXPECT_EQ(windows.prompts[0],
              std::make_pair(std::string(kSaveAllCaption), dir.File("old.txt")));
    windows.answers = {dir.File("all.txt")};
    exec.ToggleSaveAll();
    EXPECT_TRUE(exec.Options().SaveAll);
    EXPECT_EQ(config.ResultFile, dir.File("all.txt"));
    EXPECT_EQ(exec.Options().SaveAllHint, "常に結果をファイルに保存\n" + dir.File("all.txt"));
    windows.cancelAfter = 1e9;
    windows.source = "print 'saved';";
    exec.RunScriptCommand();
    EXPECT_EQ(dir.Read("all.txt"), "saved");
    // An empty file name is still tried, so its failure is reported rather than nothing done.
    exec.ToggleSaveAll();
    windows.answers = {""};
    exec.ToggleSaveAll();
    exec.RunScriptCommand();
    EXPECT_EQ(windows.savedTo, (Lines{dir.File("all.txt"), ""}));

    windows.writeFails = true; // a script that cannot be written starts nothing
    windows.result = "kept";
    exec.RunScriptCommand();
    EXPECT_EQ(windows.result, "kept");
}

// The error list takes whole lines while a run lasts: a line written in two parts with refreshes
// between them comes as one piece, never as a part line that would make an entry of its own.
TEST_F(Bench, LiveErrorLinesWrittenInPartsComeWhole) {
    windows.tickFile = dir.File("ticks");
    windows.source = "sub ticks { open my $f, '<', '" + windows.tickFile +
                     "' or return 0; my $n = <$f>; $n // 0 }\n"
                     "print STDERR 'half'; my ($n, $t) = (ticks(), time);\n"
                     "select undef, undef, undef, 0.01 until ticks() >= $n + 5 || time > $t + 20;\n"
                     "print STDERR qq( line\\nnext\\n);\n";
    exec.RunScriptCommand();
    EXPECT_EQ(windows.liveErrors, "half line\nnext\n");
    ASSERT_FALSE(windows.errorPieces.empty());
    for (const std::string& piece : windows.errorPieces)
        EXPECT_TRUE(piece.ends_with('\n')) << "a part line reached the error list: " << piece;
}

// While a run lasts its output is shown as it comes, the error lines too, and the text shown is
// kept as the final one when it is; the run then says how it ended and with what argument list
// in which folder.
TEST_F(Bench, OutputIsShownAsItComesAndTheRunSaysHowItEnded) {
    std::filesystem::current_path(dir.Path());
    windows.source = "$| = 1; print qq(first\\n); print STDERR qq(warned\\n); "
                     "select undef, undef, undef, 0.6; print qq(caf\\xc3\\xa9 second\\n); exit 3;";
    exec.RunScriptCommand();
    ASSERT_GE(windows.liveAt.size(), 2u) << "the output came in one piece at the end";
    EXPECT_LT(windows.liveAt[0], 0.5) << "the first line waited for the end";
    EXPECT_TRUE(windows.keptLive) << "the final text was set a second time";
    EXPECT_EQ(windows.result, "first\ncaf\xc3\xa9 second\n");
    EXPECT_EQ(windows.resultCode, TextCode::Utf8);
    EXPECT_EQ(windows.liveErrors, "warned\n");
    EXPECT_TRUE(windows.keptLiveErrors) << "the error lines were loaded a second time";
    ASSERT_EQ(windows.outcomes.size(), 1u);
    RunOutcome o = windows.outcomes[0];
    EXPECT_EQ(o.kind, RunOutcome::Kind::Ended);
    EXPECT_EQ(o.exitCode, 3);
    EXPECT_GE(o.seconds, 0.6);
    EXPECT_EQ(o.folder, dir.Path());
    ASSERT_GE(o.arguments.size(), 2u);
    EXPECT_EQ(o.arguments.front(), "/usr/bin/perl");
    EXPECT_EQ(o.arguments.back(), windows.written);
    // The panel: how it ended, how long it took to the hundredth, when it ended.
    Lines parts;
    const std::string text = RunOutcomeText(o), dot = " · ";
    for (std::size_t at = 0;;) {
        const std::size_t next = text.find(dot, at);
        parts.push_back(text.substr(at, next - at));
        if (next == std::string::npos)
            break;
        at = next + dot.size();
    }
    ASSERT_EQ(parts.size(), 3u) << text;
    EXPECT_EQ(parts[0], "終了 3");
    ASSERT_EQ(parts[1].size(), std::string("0.61 秒").size()) << parts[1];
    EXPECT_TRUE(parts[1].ends_with(" 秒")) << parts[1];
    EXPECT_EQ(parts[1].find('.'), 1u) << "two decimals below ten seconds: " << parts[1];
    EXPECT_NEAR(std::strtod(parts[1].c_str(), nullptr), o.seconds, 0.0051) << parts[1];
    EXPECT_EQ(parts[2], o.endedAt);
    EXPECT_EQ(o.endedAt.size(), 8u);
    EXPECT_EQ(o.endedAt.find_first_not_of("0123456789:"), std::string::npos) << o.endedAt;
    // The tool tip: a line a shell gives back as the same arguments, and the folder.
    o.arguments.insert(o.arguments.end(), {"--name=it's $HOME `x` \"y\"", "$HOME", "*", ""});
    const std::string details = RunOutcomeDetails(o);
    const std::size_t lineEnd = details.find('\n');
    ASSERT_NE(lineEnd, std::string::npos);
    EXPECT_EQ(details.substr(lineEnd + 1), "作業フォルダ: " + dir.Path());
    std::string expected;
    for (const std::string& a : o.arguments)
        expected += a + "\n";
    EXPECT_EQ(RunWithInput({"sh", "-c", "printf '%s\\n' " + details.substr(0, lineEnd)}, ""),
              expected);
}

// A Python child writes as it prints: PYTHONUNBUFFERED is set for it, beside the rest of the
// environment, but never in the CGI mode, whose environment is exactly the request.
TEST_F(Bench, PythonRunsUnbufferedOutsideTheCgiMode) {
    if (!FileExists("/usr/bin/python3"))
        GTEST_SKIP() << "no python3";
    Perl().ExePath = "/usr/bin/python3";
    windows.source = "import os\nprint(os.environ.get('PYTHONUNBUFFERED'), 'HOME' in os.environ)\n";
    ::unsetenv("PYTHONUNBUFFERED");
    cgi.Form.Set({KFormData::Text, "q", "1"});
    for (bool cgiMode : {false, true}) {
        SCOPED_TRACE(cgiMode ? "CGI mode" : "plain run");
        config.UseCGI = cgiMode;
        exec.RunScriptCommand();
        EXPECT_EQ(windows.result, cgiMode ? "None False\n" : "1 True\n");
    }
}

// Shift+F9: the line typed is split as a command line, reaches the script's @ARGV, becomes the
// remembered arguments as a drop's files do, and joins a history kept in VexilPro.cfg.
TEST_F(Bench, TypedArgumentsRunAreRememberedAndKeptInTheHistory) {
    windows.source = "print join '|', map { \"<$_>\" } @ARGV;";
    config.MemoryFileWhenDropped = true;
    exec.RunWithArguments("--n 3 \"two words\" \"\" a\"b c\"d\n$HOME;ls");
    const std::string all = "<--n>|<3>|<two words>|<>|<ab cd>|<$HOME;ls>";
    EXPECT_EQ(windows.result, all);
    EXPECT_EQ(
        exec.Options().MemoryDroppedFilesHint,
        "ドロップファイルを記憶\n\n 直前に指定した引数\n--n\n3\ntwo words\n\nab cd\n$HOME;ls");
    exec.RunScriptCommand(); // F9 takes them again while the option is on
    EXPECT_EQ(windows.result, all);
    exec.RunWithArguments(""); // no arguments, and no history
    EXPECT_EQ(windows.result, "");
    exec.RunScriptCommand(); // what was remembered stays
    EXPECT_EQ(windows.result, all);

    // Quoted as a POSIX shell reads it; F9 gets the very list, not the line split again.
    exec.RunWithArguments(R"('a b' a\ b "x\"y\\z\$" '' 'it'\''s' "$HOME")");
    const std::string quoted = R"(<a b>|<a b>|<x"y\z$>|<>|<it's>|<$HOME>)";
    EXPECT_EQ(windows.result, quoted);
    exec.RunScriptCommand();
    EXPECT_EQ(windows.result, quoted);
    // An open quote or a NUL is refused and runs nothing.
    windows.result = "(not run)";
    exec.RunWithArguments("'open");
    exec.RunWithArguments(std::string("a\0b", 3));
    EXPECT_EQ(windows.result, "(not run)");
    EXPECT_EQ(messages.Count(), 2u);
    messages.Reset();
    exec.RunScriptCommand();
    EXPECT_EQ(windows.result, quoted);

    for (int i = 1; i <= 12; ++i)
        exec.RunWithArguments("-n " + std::to_string(i));
    exec.RunWithArguments(" -n 5 ");
    const Lines expected = {"-n 5", "-n 12", "-n 11", "-n 10", "-n 9",
                            "-n 8", "-n 7",  "-n 6",  "-n 4",  "-n 3"};
    EXPECT_EQ(config.Arguments.Lines(), expected);
    config.Save();
    KVexilConfig restarted{dir.Path(), messages};
    restarted.Load();
    EXPECT_EQ(restarted.Arguments.Lines(), expected);
    // A line past the 2,047 bytes of other settings values comes back whole.
    config.Arguments.Add(std::string(3000, 'x'));
    config.Save();
    restarted.Load();
    EXPECT_EQ(restarted.Arguments.Lines().front(), std::string(3000, 'x'));
    // A hand-edited section: a count that promises too much, a blank line, a repeated one.
    WriteFileBytes(config.CfgPath, "[Arguments]\nCount=99\nLine0= a \nLine1=\nLine2=a\nLine3=b\n");
    restarted.Load();
    EXPECT_EQ(restarted.Arguments.Lines(), (Lines{"a", "b"}));
}

namespace {

// A project as a user keeps it, under a folder whose name has a blank: a Perl module and its
// .t file, a Python helper and its pytest file; two tests fail and one is skipped in each.
struct TestProject {
    std::string root;
    explicit TestProject(const std::string& parent) : root(parent + "/proj dir") {
        for (const char* folder : {"/lib", "/t", "/tests"})
            std::filesystem::create_directories(root + folder);
        WriteFileBytes(root + "/lib/Calc.pm", "package Calc;\n"
                                              "use Test::More ();\n"
                                              "sub add { $_[0] + $_[1] }\n"
                                              "sub check { Test::More::is($_[0], $_[1], $_[2]) }\n"
                                              "1;\n");
        WriteFileBytes(root + "/t/basic.t", Tap(false));
        WriteFileBytes(root + "/pytest.ini", "[pytest]\n");
        WriteFileBytes(root + "/lib/helper.py", "def check_pair(pair):\n"
                                                "    assert len(pair) == 2, 'two parts'\n");
        WriteFileBytes(root + "/tests/test_parse.py", Pytest(false));
    }
    static std::string Tap(bool fixed) {
        return std::string("use Test::More tests => 4;\n"
                           "use Calc;\n"
                           "is(Calc::add(1, 2), 3, 'adds');\n"
                           "is(Calc::add(2, 2), ") +
               (fixed ? "4" : "5") +
               ", 'adds again');\n"
               "SKIP: { skip 'offline', 1; ok(0, 'fetches') }\n"
               "Calc::check(1, " +
               (fixed ? "1" : "2") + ", 'through the helper');\n";
    }
    static std::string Pytest(bool fixed) {
        return std::string("import pytest\n"
                           "from lib import helper\n"
                           "\n"
                           "def test_join():\n"
                           "    assert ','.join('ab') == ") +
               (fixed ? "'a,b'" : "'a;b'") +
               "\n"
               "\n"
               "class TestPairs:\n"
               "    def test_pair(self):\n"
               "        helper.check_pair(" +
               (fixed ? "[1, 2]" : "[1, 2, 3]") +
               ")\n"
               "\n"
               "    def test_ok(self):\n"
               "        helper.check_pair([1, 2])\n"
               "\n"
               "@pytest.mark.skip(reason='later')\n"
               "def test_later():\n"
               "    pass\n";
    }
};

bool PytestInstalled() {
    return std::system("/usr/bin/python3 -c 'import pytest' >/dev/null 2>&1") == 0;
}

std::vector<std::string> Texts(const std::vector<TestEntry>& entries) {
    std::vector<std::string> texts;
    for (const TestEntry& e : entries)
        texts.push_back(e.text);
    return texts;
}

} // namespace

TEST_F(Bench, ProveCountsTheTestsAndLeadsEachFailureToItsAssertionFromTheProjectFolder) {
    if (!FileExists("/usr/bin/prove"))
        GTEST_SKIP() << "prove is not installed";
    TestProject proj(dir.Path());
    Perl().ExePath = "/usr/bin/prove";
    Perl().Option = "-v -l";
    Perl().TempDir.clear();
    windows.file = proj.root + "/t/basic.t";
    windows.modified = false;
    exec.RunScriptCommand();

    ASSERT_EQ(windows.outcomes.size(), 1u);
    const RunOutcome& failed = windows.outcomes[0];
    ASSERT_TRUE(failed.tests);
    EXPECT_EQ(TestCountsText(*failed.tests), "1 成功 · 2 失敗 · 1 スキップ");
    EXPECT_EQ(failed.tests->failing, (Lines{"adds again", "through the helper"}));
    EXPECT_TRUE(RunOutcomeWarns(failed));
    // Each failure leads to its assertion, the helper's inside the module; prove's summary and
    // the passing tests stay in the result only.
    EXPECT_EQ(Texts(windows.testEntries),
              (Lines{"Failed test 'adds again' at " + proj.root + "/t/basic.t line 4.",
                     "Failed test 'through the helper' at " + proj.root + "/lib/Calc.pm line 4."}));
    EXPECT_EQ(windows.testEntries[0].tip, "     got: '4'\nexpected: '5'");
    EXPECT_NE(windows.result.find("ok 1 - adds"), std::string::npos);
    EXPECT_TRUE(windows.errorPanel);
    // The run worked in the project folder (so -l finds lib/); the program's folder stayed.
    EXPECT_EQ(failed.folder, proj.root);
    EXPECT_EQ(windows.testFolder, proj.root);
    EXPECT_EQ(std::filesystem::current_path(), cwd);
    EXPECT_EQ(failed.arguments, (Lines{"/usr/bin/prove", "-v", "-l", windows.file}));
    EXPECT_TRUE(messages.Texts().empty()) << "no Error Code box for failing tests";

    // Fixed and run again: the counts turn normal, the list empties; blib/ adds -b.
    WriteFileBytes(windows.file, TestProject::Tap(true));
    std::filesystem::create_directories(proj.root + "/blib/lib");
    exec.RunScriptCommand();
    const RunOutcome& passed = windows.outcomes.back();
    ASSERT_TRUE(passed.tests);
    EXPECT_EQ(TestCountsText(*passed.tests), "3 成功 · 0 失敗 · 1 スキップ");
    EXPECT_FALSE(RunOutcomeWarns(passed));
    EXPECT_TRUE(windows.testEntries.empty());
    EXPECT_EQ(passed.arguments, (Lines{"/usr/bin/prove", "-v", "-l", "-b", windows.file}));
    EXPECT_EQ(windows.page, "result");
}

TEST_F(Bench, PytestRunsTheTestAtTheCaretOrTheFileAndAnEditedFileAsAnImportableCopy) {
    if (!PytestInstalled())
        GTEST_SKIP() << "/usr/bin/python3 has no pytest (python3-pytest)";
    TestProject proj(dir.Path());
    Perl().ExePath = "/usr/bin/python3";
    Perl().Option = "-m pytest -v";
    Perl().TempDir.clear();
    windows.file = proj.root + "/tests/test_parse.py";
    windows.modified = false;

    // Ctrl+F9 in TestPairs.test_pair: that test only, its failure inside the helper.
    exec.RunTestCommand("TestPairs::test_pair");
    ASSERT_TRUE(windows.outcomes.back().tests);
    EXPECT_EQ(TestCountsText(*windows.outcomes.back().tests), "0 成功 · 1 失敗 · 0 スキップ");
    EXPECT_EQ(Texts(windows.testEntries),
              Lines{"lib/helper.py:2: AssertionError (TestPairs.test_pair)"});
    // A helper's assertion is not rewritten by pytest: its message only.
    EXPECT_EQ(windows.testEntries[0].tip, "AssertionError: two parts");
    EXPECT_EQ(windows.testFolder, proj.root);
    EXPECT_EQ(windows.outcomes.back().arguments.back(), windows.file + "::TestPairs::test_pair");

    // F9: the whole file.
    exec.RunScriptCommand();
    const TestCounts counts = *windows.outcomes.back().tests;
    EXPECT_EQ(TestCountsText(counts), "1 成功 · 2 失敗 · 1 スキップ");
    EXPECT_EQ(counts.failing, (Lines{"tests/test_parse.py::test_join",
                                     "tests/test_parse.py::TestPairs::test_pair"}));
    EXPECT_EQ(Texts(windows.testEntries),
              (Lines{"tests/test_parse.py:5: AssertionError (test_join)",
                     "lib/helper.py:2: AssertionError (TestPairs.test_pair)"}));
    EXPECT_EQ(std::filesystem::current_path(), cwd);

    // The fix not saved yet: pytest imports a copy beside the file, which goes again.
    windows.modified = true;
    windows.source = TestProject::Pytest(true);
    exec.RunScriptCommand();
    ASSERT_TRUE(windows.outcomes.back().tests);
    EXPECT_EQ(TestCountsText(*windows.outcomes.back().tests), "3 成功 · 0 失敗 · 1 スキップ");
    EXPECT_FALSE(RunOutcomeWarns(windows.outcomes.back()));
    EXPECT_TRUE(windows.testEntries.empty());
    EXPECT_EQ(ExtractFilePath(windows.written), proj.root + "/tests/");
    EXPECT_FALSE(FileExists(windows.written));
    EXPECT_EQ(ReadFileBytes(windows.file), TestProject::Pytest(false)) << "the file is untouched";
}

TEST_F(Bench, APythonWithoutPytestSaysSoAndRunsTheFileAsAScriptWhenAsked) {
    // -S leaves the installed packages out, as a Python without pytest has them.
    Perl().ExePath = "/usr/bin/python3";
    Perl().Option = "-S -m pytest";
    Perl().TempDir.clear();
    TempDir work;
    windows.file = work.Write("test_old.py", "import unittest\n"
                                             "class T(unittest.TestCase):\n"
                                             "    def test_a(self):\n"
                                             "        self.assertTrue(True)\n"
                                             "unittest.main()\n");
    windows.modified = false;
    messages.Answer(MessageAnswer::No);
    exec.RunScriptCommand();
    EXPECT_EQ(messages.Texts(), Lines{kPytestMissingQuestion});
    EXPECT_EQ(windows.outcomes.size(), 1u);

    messages.Reset();
    messages.Answer(MessageAnswer::Yes);
    exec.RunScriptCommand();
    EXPECT_EQ(messages.Texts(), Lines{kPytestMissingQuestion});
    ASSERT_EQ(windows.outcomes.size(), 3u);
    // The second run is a plain one: no runner's options, no counts, unittest's own report.
    const RunOutcome& plain = windows.outcomes.back();
    EXPECT_FALSE(plain.tests);
    EXPECT_EQ(plain.arguments, (Lines{"/usr/bin/python3", windows.file}));
    EXPECT_NE(windows.errors.find("Ran 1 test"), std::string::npos) << windows.errors;
    EXPECT_EQ(exec.LastExitCode(), 0);
}

// The terminal mode is F9's and Shift+F9's: every other run, and every run in the CGI data
// mode, keeps its pipes and its input as before.
TEST_F(Bench, TheTerminalModeGivesF9AndShiftF9ATerminalAndNothingElse) {
    windows.source = "print -t STDOUT ? 'tty' : 'pipe'; print -t STDERR ? '' : '|err-pipe';"
                     "print \"|$ENV{TERM}|$ENV{PAGER}|$ENV{GIT_PAGER}\" if -t STDOUT;";
    const std::string terminal = "tty|err-pipe|xterm-256color|cat|cat";
    config.RunInTerminal = true;
    exec.RunScriptCommand();
    EXPECT_EQ(windows.result, terminal);
    exec.RunWithArguments("a b");
    EXPECT_EQ(windows.result, terminal);
    EXPECT_EQ(windows.inputsOpened, 2);
    EXPECT_EQ(windows.input, nullptr); // closed with its run
    exec.RunToBrowserCommand();
    EXPECT_EQ(windows.result, "pipe|err-pipe");
    clipboard.Utf8 = "x";
    exec.RunFromClipboardCommand();
    EXPECT_EQ(windows.result, "pipe|err-pipe");
    exec.RunDroppedFiles({dir.Write("dropped.txt", "")});
    EXPECT_EQ(windows.result, "pipe|err-pipe");
    config.UseCGI = true;
    exec.RunScriptCommand();
    EXPECT_EQ(windows.result, "pipe|err-pipe");
    config.UseCGI = false;
    config.RunInTerminal = false;
    exec.RunScriptCommand();
    EXPECT_EQ(windows.result, "pipe|err-pipe");
    EXPECT_EQ(windows.inputsOpened, 2);
}

// A line is typed when the program waits for it, in the script's code; with the mode off the
// same script reads the end of its input at once.
TEST_F(Bench, ATerminalRunReadsTheLinesTypedWhenItWaits) {
    windows.source = "print 'Name? '; my $n = <STDIN>; chomp $n; print \"Hi $n\\n\";"
                     "my $more = <STDIN>; print defined $more ? 'more' : 'end';";
    windows.code = kCodeUtf8;
    windows.typed = {"太郎"};
    config.RunInTerminal = true;
    exec.RunScriptCommand();
    EXPECT_EQ(windows.result, "Name? Hi 太郎\nend");
    ASSERT_GE(windows.waits.size(), 2u);
    EXPECT_EQ(windows.waits.front(), true);
    EXPECT_EQ(windows.waits.back(), false);
    windows.waits.clear();
    windows.typeAgainAt = 0;
    config.RunInTerminal = false;
    exec.RunScriptCommand();
    EXPECT_EQ(windows.result, "Name? Hi \nend");
    EXPECT_TRUE(windows.waits.empty());
}
