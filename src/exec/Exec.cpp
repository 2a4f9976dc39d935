#include "exec/Exec.h"

#include "cgi/Kcgidata.h"
#include "config/Kvexilconfig.h"
#include "encoding/Codeconv.h"
#include "exec/Kexecproc.h"
#include "exec/LivePace.h"
#include "exec/LiveText.h"
#include "exec/TerminalSession.h"
#include "exec/TerminalText.h"
#include "exec/TestRun.h"
#include "platform/ClipboardService.h"
#include "platform/CommandLine.h"
#include "platform/DialogService.h"
#include "platform/FileFacts.h"
#include "platform/FileJournal.h"
#include "platform/Launcher.h"
#include "platform/MessageService.h"
#include "platform/OnUnwind.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <unistd.h>

extern char** environ;

namespace {

// What the splitter would take apart or take away if the text went unquoted.
bool NeedsQuotes(const std::string& s) {
    return s.find_first_of(" \t\"") != std::string::npos;
}

// A path written in a shell script between double quotes: the characters the shell still
// reads there are escaped, so a file name can never become a command.
std::string ShellQuoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\' || c == '$' || c == '`')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string JoinCrLf(const std::vector<std::string>& lines, size_t from = 0) {
    std::string text;
    for (size_t i = from; i < lines.size(); ++i)
        text += lines[i] + "\r\n";
    return text;
}

// A relative setting (temp.sh, temp.html) names a file in the current directory.
std::string Absolute(const std::string& path) {
    std::error_code ec;
    auto p = std::filesystem::absolute(path, ec);
    return ec ? path : p.string();
}

} // namespace

std::string RunCommandLine(const std::string& interpreter, const std::string& options,
                           const std::string& scriptPath, const std::string& arguments) {
    // Our splitter would cut an unquoted path at its blank; every other line stays as it was.
    std::string program = NeedsQuotes(interpreter) ? QuoteArgument(interpreter) : interpreter;
    return program + " " + options + " " + QuoteArgument(scriptPath) + " " + arguments;
}

std::string DropArguments(const std::vector<std::string>& paths) {
    std::string args;
    for (const auto& p : paths)
        args += (NeedsQuotes(p) ? QuoteArgument(p) : p) + " ";
    return args;
}

std::string ConsoleScript(const std::string& interpreter, const std::string& scriptPath, bool pause,
                          const std::vector<std::string>& removeAtEnd) {
    // LF line ends: a shell reads a CR as part of the last word.
    std::string text;
    if (!removeAtEnd.empty()) {
        // Inside the trap's single quotes each path is double-quoted and escaped for the
        // shell that runs the trap; a single quote closes and reopens the quoting.
        std::string files;
        for (const std::string& f : removeAtEnd) {
            std::string quoted = ShellQuoted(f);
            std::string safe;
            for (char c : quoted)
                safe += c == '\'' ? std::string("'\\''") : std::string(1, c);
            files += " " + safe;
        }
        // dash runs no EXIT trap when a signal ends it: a closed terminal (HUP), Ctrl+C (INT)
        // or a logout (TERM) leaves through exit, which does.
        text += "trap 'rm -f" + files +
                "' EXIT\ntrap 'exit 129' HUP\ntrap 'exit 130' INT\n"
                "trap 'exit 143' TERM\n";
    }
    text += ShellQuoted(interpreter) + " " + ShellQuoted(scriptPath) + "\n";
    if (pause)
        text += std::string("printf '%s ' '") + kConsolePause +
                "'; s=$(stty -g 2>/dev/null); stty -icanon -echo min 1 2>/dev/null; "
                "dd bs=1 count=1 >/dev/null 2>&1; stty \"$s\" 2>/dev/null; echo\n";
    return text;
}

CopyPlace UniquePlace(const std::string& head, const std::string& name, const std::string& mark) {
    // The unique part goes before the extension, which some interpreters insist on. The
    // name of ours is cut where it would pass the longest name a folder takes (a user's name
    // of 255 bytes is still saved and run); the user's own name is never touched.
    std::string ext = ExtractFileExt(name);
    std::string stem = name.substr(0, name.size() - ext.size());
    const std::size_t fixed = ExtractFileName(head).size() + mark.size() + 7;
    if (fixed + ext.size() > NAME_MAX)
        ext.clear();
    std::size_t keep = std::min(stem.size(), NAME_MAX - fixed - ext.size());
    while (keep > 0 && keep < stem.size() &&
           (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80)
        --keep; // never inside a UTF-8 character
    stem.resize(keep);
    return CopyPlace{head + stem + mark + "-XXXXXX" + ext, static_cast<int>(ext.size())};
}

CopyPlace RunCopyPlace(const std::string& scriptFile, const std::string& tempDir,
                       const std::string& settingsDir, const std::string& tempFile) {
    if (!tempDir.empty())
        return UniquePlace(tempDir + "/", tempFile);
    const std::string folder = ExtractFilePath(scriptFile);
    if (!scriptFile.empty() && !folder.empty() && ::access(folder.c_str(), W_OK) == 0)
        return UniquePlace(folder + ".", ExtractFileName(scriptFile), ".vexil");
    return UniquePlace(settingsDir, tempFile);
}

std::string MakeUniqueFile(CopyPlace place) {
    int fd = ::mkostemps(place.pattern.data(), place.suffix, O_CLOEXEC);
    if (fd < 0)
        return {};
    ::close(fd);
    // Noted empty at once and again once written: whichever is left after a crash is known.
    RecordMadeFile(place.pattern);
    return place.pattern;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

namespace {

// A line of a CGI header: a field name of letters, digits and '-' and a colon.
bool IsHeaderLine(const std::string& line) {
    const size_t colon = line.find(':');
    if (colon == 0 || colon == std::string::npos)
        return false;
    return std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-';
    });
}

bool NamesCgiField(const std::string& line) {
    static const char* const kFields[] = {"content-type:", "status:", "location:", "set-cookie:"};
    const std::string lower = LowerAscii(line.substr(0, 16));
    return std::any_of(std::begin(kFields), std::end(kFields),
                       [&](const char* f) { return lower.rfind(f, 0) == 0; });
}

} // namespace

std::string BrowserText(const std::string& resultText, bool cut) {
    std::vector<std::string> lines = SplitLines(resultText);
    size_t from = 0;
    // A CGI script prints its header block first (CGI.pm writes "Content-Type", a plain
    // print often "Content-type"), ended by an empty line; none of it is page text.
    if (cut && !lines.empty() && NamesCgiField(lines[0])) {
        size_t end = 0;
        while (end < lines.size() && !lines[end].empty() && IsHeaderLine(lines[end]))
            ++end;
        if (end < lines.size() && lines[end].empty())
            from = end + 1;
    }
    return JoinCrLf(lines, from);
}

std::string StartFailureMessage(const std::string& text, int error, bool cgiGet) {
    std::string message = text;
    if (error != 0)
        message += "\n" + std::string(std::strerror(error));
    if (error == E2BIG && cgiGet)
        message += "\nGET の要求が大きすぎます。大きなフォームは REQUEST_METHOD を POST にすると"
                   "標準入力で渡されます。";
    return message;
}

std::string EnvironmentWith(const char* const* environment, const std::string& entry) {
    const std::string name = entry.substr(0, entry.find('=') + 1);
    std::string block;
    for (const char* const* e = environment; e && *e; ++e)
        if (std::string_view(*e).rfind(name, 0) != 0)
            block.append(*e).push_back('\0');
    block.append(entry).push_back('\0');
    return block;
}

std::string DroppedOutputMessage(std::size_t out, std::size_t err) {
    std::string message = "メモリかディスクが足りないため、出力の一部を取り込めませんでした。";
    if (out != 0)
        message += "\n標準出力: 末尾の " + std::to_string(out) + " バイト";
    if (err != 0)
        message += "\n標準エラー出力: 末尾の " + std::to_string(err) + " バイト";
    return message;
}

namespace {

constexpr std::size_t kJudgedPart = std::size_t{16} << 20;

// Reads the capture through once, a part at a time, each part ending after a line end: a
// capture in a file leaves memory behind the reading, so a gigabyte of output is not all
// resident beside the text shown while it ran. Stops early when part answers false.
void ReadInParts(ByteStream& output, const std::function<bool(std::string_view)>& part) {
    const std::string_view all = output.View();
    for (std::size_t from = 0; from < all.size();) {
        std::size_t end = all.size();
        if (all.size() - from > kJudgedPart) {
            end = all.find('\n', from + kJudgedPart - 1);
            end = end == std::string_view::npos ? all.size() : end + 1;
        }
        const bool more = part(all.substr(from, end - from));
        output.ForgetPages(from, end);
        if (!more)
            break;
        from = end;
    }
    output.ForgetPages(0, all.size()); // the pages at the parts' edges
}

} // namespace

bool ShowsTerminalControls(ByteStream& output) {
    // No part but the last ends in a CR, so a CR LF is never split between two parts.
    bool found = false;
    ReadInParts(output,
                [&](std::string_view part) { return !(found = HasTerminalControls(part)); });
    return found;
}

TextCode HoldOutput(ByteStream& output, int scriptCode, MessageService& messages,
                    std::string* captured) {
    OutputJudge judge;
    ReadInParts(output, [&](std::string_view part) {
        judge.Add(part);
        return true;
    });
    const OutputKind kind = judge.Kind();
    switch (kind) {
    case OutputKind::Utf8:
        return TextCode::Utf8;
    case OutputKind::Ascii:
        return scriptCode == kCodeUtf8 ? TextCode::Utf8 : TextCode::Cp932;
    case OutputKind::Other:
        break;
    }
    // Held in CP932, the text no longer gives these bytes back (NEC and IBM characters fold,
    // invalid bytes become 〓): a copy is kept for the save and the page, up to a size where
    // a second copy would crowd memory.
    if (captured && output.Size() <= kKeptCapture)
        *captured = std::string(output.View());
    if (scriptCode != kCodeSjis) {
        ByteStream converted;
        ConvertStream(output, converted, "-s", messages);
        output.Assign(converted.View());
    }
    output.SetPosition(0);
    return TextCode::Cp932;
}

Exec::~Exec() {
    if (!lastPage_.empty())
        ::unlink(lastPage_.c_str());
}

std::optional<Exec::RunScript> Exec::PrepareScript(TestRunner runner) {
    const KDefConfig& language = *c_.config.Current;
    const std::string file = c_.windows.ScriptFile();
    if (language.TempDir.empty() && !file.empty() && !c_.windows.ScriptModified() &&
        FileExists(file))
        return RunScript{file, false};
    CopyPlace place =
        RunCopyPlace(file, language.TempDir, c_.config.SettingsDir, language.TempFile);
    // pytest imports a test file by its name: a hidden name with dots cannot be imported.
    if (runner == TestRunner::Pytest && language.TempDir.empty() && !file.empty() &&
        ::access(ExtractFilePath(file).c_str(), W_OK) == 0)
        place = UniquePlace(ExtractFilePath(file), ExtractFileName(file), "_vexil");
    const std::string path = MakeUniqueFile(place);
    if (path.empty()) {
        c_.messages.Show("Cannot write \"" + place.pattern + "\": " + std::strerror(errno),
                         kErrorCaption, MessageIcon::Error);
        return std::nullopt;
    }
    // The window says why when it cannot write; the empty file made for it goes again.
    if (!c_.windows.WriteScript(path)) {
        ::unlink(path.c_str());
        return std::nullopt;
    }
    RecordMadeFile(path);
    return RunScript{path, true};
}

void Exec::Discard(const RunScript& script) {
    if (script.copy)
        ::unlink(script.path.c_str());
}

bool Exec::RunCaptured(const std::string& arguments) {
    return RunCapturedAs(arguments, {}, false);
}

bool Exec::RunCapturedAs(const std::string& arguments, const std::string& test, bool asScript) {
    // Asked for by F9 and Shift+F9 just before, and by nothing after.
    const bool terminalRun = std::exchange(terminalRun_, false);
    if (!c_.config.CheckRunnable())
        return false;
    const KDefConfig& language = *c_.config.Current;
    const TestRunner runner =
        asScript ? TestRunner::None : RunnerOf(language.ExePath, language.Option);
    // Written before the windows change, so a script that cannot be written leaves them whole.
    const std::optional<RunScript> script = PrepareScript(runner);
    if (!script)
        return false;
    const std::string& scriptPath = script->path;
    std::optional<TestReport> report;
    // Error lines that name the copy lead to the script.
    c_.config.LastRunCopy = script->copy ? scriptPath : std::string();
    c_.windows.HideErrorPanel();
    c_.windows.ClearResult();

    {
        // A test runner works in the project's folder, for this run only.
        const std::string folder = TestProjectFolder(runner, c_.windows.ScriptFile());
        const std::string commandLine =
            TestCommandLine(runner, language.ExePath, asScript ? std::string() : language.Option,
                            scriptPath, test, arguments, folder);
        KExecProc proc(commandLine, c_.messages, c_.probe);
        proc.SetWorkingFolder(folder);
        const int scriptCode = c_.windows.ScriptCode();
        std::optional<TerminalSession> terminal;
        const bool cgi = c_.config.UseCGI && c_.cgi;
        if (terminalRun && !cgi) {
            terminal.emplace(c_.windows, scriptCode, [this](std::string_view utf8, int code) {
                ByteStream in(utf8), out;
                ConvertStream(in, out, code == kCodeEuc ? "-W -e" : "-W -j", c_.messages);
                return out.ToString();
            });
            if (!terminal->Prepare(proc))
                terminal.reset();
        }
        if (cgi)
            c_.cgi->BuildEnvironment(proc);
        else if (!terminal && IsPythonInterpreter(language.ExePath))
            // Python writes to a pipe in blocks, so its output would show only at the end (to
            // a terminal it writes every line).
            proc.SetEnvironment(EnvironmentWith(environ, "PYTHONUNBUFFERED=1"));
        RunOutcome outcome;
        outcome.arguments = SplitCommandLine(commandLine);
        std::error_code ec;
        outcome.folder = folder.empty() ? std::filesystem::current_path(ec).string() : folder;

        // What arrives is shown as it comes (a steady stream ten times a second), decoded.
        const auto convert = [this](std::string_view lines) {
            ByteStream in(lines), out;
            ConvertStream(in, out, "-s", c_.messages);
            return out.ToString();
        };
        LiveText liveOut(scriptCode, false, convert), liveErr(scriptCode, true, convert);
        bool resultInFront = false;
        const auto showLive = [&] {
            // The pieces point into the capture, which must not move while they go in.
            const auto pin = proc.PinOutput();
            // Told before the sizes are read: an ended output has all its bytes in them.
            const bool outEnded = proc.Ended(0), errEnded = proc.Ended(1);
            const std::string_view outSoFar = proc.OutputSoFar(), errSoFar = proc.ErrorsSoFar();
            const LiveText::Piece out = liveOut.Next(outSoFar);
            if (!out.Text().empty()) {
                if (!c_.windows.AppendLiveResult(
                        out.Text(), out.code,
                        LiveAhead{outSoFar.size() - liveOut.Shown(), outEnded}))
                    liveOut.Abandon();
                else if (!resultInFront)
                    c_.windows.ShowResultPage();
                resultInFront = true;
            }
            const LiveText::Piece err = liveErr.Next(errSoFar);
            if (!err.Text().empty() &&
                !c_.windows.AppendLiveErrors(
                    err.Text(), err.code, LiveAhead{errSoFar.size() - liveErr.Shown(), errEnded}))
                liveErr.Abandon();
            proc.TakenUpTo(liveOut.Shown(), liveErr.Shown());
        };
        LivePace pace;
        proc.Progress = [&](const RunProgress& p) {
            if (terminal)
                terminal->Tick(p);
            if (pace.Due(p.seconds, p.bytes))
                showLive();
            return c_.windows.RunTick(p.seconds, p.bytes);
        };
        c_.windows.RunStarted();
        const auto started = std::chrono::steady_clock::now();
        // Whatever escapes the run (memory running out while output is shown or converted)
        // ends it here: the child is already gone (KExecProc sees to it), the window takes
        // input again, the copy goes and the panel says the run broke off; what was shown
        // stays. The dispatch point only says why.
        OnUnwind endRun([&] {
            c_.windows.RunEnded();
            Discard(*script);
            outcome.kind = RunOutcome::Kind::Aborted;
            outcome.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            outcome.endedAt = ClockNow();
            c_.windows.RunFinished(outcome);
        });
        bool ok = proc.Run();
        outcome.seconds = proc.Seconds();
        outcome.endedAt = ClockNow();
        outcome.exitCode = proc.ExitCode();
        outcome.kind = proc.Cancelled() ? RunOutcome::Kind::Cancelled : RunOutcome::Kind::Ended;
        if (!proc.ErrorText().empty()) {
            c_.windows.RunEnded();
            // A child that never started is no run that printed nothing: say so, and why.
            Discard(*script);
            outcome.kind = RunOutcome::Kind::StartFailed;
            c_.windows.RunFinished(outcome);
            c_.messages.Show(
                StartFailureMessage(proc.ErrorText(), proc.SpawnError(),
                                    c_.config.UseCGI && c_.cgi && c_.cgi->Method == KCgiData::Get),
                kErrorCaption, MessageIcon::Error);
            return false;
        }
        // The rest that came after the last look, so the text shown can be the final one.
        showLive();
        c_.windows.RunEnded();
        // Read from the output as it came, before it is held for the windows.
        if (runner != TestRunner::None) {
            report = ReadTestReport(runner, proc.StdOut().View(), proc.StdErr().View());
            outcome.tests = report->counts;
        }

        // UTF-8 output, what Linux programs print, is held as it came, so no character is
        // lost on the way to the user; other output is held in CP932 as before.
        std::string captured;
        const TextCode outCode = HoldOutput(proc.StdOut(), scriptCode, c_.messages, &captured);
        if (liveOut.Holds(proc.StdOut().View(), outCode)) {
            c_.windows.KeepLiveResult(outCode);
            if (ShowsTerminalControls(proc.StdOut()))
                c_.windows.KeepRawResult(std::string(proc.StdOut().View()));
        } else
            c_.windows.LoadResult(proc.StdOut(), outCode);
        if (outCode == TextCode::Cp932 && !captured.empty())
            c_.windows.KeepCapturedResult(std::move(captured));
        const TextCode errCode = HoldOutput(proc.StdErr(), scriptCode, c_.messages);
        if (report)
            c_.windows.LoadTestErrors(report->entries, outcome.folder);
        else if (liveErr.Holds(proc.StdErr().View(), errCode))
            c_.windows.KeepLiveErrors(errCode);
        else
            c_.windows.LoadErrors(proc.StdErr(), errCode);
        if (proc.DroppedOut() != 0 || proc.DroppedErr() != 0)
            c_.messages.Show(DroppedOutputMessage(proc.DroppedOut(), proc.DroppedErr()),
                             kErrorCaption, MessageIcon::Warning);
        if (ok)
            c_.windows.ShowResultPage();
        else
            c_.windows.ShowScriptPage();
        c_.windows.RunFinished(outcome);
        c_.windows.RefreshStatus();
        lastExitCode_ = proc.ExitCode();
    }
    Discard(*script);
    if (report && report->runnerMissing)
        return c_.messages.AskYesNo(kPytestMissingQuestion, kConfirmCaption,
                                    MessageIcon::Question) != MessageAnswer::Yes ||
               RunCapturedAs(arguments, {}, true);
    // A runner's failing tests are its counts in the panel, not a box to close.
    if (lastExitCode_ != 0 && language.ShowError && !report)
        c_.messages.Show("Error Code : " + std::to_string(lastExitCode_));
    return true;
}

void Exec::FollowUps() {
    if (options_.SaveAll)
        SaveResultToFile();
    if (options_.ToBrowserAll)
        ShowResultInBrowser();
}

void Exec::RunScriptCommand() {
    RunTestCommand({});
}

void Exec::RunTestCommand(const std::string& test) {
    if (!c_.config.CheckRunnable()) {
        if (c_.messages.AskYesNo(kMissingInterpreterQuestion, kErrorCaption) == MessageAnswer::Yes)
            c_.windows.OpenLanguageSettings();
        return;
    }
    terminalRun_ = c_.config.RunInTerminal;
    if (RunCapturedAs(options_.MemoryDroppedFiles ? c_.config.RememberedArgs : std::string(), test,
                      false))
        FollowUps();
}

void Exec::RunToBrowserCommand() {
    if (!RunCaptured(options_.MemoryDroppedFiles ? c_.config.RememberedArgs : std::string()))
        return;
    if (options_.SaveAll)
        SaveResultToFile();
    ShowResultInBrowser();
}

void Exec::RunFromClipboardCommand() {
    // The input is a file of the script's own code and line ends: a Linux script's chomp
    // must leave no CR in a value, and no character of the clipboard may be lost silently.
    std::optional<std::string> input = c_.windows.InScriptCode(c_.clipboard.Utf8Text());
    if (!input)
        return;
    std::string path = TempFolder() + "/vxlXXXXXX";
    int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) {
        c_.messages.Show("Cannot write \"" + path + "\": " + std::strerror(errno), kErrorCaption,
                         MessageIcon::Error);
        return;
    }
    ::close(fd);
    std::string error;
    if (!WriteFileAtomic(path, *input, &error, Links::Replace)) {
        ::unlink(path.c_str());
        c_.messages.Show(error, kErrorCaption, MessageIcon::Error);
        return;
    }
    RecordMadeFile(path);
    // Quoted like every path on a command line: a blank in TMPDIR must not make two arguments.
    bool ran = RunCaptured(QuoteArgument(path));
    if (ran && !options_.NotClip)
        // Decoded once from what the run wrote: Unicode, nothing folded on the way.
        c_.clipboard.SetUtf8Text(c_.windows.ResultUtf8());
    ::unlink(path.c_str());
    if (ran)
        FollowUps();
}

void Exec::RunInConsoleCommand() {
    if (!c_.config.Current)
        return;
    const std::optional<RunScript> script = PrepareScript(TestRunner::None);
    if (!script)
        return;
    const std::optional<std::string> batch = ConsoleFile();
    if (!batch) {
        Discard(*script);
        return;
    }
    const bool ownBatch = *batch != Absolute(c_.config.TempBat);
    std::vector<std::string> removeAtEnd;
    if (script->copy)
        removeAtEnd.push_back(script->path);
    if (ownBatch)
        removeAtEnd.push_back(*batch);
    std::string error;
    if (!WriteFileAtomic(*batch,
                         ConsoleScript(c_.config.Current->ExePath, script->path, c_.config.UsePause,
                                       removeAtEnd),
                         &error, Links::Replace)) {
        c_.messages.Show(error, kErrorCaption, MessageIcon::Error);
        Discard(*script);
        if (ownBatch)
            ::unlink(batch->c_str());
        return;
    }
    if (ownBatch)
        RecordMadeFile(*batch);
    // The shell removes the copy when it ends; a terminal that never started cannot.
    RunOutcome outcome;
    outcome.kind = RunOutcome::Kind::Console;
    outcome.arguments = TerminalCommand(*batch);
    std::error_code ec;
    outcome.folder = std::filesystem::current_path(ec).string();
    if (!Launch(outcome.arguments)) {
        Discard(*script);
        if (ownBatch)
            ::unlink(batch->c_str());
        outcome.kind = RunOutcome::Kind::StartFailed;
    }
    outcome.endedAt = ClockNow();
    c_.windows.RunFinished(outcome);
}

namespace {

bool HasFolder(const std::string& setting) {
    return setting.find('/') != std::string::npos;
}

} // namespace

std::optional<std::string> Exec::ConsoleFile() {
    if (HasFolder(c_.config.TempBat))
        return Absolute(c_.config.TempBat);
    // A bare name would land in the user's project folder; a file of our own in TMPDIR is
    // never one of the user's, and the shell removes it when it ends.
    const std::string name = c_.config.TempBat.empty() ? "temp.sh" : c_.config.TempBat;
    const CopyPlace place = UniquePlace(TempFolder() + "/vexil-", name);
    const std::string path = MakeUniqueFile(place);
    if (path.empty())
        c_.messages.Show("Cannot write \"" + place.pattern + "\": " + std::strerror(errno),
                         kErrorCaption, MessageIcon::Error);
    return path.empty() ? std::nullopt : std::optional(path);
}

std::optional<std::string> Exec::PageFile() {
    if (HasFolder(c_.config.TempHtml))
        return Absolute(c_.config.TempHtml);
    // Beside the script, so the page's relative links (style sheets, pictures) work, under a
    // unique name of our own; a browser installed as a snap reads hidden files there, but not
    // hidden folders of the home directory or /tmp.
    const std::string file = c_.windows.ScriptFile();
    std::string folder = ExtractFilePath(file);
    if (file.empty() || ::access(folder.c_str(), W_OK) != 0) {
        std::error_code ec;
        folder = std::filesystem::current_path(ec).string() + "/";
        if (ec || ::access(folder.c_str(), W_OK) != 0)
            folder = TempFolder() + "/";
    }
    const std::string name = c_.config.TempHtml.empty() ? "temp.html" : c_.config.TempHtml;
    const CopyPlace place = UniquePlace(folder + ".vexil-", name);
    const std::string path = MakeUniqueFile(place);
    if (path.empty()) {
        c_.messages.Show("Cannot write \"" + place.pattern + "\": " + std::strerror(errno),
                         kErrorCaption, MessageIcon::Error);
        return std::nullopt;
    }
    if (!lastPage_.empty())
        ::unlink(lastPage_.c_str());
    lastPage_ = path;
    return path;
}

bool Exec::Launch(const std::vector<std::string>& argv, std::function<void()> failed) {
    // A desktop without a terminal or an opener must not look like a run that did nothing.
    if (failed ? c_.launcher.StartShowing(argv, std::move(failed))
               : c_.launcher.StartDetached(argv))
        return true;
    c_.messages.Show(argv.front() + " を起動できませんでした。", kErrorCaption, MessageIcon::Error);
    return false;
}

void Exec::RunDroppedFiles(const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    const std::string args = DropArguments(paths);
    if (RunCaptured(args))
        FollowUps();
    std::string dropped;
    for (const auto& p : paths)
        dropped += "\n" + p;
    Remember(args, "\n\n 直前にドロップしたファイル" + dropped);
    if (c_.config.ChangeCurrentDirOnDrop)
        ChangeDirectoryOnDrop(paths.front());
}

void Exec::RunWithArguments(const std::string& line) {
    // One line of arguments: a pasted line break is a blank, as in every one-line field.
    const std::string typed = Trim(SingleLine(line));
    const ShellWords words = SplitShellWords(typed);
    if (!words.error.empty()) {
        c_.messages.Show(words.error, kErrorCaption, MessageIcon::Error);
        return;
    }
    c_.config.Arguments.Add(typed);
    // The list as the user meant it, quoted for the splitter every command line goes
    // through: F9 with the remembered arguments gets the very same list.
    const std::string args = JoinQuoted(words.words);
    terminalRun_ = c_.config.RunInTerminal;
    if (RunCaptured(args))
        FollowUps();
    if (!typed.empty()) // an empty line keeps what was remembered
        Remember(args, TypedArgumentsHint(words.words));
}

void Exec::Remember(const std::string& args, const std::string& hint) {
    c_.config.RememberedArgs = args;
    options_.MemoryDroppedFilesHint = std::string(kMemoryDroppedFilesHint) + hint;
    if (c_.config.MemoryFileWhenDropped)
        options_.MemoryDroppedFiles = true;
    c_.windows.OptionsChanged();
}

std::string TypedArgumentsHint(const std::vector<std::string>& arguments) {
    std::string hint = "\n\n 直前に指定した引数";
    for (const std::string& argument : arguments)
        hint += "\n" + argument;
    return hint;
}

void Exec::ChangeDirectoryOnDrop(const std::string& droppedFile) {
    const std::string folder = ExtractFileDir(droppedFile);
    if (folder.empty())
        return;
    if (c_.config.DontChangeDirFromDesktop) {
        const std::string desktop = c_.desktopFolder ? c_.desktopFolder() : std::string();
        if (folder.find("デスクトップ") != std::string::npos ||
            (!desktop.empty() && (folder == desktop || folder.rfind(desktop + "/", 0) == 0)))
            return;
    }
    c_.windows.SetResultFolder(folder);
    if (::chdir(folder.c_str()) != 0)
        return;
    c_.windows.RefreshStatus();
}

void Exec::SaveResultToFile() {
    // Also an empty name: the option is on, and a save that cannot take place is reported.
    c_.windows.SaveResult(c_.config.ResultFile);
}

void Exec::ShowResultInBrowser() {
    if (lastExitCode_ != 0)
        return;
    const std::optional<std::string> page = PageFile();
    if (!page)
        return;
    std::string error;
    // The page in the code it came in: a UTF-8 page declares charset=UTF-8 itself.
    if (!WriteFileAtomic(*page, BrowserText(c_.windows.ResultText().bytes, c_.config.CutHead),
                         &error, Links::Replace)) {
        c_.messages.Show(error, kErrorCaption, MessageIcon::Error);
        return;
    }
    RecordMadeFile(*page);
    const std::string shown = *page;
    if (!Launch(OpenerCommand(shown), [this, shown] { PageNotShown(shown); }))
        PageNotShown(shown, false);
}

void Exec::PageNotShown(const std::string& page, bool tell) {
    // Nobody will look at a page of our own: it is not left behind. A page the settings name
    // stays where they put it, and a later page may have taken this one's place.
    bool removed = false;
    if (page == lastPage_) {
        removed = ::unlink(page.c_str()) == 0;
        lastPage_.clear();
    }
    if (tell)
        c_.messages.Show(page + " をブラウザで開けませんでした。" +
                             (removed ? "ページは削除しました。" : ""),
                         kErrorCaption, MessageIcon::Error);
}

void Exec::ToggleMemoryDroppedFiles() {
    options_.MemoryDroppedFiles = !options_.MemoryDroppedFiles;
    c_.windows.OptionsChanged();
}

void Exec::ToggleToBrowserAll() {
    options_.ToBrowserAll = !options_.ToBrowserAll;
    c_.windows.OptionsChanged();
}

void Exec::ToggleNotClip() {
    options_.NotClip = !options_.NotClip;
    c_.windows.OptionsChanged();
}

void Exec::ToggleSaveAll() {
    options_.SaveAll = !options_.SaveAll;
    c_.windows.OptionsChanged();
    if (!options_.SaveAll)
        return;
    std::optional<std::string> path =
        c_.windows.PromptResultFile(kSaveAllCaption, c_.config.ResultFile);
    if (path) {
        c_.config.ResultFile = *path;
        options_.SaveAllHint = std::string(kSaveAllHint) + "\n" + *path;
    } else {
        options_.SaveAll = false;
    }
    c_.windows.OptionsChanged();
}

void Exec::ToggleUseCGI() {
    c_.config.UseCGI = !c_.config.UseCGI;
    c_.windows.OptionsChanged();
    if (c_.config.UseCGI)
        c_.windows.ShowFormEditor();
}
