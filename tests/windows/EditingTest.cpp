// Replace, the find's options and comment toggling on an editor held in memory (CP932 positions,
// CR LF counted as two bytes) and the real regex library.

#include "platform/Cp932.h"
#include "regex/Kregexp.h"
#include "support/HostDoubles.h"
#include "support/MemoryTextEditor.h"
#include "support/QuietMessages.h"
#include "windows/FakeFindDialog.h"
#include "windows/logic/CommentToggle.h"
#include "windows/logic/TextWindow.h"

#include <gtest/gtest.h>

namespace {

std::string Sjis(const std::string& utf8) {
    return Utf8ToCp932(utf8).text;
}

struct Window {
    MemoryTextEditor editor{10};
    FakeFindDialog dialog;
    FakeClipboard clipboard;
    TextWindow window{editor, dialog, clipboard};
    std::vector<std::string> notices;

    explicit Window(const std::string& utf8) {
        editor.SetWholeText(Sjis(utf8));
        window.Notice = [this](const std::string& text) { notices.push_back(text); };
    }
    std::string Text() const { return Cp932ToUtf8(editor.WholeText()).text; }
    void Select(TextPos line, TextPos column, TextPos length = 0) {
        editor.SetSelection(editor.PositionFromLine(line) + column, length);
    }
    std::pair<TextPos, TextPos> Caret() const {
        TextPos line = editor.LineFromPosition(editor.SelectionStart());
        return {line, editor.SelectionStart() - editor.PositionFromLine(line)};
    }
};

class Editing : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QuietMessages messages;
        ASSERT_TRUE(RegExpLoad(messages, VEXIL_BIN_DIR));
    }
    static void TearDownTestSuite() { RegExpUnload(); }
};

constexpr SearchOptions kExact{true, false, false};
constexpr SearchOptions kAnyCase{false, false, false};
constexpr SearchOptions kRegex{true, true, false};
constexpr SearchOptions kRegexAnyCase{false, true, false};

} // namespace

TEST_F(Editing, ReplaceAllFollowsTheOptionsAndIsOneStepOfUndo) {
    struct Row {
        const char* text;
        const char* find;
        const char* with;
        SearchOptions options;
        const char* expected;
        long count;
    };
    const Row rows[] = {
        {"foo Foo FOO", "foo", "x", kExact, "x Foo FOO", 1},
        {"foo Foo FOO", "foo", "x", kAnyCase, "x x x", 3},
        // Full-width Latin folds with itself, never with ASCII.
        {"Ａｂｃ ａＢＣ abc", "ａｂｃ", "x", kAnyCase, "x x abc", 2},
        // A literal replacement keeps its dollars.
        {"a.b a.b", "a.b", "$1\\$", kExact, "$1\\$ $1\\$", 2},
        {"a=1, bb=22", "(\\w+)=(\\d+)", "$2=${1}", kRegex, "1=a, 22=bb", 2},
        {"x1y22", "\\d+", "<$&>\\$\\\\", kRegex, "x<1>$\\y<22>$\\", 2},
        {"ab", "(a)|(b)", "[$1$2]", kRegex, "[a][b]", 2},
        // ^ holds once a line, at its start, however often the line is searched again.
        {"ab\r\ncd", "^", "# ", kRegex, "# ab\r\n# cd", 2},
        {"abc", "x*", "-", kRegex, "-a-b-c-", 4},
        {"Αβ αβ Ｘｙ", "α|ｘ", "_", kRegexAnyCase, "_β _β _ｙ", 3},
        // Two-byte characters around the hits.
        {"日本語abc日本\r\n本", "本", "ホン", kExact, "日ホン語abc日ホン\r\nホン", 3},
        {"日本語", "語$", "ご", kRegex, "日本ご", 1},
        {"nothing here", "zz", "x", kExact, "nothing here", 0},
        {"a(b", "(", "x", kRegex, "a(b", -1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.text) + " / " + r.find);
        Window w(r.text);
        w.Select(0, 1);
        EXPECT_EQ(w.window.ReplaceAll(r.find, r.with, r.options), r.count);
        EXPECT_EQ(w.Text(), r.expected);
        if (r.count > 0) {
            EXPECT_TRUE(w.editor.CanUndo());
            w.editor.Undo();
            EXPECT_EQ(w.Text(), r.text);
        }
        EXPECT_FALSE(w.editor.CanUndo());
    }
    Window readOnly("aaa");
    readOnly.editor.SetReadOnly(true);
    EXPECT_EQ(readOnly.window.ReplaceAll("a", "b", kExact), 0);
    EXPECT_EQ(readOnly.Text(), "aaa");
}

TEST_F(Editing, ReplaceTakesTheSelectedHitOnlyAndMovesToTheNext) {
    Window w("日a日a\r\nxa");
    // Nothing selected: the first press only finds.
    EXPECT_FALSE(w.window.Replace("a", "bb", kExact));
    EXPECT_EQ(w.editor.SelectionStart(), 2);
    EXPECT_EQ(w.editor.SelectionLength(), 1);
    EXPECT_EQ(w.Text(), "日a日a\r\nxa");
    // The selected hit goes, and the next one (after two two-byte characters) is selected.
    EXPECT_TRUE(w.window.Replace("a", "bb", kExact));
    EXPECT_EQ(w.Text(), "日bb日a\r\nxa");
    EXPECT_EQ(w.editor.SelectionStart(), 6);
    EXPECT_EQ(w.editor.SelectionLength(), 1);
    // A selection that is not exactly a hit is left alone.
    w.Select(0, 2, 2);
    EXPECT_FALSE(w.window.Replace("a", "bb", kExact));
    EXPECT_EQ(w.Text(), "日bb日a\r\nxa");
    EXPECT_EQ(w.editor.SelectionStart(), 6);
    EXPECT_TRUE(w.window.Replace("a", "$&$&", kRegex));
    EXPECT_EQ(w.Text(), "日bb日aa\r\nxa");
    EXPECT_EQ(w.Caret(), (std::pair<TextPos, TextPos>{1, 1}));
    EXPECT_TRUE(w.window.Replace("A", "c", kAnyCase));
    EXPECT_EQ(w.Text(), "日bb日aa\r\nxc");
    // Nothing left: said so, without going round the end.
    ASSERT_EQ(w.notices.size(), 1u);
    EXPECT_EQ(w.notices[0], "「A」は見つかりませんでした。");
}

// Japanese hits are replaced one press at a time like any other: the selection counts CP932
// bytes, the line searched UTF-8 ones.
TEST_F(Editing, ReplaceTakesASelectedJapaneseHit) {
    Window w("x日本y日本\r\n日本");
    EXPECT_FALSE(w.window.Replace("日本", "にっぽん", kExact)) << "the first press only finds";
    EXPECT_EQ(w.editor.SelectionLength(), 4);
    EXPECT_TRUE(w.window.Replace("日本", "にっぽん", kExact));
    EXPECT_EQ(w.Text(), "xにっぽんy日本\r\n日本");
    EXPECT_EQ(w.Caret(), (std::pair<TextPos, TextPos>{0, 10})) << "the next hit is selected";
    EXPECT_TRUE(w.window.Replace("日.", "[$&]", kRegex));
    EXPECT_EQ(w.Text(), "xにっぽんy[日本]\r\n日本");
    EXPECT_TRUE(w.window.Replace("日本", "", kAnyCase));
    EXPECT_EQ(w.Text(), "xにっぽんy[日本]\r\n");
}

TEST_F(Editing, FindGoesRoundTheEndOnlyWhenWrapIsTickedAndSaysSo) {
    struct Row {
        const char* find;
        SearchOptions options;
        bool down;
        std::pair<TextPos, TextPos> from, to; // line and CP932 column of the caret
        const char* notice;                   // nullptr: silent
    };
    constexpr SearchOptions wrap{true, false, true};
    constexpr SearchOptions wrapAnyCase{false, false, true};
    constexpr SearchOptions wrapRegex{true, true, true};
    const Row rows[] = {
        {"abc", kExact, true, {2, 1}, {2, 1}, nullptr},
        {"abc", wrap, true, {2, 1}, {0, 2}, "末尾まで検索したので、先頭から検索しました。"},
        {"abc", wrap, false, {0, 1}, {2, 0}, "先頭まで検索したので、末尾から検索しました。"},
        {"abc", kExact, false, {0, 1}, {0, 1}, nullptr},
        // The caret's own line counts up to the caret when the search comes round.
        {"ABC", wrapAnyCase, true, {2, 1}, {0, 2}, "末尾まで検索したので、先頭から検索しました。"},
        {"x\\w+", wrapRegex, true, {1, 3}, {1, 0}, "末尾まで検索したので、先頭から検索しました。"},
        {"qq", wrap, true, {1, 0}, {1, 0}, "「qq」は見つかりませんでした。"},
        {"(", wrapRegex, true, {1, 0}, {1, 0}, "正規表現が正しくありません。"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.find) + (r.down ? " down" : " up"));
        Window w("日abc\r\nxyz\r\nabc");
        w.Select(r.from.first, r.from.second);
        w.window.SearchText = r.find;
        w.window.Options = r.options;
        if (r.down)
            w.window.FindNext();
        else
            w.window.FindPrevious();
        EXPECT_EQ(w.Caret(), r.to);
        if (r.notice) {
            ASSERT_EQ(w.notices.size(), 1u);
            EXPECT_EQ(w.notices[0], r.notice);
        } else {
            EXPECT_TRUE(w.notices.empty());
        }
    }
    // The dialog's boxes reach the search.
    Window w("abc\r\nABC");
    w.Select(0, 1);
    w.window.Find();
    w.dialog.Text = "abc";
    w.dialog.Opts = {false, false, false};
    w.dialog.PressFind();
    EXPECT_EQ(w.Caret(), (std::pair<TextPos, TextPos>{1, 0}));
}

TEST(CommentToggle, MarksFollowTheLanguageAndTogglingTwiceGivesTheLinesBack) {
    struct Row {
        const char* commentMark; // the definition's CommentMark
        const char* name;
        const char* exePath;
        const char* ext;
        std::vector<std::string> lines, toggled;
    };
    const Row rows[] = {
        {"", "Perl", "/usr/bin/perl", "pl,cgi", {"  a", "", "    b"}, {"  # a", "", "  #   b"}},
        {"", "Python3", "/usr/bin/python3", "py", {"\tif x:", "\t\ty"}, {"\t# if x:", "\t# \ty"}},
        {"", "Ruby", "/usr/bin/ruby", "rb", {"# a", "b"}, {"# # a", "# b"}},
        {"", "sh", "/bin/sh", "sh", {"echo"}, {"# echo"}},
        {"", "Node", "/usr/bin/node", "js", {"x();"}, {"// x();"}},
        {"", "PHP", "/usr/bin/php", "php", {"echo 1;"}, {"// echo 1;"}},
        {" -- ", "Lua", "/usr/bin/lua", "lua", {"print(1)"}, {"-- print(1)"}},
        {"", "Mine", "/opt/mine", "mn", {"", " "}, {"", " "}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string mark = CommentMarkFor(r.commentMark, r.name, r.exePath, r.ext);
        const std::vector<std::string> once = ToggleComment(r.lines, mark);
        EXPECT_EQ(once, r.toggled);
        EXPECT_EQ(ToggleComment(once, mark), r.lines);
    }
    // Commented lines without the blank after the mark come back too.
    EXPECT_EQ(ToggleComment({"  #a", "  # b"}, "#"), (std::vector<std::string>{"  a", "  b"}));

    // In an editor: the lines the selection touches, not the one it ends at the start of, as one
    // step of undo.
    MemoryTextEditor editor;
    editor.SetWholeText("a\r\n" + Sjis("日") + "\r\nc\r\nd");
    const TextPos afterNichi = editor.PositionFromLine(1) + 2;
    editor.SetSelection(afterNichi, editor.PositionFromLine(3) - afterNichi);
    ToggleCommentInEditor(editor, "#");
    EXPECT_EQ(editor.WholeText(), "a\r\n# " + Sjis("日") + "\r\n# c\r\nd");
    editor.Undo();
    EXPECT_EQ(editor.WholeText(), "a\r\n" + Sjis("日") + "\r\nc\r\nd");
    EXPECT_FALSE(editor.CanUndo());

    // A block of plain and commented lines, in either order, is commented whole and comes back.
    for (const std::string block : {"a\r\n# b", "# a\r\nb"}) {
        SCOPED_TRACE(block);
        editor.SetWholeText(block);
        editor.SetSelection(0, static_cast<TextPos>(block.size()));
        ToggleCommentInEditor(editor, "#");
        EXPECT_EQ(editor.WholeText(), block[0] == 'a' ? "# a\r\n# # b" : "# # a\r\n# b");
        editor.SetSelection(0, static_cast<TextPos>(editor.WholeText().size()));
        ToggleCommentInEditor(editor, "#");
        EXPECT_EQ(editor.WholeText(), block);
    }
}
