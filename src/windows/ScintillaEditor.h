#pragma once
// The text windows' editor: a plain-text QScintilla in UTF-8 mode that answers in CP932 bytes.
//
// Scintilla keeps UTF-8; the window logic counts CP932 bytes with two bytes per line end. A
// character counts one byte when it is ASCII or half-width katakana and two otherwise, so a
// column is found by measuring only its own line. Line starts need the widths of all lines
// before; they are summed once into checkpoints every kCheckpointLines lines and kept until
// an edit touches the text before them, so a status-bar refresh on the last line of a million
// lines measures at most one block of lines.

#include "exec/LiveRoom.h"
#include "platform/Cp932.h"
#include "windows/logic/Indentation.h"
#include "windows/logic/LexerChoice.h"
#include "windows/logic/TextEditor.h"

#include <QPointer>
#include <QString>
#include <Qsci/qsciscintilla.h>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

class ScintillaEditor : public QsciScintilla, public TextEditor {
    Q_OBJECT
public:
    explicit ScintillaEditor(QWidget* parent = nullptr);
    ~ScintillaEditor() override;

    // Every editor's change notices follow whether an assistive technology listens.
    static void FollowAccessibility(bool active);
    // Each text is loaded into a new document without style bytes (the result window's
    // output, which no lexer colours).
    void SetPlainDocument(bool plain);

    TextPos LineCount() const override;
    std::string LineText(TextPos line) const override;
    std::string LineUtf8(TextPos line) const override;
    TextPos LineFromPosition(TextPos pos) const override;
    TextPos PositionFromLine(TextPos line) const override;
    TextPos SelectionStart() const override;
    TextPos SelectionLength() const override;
    void SetSelection(TextPos start, TextPos length) override;
    TextPos FirstVisibleLine() const override;
    void ScrollLines(TextPos n) override;
    void ReplaceSelection(std::string_view cp932) override;
    void Undo() override;
    void Redo();
    // The text as it is now is what the file holds (after a save).
    void MarkSavePoint();
    bool CanUndo() const override;
    bool ReadOnly() const override;
    void SetReadOnly(bool readOnly) override;
    std::string WholeText() const override;
    void SetWholeText(std::string_view cp932) override;
    std::string SelectedUtf8() const override;
    void ReplaceSelectionUtf8(std::string_view utf8) override;
    void Focus() override;
    TextPos NextLineThatMayHold(TextPos line, std::string_view utf8) const override;
    TextPos PreviousLineThatMayHold(TextPos line, std::string_view utf8) const override;
    void BeginUndoAction() override;
    void EndUndoAction() override;
    void ReplaceLineUtf8(TextPos line, std::string_view utf8) override;

    // How many columns a tab takes (1 to 32; anything else is 8).
    void SetTabColumns(int columns);
    // The script's indentation: what Tab inserts, how a selected block moves with Tab and
    // Shift+Tab, the extra step Return gives after a block's opener and the step back of a '}'
    // typed first on its line.
    void SetIndentStyle(const IndentStyle& style);
    // The font size of every editor, in steps of one point from the normal size (-8 to 20).
    static void SetZoomAll(int steps);
    static int Zoom();
    // Scintilla's own bindings of keys that change the text but no menu shows; what a user
    // presses by habit from another program must not change the script unseen.
    static const std::vector<int>& ClearedKeys();

    // The UTF-8 bytes the editor holds, valid until the next change.
    std::string_view Utf8Text() const;
    // Replaces the whole text with UTF-8 as it is (a UTF-8 script: nothing passes through
    // CP932), as SetWholeText does otherwise.
    void SetWholeUtf8(std::string_view utf8);
    // Replaces the whole text with the pieces one after the other, each in code (CP932 converted
    // a slice at a time), with no copy of the whole text on the way: output of a gigabyte.
    // loaded hears of a piece each time the editor has read it through (the caller may let its
    // bytes leave memory until the next read).
    void SetWholePieces(const std::vector<std::string_view>& pieces, TextCode code,
                        const std::function<void(std::string_view)>& loaded = {});
    // Appends UTF-8 text at the end, outside undo, and scrolls to it: output as it arrives.
    // Room is taken ahead for what ahead says will follow, growing by a quarter, but not
    // beyond most bytes (0: no bound).
    void AppendUtf8(std::string_view utf8, std::size_t most = 0, LiveAhead ahead = {});
    // Takes the last bytes of the text away, outside undo: a line of output rewritten.
    void DropTail(std::size_t utf8Bytes);
    // Every line end of the text becomes lineEnd's (kLineEndLf, Cr, CrLf) as one undoable
    // edit, and typed line ends follow.
    void ConvertLineEnds(int lineEnd);
    // Sets the line end typed ones get, without touching the text.
    void SetTypedLineEnd(int lineEnd);
    // The line end that ends the first line, or -1 when the text has none.
    int FirstLineEnd() const;
    // How many characters CP932 could not hold at the last SetWholeText.
    std::size_t LostOnLoad() const { return lostOnLoad_; }

    // The script window's look; a new editor is plain, as the result and error windows stay.
    // A margin of line numbers, as wide as the largest number needs (never less than three
    // digits, so a growing script does not make the text jump at line 100).
    void SetLineNumbers(bool on);
    // Colours the text with QScintilla's lexer of that kind in the editor's font; None is plain.
    // What is shown is coloured when painted, the rest in the background.
    void SetSyntax(SyntaxLexer kind);

    // Marks in a margin of their own beside the numbers, one on each line named (from 0), with
    // its text as the mark's tool tip; they move with the lines as the text is edited. An empty
    // list takes them away, and the margin with them.
    void SetLineMarks(const std::vector<std::pair<TextPos, QString>>& marks);
    // The lines that hold a mark now, in order, and the text of a line's mark (empty: none).
    std::vector<TextPos> MarkedLines() const;
    QString LineMarkText(TextPos line) const;

    static constexpr TextPos kCheckpointLines = 1024;

private:
    TextPos Utf8Length() const;
    TextPos Utf8LineStart(TextPos line) const;
    TextPos Utf8LineEnd(TextPos line) const; // before the line end
    // Sum of CP932 widths of the characters in [from, to), line ends not counted.
    TextPos Width(TextPos from, TextPos to) const;
    TextPos Cp932LineStart(TextPos line) const;
    TextPos ToCp932(TextPos utf8) const;
    TextPos ToUtf8(TextPos cp932) const;
    void ExtendCheckpoints(std::size_t count) const;
    void TextModified(int position);

protected:
    // Attaching a lexer asks to colour the whole document; Scintilla colours what it shows
    // anyway, so a lexer set on a 10 MB script costs what the first screen costs.
    void recolor(int start = 0, int end = -1) override;
    // Files dropped on the editor are the main window's business (open or run), not text.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // A tool tip asked for over the margins shows the text of the line's mark.
    bool viewportEvent(QEvent* event) override;
    // Ctrl and the wheel zoom every editor, and say so.
    void wheelEvent(QWheelEvent* event) override;

private:
    void LoadUtf8(std::string_view utf8);
    void LoadPieces(const std::vector<std::string_view>& pieces, TextCode code,
                    const std::function<void(std::string_view)>& loaded = {});
    void NewPlainDocument(std::size_t bytes);
    void SetNotices(bool all);
    // Runs Edited (and the margin's fit) once on the next turn of the event loop.
    void AfterChange();
    static std::vector<QPointer<ScintillaEditor>>& Editors();
    void StyleNumberMargin();
    void FitNumberMargin();
    void ClearUnlistedKeys();
    void IndentNewLine(int character);
    void StepBackBeforeBrace(int character);
    void ApplyZoom(int steps);

    IndentStyle indentStyle_;

    struct LineMark {
        int handle; // Scintilla's, which follows the line through edits
        QString text;
    };
    std::vector<LineMark> marks_;
    mutable std::vector<TextPos> checkpoints_; // width before line i * kCheckpointLines
    std::size_t lostOnLoad_ = 0;
    std::size_t appendRoom_ = 0; // bytes allocated ahead for appends to this text
    bool lineNumbers_ = false;
    int numberDigits_ = 0; // the margin's width was measured for this many digits
    SyntaxLexer syntax_ = SyntaxLexer::None;
    bool attachingLexer_ = false;
    bool accessible_ = false;
    bool plainDocument_ = false;
    bool changePending_ = false;

signals:
    // The text is about to change, or has changed: for flags that need no look at the text
    // (QScintilla's textChanged only comes with the notices kept from the editor).
    void TextChanging();
    // After the text changed, once per turn of the event loop.
    void Edited();
    // The user zoomed with Ctrl and the wheel; steps is the new size of every editor.
    void Zoomed(int steps);
};
