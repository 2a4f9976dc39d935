#pragma once
// What the script and result windows share: a CP932 QScintilla editor filling the window, and
// the clipboard, undo, caret position and search behaviour written once on it.

#include "windows/Base.h"
#include "windows/ScintillaEditor.h"
#include "windows/logic/TextWindow.h"

class TFTextBase : public TFBase {
    Q_OBJECT
public:
    TFTextBase(MainWindowHost& host, Document which, const QString& caption,
               QWidget* parent = nullptr);

    void Copy() override { text_.Copy(); }
    void Paste() override { text_.Paste(); }
    void Cut() override { text_.Cut(); }
    void Undo() override { text_.Undo(); }
    void Redo() override { Editor().Redo(); }
    bool CanUndo() const override { return text_.CanUndo(); }
    std::string GetPositionText() override { return text_.GetPositionText(); }
    void FocusEditor() override { editor_->Focus(); }
    void Find() override { text_.Find(); }
    void FindNext() override { text_.FindNext(); }
    void FindPrevious() override { text_.FindPrevious(); }
    void FindDialogFind() override { text_.FindDialogFind(); }
    void SelectAll() override;
    // Opens the shared replace dialog for this window, offering the selection (or the last
    // search) as the text to find.
    void Replace() override;
    // Asks for a line and goes there.
    void GoToLineDialog() override;
    void ToggleComment() override;
    // The line-comment mark of the window's text.
    virtual std::string CommentMark() const { return "#"; }

    ScintillaEditor& Editor() { return *editor_; }
    TextWindow& Text() { return text_; }
    // The text last searched for in this window (CP932).
    std::string& SearchText() { return text_.SearchText; }

private:
    ScintillaEditor* editor_;
    TextWindow text_;
};
