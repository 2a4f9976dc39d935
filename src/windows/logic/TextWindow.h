#pragma once
// What the script and result windows share: clipboard, undo, the caret position text and
// searching, through a TextEditor. Searches compare the real characters (UTF-8, case matters),
// so é finds é only and 〜 never finds ～, although CP932 counts them alike; only the hit's
// position is turned into CP932 bytes. They never span two lines and never wrap around; a
// search that finds nothing changes nothing and says nothing.

#include "platform/ByteStream.h"
#include "platform/ClipboardService.h"
#include "windows/logic/FindDialogService.h"
#include "windows/logic/TextEditor.h"

#include <string>
#include <string_view>

// First occurrence of needle in a UTF-8 line starting at a character boundary at or after
// from; npos when none.
std::size_t FindInLine(std::string_view line, std::string_view needle, std::size_t from = 0);
// Last occurrence of needle wholly inside UTF-8 text, overlapping ones included; npos when none.
std::size_t FindLastInText(std::string_view text, std::string_view needle);
// The CP932 width of UTF-8 text (line ends not counted), and the byte offset in a UTF-8 line
// of the CP932 column (the end of the character that reaches it, or the line's end).
TextPos Cp932Width(std::string_view utf8);
std::size_t Utf8OffsetOfColumn(std::string_view utf8, TextPos column);

// Scrolls so that the caret's line becomes the sixth visible line, or to the top when the
// caret is among the first six lines.
void ScrollCaretIntoContext(TextEditor& editor);

class TextWindow {
public:
    TextWindow(TextEditor& editor, FindDialogService& findDialog, ClipboardService& clipboard)
        : editor_(editor), findDialog_(findDialog), clipboard_(clipboard) {}

    TextEditor& Editor() { return editor_; }

    void Copy();
    void Cut();
    void Paste();
    void Undo() { editor_.Undo(); }
    bool CanUndo() const { return editor_.CanUndo(); }
    std::string GetPositionText() const;
    // Replaces the whole text with the stream's bytes from its position on, taken as CP932.
    void LoadFromStream(const ByteStream& stream);

    void Find();
    void FindDialogFind();
    void FindNext();
    void FindPrevious();

    // The text last searched for in this window, as typed (UTF-8).
    std::string SearchText;

private:
    void SelectHit(TextPos lineStart, std::string_view line, std::size_t offset, bool scroll);

    TextEditor& editor_;
    FindDialogService& findDialog_;
    ClipboardService& clipboard_;
};
