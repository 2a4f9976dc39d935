#pragma once
// A TextEditor held in memory for tests of the window logic. It keeps the rules of the real
// editor: CR LF counted as two bytes, the view scrolls no further than the last line at the
// bottom, setting the selection brings the caret into view and read-only refuses edits.

#include "windows/logic/TextEditor.h"

#include <algorithm>
#include <string>
#include <vector>

class MemoryTextEditor : public TextEditor {
public:
    explicit MemoryTextEditor(TextPos linesOnScreen = 10) : linesOnScreen_(linesOnScreen) {}

    TextPos LineCount() const override { return static_cast<TextPos>(lines_.size()); }
    std::string LineText(TextPos line) const override;
    std::string LineUtf8(TextPos line) const override;
    TextPos LineFromPosition(TextPos pos) const override;
    TextPos PositionFromLine(TextPos line) const override;
    TextPos SelectionStart() const override { return std::min(anchor_, caret_); }
    TextPos SelectionLength() const override {
        return std::max(anchor_, caret_) - SelectionStart();
    }
    void SetSelection(TextPos start, TextPos length) override;
    TextPos FirstVisibleLine() const override { return first_; }
    void ScrollLines(TextPos n) override;
    void ReplaceSelection(std::string_view cp932) override;
    void Undo() override;
    bool CanUndo() const override { return !undo_.empty(); }
    bool ReadOnly() const override { return readOnly_; }
    void SetReadOnly(bool readOnly) override { readOnly_ = readOnly; }
    std::string WholeText() const override;
    void SetWholeText(std::string_view cp932) override;
    std::string SelectedUtf8() const override;
    void ReplaceSelectionUtf8(std::string_view utf8) override;
    void Focus() override { ++FocusCount; }
    // Edits between the two are undone together.
    void BeginUndoAction() override { ++grouping_; }
    void EndUndoAction() override {
        if (--grouping_ == 0)
            grouped_ = false;
    }

    std::string SelectedText() const;
    TextPos LinesOnScreen() const { return linesOnScreen_; }
    // How many line texts were fetched, to show that a search reads no more than it needs.
    mutable int LineFetches = 0;

    int FocusCount = 0;

private:
    struct Snapshot {
        std::vector<std::string> lines;
        TextPos anchor, caret;
    };
    TextPos Length() const;
    TextPos MaxFirstLine() const;

    std::vector<std::string> lines_{std::string()};
    TextPos anchor_ = 0, caret_ = 0, first_ = 0;
    TextPos linesOnScreen_;
    bool readOnly_ = false;
    std::vector<Snapshot> undo_;
    int grouping_ = 0;
    bool grouped_ = false; // the open group has its snapshot
};
