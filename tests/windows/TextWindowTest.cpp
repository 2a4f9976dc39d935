#include "windows/logic/TextWindow.h"

#include "platform/Cp932.h"
#include "support/HostDoubles.h"
#include "support/MemoryTextEditor.h"
#include "windows/FakeFindDialog.h"

#include <gtest/gtest.h>

namespace {

// CP932 spellings used below.
const std::string Nichi = "\x93\xFA"; // 日
const std::string Hon = "\x96\x7B";   // 本 (its second byte is '{')
const std::string Go = "\x8C\xEA";    // 語
const std::string A = "\x82\xA0";     // あ
const std::string Hyo = "\x95\x5C";   // 表 (its second byte is '\')
const std::string KanaA = "\xB1";     // ｱ

// What the user types into the find dialog: the characters, as UTF-8.
std::string U(const std::string& cp932) {
    return Cp932ToUtf8(cp932).text;
}

std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    bool first = true;
    for (const auto& l : lines) {
        text += (first ? "" : "\r\n") + l;
        first = false;
    }
    return text;
}

struct Window {
    MemoryTextEditor editor{10};
    FakeFindDialog dialog;
    FakeClipboard clipboard;
    TextWindow window{editor, dialog, clipboard};

    explicit Window(const std::string& text) { editor.SetWholeText(text); }
    void Select(TextPos line, TextPos column, TextPos length = 0) {
        editor.SetSelection(editor.PositionFromLine(line) + column, length);
    }
    TextPos Line() const { return editor.LineFromPosition(editor.SelectionStart()); }
    TextPos Column() const { return editor.SelectionStart() - editor.PositionFromLine(Line()); }
};

std::string Numbered(int count, int hitLine, const std::string& hit) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i)
            text += "\r\n";
        text += "line " + std::to_string(i + 1) + (i == hitLine ? " " + hit : "");
    }
    return text;
}

} // namespace

TEST(TextWindowPosition, LineColumnAndSelectionLengthInBytes) {
    Window w(Lines({"first", Nichi + Hon + "x", "abc" + Go + "def"}));
    w.Select(2, 0);
    EXPECT_EQ(w.window.GetPositionText(), " 3: 1");
    w.Select(2, 0, 5);
    EXPECT_EQ(w.window.GetPositionText(), " 3: 1 (5)");
    // After two double-byte characters the column has moved by four.
    w.Select(1, 4);
    EXPECT_EQ(w.window.GetPositionText(), " 2: 5");
    w.Select(2, 5, 3);
    EXPECT_EQ(w.window.GetPositionText(), " 3: 6 (3)");
    // A selection over a line end counts it as two bytes.
    w.Select(0, 3, 2 + 2 + 4);
    EXPECT_EQ(w.editor.SelectedText(), "st\r\n" + Nichi + Hon);
    EXPECT_EQ(w.window.GetPositionText(), " 1: 4 (8)");
}

TEST(TextWindowFindNext, EmptySearchTextOpensTheDialogInstead) {
    Window w("abc\r\nabc");
    w.Select(1, 1);
    w.window.FindNext();
    EXPECT_EQ(w.dialog.Shows, 1);
    EXPECT_TRUE(w.dialog.Visible);
    EXPECT_EQ(w.Line(), 1);
    EXPECT_EQ(w.Column(), 1);
    // The dialog's find button now searches this window.
    w.dialog.Text = "b";
    w.dialog.PressFind();
    EXPECT_FALSE(w.dialog.Visible);
    EXPECT_EQ(w.window.SearchText, "b");
    EXPECT_EQ(w.editor.SelectionStart(), 5 + 1);
    EXPECT_EQ(w.editor.SelectionLength(), 1);
}

TEST(TextWindowFindNext, OverlappingHitsThenStopsAtTheLast) {
    Window w("aaa\r\nxaa");
    w.window.SearchText = "aa";
    w.window.FindNext();
    EXPECT_EQ(w.editor.SelectionStart(), 0);
    EXPECT_EQ(w.editor.SelectionLength(), 2);
    w.window.FindNext();
    EXPECT_EQ(w.editor.SelectionStart(), 1);
    w.window.FindNext();
    EXPECT_EQ(w.editor.SelectionStart(), 5 + 1);
    // The last hit: nothing moves, nothing wraps to the top, nothing is said.
    w.window.FindNext();
    EXPECT_EQ(w.editor.SelectionStart(), 6);
    EXPECT_EQ(w.editor.SelectionLength(), 2);
    EXPECT_EQ(w.dialog.Shows, 0);
}

TEST(TextWindowFindNext, DoubleByteTextAcrossLines) {
    // Searching 日本 from the top, then on: the second hit sits behind three double-byte
    // characters of the next line.
    Window w(Lines({Nichi + Hon + Go, A + A + A + Nichi + Hon, "x" + Nichi + Hon}));
    w.window.SearchText = U(Nichi + Hon);
    w.window.FindNext();
    EXPECT_EQ(w.editor.SelectionStart(), 0);
    EXPECT_EQ(w.editor.SelectionLength(), 4);
    w.window.FindNext(); // from inside the first hit's first character
    EXPECT_EQ(w.editor.SelectionStart(), 6 + 2 + 6);
    EXPECT_EQ(w.editor.SelectedText(), Nichi + Hon);
    w.window.FindNext();
    EXPECT_EQ(w.Line(), 2);
    EXPECT_EQ(w.Column(), 1);
}

TEST(TextWindowFindNext, NeverStartsOnASecondByte) {
    // 表 ends in '\' and ア (0x83 0x41) in 'A'; neither byte may start a hit.
    Window w(Lines({Hyo + "\x83\x41", "x\\yA"}));
    w.window.SearchText = "\\";
    w.window.FindNext();
    EXPECT_EQ(w.Line(), 1);
    EXPECT_EQ(w.Column(), 1);
    w.Select(0, 0);
    w.window.SearchText = "A";
    w.window.FindNext();
    EXPECT_EQ(w.Line(), 1);
    EXPECT_EQ(w.Column(), 3);
    // A second byte followed by the rest of the text is no hit either: 本 is 0x96 '{'.
    Window v(Hon + "a{a");
    v.window.SearchText = "{a";
    v.window.FindNext();
    EXPECT_EQ(v.editor.SelectionStart(), 3);
}

TEST(TextWindowFindNext, ScrollsTheHitIntoContext) {
    Window w(Numbered(100, 39, "needle"));
    w.window.SearchText = "needle";
    w.window.FindNext();
    EXPECT_EQ(w.Line(), 39);
    EXPECT_EQ(w.editor.FirstVisibleLine(), 34); // the hit is the sixth visible line
    // A hit among the first six lines scrolls to the top.
    w.editor.SetWholeText(Numbered(100, 3, "needle"));
    w.editor.ScrollLines(50);
    w.Select(0, 0);
    w.editor.ScrollLines(50);
    ASSERT_GT(w.editor.FirstVisibleLine(), 0);
    w.window.FindNext();
    EXPECT_EQ(w.Line(), 3);
    EXPECT_EQ(w.editor.FirstVisibleLine(), 0);
    // Near the end the view cannot scroll past the last screenful.
    w.editor.SetWholeText(Numbered(100, 97, "needle"));
    w.window.FindNext();
    EXPECT_EQ(w.Line(), 97);
    EXPECT_EQ(w.editor.FirstVisibleLine(), 90);
}

TEST(TextWindowFindPrevious, LeavesOutTheCharacterBeforeTheCaret) {
    Window w(Lines({"ab", "zzabx"}));
    w.window.SearchText = "ab";
    w.Select(1, 4); // directly after the hit on the caret's line
    w.window.FindPrevious();
    EXPECT_EQ(w.Line(), 0);
    EXPECT_EQ(w.Column(), 0);
    EXPECT_EQ(w.editor.SelectionLength(), 2);
    w.Select(1, 5); // one character later the hit on the same line counts
    w.window.FindPrevious();
    EXPECT_EQ(w.Line(), 1);
    EXPECT_EQ(w.Column(), 2);
    // Double-byte: the character before the caret is left out whole.
    Window v(Nichi + Hon + Nichi + Hon);
    v.window.SearchText = U(Nichi + Hon);
    v.Select(0, 8);
    v.window.FindPrevious();
    EXPECT_EQ(v.editor.SelectionStart(), 0);
}

TEST(TextWindowFindPrevious, LastOfSeveralAndOverlapping) {
    Window w("ab ab ab ab!");
    w.window.SearchText = "ab";
    w.Select(0, 12);
    w.window.FindPrevious();
    EXPECT_EQ(w.editor.SelectionStart(), 9);
    w.window.FindPrevious(); // the selection start is the caret
    EXPECT_EQ(w.editor.SelectionStart(), 6);
    Window v("aaaa");
    v.window.SearchText = "aa";
    v.Select(0, 4);
    v.window.FindPrevious();
    EXPECT_EQ(v.editor.SelectionStart(), 1); // the first three bytes hold hits at 0 and 1
    v.window.FindPrevious();
    EXPECT_EQ(v.editor.SelectionStart(), 1); // nothing fits before byte 0
}

TEST(TextWindowFindPrevious, ScrollsOnlyWhenTheHitIsOnAnEarlierLine) {
    Window w(Numbered(100, 20, "needle needle!"));
    w.window.SearchText = "needle";
    w.Select(20, 22); // after both hits, on their line
    w.editor.ScrollLines(-w.editor.FirstVisibleLine() + 15);
    w.window.FindPrevious();
    EXPECT_EQ(w.Column(), 15);
    EXPECT_EQ(w.editor.FirstVisibleLine(), 15); // same line: not scrolled
    w.Select(60, 0);
    w.window.FindPrevious();
    EXPECT_EQ(w.Line(), 20);
    EXPECT_EQ(w.Column(), 15);
    EXPECT_EQ(w.editor.FirstVisibleLine(), 15); // earlier line: the sixth visible line
}

TEST(TextWindowFindPrevious, EmptySearchTextDoesNothing) {
    Window w("abc");
    w.Select(0, 2);
    w.window.FindPrevious();
    EXPECT_EQ(w.dialog.Shows, 0);
    EXPECT_EQ(w.editor.SelectionStart(), 2);
}

TEST(TextWindowFind, DialogCarriesSearchTextAndDirection) {
    Window w(Lines({"one two", "two one."}));
    w.window.SearchText = "two";
    w.window.Find();
    EXPECT_TRUE(w.dialog.Visible);
    EXPECT_EQ(w.dialog.Text, "two");
    w.Select(1, 8);
    w.dialog.Text = "one";
    w.dialog.Down = false;
    w.dialog.PressFind();
    EXPECT_FALSE(w.dialog.Visible);
    EXPECT_EQ(w.window.SearchText, "one");
    EXPECT_EQ(w.Line(), 1);
    EXPECT_EQ(w.Column(), 4);
}

TEST(TextWindowFind, TheWindowThatOpenedTheSharedDialogLastGetsItsButton) {
    FakeFindDialog dialog;
    MemoryTextEditor scriptEditor, resultEditor;
    scriptEditor.SetWholeText("abc abc");
    resultEditor.SetWholeText("xyz abc");
    FakeClipboard clipboard;
    TextWindow script(scriptEditor, dialog, clipboard), result(resultEditor, dialog, clipboard);
    script.SearchText = "abc";
    result.SearchText = "xyz";
    script.Find();
    EXPECT_EQ(dialog.Text, "abc");
    result.Find();
    EXPECT_EQ(dialog.Text, "xyz"); // each window keeps its own search text
    dialog.Text = "abc";
    dialog.PressFind();
    EXPECT_EQ(result.SearchText, "abc");
    EXPECT_EQ(resultEditor.SelectionStart(), 4);
    EXPECT_EQ(script.SearchText, "abc");
    EXPECT_EQ(scriptEditor.SelectionStart(), 0);
    EXPECT_EQ(scriptEditor.SelectionLength(), 0);
}

TEST(TextWindowSearch, StopsAtTheFirstLineThatHolds) {
    Window w(Numbered(1000, 10, "needle"));
    w.window.SearchText = "needle";
    w.editor.LineFetches = 0;
    w.window.FindNext();
    EXPECT_EQ(w.Line(), 10);
    EXPECT_LE(w.editor.LineFetches, 12);
}

TEST(TextWindowClipboard, CopyCutPasteAndUndo) {
    Window w("hello " + Nichi + Hon);
    w.clipboard.SetText("keep");
    w.window.Copy(); // nothing selected: the clipboard stays
    EXPECT_EQ(w.clipboard.Text(), "keep");
    w.window.Cut();
    EXPECT_EQ(w.editor.WholeText(), "hello " + Nichi + Hon);
    EXPECT_FALSE(w.window.CanUndo());

    w.Select(0, 6, 4);
    w.window.Copy();
    EXPECT_EQ(w.clipboard.Text(), Nichi + Hon);
    w.Select(0, 0, 5);
    w.window.Cut();
    EXPECT_EQ(w.clipboard.Text(), "hello");
    EXPECT_EQ(w.editor.WholeText(), " " + Nichi + Hon);
    EXPECT_TRUE(w.window.CanUndo());
    w.window.Paste();
    w.window.Paste();
    EXPECT_EQ(w.editor.WholeText(), "hellohello " + Nichi + Hon);
    w.window.Undo();
    w.window.Undo();
    w.window.Undo();
    EXPECT_EQ(w.editor.WholeText(), "hello " + Nichi + Hon);
    EXPECT_FALSE(w.window.CanUndo());

    // An empty clipboard replaces the selection with nothing.
    w.clipboard.SetText("");
    w.Select(0, 0, 6);
    w.window.Paste();
    EXPECT_EQ(w.editor.WholeText(), Nichi + Hon);

    w.editor.SetReadOnly(true);
    w.clipboard.SetText("x");
    w.Select(0, 0, 2);
    w.window.Cut(); // a copy: the text stays
    w.window.Paste();
    EXPECT_EQ(w.editor.WholeText(), Nichi + Hon);
    EXPECT_EQ(w.clipboard.Text(), Nichi);
}

TEST(TextWindowLoad, TakesTheStreamFromItsPositionWithZeroBytes) {
    Window w("old text");
    w.Select(0, 3, 2);
    ByteStream stream(std::string("skip|out\0put\nline ", 18) + Nichi);
    stream.SetPosition(5);
    w.window.LoadFromStream(stream);
    EXPECT_EQ(w.editor.WholeText(), std::string("out\0put\r\nline ", 14) + Nichi);
    EXPECT_EQ(w.editor.SelectionStart(), 0);
    EXPECT_FALSE(w.window.CanUndo());
    EXPECT_EQ(w.window.GetPositionText(), " 1: 1");
}
