#pragma once
// The tag jump of the error window: from an error line to the script line it names, inside the
// script window or in the user's external editor started with the configured template.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

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

// The line number the entry names through the current language's RegExpErr; -1 when there is
// no entry, no language, or no line number in the entry. The entry is UTF-8.
int TagJumpLineNumber(std::optional<std::string_view> entry, const KVexilConfig& config);

// Performs the jump for the entry (UTF-8; none when no entry is current).
TagJumpOutcome PerformTagJump(std::optional<std::string_view> entry, TagJumpContext& context);

// The message when the editor program cannot be found.
std::string EditorMissingMessage(const std::string& editor);
