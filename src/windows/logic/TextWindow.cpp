#include "windows/logic/TextWindow.h"

#include "platform/Cp932.h"

#include <algorithm>

namespace {

// Calls hit(column) for each occurrence of needle in text that starts on a character boundary
// at or after from, in order; overlapping occurrences count, since the search resumes one
// character after each hit's start. hit answers false to stop.
template <class Hit>
void ForEachHit(std::string_view text, std::string_view needle, std::size_t from, Hit hit) {
    if (needle.empty())
        return;
    std::size_t boundary = 0, pos = from;
    for (;;) {
        std::size_t k = text.find(needle, pos);
        if (k == std::string_view::npos)
            return;
        while (boundary < k)
            boundary += Cp932CharLength(text, boundary);
        if (boundary == k) {
            if (!hit(k))
                return;
            pos = k + Cp932CharLength(text, k);
        } else {
            pos = boundary; // k was a second byte; go on from the next character
        }
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

void TextWindow::SelectHit(TextPos lineStart, std::size_t column, bool scroll) {
    editor_.SetSelection(lineStart + static_cast<TextPos>(column),
                         static_cast<TextPos>(SearchText.size()));
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
    // Past the start of a selected hit, so that it is not found again.
    TextPos from = caret + (editor_.SelectionLength() != 0 ? 1 : 0) - start;
    std::size_t k = FindInLine(editor_.LineText(line), SearchText, static_cast<std::size_t>(from));
    if (k != std::string_view::npos) {
        SelectHit(start, k, true);
        return;
    }
    for (TextPos i = line + 1;; ++i) {
        i = editor_.NextLineThatMayHold(i, SearchText);
        if (i < 0)
            return;
        k = FindInLine(editor_.LineText(i), SearchText);
        if (k != std::string_view::npos) {
            SelectHit(editor_.PositionFromLine(i), k, true);
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
    // The byte before the caret is left out, so a hit ending at the caret is not found again.
    TextPos before = caret - start - 1;
    if (before > 0) {
        std::string text = editor_.LineText(line);
        std::string_view head(text.data(), std::min<std::size_t>(before, text.size()));
        std::size_t k = FindLastInText(head, SearchText);
        if (k != std::string_view::npos) {
            SelectHit(start, k, false);
            return;
        }
    }
    for (TextPos i = line - 1; i >= 0; --i) {
        i = editor_.PreviousLineThatMayHold(i, SearchText);
        if (i < 0)
            return;
        std::size_t k = FindLastInText(editor_.LineText(i), SearchText);
        if (k != std::string_view::npos) {
            SelectHit(editor_.PositionFromLine(i), k, true);
            return;
        }
    }
}
