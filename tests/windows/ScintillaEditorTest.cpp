#include "windows/ScintillaEditor.h"

#include "platform/Cp932.h"
#include "support/HostDoubles.h"
#include "support/MemoryTextEditor.h"
#include "windows/FakeFindDialog.h"
#include "windows/logic/ScriptNavigation.h"
#include "windows/logic/TextWindow.h"

#include "platform/qt/QtClipboardService.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QTest>
#include <Qsci/qscilexer.h>
#include <gtest/gtest.h>

namespace {

const std::string Nichi = "\x93\xFA"; // 日
const std::string Hon = "\x96\x7B";   // 本
const std::string Hyo = "\x95\x5C";   // 表, second byte '\'

std::string Utf8(const std::string& cp932) {
    return Cp932ToUtf8(cp932).text;
}

// Every position of the text: the real editor must answer as the in-memory one does.
void ExpectSameGeometry(const TextEditor& real, const MemoryTextEditor& model) {
    ASSERT_EQ(real.LineCount(), model.LineCount());
    for (TextPos i = 0; i < model.LineCount(); ++i) {
        ASSERT_EQ(real.PositionFromLine(i), model.PositionFromLine(i)) << "line " << i;
        ASSERT_EQ(real.LineText(i), model.LineText(i)) << "line " << i;
    }
    TextPos length = static_cast<TextPos>(model.WholeText().size());
    for (TextPos p = 0; p <= length; ++p)
        ASSERT_EQ(real.LineFromPosition(p), model.LineFromPosition(p)) << "position " << p;
    EXPECT_EQ(real.PositionFromLine(model.LineCount()), -1);
}

} // namespace

TEST(ScintillaEditor, IsAPlainUtf8EditorWithAJapaneseMonospaceFont) {
    ScintillaEditor editor;
    EXPECT_TRUE(editor.isUtf8());
    EXPECT_EQ(editor.lexer(), nullptr);
    EXPECT_EQ(editor.wrapMode(), QsciScintilla::WrapNone);
    EXPECT_TRUE(editor.indentationsUseTabs());
    EXPECT_EQ(editor.SendScintilla(QsciScintillaBase::SCI_GETHSCROLLBAR), 1);
    EXPECT_EQ(editor.SendScintilla(QsciScintillaBase::SCI_GETVSCROLLBAR), 1);
    EXPECT_EQ(QFontInfo(editor.font()).pixelSize(), 16);
    long lineHeight = editor.SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0UL);
    EXPECT_GE(lineHeight, 16);
    EXPECT_LE(lineHeight, 32);
    EXPECT_TRUE(editor.font().family() == "Noto Sans Mono CJK JP" ||
                editor.font().family() == "monospace");
    EXPECT_EQ(editor.marginWidth(0), 0);
    EXPECT_EQ(editor.marginWidth(1), 0);
    // Tab is typed into the text, not used to leave the editor.
    editor.show();
    editor.setFocus();
    QTest::keyClicks(&editor, "a");
    QTest::keyClick(&editor, Qt::Key_Tab);
    QTest::keyClicks(&editor, "b");
    EXPECT_EQ(editor.WholeText(), "a\tb");
    EXPECT_TRUE(editor.CanUndo());
}

TEST(ScintillaEditor, PositionsCountCp932BytesOnMixedLines) {
    ScintillaEditor editor;
    const std::string text = "abc\r\n" + Nichi + Hon + "\xB1x\r\n\r\nz" + Hyo;
    editor.SetWholeText(text);
    EXPECT_EQ(editor.WholeText(), text);
    EXPECT_EQ(editor.PositionFromLine(1), 5);
    EXPECT_EQ(editor.PositionFromLine(2), 13);
    EXPECT_EQ(editor.PositionFromLine(3), 15);
    EXPECT_EQ(editor.LineText(1), Nichi + Hon + "\xB1x");
    EXPECT_EQ(editor.LineFromPosition(12), 1); // inside the line end
    EXPECT_EQ(editor.LineFromPosition(13), 2);
    EXPECT_EQ(editor.LineFromPosition(1000), 3);

    editor.SetSelection(9, 1); // the half-width ｱ
    EXPECT_EQ(editor.selectedText().toStdString(), Utf8("\xB1"));
    EXPECT_EQ(editor.SelectionStart(), 9);
    EXPECT_EQ(editor.SelectionLength(), 1);
    editor.SetSelection(7, 8); // 本ｱx, the line end and the empty line's end
    EXPECT_EQ(editor.selectedText().toStdString(), Utf8(Hon + "\xB1x\r\n\r\n"));
    EXPECT_EQ(editor.SelectionLength(), 8);

    MemoryTextEditor model;
    model.SetWholeText(text);
    ExpectSameGeometry(editor, model);

    // Bare LF and CR inside count as CR LF and leave as CR LF.
    editor.SetWholeText("a\nb\rc" + Nichi);
    EXPECT_EQ(editor.WholeText(), "a\r\nb\r\nc" + Nichi);
    EXPECT_EQ(editor.PositionFromLine(2), 6);
}

TEST(ScintillaEditor, LineStartsStayRightAcrossCheckpointsAndEdits) {
    ScintillaEditor editor;
    std::string text;
    const int lines = 3 * ScintillaEditor::kCheckpointLines + 17;
    for (int i = 0; i < lines; ++i) {
        if (i)
            text += "\r\n";
        text += std::to_string(i);
        for (int k = 0; k < i % 5; ++k)
            text += Nichi + "\xB6";
    }
    editor.SetWholeText(text);
    MemoryTextEditor model;
    model.SetWholeText(text);
    for (TextPos i : {TextPos(0), TextPos(1023), TextPos(1024), TextPos(2049), TextPos(lines - 1)})
        ASSERT_EQ(editor.PositionFromLine(i), model.PositionFromLine(i)) << i;
    TextPos last = model.PositionFromLine(lines - 1);
    EXPECT_EQ(editor.LineFromPosition(last + 1), lines - 1);
    EXPECT_EQ(editor.LineFromPosition(last - 1), lines - 2);

    // An edit near the top moves every later line start; the sums must follow.
    for (TextEditor* e : std::initializer_list<TextEditor*>{&editor, &model}) {
        e->SetSelection(e->PositionFromLine(5) + 1, 0);
        e->ReplaceSelection(Hon + "\r\n" + Hon + Hon);
    }
    EXPECT_EQ(editor.WholeText(), model.WholeText());
    for (TextPos i : {TextPos(5), TextPos(6), TextPos(1025), TextPos(2050), TextPos(lines)})
        ASSERT_EQ(editor.PositionFromLine(i), model.PositionFromLine(i)) << i;
    editor.Undo();
    EXPECT_EQ(editor.PositionFromLine(lines - 1), last);
    EXPECT_EQ(editor.WholeText(), text);
}

TEST(ScintillaEditor, ReplaceIsOneUndoableEditAndKeepsZeroBytes) {
    ScintillaEditor editor;
    editor.SetWholeText("hello world");
    EXPECT_FALSE(editor.CanUndo()); // loading is not an edit
    editor.SetSelection(6, 5);
    editor.ReplaceSelection(Nichi + std::string("\0", 1) + Hon);
    EXPECT_EQ(editor.WholeText(), "hello " + Nichi + std::string("\0", 1) + Hon);
    EXPECT_EQ(editor.SelectionStart(), 11); // the caret after the inserted text
    EXPECT_TRUE(editor.CanUndo());
    editor.Undo();
    EXPECT_EQ(editor.WholeText(), "hello world");
    EXPECT_FALSE(editor.CanUndo());
}

TEST(ScintillaEditor, ReadOnlyRefusesEditsButNotLoadingAndANewTextStartsItsOwnWidth) {
    ScintillaEditor editor;
    editor.SetWholeText("keep");
    editor.SetReadOnly(true);
    EXPECT_TRUE(editor.ReadOnly());
    editor.SetSelection(0, 4);
    editor.ReplaceSelection("lost");
    editor.ReplaceSelectionUtf8("pasted");
    EXPECT_EQ(editor.WholeText(), "keep");
    editor.resize(300, 200);
    editor.SetWholeText(std::string(3000, 'w'));
    editor.grab(); // drawing the wide line widens the scroll range
    ASSERT_GT(editor.SendScintilla(QsciScintillaBase::SCI_GETSCROLLWIDTH), 300);
    editor.SetWholeText("output");
    EXPECT_EQ(editor.WholeText(), "output");
    EXPECT_EQ(editor.SendScintilla(QsciScintillaBase::SCI_GETSCROLLWIDTH), 1) << "a new text";
    EXPECT_TRUE(editor.ReadOnly());
    editor.SetReadOnly(false);
    editor.SetSelection(0, 6);
    editor.ReplaceSelection("x");
    EXPECT_EQ(editor.WholeText(), "x");
}

TEST(ScintillaEditor, Cp932RoundTripWithHalfWidthKatakana) {
    std::string text;
    for (int b = 0xA1; b <= 0xDF; ++b)
        text += static_cast<char>(b);
    text += "\r\n" + Nichi + Hon + Hyo + std::string("\0\t~\\", 4) + "\r\n\x82\xA0\xB1\x82\xA2";
    ScintillaEditor editor;
    editor.SetWholeText(text);
    EXPECT_EQ(editor.LostOnLoad(), 0u);
    EXPECT_EQ(editor.WholeText(), text);
    EXPECT_EQ(editor.LineText(0).size(), 63u);
    EXPECT_EQ(editor.PositionFromLine(1), 65);
    EXPECT_EQ(editor.PositionFromLine(2), 65 + 10 + 2);
    editor.SetSelection(65 + 10 + 2 + 2, 1);
    EXPECT_EQ(editor.selectedText().toStdString(), Utf8("\xB1"));
}

TEST(ScintillaEditor, ClipboardTextStaysUnicodeAndCountsTwoBytesWhenCp932CannotHoldIt) {
    ScintillaEditor editor;
    editor.SetWholeText("ab");
    editor.SetSelection(1, 0);
    editor.ReplaceSelectionUtf8("\xF0\x9F\x98\x80|");
    EXPECT_EQ(editor.text().toStdString(), "a\xF0\x9F\x98\x80|b");
    EXPECT_EQ(editor.LineText(0), "a\x81\xAC|b"); // shown to the logic as the geta mark
    EXPECT_EQ(editor.SelectionStart(), 4);
    editor.SetSelection(1, 2);
    EXPECT_EQ(editor.SelectedUtf8(), "\xF0\x9F\x98\x80");
    editor.ReplaceSelectionUtf8({});
    EXPECT_EQ(editor.WholeText(), "a|b");
    editor.Undo();
    EXPECT_EQ(editor.text().toStdString(), "a\xF0\x9F\x98\x80|b");

    // Through the desktop's clipboard, copy and paste keep every character.
    QtClipboardService clipboard;
    FakeFindDialog dialog;
    TextWindow window(editor, dialog, clipboard);
    editor.SetSelection(1, 2);
    window.Copy();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "\xF0\x9F\x98\x80");
    editor.SetSelection(0, 0);
    window.Paste();
    EXPECT_EQ(editor.text().toStdString(), "\xF0\x9F\x98\x80"
                                           "a\xF0\x9F\x98\x80|b");
    QApplication::clipboard()->clear(); // an empty clipboard pastes nothing over the selection
    editor.SetSelection(0, 3);
    window.Paste();
    EXPECT_EQ(editor.WholeText(), "\x81\xAC|b");
}

TEST(ScintillaEditor, SearchesAndContextOnTheRealEditor) {
    ScintillaEditor editor;
    editor.resize(400, 20 * 20);
    editor.show();
    QApplication::processEvents(); // the view learns its height
    ASSERT_LT(editor.SendScintilla(QsciScintillaBase::SCI_LINESONSCREEN), 40);
    std::string text;
    for (int i = 0; i < 200; ++i) {
        text += (i ? "\r\n" : "") + Nichi + Hon + std::to_string(i);
        if (i == 120 || i == 150)
            text += " " + Hyo + "\\" + Hyo;
    }
    editor.SetWholeText(text);
    FakeFindDialog dialog;
    FakeClipboard clipboard;
    TextWindow window(editor, dialog, clipboard);
    window.SearchText = "\\";
    window.FindNext(); // the second bytes of 表 are never hits
    TextPos line = editor.LineFromPosition(editor.SelectionStart());
    EXPECT_EQ(line, 120);
    EXPECT_EQ(editor.SelectionStart() - editor.PositionFromLine(120), 4 + 3 + 1 + 2);
    EXPECT_EQ(editor.FirstVisibleLine(), 115);
    window.FindNext();
    EXPECT_EQ(editor.LineFromPosition(editor.SelectionStart()), 150);
    window.FindNext();
    EXPECT_EQ(editor.LineFromPosition(editor.SelectionStart()), 150); // no wrap
    window.SearchText = Utf8(Nichi + Hon + "12");
    window.FindPrevious();
    EXPECT_EQ(editor.LineFromPosition(editor.SelectionStart()), 129);
    EXPECT_EQ(editor.selectedText().toStdString(), Utf8(Nichi + Hon + "12"));
}

// Characters CP932 lacks, or holds only one way, all count two bytes there; a search still
// finds the very character typed, and positions stay CP932 bytes.
TEST(ScintillaEditorSearch, FindsTheRealCharacterNotItsCp932Twin) {
    ScintillaEditor editor;
    editor.SetWholeUtf8("\xc3\xbc \xe2\x82\xac \xc3\xa9 \xf0\x9f\x98\x80\n" // ü € é 😀
                        "x \xe3\x80\x9c y\n"                                // 〜 U+301C
                        "x \xef\xbd\x9e y\n");                              // ～ U+FF5E
    FakeFindDialog dialog;
    FakeClipboard clipboard;
    TextWindow window(editor, dialog, clipboard);
    const struct {
        const char* needle;
        TextPos line, column;
    } cases[] = {
        {"\xc3\xa9", 0, 6},         // é after ü and €
        {"\xf0\x9f\x98\x80", 0, 9}, // 😀
        {"\xe3\x80\x9c", 1, 2},     // 〜, not ～
        {"\xef\xbd\x9e", 2, 2},     // ～, not 〜
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.needle);
        editor.SetSelection(0, 0);
        window.SearchText = c.needle;
        window.FindNext();
        EXPECT_EQ(editor.LineFromPosition(editor.SelectionStart()), c.line);
        EXPECT_EQ(editor.SelectionStart() - editor.PositionFromLine(c.line), c.column);
        EXPECT_EQ(editor.selectedText().toStdString(), c.needle);
        // Nothing further: the twin is no hit.
        const TextPos at = editor.SelectionStart();
        window.FindNext();
        EXPECT_EQ(editor.SelectionStart(), at);
        editor.SetSelection(editor.PositionFromLine(2) + 6, 0);
        window.FindPrevious();
        EXPECT_EQ(editor.SelectionStart(), at);
    }
}

// ---- the script window's look ------------------------------------------------------------------

namespace {

std::string Lines(int n) {
    std::string text;
    for (int i = 0; i < n; ++i)
        text += (i ? "\r\n" : "") + std::string("my $x = ") + std::to_string(i) + "; # " + Nichi;
    return text;
}

} // namespace

TEST(ScintillaEditor, NumberMarginIsAsWideAsTheLargestNumberNeeds) {
    ScintillaEditor editor;
    editor.SetLineNumbers(true);
    EXPECT_EQ(editor.marginType(0), QsciScintilla::NumberMargin);
    editor.SetWholeText(Lines(10));
    const int small = editor.marginWidth(0);
    EXPECT_GT(small, 20); // three digits and room at 16 pixels
    EXPECT_LT(small, 80);
    editor.SetWholeText(Lines(999));
    EXPECT_EQ(editor.marginWidth(0), small);
    // Typing the 1000th line widens it, undoing narrows it again.
    editor.SetSelection(static_cast<TextPos>(editor.WholeText().size()), 0);
    editor.ReplaceSelection("\r\nprint;");
    QApplication::processEvents(); // the margin follows a change on the next turn
    const int four = editor.marginWidth(0);
    EXPECT_GT(four, small);
    editor.Undo();
    QApplication::processEvents();
    EXPECT_EQ(editor.marginWidth(0), small);
    editor.SetWholeText(Lines(100000));
    EXPECT_GT(editor.marginWidth(0), four);
    editor.SetLineNumbers(false);
    EXPECT_EQ(editor.marginWidth(0), 0);
    editor.SetWholeText(Lines(10));
    EXPECT_EQ(editor.marginWidth(0), 0);
}

TEST(ScintillaEditor, LexersColourWhatIsShownInTheEditorsFontAndLeavePositionsAlone) {
    const std::pair<SyntaxLexer, const char*> kinds[] = {
        {SyntaxLexer::Perl, "Perl"}, {SyntaxLexer::Python, "Python"},
        {SyntaxLexer::Ruby, "Ruby"}, {SyntaxLexer::Bash, "Bash"},
        {SyntaxLexer::Php, "HTML"},  {SyntaxLexer::JavaScript, "JavaScript"},
    };
    ScintillaEditor editor;
    const long plainHeight = editor.SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0UL);
    const long plainSize = editor.SendScintilla(QsciScintillaBase::SCI_STYLEGETSIZEFRACTIONAL, 0UL);
    for (auto [kind, language] : kinds) {
        editor.SetSyntax(kind);
        ASSERT_NE(editor.lexer(), nullptr) << language;
        EXPECT_STREQ(editor.lexer()->language(), language);
        // Every style in our size, so lines and columns stay where they were.
        for (int style = 0; style < 128; ++style) {
            if (!editor.lexer()->description(style).isEmpty()) {
                ASSERT_EQ(editor.SendScintilla(QsciScintillaBase::SCI_STYLEGETSIZEFRACTIONAL,
                                               static_cast<unsigned long>(style)),
                          plainSize)
                    << language << " style " << style;
            }
        }
        EXPECT_EQ(editor.SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0UL), plainHeight);
    }

    // Attaching colours nothing yet; painting colours the screen, and nothing beyond what is
    // shown is coloured until the view goes there.
    editor.SetSyntax(SyntaxLexer::None);
    editor.resize(400, 300);
    editor.show();
    QApplication::processEvents();
    editor.SetWholeText(Lines(20000));
    editor.SetSyntax(SyntaxLexer::Perl);
    editor.SetLineNumbers(true);
    EXPECT_EQ(editor.SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED), 0);
    editor.grab();
    const long length = editor.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    const long styled = editor.SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED);
    EXPECT_GT(styled, 0);
    EXPECT_LT(styled, length / 10);
    EXPECT_NE(editor.SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, 0UL), 0); // "my"
    // The event loop until the colouring stands still: twenty turns in a row that colour nothing.
    for (int still = 0, i = 0; still < 20 && i < 5000; ++i) {
        const long before = editor.SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED);
        QApplication::processEvents();
        still = editor.SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED) == before ? still + 1 : 0;
    }
    EXPECT_LT(editor.SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED), length / 10)
        << "the text below the screen was coloured in the background";
    // The end is coloured once the view goes there, whatever lies between.
    editor.SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    editor.grab();
    for (int i = 0; i < 500 && editor.SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED) < length;
         ++i)
        QTest::qWait(10);
    EXPECT_EQ(editor.SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED), length);
    const long lastLine = editor.SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE,
                                               static_cast<unsigned long>(editor.lines() - 2));
    EXPECT_NE(editor.SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT,
                                   static_cast<unsigned long>(lastLine)),
              0); // "my"

    // Positions, texts and searches in CP932 bytes, as without a lexer.
    const std::string text = "my $s = \"" + Nichi + Hon + "\xB1\";\r\n# " + Hyo + "\\" + Hyo +
                             "\r\n\r\nprint $s; # " + Hon;
    editor.SetWholeText(text);
    MemoryTextEditor model;
    model.SetWholeText(text);
    ExpectSameGeometry(editor, model);
    FakeFindDialog dialog;
    FakeClipboard clipboard;
    TextWindow window(editor, dialog, clipboard);
    window.SearchText = "\\";
    window.FindNext();
    EXPECT_EQ(editor.SelectionStart(), model.PositionFromLine(1) + 4);
    EXPECT_EQ(editor.WholeText(), text);

    // Plain again: no lexer, and the text loses the lexer's styles.
    editor.SetSyntax(SyntaxLexer::None);
    EXPECT_EQ(editor.lexer(), nullptr);
    editor.grab();
    EXPECT_EQ(editor.SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, 0UL), 0);
    EXPECT_EQ(editor.SendScintilla(QsciScintillaBase::SCI_STYLEGETSIZEFRACTIONAL, 0UL), plainSize);
    EXPECT_EQ(QFontInfo(editor.font()).pixelSize(), 16);
}

TEST(ScintillaEditor, PlainAccessibleInterfaceUntilAssistiveTechnologyListens) {
    ASSERT_FALSE(QAccessible::isActive());
    ScintillaEditor editor;
    QsciScintilla bare;
    editor.show();
    bare.show();
    QAccessibleInterface* plain = QAccessible::queryAccessibleInterface(&editor);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->role(), QAccessible::EditableText);
    EXPECT_EQ(plain->textInterface(), nullptr); // nothing counts characters on caret moves
    // Other QScintilla widgets keep their own.
    EXPECT_NE(QAccessible::queryAccessibleInterface(&bare)->textInterface(), nullptr);

    // A screen reader arriving gets the editor's text.
    editor.SetWholeText("abc\r\n" + Nichi);
    QAccessible::setActive(true);
    QAccessibleInterface* full = QAccessible::queryAccessibleInterface(&editor);
    ASSERT_NE(full, nullptr);
    ASSERT_NE(full->textInterface(), nullptr);
    EXPECT_EQ(full->textInterface()->characterCount(), 6);
    QAccessible::setActive(false);
}

// Output goes in as pieces (a cut text's head, note and tail) with no copy of the whole: the
// text is the pieces one after the other, CP932 converted across the piece borders' line ends,
// lost characters counted, and the caller hears of every piece it may let go.
TEST(ScintillaEditor, PiecesLoadAsTheirConcatenationAndAreHandedBack) {
    ScintillaEditor editor;
    const std::string head = "first " + Nichi + "\r\n", note = "--- cut ---\r\n",
                      tail = "last \xA0" + Hon; // 0xA0 has no character in CP932
    std::vector<std::string_view> heard;
    editor.SetWholePieces({head, note, tail}, TextCode::Cp932,
                          [&](std::string_view piece) { heard.push_back(piece); });
    EXPECT_EQ(editor.WholeText(), head + note + "last \x81\xAC" + Hon); // 〓 where it was lost
    EXPECT_EQ(editor.LostOnLoad(), 1u);
    for (const std::string* piece : {&head, &note, &tail})
        EXPECT_NE(std::find_if(heard.begin(), heard.end(),
                               [&](std::string_view h) { return h.data() == piece->data(); }),
                  heard.end());

    const std::string utf8 = "caf\xC3\xA9\n";
    editor.SetWholePieces({utf8, std::string_view(utf8).substr(0, 4), "\xA9!"}, TextCode::Utf8);
    EXPECT_EQ(editor.Utf8Text(), utf8 + "caf\xC3\xA9!");
    EXPECT_EQ(editor.LostOnLoad(), 0u);
}

// The pair at the caret lights up with every colouring: the closing brace's cell looks different
// while the caret stands at its opening one.
TEST(ScintillaEditor, TheBracePairAtTheCaretLightsUpWithEveryLexer) {
    const std::pair<SyntaxLexer, const char*> kinds[] = {
        {SyntaxLexer::None, "f(a) {b}"},       {SyntaxLexer::Perl, "f(a) {b}"},
        {SyntaxLexer::Python, "f(a) + {b}"},   {SyntaxLexer::Ruby, "f(a) {b}"},
        {SyntaxLexer::Bash, "f(a) {b}"},       {SyntaxLexer::Php, "<?php f(a) {b} ?>"},
        {SyntaxLexer::JavaScript, "f(a) {b}"},
    };
    ScintillaEditor editor;
    editor.resize(400, 200);
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    auto cellOf = [&](long pos) {
        const long x = editor.SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, pos);
        const long y = editor.SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, pos);
        const long w =
            editor.SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, pos + 1) - x;
        const long h = editor.SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0UL);
        return editor.viewport()->grab(QRect(x, y, w, h)).toImage();
    };
    for (auto [kind, text] : kinds) {
        editor.SetSyntax(kind);
        editor.SetWholeText(text);
        const long open = static_cast<long>(std::string_view(text).find('('));
        const long close = static_cast<long>(std::string_view(text).find(')'));
        editor.SendScintilla(QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(close + 2));
        QApplication::processEvents();
        const QImage unlit = cellOf(close);
        editor.SendScintilla(QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(open));
        QApplication::processEvents();
        EXPECT_NE(cellOf(close), unlit) << text << " lexer " << static_cast<int>(kind);
    }
}
