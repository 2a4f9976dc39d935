#pragma once
// The run commands: from a key press to a finished run. Checks that the language can run,
// writes the script to its temporary file, builds the interpreter's command line, runs it with
// its output captured, hands the output to the result and error windows, reports a nonzero
// exit code and carries out the follow-ups that are switched on (clipboard, result file,
// browser). Also the terminal-window run and the run with dropped files.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exec/LiveRoom.h"
#include "exec/RunOutcome.h"
#include "exec/TestReport.h"
#include "platform/Cp932.h"

#include <string_view>

class ByteStream;
class ClipboardService;
class DialogService;
class KCgiData;
class KeyStateProbe;
class KVexilConfig;
class Launcher;
class MessageService;
class TerminalInput;

// The result window's size in characters, which a terminal-mode run's terminal takes.
struct TerminalSize {
    int columns = 80;
    int rows = 24;
};

inline constexpr const char* kMemoryDroppedFilesHint = "ドロップファイルを記憶";
inline constexpr const char* kSaveAllHint = "常に結果をファイルに保存";

// The on/off options of the run menu and the hints that change with them; the main window
// renders them as check marks, button states and tool tips. The CGI data mode is the
// configuration's UseCGI.
struct RunOptions {
    bool MemoryDroppedFiles = false;
    bool ToBrowserAll = false;
    bool NotClip = false;
    bool SaveAll = false;
    std::string MemoryDroppedFilesHint = kMemoryDroppedFilesHint;
    std::string SaveAllHint = kSaveAllHint;
};

// What a run needs of the windows around it. The main window implements it; tests hand in
// recording stand-ins. Texts are CP932, paths UTF-8.
class RunWindows {
public:
    virtual ~RunWindows() = default;
    // The script window writes its text to path in the script's code and line ends. False:
    // nothing was written and the user has been told why.
    virtual bool WriteScript(const std::string& path) = 0;
    // The code of the script (0 Shift_JIS, 1 EUC-JP, 2 JIS, 3 UTF-8).
    virtual int ScriptCode() const = 0;
    // The script's file (empty when it has none yet) and whether the editor holds changes
    // not saved there: a saved, unchanged script runs as itself.
    virtual std::string ScriptFile() const = 0;
    virtual bool ScriptModified() const = 0;
    // UTF-8 text as a file of the script's code and line ends, for a run's input; nothing when
    // characters would be lost and the user declined (the question is the window's).
    virtual std::optional<std::string> InScriptCode(const std::string& utf8) = 0;
    virtual void ClearResult() = 0;
    virtual void LoadResult(ByteStream& stream, TextCode code) = 0;
    // The result text in the code it is held in; the output as captured while unedited.
    virtual HeldText ResultText() = 0;
    // The result text as shown, UTF-8: what the clipboard gets.
    virtual std::string ResultUtf8() = 0;
    // The output as the run captured it, before it was held in CP932 for the window.
    virtual void KeepCapturedResult(std::string bytes) = 0;
    // Writes the result text to path; false when it failed (and was reported).
    virtual bool SaveResult(const std::string& path) = 0;
    virtual void SetResultFolder(const std::string& folder) = 0;
    // Loads the error list; a stream that is not empty shows the error panel.
    virtual void LoadErrors(ByteStream& stream, TextCode code) = 0;
    // A test run's error list: one entry a failing test (UTF-8, with its tool tip), the names
    // read against the folder the run worked in; entries show the error panel.
    virtual void LoadTestErrors(const std::vector<TestEntry>& entries,
                                const std::string& folder) = 0;
    virtual void HideErrorPanel() = 0;
    // The page in front, with the keyboard focus in its editor.
    virtual void ShowResultPage() = 0;
    virtual void ShowScriptPage() = 0;
    virtual void RefreshStatus() = 0;
    // The run options or their hints changed.
    virtual void OptionsChanged() = 0;
    // The CGI data mode was turned on: the request is edited in the form editor.
    virtual void ShowFormEditor() = 0;
    // The answer Yes to the missing-interpreter question.
    virtual void OpenLanguageSettings() = 0;
    // The file-name dialog under caption, starting with current: the text confirmed with OK
    // (as typed, possibly empty), or nothing when cancelled.
    virtual std::optional<std::string> PromptResultFile(const std::string& caption,
                                                        const std::string& current) = 0;
    // While the child runs: keep the windows painting and show how far the run has come.
    // Tick answers true when the user asked to cancel.
    virtual void RunStarted() = 0;
    virtual bool RunTick(double seconds, std::size_t bytes) = 0;
    virtual void RunEnded() = 0;
    // Output that arrived while the run lasts, in the code it is held in, for the result
    // page to show as it comes; false once the page takes no more (its display cap).
    // ahead: what the capture holds beyond them, for the room taken ahead.
    virtual bool AppendLiveResult(std::string_view bytes, TextCode code, LiveAhead ahead) = 0;
    // Whole error lines that arrived while the run lasts; false once the list takes no more.
    virtual bool AppendLiveErrors(std::string_view bytes, TextCode code, LiveAhead ahead) = 0;
    // The text the result page has shown as it came is the whole output: it stays, held in
    // code, instead of being set a second time.
    virtual void KeepLiveResult(TextCode code) = 0;
    // The output in the code held, with the control sequences the text shown has read as a
    // terminal would: what a save, F8 and Shift+F8 take while the text is unedited.
    virtual void KeepRawResult(std::string /*bytes*/) {}
    // The terminal mode: the size the child's terminal gets; the input line, open with the
    // run's input while it lasts (null: closed); whether the program waits for a line.
    virtual TerminalSize ResultTerminalSize() { return {}; }
    virtual void OpenInput(TerminalInput* /*input*/) {}
    virtual void InputWaiting(bool /*waiting*/) {}
    // The same for the error lines: they stay, and the run's end is applied to them as a load
    // would (the panel, the marks in the script).
    virtual void KeepLiveErrors(TextCode code) = 0;
    // How the run ended, shown until the next one.
    virtual void RunFinished(const RunOutcome& outcome) = 0;
};

struct ExecContext {
    KVexilConfig& config;
    RunWindows& windows;
    MessageService& messages;
    DialogService& dialogs;
    ClipboardService& clipboard;
    Launcher& launcher;
    KeyStateProbe& probe;
    // The request of the CGI data mode; null: the mode changes nothing.
    KCgiData* cgi = nullptr;
    // The user's desktop folder, asked for only when a drop needs it; a drop from there keeps
    // the current directory when asked to.
    std::function<std::string()> desktopFolder;
};

class Exec {
public:
    explicit Exec(ExecContext context) : c_(std::move(context)) {}
    ~Exec();
    Exec(const Exec&) = delete;
    Exec& operator=(const Exec&) = delete;

    // F9 and Shift+F9 give the script a terminal and typed input while the configuration's
    // RunInTerminal is on (and the CGI data mode off); every other run keeps its pipes.
    // F9: the missing-interpreter question, then a captured run and its follow-ups.
    void RunScriptCommand();
    // Ctrl+F9: as F9, with pytest given only the test named (FILE::TEST); empty, or a runner
    // without named tests, runs the whole file.
    void RunTestCommand(const std::string& test);
    // F8: a captured run whose output always goes to the browser.
    void RunToBrowserCommand();
    // Shift+F8: the clipboard's text as an input file; the result back on the clipboard.
    void RunFromClipboardCommand();
    // Ctrl+F8: the script in a terminal window, through a shell script.
    void RunInConsoleCommand();
    // Files dropped that are not to be opened: run with them as arguments and remember them.
    void RunDroppedFiles(const std::vector<std::string>& paths);
    // Shift+F9: a run with the argument line typed, split as the command line it ends is
    // (blanks, double quotes). The line joins the argument history and becomes the remembered
    // arguments, as a drop's files do.
    void RunWithArguments(const std::string& line);

    // The core run. False when no child was started (the check failed, or the script could
    // not be written); the windows and the last exit code then keep what they held.
    bool RunCaptured(const std::string& arguments);
    void SaveResultToFile();
    void ShowResultInBrowser();

    void ToggleMemoryDroppedFiles();
    void ToggleToBrowserAll();
    void ToggleNotClip();
    // Turning it on asks for the result file; a cancelled question turns it off again.
    void ToggleSaveAll();
    void ToggleUseCGI();

    const RunOptions& Options() const { return options_; }
    int LastExitCode() const { return lastExitCode_; }

private:
    // The file the interpreter is given: the script itself when it is saved and unchanged
    // (and its language keeps no TempDir of its own), else a copy of the editor's text with a
    // unique name written for this run. Nothing when the copy could not be written (said).
    struct RunScript {
        std::string path;
        bool copy = false;
    };
    std::optional<RunScript> PrepareScript(TestRunner runner);
    // RunCaptured with a test runner's test, or (asScript) a test file run as a plain script.
    bool RunCapturedAs(const std::string& arguments, const std::string& test, bool asScript);
    // Removes a run's copy; the script itself is never touched.
    static void Discard(const RunScript& script);
    // A file of the program's own for F8's page and Ctrl+F8's shell script: a setting with a
    // folder is used as it stands; a bare name gets a unique file, the page beside the script
    // (its relative links keep working), the shell script in TMPDIR.
    std::optional<std::string> PageFile();
    std::optional<std::string> ConsoleFile();
    void FollowUps();
    // args become the remembered arguments, shown in the hint after its heading; with
    // MemoryFileWhenDropped the next runs take them again.
    void Remember(const std::string& args, const std::string& hint);
    void ChangeDirectoryOnDrop(const std::string& droppedFile);
    // Starts the terminal or the opener, and says so when it cannot be started; failed, when
    // given, hears of an opener that started and then could not show its document.
    bool Launch(const std::vector<std::string>& argv, std::function<void()> failed = {});
    // The opener could not show the page: a page of our own is removed, and the user told
    // (unless already).
    void PageNotShown(const std::string& page, bool tell = true);

    ExecContext c_;
    RunOptions options_;
    bool terminalRun_ = false; // the run under way is F9's or Shift+F9's
    int lastExitCode_ = 0;
    // F8's last page, removed when the next one is written and when the program ends.
    std::string lastPage_;
};

// The environment block (NAME=value\0...\0) of environment with entry set, replacing an
// entry of the same name.
std::string EnvironmentWith(const char* const* environment, const std::string& entry);
// What the user is told when a capture had no room for all of the output.
std::string DroppedOutputMessage(std::size_t out, std::size_t err);

// The interpreter's command line: the interpreter (quoted only when it holds a blank or a
// tab), a blank, the options, a blank, the script path in double quotes, a blank, arguments.
std::string RunCommandLine(const std::string& interpreter, const std::string& options,
                           const std::string& scriptPath, const std::string& arguments);
// The arguments of a drop: every path, quoted when it holds a blank, followed by a blank.
std::string DropArguments(const std::vector<std::string>& paths);
// The hint of the remembered arguments after a typed line: one argument a line, as the child
// gets them.
std::string TypedArgumentsHint(const std::vector<std::string>& arguments);
// The shell script of the terminal-window run. The files in removeAtEnd (the run's copy, the
// shell script itself) are removed when the shell ends, however it ends.
std::string ConsoleScript(const std::string& interpreter, const std::string& scriptPath, bool pause,
                          const std::vector<std::string>& removeAtEnd = {});
// Where a run's copy of the script is made, as a mkstemps pattern and the length of its suffix:
// in the language's own TempDir when it has one; else beside the script (a hidden file keeping
// its extension, so FindBin, sibling imports and relative paths work as from a terminal) when
// the script has a file in a folder the user may write; else in the settings folder.
struct CopyPlace {
    std::string pattern;
    int suffix = 0;
};
CopyPlace RunCopyPlace(const std::string& scriptFile, const std::string& tempDir,
                       const std::string& settingsDir, const std::string& tempFile);
// head + name with "mark-XXXXXX" before the name's extension.
CopyPlace UniquePlace(const std::string& head, const std::string& name,
                      const std::string& mark = "");
// A unique file made from a mkstemps pattern (mode 0600, empty); empty with errno on failure.
std::string MakeUniqueFile(CopyPlace place);
// Text as lines, split at CR, LF or CR LF; a final line end adds no empty line.
std::vector<std::string> SplitLines(const std::string& text);
// The lines that go to the browser, each ended with CR LF: with cut, a CGI header block is
// dropped, from a first line naming a header field (Content-Type, Status, Set-Cookie,
// Location..., in any case) through the first empty line.
std::string BrowserText(const std::string& resultText, bool cut);
// How a run's output is held: UTF-8 output as it came, whatever the script's code; plain
// ASCII in the script's own code; anything else as CP932, converted when the script's code is
// not Shift_JIS (EUC-JP, JIS), taken as it is otherwise. Answers the code, and replaces the
// stream's bytes when they were converted.
// Output held in CP932 up to this size keeps a copy of its bytes as captured.
inline constexpr std::size_t kKeptCapture = 64u << 20;
TextCode HoldOutput(ByteStream& output, int scriptCode, MessageService& messages,
                    std::string* captured = nullptr);
// Whether the captured output holds what a terminal would act on (escapes, a lone CR...).
bool ShowsTerminalControls(ByteStream& output);
// What a user is told when a child could not be started: the runner's text, the reason, and
// for E2BIG in a CGI GET that a large form goes by POST on standard input.
std::string StartFailureMessage(const std::string& text, int error, bool cgiGet);

inline constexpr const char* kMissingInterpreterQuestion =
    "実行可能ファイルが見つかりません。\nVexilはスクリプトを実行するのに、処理系が必要です。\n"
    "実行ファイルのパスの設定をしますか？。";
inline constexpr const char* kSaveAllCaption = "Vexil - 常に結果をファイルに保存";
inline constexpr const char* kConsolePause = "続行するには何かキーを押してください . . .";
