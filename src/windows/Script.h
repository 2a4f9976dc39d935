#pragma once
// The script window: the editor of the one script the program works on, and everything that
// ties it to its file: name, character code, line ends, the modified flag and the time stamp
// the file had when it was last loaded or saved.
//
// The editor holds Unicode and answers the window logic in CP932. A UTF-8 script goes in and
// out unconverted, so every character survives; the other codes pass through CP932. Nothing is
// lost silently on either way: a file that would not save back unchanged opens read-only with
// a warning, and a text the file cannot hold is saved only when the user agrees.

#include "encoding/Codeconv.h"
#include "windows/TextBase.h"
#include "windows/logic/FileJump.h"
#include "windows/logic/LossReadOnly.h"
#include "windows/logic/ScriptDocument.h"
#include "windows/logic/UnsavedText.h"

#include <optional>
#include <string>
#include <string_view>

class KFileHistory;
class KVexilConfig;

class TFScript : public TFTextBase, public ScriptDocument, public JumpWindow {
    Q_OBJECT
public:
    // config and history may be null (no language rules, nothing recorded).
    TFScript(MainWindowHost& host, KVexilConfig* config, KFileHistory* history,
             QWidget* parent = nullptr);

    // An empty, unnamed script; code, line end and folder stay.
    void NewScript();
    // Text kept when the program was ended from outside: back in the editor, modified, under
    // the name, code and line ends it had.
    void Restore(const KeptScript& kept);
    // What Restore takes back.
    KeptScript Kept();
    // Asks for a file and opens it; the editor becomes editable unless the file could not be
    // held faithfully.
    void OpenWithDialog();
    // Loads a file; a missing one may be taken as the name of a new file.
    void Open(const std::string& path);
    // Writes the text to path in the script's code and line ends. The run's temporary copy
    // changes nothing else. False when nothing was written (refused, or failed and reported):
    // the caller abandons its command.
    bool SaveToPath(const std::string& path);
    // Writes the editor's text as a run's copy: the same bytes, and nothing else changes (no
    // history, name, modified flag or folder).
    bool WriteRunCopy(const std::string& path);
    // UTF-8 text (the clipboard's, for a run's input) as a file of the script's code and line
    // ends, every line ended; nothing when characters the code lacks would be lost and the
    // user declined.
    std::optional<std::string> InScriptCode(std::string_view utf8);
    void Save() override;
    void SaveAs() override;
    bool ConfirmDiscard() override;
    // The main window's caption (UTF-8).
    std::string GetTitle() const;
    // The file on disk is not the one loaded or saved last.
    bool FileChanged() const;
    void Reload();
    // Starts the external editor on the script file.
    bool OpenInEditor();
    void GoToLine(long long n) override;
    void ShowErrorMarks(const std::vector<ErrorMark>& marks) override;
    std::string GetWordAtCaret();
    void SetCodeChoice(int value);
    // The code menu's choice; a file the program made read-only for a lossy read is then
    // offered a read in that code (or by detection).
    void ChooseCode(int value);
    // The user set 編集禁止 by hand: a faithful read no longer lifts it.
    void ReadOnlyTakenOver() { lossReadOnly_.TakenOver(); }
    // The script's line ends become lineEnd, in the editor too, as one undoable edit; the
    // script is then modified.
    void ConvertLineEnds(int lineEnd);
    void Undo() override;
    void Redo() override;
    // Line numbers and colours as the settings ask, the colours those of the current language.
    // Cheap when nothing changed, so every refresh may call it.
    void FollowLook();

    std::string GetFileName() const override { return FileName; }
    int GetCode() const override { return Code; }
    int GetLineEnd() const { return LineEnd; }
    int GetCodeChoice() const { return CodeChoice; }

    // Both bases declare it; the script window's find is the shared text-window one.
    void Find() override { TFTextBase::Find(); }
    // The current language's line-comment mark.
    std::string CommentMark() const override;

    // A file reached by a jump from the error list (ConfirmDiscard and GoToLine above serve
    // the jumps too).
    std::string ShownFile() const override { return FileName; }
    bool ShownModified() const override { return Modified; }
    Visit Here() override;
    bool SaveUnnamed() override;
    bool ShowFile(const std::string& file, const FileState& state) override;
    void MoveTo(long long caret, long long topLine) override;
    void SetRunFolder(const std::string& folder) override { SetFolder(folder); }
    // How many times a text was loaded into the editor (a file opened, a new script).
    unsigned long long Loads() const { return loads_; }

    // A script that was never opened is new text: UTF-8 with LF line ends.
    int LineEnd = kLineEndLf;
    int Code = kCodeUtf8;
    // The UTF-8 file began with a byte-order mark, which a save writes back.
    bool ByteOrderMark = false;
    // -1 detects the code on every open; 0 to 3 force it.
    int CodeChoice = -1;
    // Modification time in nanoseconds when the file was last loaded or saved, or when a
    // reload was declined.
    long long FileAge = 0;
    bool Modified = false;
    std::string FileName;
    KVexilConfig* Config = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void REScriptChange();
    // Loads CP932 text into the editor with one change event for the whole load. Answers
    // whether the editor holds exactly these bytes.
    bool LoadText(const std::string& cp932);
    // Loads a UTF-8 script's text as it is.
    void LoadUtf8(std::string_view utf8);
    // Whether a text that cannot keep all its characters may be saved anyway.
    bool AcceptLossySave(const std::string& path, std::size_t lost);
    bool Write(const std::string& path, bool runCopy);
    void FollowFolderOf(const std::string& path);
    void FollowLineEndsOfText();

    KFileHistory* history_;
    bool loading_ = false;
    // The editor's save point no longer stands for what the file holds (a reload declined, a
    // text kept from an end from outside, a failed save): undo never clears the mark then.
    bool savePointStale_ = false;
    bool openedLossy_ = false;
    LossReadOnly lossReadOnly_;
    unsigned long long loads_ = 0;
};
