#pragma once
// What the script and result windows share: clipboard, undo, the caret position text and
// searching, through a TextEditor. Searches compare the real characters (UTF-8), so é finds é
// only and 〜 never finds ～, although CP932 counts them alike; only the hit's position is
// turned into CP932 bytes. They never span two lines. With the find dialog's boxes as they
// start (case matters, plain text, no wrap) a search never goes round the end, and one that
// finds nothing changes nothing and says nothing; with wrap ticked it goes on from the other
// end and says so.

#include "platform/ByteStream.h"
#include "platform/ClipboardService.h"
#include "windows/logic/FindDialogService.h"
#include "windows/logic/TextEditor.h"
#include "windows/logic/TextSearch.h"
#include "windows/logic/WorkProgress.h"

#include <functional>

#include <string>
#include <string_view>

// The byte length of the UTF-8 character at pos (1 for a stray byte).
std::size_t Utf8CharLength(std::string_view text, std::size_t pos);
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

// What replacing all came to. The hits replaced are one step of undo, also when the work
// stopped before the end.
struct ReplaceAllResult {
    enum class End {
        Done,     // every hit replaced (count may be 0)
        ReadOnly, // nothing replaced: the text may not be edited
        Invalid,  // nothing replaced: the expression was refused
        Limit,    // the engine gave up; the hits before that point are replaced
        Stopped,  // the user stopped it; the hits before that point are replaced
    };
    End end = End::Done;
    long count = 0;
};

// The words the window says for it.
std::string ReplaceAllMessage(const ReplaceAllResult& result, const std::string& find);

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

    // Replaces the selection when it is a hit of find, then selects the next hit. Answers
    // whether it replaced.
    bool Replace(const std::string& find, const std::string& with, SearchOptions options);
    // Replaces every hit in the text as one step of undo; each line is read and rebuilt once,
    // so the time grows with the text, not with hits times line length. progress, when
    // given, is asked as the work goes on and may stop it.
    ReplaceAllResult ReplaceAll(const std::string& find, const std::string& with,
                                SearchOptions options, WorkProgress* progress = nullptr);

    // The text last searched for in this window, as typed (UTF-8), and how.
    std::string SearchText;
    SearchOptions Options;
    // A passing word for the status bar (a search that went round the end).
    std::function<void(const std::string&)> Notice;

private:
    void SelectHit(TextPos lineStart, std::string_view line, const RegExpSpans& hit, bool scroll);
    void Say(const std::string& text) {
        if (Notice)
            Notice(text);
    }
    // Says why a search that found nothing stopped, when it was not a plain miss.
    bool Trouble(const LineMatcher& matcher);
    // Searches forward from the caret (or back), going round the end when wrap allows.
    bool SearchForward(const LineMatcher& matcher);
    bool SearchBackward(const LineMatcher& matcher);

    TextEditor& editor_;
    FindDialogService& findDialog_;
    ClipboardService& clipboard_;
};
