#include "windows/logic/TextWindow.h"

#include "platform/Cp932.h"

#include <algorithm>

namespace {

std::size_t Utf8CharLength(std::string_view text, std::size_t pos) {
    std::size_t n = 1;
    while (pos + n < text.size() && (static_cast<unsigned char>(text[pos + n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

// Calls hit(offset) for each occurrence of needle in UTF-8 text at or after from, in order;
// overlapping occurrences count, since the search resumes one character after each hit's
// start. A needle of whole characters can only match at a character's start. hit answers
// false to stop.
template <class Hit>
void ForEachHit(std::string_view text, std::string_view needle, std::size_t from, Hit hit) {
    if (needle.empty())
        return;
    for (std::size_t pos = from;;) {
        std::size_t k = text.find(needle, pos);
        if (k == std::string_view::npos || !hit(k))
            return;
        pos = k + Utf8CharLength(text, k);
    }
}

} // namespace

std::size_t FindInLine(std::string_view line, std::string_view needle, std::size_t from) {
    std::size_t found = std::string_view::npos;
    ForEachHit(line, needle, from, [&](std::size_t k) {
        found = k;
        return false;
    });
    return found;
}

std::size_t FindLastInText(std::string_view text, std::string_view needle) {
    std::size_t found = std::string_view::npos;
    ForEachHit(text, needle, 0, [&](std::size_t k) {
        found = k;
        return true;
    });
    return found;
}

TextPos Cp932Width(std::string_view utf8) {
    return Cp932WidthOfUtf8Text(utf8.data(), utf8.size(), utf8.size());
}

std::size_t Utf8OffsetOfColumn(std::string_view utf8, TextPos column) {
    std::size_t at = 0;
    TextPos width = 0;
    while (at < utf8.size() && width < column) {
        const std::size_t n = Utf8CharLength(utf8, at);
        width += Cp932Width(utf8.substr(at, n));
        at += n;
    }
    return at;
}

void ScrollCaretIntoContext(TextEditor& editor) {
    TextPos first = editor.FirstVisibleLine();
    TextPos line = editor.LineFromPosition(editor.SelectionStart());
    if (line > 5)
        editor.ScrollLines(line - (first + 5));
    else
        editor.ScrollLines(-first);
}

void TextWindow::Copy() {
    if (editor_.SelectionLength() == 0)
        return;
    clipboard_.SetUtf8Text(editor_.SelectedUtf8());
}

void TextWindow::Cut() {
    if (editor_.SelectionLength() == 0)
        return;
    // The clipboard gets the text first; a read-only editor only refuses to lose it, so Cut
    // there is a copy.
    clipboard_.SetUtf8Text(editor_.SelectedUtf8());
    if (!editor_.ReadOnly())
        editor_.ReplaceSelectionUtf8({});
}

void TextWindow::Paste() {
    // An empty clipboard replaces the selection with nothing.
    if (!editor_.ReadOnly())
        editor_.ReplaceSelectionUtf8(clipboard_.Utf8Text());
}

std::string TextWindow::GetPositionText() const {
    TextPos pos = editor_.SelectionStart();
    TextPos line = editor_.LineFromPosition(pos);
    TextPos column = pos - editor_.PositionFromLine(line);
    std::string text = " " + std::to_string(line + 1) + ": " + std::to_string(column + 1);
    if (TextPos length = editor_.SelectionLength(); length != 0)
        text += " (" + std::to_string(length) + ")";
    return text;
}

void TextWindow::LoadFromStream(const ByteStream& stream) {
    editor_.SetWholeText(stream.View().substr(stream.Position()));
}

void TextWindow::Find() {
    findDialog_.SetFindHandler([this] { FindDialogFind(); });
    findDialog_.SetFindText(SearchText);
    findDialog_.ShowDialog();
}

void TextWindow::FindDialogFind() {
    findDialog_.CloseDialog();
    SearchText = findDialog_.FindText();
    if (findDialog_.SearchDown())
        FindNext();
    else
        FindPrevious();
}

void TextWindow::SelectHit(TextPos lineStart, std::string_view line, std::size_t offset,
                           bool scroll) {
    editor_.SetSelection(lineStart + Cp932Width(line.substr(0, offset)), Cp932Width(SearchText));
    if (scroll)
        ScrollCaretIntoContext(editor_);
}

void TextWindow::FindNext() {
    if (SearchText.empty()) {
        Find();
        return;
    }
    TextPos caret = editor_.SelectionStart();
    TextPos line = editor_.LineFromPosition(caret);
    TextPos start = editor_.PositionFromLine(line);
    std::string text = editor_.LineUtf8(line);
    // Past the start of a selected hit, so that it is not found again.
    std::size_t from = Utf8OffsetOfColumn(text, caret - start);
    if (editor_.SelectionLength() != 0 && from < text.size())
        from += Utf8CharLength(text, from);
    std::size_t k = FindInLine(text, SearchText, from);
    if (k != std::string_view::npos) {
        SelectHit(start, text, k, true);
        return;
    }
    for (TextPos i = line + 1;; ++i) {
        i = editor_.NextLineThatMayHold(i, SearchText);
        if (i < 0)
            return;
        text = editor_.LineUtf8(i);
        k = FindInLine(text, SearchText);
        if (k != std::string_view::npos) {
            SelectHit(editor_.PositionFromLine(i), text, k, true);
            return;
        }
    }
}

void TextWindow::FindPrevious() {
    if (SearchText.empty())
        return;
    TextPos caret = editor_.SelectionStart();
    TextPos line = editor_.LineFromPosition(caret);
    TextPos start = editor_.PositionFromLine(line);
    std::string text = editor_.LineUtf8(line);
    // The character before the caret is left out, so a hit ending at the caret is not found
    // again.
    std::size_t caretAt = Utf8OffsetOfColumn(text, caret - start);
    if (caretAt > 0) {
        std::size_t before = caretAt - 1;
        while (before > 0 && (static_cast<unsigned char>(text[before]) & 0xC0) == 0x80)
            --before;
        std::size_t k = FindLastInText(std::string_view(text).substr(0, before), SearchText);
        if (k != std::string_view::npos) {
            SelectHit(start, text, k, false);
            return;
        }
    }
    for (TextPos i = line - 1; i >= 0; --i) {
        i = editor_.PreviousLineThatMayHold(i, SearchText);
        if (i < 0)
            return;
        text = editor_.LineUtf8(i);
        std::size_t k = FindLastInText(text, SearchText);
        if (k != std::string_view::npos) {
            SelectHit(editor_.PositionFromLine(i), text, k, true);
            return;
        }
    }
}
