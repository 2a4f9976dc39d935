#include "support/MemoryTextEditor.h"

#include "platform/Cp932.h"

#include <algorithm>

std::string MemoryTextEditor::LineText(TextPos line) const {
    ++LineFetches;
    if (line < 0 || line >= LineCount())
        return {};
    return lines_[line];
}

std::string MemoryTextEditor::LineUtf8(TextPos line) const {
    return Cp932ToUtf8(LineText(line)).text;
}

TextPos MemoryTextEditor::PositionFromLine(TextPos line) const {
    if (line < 0 || line >= LineCount())
        return -1;
    TextPos pos = 0;
    for (TextPos i = 0; i < line; ++i)
        pos += static_cast<TextPos>(lines_[i].size()) + 2;
    return pos;
}

TextPos MemoryTextEditor::LineFromPosition(TextPos pos) const {
    TextPos start = 0;
    for (TextPos i = 0; i < LineCount(); ++i) {
        TextPos next = start + static_cast<TextPos>(lines_[i].size()) + 2;
        if (pos < next)
            return i;
        start = next;
    }
    return LineCount() - 1;
}

TextPos MemoryTextEditor::Length() const {
    return PositionFromLine(LineCount() - 1) + static_cast<TextPos>(lines_.back().size());
}

TextPos MemoryTextEditor::MaxFirstLine() const {
    return std::max<TextPos>(0, LineCount() - linesOnScreen_);
}

void MemoryTextEditor::SetSelection(TextPos start, TextPos length) {
    anchor_ = std::clamp<TextPos>(start, 0, Length());
    caret_ = std::clamp<TextPos>(start + length, 0, Length());
    TextPos line = LineFromPosition(caret_);
    if (line < first_)
        first_ = line;
    else if (line >= first_ + linesOnScreen_)
        first_ = std::min(line - linesOnScreen_ + 1, MaxFirstLine());
}

void MemoryTextEditor::ScrollLines(TextPos n) {
    first_ = std::clamp<TextPos>(first_ + n, 0, MaxFirstLine());
}

std::string MemoryTextEditor::WholeText() const {
    std::string text;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i)
            text += "\r\n";
        text += lines_[i];
    }
    return text;
}

void MemoryTextEditor::SetWholeText(std::string_view cp932) {
    lines_.assign(1, std::string());
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        char c = cp932[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < cp932.size() && cp932[i + 1] == '\n')
                ++i;
            lines_.emplace_back();
        } else {
            lines_.back() += c;
        }
    }
    undo_.clear();
    anchor_ = caret_ = first_ = 0;
}

std::string MemoryTextEditor::SelectedText() const {
    return WholeText().substr(SelectionStart(), SelectionLength());
}

void MemoryTextEditor::ReplaceSelection(std::string_view cp932) {
    if (readOnly_)
        return;
    if (!grouped_)
        undo_.push_back({lines_, anchor_, caret_});
    grouped_ = grouping_ > 0;
    std::string text = WholeText();
    TextPos start = SelectionStart();
    text.replace(start, SelectionLength(), cp932);
    auto undo = std::move(undo_);
    SetWholeText(text);
    undo_ = std::move(undo);
    anchor_ = caret_ = start + static_cast<TextPos>(cp932.size());
}

std::string MemoryTextEditor::SelectedUtf8() const {
    return Cp932ToUtf8(SelectedText()).text;
}

void MemoryTextEditor::ReplaceSelectionUtf8(std::string_view utf8) {
    ReplaceSelection(Utf8ToCp932(utf8).text);
}

void MemoryTextEditor::Undo() {
    if (undo_.empty() || readOnly_)
        return;
    lines_ = std::move(undo_.back().lines);
    anchor_ = undo_.back().anchor;
    caret_ = undo_.back().caret;
    undo_.pop_back();
}
