#include "windows/logic/ErrorLines.h"
#include "regex/Kregexp.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"
#include "windows/logic/ResultGuard.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// The entries of bytes; the count told ahead of an append (the rows a view is told of) is the
// count the append makes.
std::vector<std::string> Entries(std::string_view bytes) {
    ErrorLines lines;
    lines.Load(bytes);
    EXPECT_EQ(ErrorLines::CountLines(bytes), lines.Count());
    std::vector<std::string> out;
    for (std::size_t i = 0; i < lines.Count(); ++i)
        out.emplace_back(lines.Line(i));
    return out;
}

using Lines = std::vector<std::string>;

class WithRegExp : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ScriptedMessages messages;
        ASSERT_TRUE(RegExpLoad(messages, VEXIL_BIN_DIR));
    }
    static void TearDownTestSuite() { RegExpUnload(); }
};

} // namespace

TEST(ErrorLines, EveryKindOfLineBreakEndsAnEntry) {
    EXPECT_EQ(Entries("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(Entries("a\n\r\nb"), (Lines{"a", "", "b"}));
    // LF CR is two breaks, not one.
    EXPECT_EQ(Entries("a\n\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(Entries("a\r\rb"), (Lines{"a", "", "b"}));
}

TEST(ErrorLines, ABreakAtTheEndMakesNoEmptyLastEntry) {
    EXPECT_EQ(Entries("a\r\n"), (Lines{"a"}));
    EXPECT_EQ(Entries("a\n"), (Lines{"a"}));
    EXPECT_EQ(Entries("a\r"), (Lines{"a"}));
    EXPECT_EQ(Entries("a\n\n"), (Lines{"a", ""}));
    EXPECT_EQ(Entries("\r\n"), (Lines{""}));
    EXPECT_EQ(Entries("\n"), (Lines{""}));
    EXPECT_EQ(Entries("\n\n"), (Lines{"", ""}));
    EXPECT_EQ(Entries(""), (Lines{}));
}

// Output is length-based everywhere: a zero byte loses no line after it.
TEST(ErrorLines, AZeroByteIsACharacterLikeAnyOther) {
    using namespace std::string_literals;
    EXPECT_EQ(Entries("one\ntwo\0three\nfour"s), (Lines{"one", "two\0three"s, "four"}));
    EXPECT_EQ(Entries("\0abc"s), (Lines{"\0abc"s}));
    EXPECT_EQ(Entries("one\n\0"s), (Lines{"one", "\0"s}));
}

// Lines appended as a run brings them, with room taken ahead for what the capture holds
// beyond them and exact once it has ended, are the lines of the whole.
TEST(ErrorLines, LinesAppendedWithRoomAheadAreTheLinesOfTheWhole) {
    std::string whole;
    for (int i = 0; i < 3000; ++i)
        whole += "error " + std::to_string(i) + (i % 7 ? "\n" : "\r\n");
    ErrorLines appended;
    std::size_t at = 0;
    for (const std::size_t piece : {1u, 700u, 5000u, 20000u}) {
        const std::size_t end = whole.rfind('\n', at + piece) + 1;
        appended.Append(std::string_view(whole).substr(at, end - at), TextCode::Utf8,
                        LiveAhead{whole.size() - end, false});
        at = end;
    }
    appended.Append(std::string_view(whole).substr(at), TextCode::Utf8, LiveAhead{0, true});
    ErrorLines loaded;
    loaded.Load(whole, TextCode::Utf8);
    ASSERT_EQ(appended.Count(), 3000u);
    EXPECT_EQ(appended.JoinAll(), loaded.JoinAll());
    EXPECT_EQ(appended.Line(2999), "error 2999");
    EXPECT_EQ(appended.LineAt(whole.size() - 1), 2999u);
}

TEST(ErrorLines, DoubleByteTextIsKeptByteForByte) {
    // A trail byte that reads as a backslash stays inside its character: 表 is 0x95 0x5C.
    EXPECT_EQ(Entries("\x95\x5C\x8E\xA6\r\n\x83\x5C"), (Lines{"\x95\x5C\x8E\xA6", "\x83\x5C"}));
}

TEST(ErrorLines, JoinTakesRowsInListOrderEachEndedByCrLf) {
    ErrorLines lines;
    lines.Load("zero\none\ntwo\nthree\n");
    EXPECT_EQ(lines.Join({3, 0, 2}), "zero\r\ntwo\r\nthree\r\n");
    EXPECT_EQ(lines.Join({1, 1}), "one\r\n");
    EXPECT_EQ(lines.Join({}), "");
    EXPECT_EQ(lines.JoinAll(), "zero\r\none\r\ntwo\r\nthree\r\n");
    EXPECT_EQ(lines.LongestLine(), 3u);
    lines.Load("");
    EXPECT_EQ(lines.JoinAll(), "");
    EXPECT_EQ(lines.Count(), 0u);
}

TEST(ExpandTagJumpText, PlaceholdersAndStrayPercentSigns) {
    EXPECT_EQ(ExpandTagJumpText("%F:%L", "a.pl", 12), "a.pl:12");
    EXPECT_EQ(ExpandTagJumpText("-l%L %F", "a.pl", 12), "-l12 a.pl");
    EXPECT_EQ(ExpandTagJumpText("%x", "a.pl", 12), "x");
    EXPECT_EQ(ExpandTagJumpText("+%L%", "a.pl", 12), "+12%");
    EXPECT_EQ(ExpandTagJumpText("%", "a.pl", 12), "%");
    EXPECT_EQ(ExpandTagJumpText("", "a.pl", 12), "");
    EXPECT_EQ(ExpandTagJumpText("%%F", "a.pl", 12), "a.pl");
    // Only the capital letters are placeholders.
    EXPECT_EQ(ExpandTagJumpText("%f %l", "a.pl", 12), "f l");
    EXPECT_EQ(ExpandTagJumpText("%F%F %L", "\"x y\"", 7), "\"x y\"\"x y\" 7");
}

TEST_F(WithRegExp, LineNumberIsTheFirstDigitsOfTheErrMatch) {
    const std::string err = "line [0-9]+.?";
    EXPECT_EQ(ErrorLineNumber("Died at script.pl line 12.", err), 12);
    EXPECT_EQ(ErrorLineNumber("syntax error at /tmp/a1/x.pl line 7, near \"}\"", err), 7);
    EXPECT_EQ(ErrorLineNumber("line 0.", err), 0);
    EXPECT_EQ(ErrorLineNumber("no number here", err), -1);
    // The expression matches but holds no digits.
    EXPECT_EQ(ErrorLineNumber("at x.pl: fault", "at .*:"), -1);
    // Digits outside the matched part do not count; inside, the first run does.
    EXPECT_EQ(ErrorLineNumber("99 problems at line 5", err), 5);
    EXPECT_EQ(ErrorLineNumber("file 3 line 4", "file [0-9]+ line [0-9]+"), 3);
    EXPECT_EQ(ErrorLineNumber("line 2147483647.", err), 2147483647);
    EXPECT_EQ(ErrorLineNumber("line 2147483648.", err), -1);
    // A Japanese message: entry and expression are UTF-8.
    EXPECT_EQ(ErrorLineNumber("エラー 42 行", "[0-9]+ 行"), 42);
    EXPECT_EQ(ErrorLineNumber("caf\xc3\xa9 \xe9 line 7", "\xc3\xa9 . line [0-9]+"), -1)
        << "a stray byte matches nothing, not even '.'";
    EXPECT_EQ(ErrorLineNumber("caf\xc3\xa9 \xe9 line 7", "line [0-9]+"), 7);
}

TEST(ErrorLineNumber, NothingMatchesWithoutTheLibrary) {
    RegExpUnload();
    EXPECT_EQ(ErrorLineNumber("Died at a.pl line 3.", "line [0-9]+.?"), -1);
}

TEST(WouldOverwriteScript, SameNameInOtherCaseOrBlanksIsRefused) {
    EXPECT_TRUE(WouldOverwriteScript("/Work/A.PL", "/work/a.pl"));
    EXPECT_TRUE(WouldOverwriteScript("/work/a.pl", " /work/A.pl\t"));
    EXPECT_FALSE(WouldOverwriteScript("/work/a.pl", "/work/a.txt"));
}

TEST(WouldOverwriteScript, AScriptWithoutANameIsNeverInTheWay) {
    TempDir dir;
    EXPECT_FALSE(WouldOverwriteScript("", ""));
    EXPECT_FALSE(WouldOverwriteScript("", dir.Write("r.txt", "x")));
}

TEST(WouldOverwriteScript, TheSameFileUnderAnotherNameIsRefused) {
    TempDir dir;
    const std::string script = dir.Write("a.pl", "print 1;\n");
    const std::string other = dir.Write("b.pl", "print 2;\n");
    const std::string link = dir.File("link.txt");
    ASSERT_EQ(::symlink(script.c_str(), link.c_str()), 0);
    const std::string hard = dir.File("hard.txt");
    ASSERT_EQ(::link(script.c_str(), hard.c_str()), 0);
    std::filesystem::create_directory(dir.File("sub"));

    EXPECT_TRUE(WouldOverwriteScript(script, link));
    EXPECT_TRUE(WouldOverwriteScript(script, hard));
    EXPECT_TRUE(WouldOverwriteScript(script, dir.File("sub/../a.pl")));
    EXPECT_TRUE(WouldOverwriteScript(link, script));
    EXPECT_FALSE(WouldOverwriteScript(script, other));
    // A new file cannot be the script.
    EXPECT_FALSE(WouldOverwriteScript(script, dir.File("new.txt")));
}
