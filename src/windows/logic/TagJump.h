#pragma once
// The tag jump of the error window: from an error line to the script line it names, inside the
// script window or in the user's external editor started with the configured template.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ErrorLines;
class KVexilConfig;
class Launcher;
class MessageService;
class ScriptDocument;

struct TagJumpContext {
    ScriptDocument& script;
    KVexilConfig& config;
    MessageService& messages;
    Launcher& launcher;
    // Brings the script window forward before the caret moves there.
    std::function<void()> activateScript;
    // The working folder of the run whose error output is shown: file names in it are relative
    // to that folder, whatever the current folder has become since.
    std::string runFolder;
    // Says a passing word in the status bar.
    std::function<void(const std::string&)> notice;
};

enum class TagJumpOutcome {
    NoLineNumber,  // the entry names no line: nothing happened
    InScript,      // the script window's caret went to the line
    OtherFile,     // the entry names another file: the caret stayed, and the user was told
    Declined,      // the save question was answered so that the jump stops
    NoFileName,    // the entry names no file although the language asks for one
    EditorMissing, // the editor program was not found; the user was told
    EditorStarted, // the editor was handed the parameters (whether it ran is not examined)
};

// The line number the entry (UTF-8) leads to (ErrorTarget's rule); -1 when there is no entry, no
// language, no line number in the entry, or when it names only a frame that is no file.
int TagJumpLineNumber(std::optional<std::string_view> entry, const KVexilConfig& config);

// Performs the jump for the entry (UTF-8; none when no entry is current).
TagJumpOutcome PerformTagJump(std::optional<std::string_view> entry, TagJumpContext& context);

// The message when the editor program cannot be found.
std::string EditorMissingMessage(const std::string& editor);

// F4 and Shift+F4: the row of the next (forward) or previous error line after current, an
// error line being a row for which namesLine answers true. From no current row the walk starts
// at the first (forward) or the last row. Past an end it goes on from the other end, and says
// so with wrapped. Nothing when no row names a line.
struct ErrorStep {
    std::size_t row = 0;
    bool wrapped = false;
};
std::optional<ErrorStep> StepToErrorLine(std::optional<std::size_t> current, std::size_t count,
                                         bool forward,
                                         const std::function<bool(std::size_t)>& namesLine);

// A mark in a margin: a line of the file (from 1) and the error lines that name
// it, one per text line.
struct ErrorMark {
    long long line = 0;
    std::string message;
};
// Only so many entries are read for marks: a run that floods its standard error must not
// hold the window while every line is matched.
inline constexpr std::size_t kMarkedEntries = 5000;
// The marks of the error lines that lead into file (ErrorTarget's rule: lines that name no file
// and those naming the run's copy lead into the script, scriptFile, empty when it was never
// saved). One mark per line, in line order; the error lines (UTF-8) of a line joined by LF, at
// most kMarkTextLines of them.
inline constexpr std::size_t kMarkTextLines = 10;
// FileErrorMarks (FileJump.h) gives them for any file shown.
// The marks of the script itself.
std::vector<ErrorMark> ScriptErrorMarks(const ErrorLines& lines, const std::string& scriptFile,
                                        const KVexilConfig& config, const std::string& runFolder,
                                        std::size_t maxEntries = kMarkedEntries);
