#pragma once
// A jump from the error list carried out inside the program when the entry names another file:
// the file is shown in the script window at the line, Alt+Left and Alt+Right go back and forth
// between the files shown, and the runs keep meaning the script the errors came from.

#include "windows/logic/ErrorTarget.h"
#include "windows/logic/NavigationHistory.h"
#include "windows/logic/TagJump.h"
#include "windows/logic/TextEditor.h"

#include <functional>
#include <string>
#include <vector>

class ErrorLines;
class KVexilConfig;

// The script window as the jumps see it. TFScript implements it; tests hand in a stand-in.
class JumpWindow {
public:
    virtual ~JumpWindow() = default;
    // The file shown (UTF-8), empty for a script never saved, and whether it holds changes.
    virtual std::string ShownFile() const = 0;
    virtual bool ShownModified() const = 0;
    // The file shown as it is now: caret, view, folder and how it was read.
    virtual Visit Here() = 0;
    // The usual save question; true = go on (saved, or the changes may go).
    virtual bool ConfirmDiscard() = 0;
    // Save As for a script never saved; true when it now has a file and no changes.
    virtual bool SaveUnnamed() = 0;
    // Shows file as state says (its code choice, line ends when the file is still the one left,
    // read-only), keeping the language and the folder; false when it could not be read (said).
    virtual bool ShowFile(const std::string& file, const FileState& state) = 0;
    // Caret to the start of line n (from 1), scrolled into context, editor focused.
    virtual void GoToLine(long long n) = 0;
    // Caret and view back where a visit left them.
    virtual void MoveTo(long long caret, long long topLine) = 0;
    // The folder runs happen in.
    virtual void SetRunFolder(const std::string& folder) = 0;
};

enum class FileJumpOutcome {
    InShown,  // the line is in the file shown: the caret went there
    Opened,   // the file named was shown at the line
    Missing,  // the file named does not exist: said in the status bar
    NotSaved, // the script was never saved and the user did not save it: said
    Declined, // the save question was cancelled
    Failed,   // the file could not be read (said by the window)
};

class FileJumps {
public:
    // notice says a passing word in the status bar; arrived runs before the caret moves, with
    // whether another file is now shown (the page comes forward, marks and caption follow).
    FileJumps(JumpWindow& window, std::function<void(const std::string&)> notice,
              std::function<void(bool otherFile)> arrived);

    FileJumpOutcome Follow(const ErrorTarget& target);
    // Alt+Left and Alt+Right; false when there is nowhere to go or the user stayed.
    bool Back();
    bool Forward();
    bool CanGoBack() const { return history_.PeekBack() != nullptr; }
    bool CanGoForward() const { return history_.PeekForward() != nullptr; }

    // Before F9, F8, Shift+F8 and Ctrl+F8 (and the runs with arguments): while a file reached
    // by a jump is shown, its changes go through the save question (what the script imports
    // is read from disk), and the run happens in the script's folder. False: no run.
    bool BeforeRun();
    // The script the runs mean and the error list's names without a file stand for: the one
    // the errors came from while a file reached by a jump is shown, else the file shown.
    std::string RunScript() const;
    bool Visiting() const { return history_.Visiting(); }
    // How the script the runs mean was read, while another file is shown.
    const Visit* Program() const { return history_.Program(); }
    // A file opened by the user: the jumps so far are over.
    void End() { history_.Clear(); }

private:
    bool Go(const Visit* to, bool back);

    JumpWindow& window_;
    std::function<void(const std::string&)> notice_;
    std::function<void(bool)> arrived_;
    NavigationHistory history_;
};

// Whether a file reached by a jump is shown read-only: one the user may not write, or one of
// the system's (under /usr, where an administrator could write a library by mistake).
bool OpensReadOnly(const std::string& file);

// The marks of the error lines that lead into shownFile: entries that name no file lead to
// runScript. As ScriptErrorMarks: one per line in line order, at most kMarkTextLines texts
// each, only the first maxEntries entries read.
std::vector<ErrorMark> FileErrorMarks(const ErrorLines& lines, const std::string& shownFile,
                                      const std::string& runScript, const KVexilConfig& config,
                                      const std::string& runFolder,
                                      std::size_t maxEntries = kMarkedEntries);

// The words of the caption and the status bar while a file reached by a jump is shown.
std::string RunScriptCaption(const std::string& runScript);
std::string RunScriptPanel(const std::string& runScript);
std::string RunScriptHint(const std::string& runScript);

// Caret at caret (CP932 bytes) and the view's first line at topLine, as far as the text allows.
void RestoreView(TextEditor& editor, long long caret, long long topLine);

inline constexpr const char* kNoBack = "戻る位置はありません。";
inline constexpr const char* kNoForward = "進む位置はありません。";
