#pragma once
// The editor of a text window as the window logic sees it: CP932 text in lines.
//
// Positions and lengths count CP932 bytes, and every line end counts two bytes, the CR LF of
// the program's text, whatever the editor keeps inside. A position is therefore an offset
// into WholeText(), and "start of line i" is the offset of that line's first byte there.
// Lines count from 0; line texts never include their line end.

#include <cstdint>
#include <string>
#include <string_view>

using TextPos = std::int64_t;

class TextEditor {
public:
    virtual ~TextEditor() = default;

    virtual TextPos LineCount() const = 0;
    // The line's text in CP932, without its line end; empty beyond the last line.
    virtual std::string LineText(TextPos line) const = 0;
    // The same as UTF-8 with every character the editor holds: what searches compare.
    virtual std::string LineUtf8(TextPos line) const = 0;
    // The line holding pos; a position past the end answers the last line.
    virtual TextPos LineFromPosition(TextPos pos) const = 0;
    // The position of the line's first byte, or -1 when there is no such line.
    virtual TextPos PositionFromLine(TextPos line) const = 0;

    virtual TextPos SelectionStart() const = 0;
    virtual TextPos SelectionLength() const = 0;
    // Selects length bytes from start, the caret at the far end; brings the caret into view.
    virtual void SetSelection(TextPos start, TextPos length) = 0;

    virtual TextPos FirstVisibleLine() const = 0;
    // Scrolls the view by n lines (negative: up), within what the editor allows.
    virtual void ScrollLines(TextPos n) = 0;

    // Replaces the selection as one undoable edit; a read-only editor refuses.
    virtual void ReplaceSelection(std::string_view cp932) = 0;
    virtual void Undo() = 0;
    virtual bool CanUndo() const = 0;
    virtual bool ReadOnly() const = 0;
    virtual void SetReadOnly(bool readOnly) = 0;

    // The whole text in CP932 with CR LF line ends.
    virtual std::string WholeText() const = 0;
    // Replaces the whole text (LF, CR or CR LF line ends); forgets the undo history and puts
    // the caret at the top. Not refused when read-only: loading is the program's doing.
    virtual void SetWholeText(std::string_view cp932) = 0;

    // The selection as UTF-8 with every character the editor holds (those CP932 lacks too), and
    // its replacement by UTF-8 text as one undoable edit (refused when read-only): what copy,
    // cut and paste move through the clipboard.
    virtual std::string SelectedUtf8() const = 0;
    virtual void ReplaceSelectionUtf8(std::string_view utf8) = 0;

    virtual void Focus() = 0;

    // Edits between these two are one step of undo (they nest).
    virtual void BeginUndoAction() {}
    virtual void EndUndoAction() {}
    // Replaces the text of one line (its line end stays) by UTF-8 as an undoable edit; a
    // read-only editor refuses. Editors that can should not move the view.
    virtual void ReplaceLineUtf8(TextPos line, std::string_view utf8) {
        if (ReadOnly() || line < 0 || line >= LineCount())
            return;
        const TextPos start = PositionFromLine(line);
        const TextPos end = line + 1 < LineCount() ? PositionFromLine(line + 1) - 2
                                                   : static_cast<TextPos>(WholeText().size());
        SetSelection(start, end - start);
        ReplaceSelectionUtf8(utf8);
    }

    // Search helpers an editor may speed up. They answer the first line at or after `line`
    // (the last at or before it) that may hold `utf8`, or -1 when no line can. A line they
    // answer is checked again by the caller; they must never skip a line that holds it.
    virtual TextPos NextLineThatMayHold(TextPos line, std::string_view /*utf8*/) const {
        return line >= 0 && line < LineCount() ? line : -1;
    }
    virtual TextPos PreviousLineThatMayHold(TextPos line, std::string_view /*utf8*/) const {
        return line >= 0 && line < LineCount() ? line : -1;
    }
};
