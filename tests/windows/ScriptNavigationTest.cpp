#include "windows/logic/ScriptNavigation.h"

#include "support/MemoryTextEditor.h"

#include <gtest/gtest.h>

namespace {

std::string Numbered(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += (i ? "\r\n" : "") + std::string("print ") + std::to_string(i + 1) + ";";
    return text;
}

std::string WordAt(const std::string& line, TextPos column) {
    MemoryTextEditor editor;
    editor.SetWholeText("before\r\n" + line + "\r\nafter");
    editor.SetSelection(editor.PositionFromLine(1) + column, 0);
    return GetWordAtCaret(editor);
}

} // namespace

TEST(GoToLine, PutsTheCaretAtTheLineStartInContext) {
    MemoryTextEditor editor(20);
    editor.SetWholeText(Numbered(100));
    GoToLine(editor, 40);
    EXPECT_EQ(editor.SelectionStart(), editor.PositionFromLine(39));
    EXPECT_EQ(editor.SelectionLength(), 0);
    EXPECT_EQ(editor.FirstVisibleLine(), 34);
    EXPECT_EQ(editor.FocusCount, 1);

    GoToLine(editor, 1);
    EXPECT_EQ(editor.SelectionStart(), 0);
    EXPECT_EQ(editor.FirstVisibleLine(), 0);
    EXPECT_EQ(editor.FocusCount, 2);
}

TEST(GoToLine, LinesOutsideTheTextGoToTheNearestLine) {
    MemoryTextEditor editor(20);
    editor.SetWholeText(Numbered(50));
    GoToLine(editor, 500);
    EXPECT_EQ(editor.SelectionStart(), editor.PositionFromLine(49));
    EXPECT_EQ(editor.FirstVisibleLine(), 30); // as far as the view goes
    // Line 0 names no line: the caret goes to the start of its own line.
    editor.SetSelection(editor.PositionFromLine(7) + 2, 0);
    GoToLine(editor, 0);
    EXPECT_EQ(editor.SelectionStart(), editor.PositionFromLine(7));
    GoToLine(editor, -3);
    EXPECT_EQ(editor.SelectionStart(), 0);
    EXPECT_EQ(editor.FirstVisibleLine(), 0);
}

TEST(GetWordAtCaret, WordsBetweenDelimiters) {
    EXPECT_EQ(WordAt("foo(bar)", 5), "bar");
    EXPECT_EQ(WordAt("print", 5), "print");
    EXPECT_EQ(WordAt("(foo", 4), "foo");
    EXPECT_EQ(WordAt("  open(my $fh, \"<\", $x);", 2), ""); // after a blank
    EXPECT_EQ(WordAt("a=b {c} d/e", 8), "");
    EXPECT_EQ(WordAt("a=b {c} d/e", 9), "d");
    // Tabs, semicolons, commas, dollars and quotes belong to words.
    EXPECT_EQ(WordAt("x\t$y,'z';(w)", 3), "x\t$y,'z';");
    // At the start of a line the first character decides.
    EXPECT_EQ(WordAt("sub foo", 0), "sub");
    EXPECT_EQ(WordAt("(sub", 0), "");
    EXPECT_EQ(WordAt("", 0), "");
}

TEST(GetWordAtCaret, OneCharacterLines) {
    EXPECT_EQ(WordAt("x", 0), "x");
    EXPECT_EQ(WordAt("x", 1), "x");
    EXPECT_EQ(WordAt("(", 1), "");
    EXPECT_EQ(WordAt("\x93\xFA", 2), "\x93\xFA"); // one double-byte character: 日
}

TEST(GetWordAtCaret, SecondBytesNeverSplitAWord) {
    // 本 is 0x96 0x7B and 0x7B is '{'; 当 follows.
    EXPECT_EQ(WordAt("x=\x96\x7B\x93\x96", 6), "\x96\x7B\x93\x96");
    EXPECT_EQ(WordAt("\x96\x7B}y", 2), "\x96\x7B");
    EXPECT_EQ(WordAt("{\x96\x7B", 3), "\x96\x7B");
}
