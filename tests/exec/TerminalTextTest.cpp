#include "exec/TerminalText.h"
#include "encoding/Codeconv.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::string Colour(const TerminalColour& c) {
    char buffer[16];
    if (c.kind == TerminalColour::Kind::Rgb)
        std::snprintf(buffer, sizeof buffer, "#%06x", c.value);
    else
        std::snprintf(buffer, sizeof buffer, "p%u", c.value);
    return buffer;
}

// The text with every styled stretch written as <style>text</>, so one string says both.
std::string Render(const TerminalEdit& edit) {
    std::string out;
    std::size_t at = 0;
    for (const TerminalSpan& span : edit.spans) {
        out.append(edit.text, at, span.start - at);
        std::string style;
        if (span.style.fg.kind != TerminalColour::Kind::Default)
            style += Colour(span.style.fg);
        if (span.style.bg.kind != TerminalColour::Kind::Default)
            style += "/" + Colour(span.style.bg);
        if (span.style.bold)
            style += "b";
        if (span.style.reverse)
            style += "r";
        out += "<" + style + ">" + edit.text.substr(span.start, span.length) + "</>";
        at = span.start + span.length;
    }
    return out + edit.text.substr(at);
}

// A document that takes the edits as a window does.
struct Document {
    std::string text;
    std::vector<TerminalSpan> spans;

    void Apply(TerminalEdit edit) {
        ASSERT_LE(edit.drop, text.size());
        text.resize(text.size() - edit.drop);
        while (!spans.empty() && spans.back().start >= text.size())
            spans.pop_back();
        if (!spans.empty() && spans.back().start + spans.back().length > text.size())
            spans.back().length = text.size() - spans.back().start;
        for (TerminalSpan span : edit.spans) {
            span.start += text.size();
            spans.push_back(span);
        }
        text += edit.text;
    }
    // Stretches of one style that came in two edits read as one.
    std::string Rendered() const {
        std::vector<TerminalSpan> merged;
        for (const TerminalSpan& span : spans)
            if (!merged.empty() && merged.back().style == span.style &&
                merged.back().start + merged.back().length == span.start)
                merged.back().length += span.length;
            else
                merged.push_back(span);
        return Render({0, text, merged});
    }
};

struct Row {
    const char* name;
    std::vector<std::string> reads;
    TextCode code;
    std::string shown;
};

const std::vector<Row>& Table() {
    static const std::vector<Row> rows = {
        {"plain text", {"abc\n"}, TextCode::Utf8, "abc\n"},
        {"CR overwrites from the line start", {"abcdef\rXY"}, TextCode::Utf8, "XYcdef"},
        {"a counter ends as its last value", {"\r1\r2\r3\n"}, TextCode::Utf8, "3\n"},
        {"CR LF stays a line end", {"a\r\nb\r\n"}, TextCode::Utf8, "a\r\nb\r\n"},
        {"CR LF split across reads", {"a\r", "\nb"}, TextCode::Utf8, "a\r\nb"},
        {"bare CR split from its text", {"abc\r", "d"}, TextCode::Utf8, "dbc"},
        {"CR at the very end", {"abc\r"}, TextCode::Utf8, "abc"},
        {"CR before CR LF", {"abc\r\r\n"}, TextCode::Utf8, "abc\r\n"},
        {"16 colours and reset", {"\x1b[31mred\x1b[0m plain"}, TextCode::Utf8, "<p1>red</> plain"},
        {"bold and intensity off",
         {"\x1b[1;32mok\x1b[22mno"},
         TextCode::Utf8,
         "<p2b>ok</><p2>no</>"},
        {"bright colours", {"\x1b[91ma\x1b[104mb"}, TextCode::Utf8, "<p9>a</><p9/p12>b</>"},
        {"256 colours", {"\x1b[38;5;208mx"}, TextCode::Utf8, "<p208>x</>"},
        {"true colour", {"\x1b[38;2;1;2;3mx"}, TextCode::Utf8, "<#010203>x</>"},
        {"true colour, colon form", {"\x1b[48:2::10:20:30mx"}, TextCode::Utf8, "</#0a141e>x</>"},
        {"256 colours, colon form", {"\x1b[38:5:17mx"}, TextCode::Utf8, "<p17>x</>"},
        {"default colours",
         {"\x1b[31;44ma\x1b[39mb\x1b[49mc"},
         TextCode::Utf8,
         "<p1/p4>a</></p4>b</>c"},
        {"an empty SGR resets", {"\x1b[31ma\x1b[mb"}, TextCode::Utf8, "<p1>a</>b"},
        {"reverse", {"\x1b[7mr\x1b[27mn"}, TextCode::Utf8, "<r>r</>n"},
        {"a colour without its numbers", {"\x1b[38;5mx"}, TextCode::Utf8, "x"},
        {"unknown CSI is not shown", {"\x1b[2Jab\x1b[?25lc\x1b[3;4H"}, TextCode::Utf8, "abc"},
        {"private SGR is not a colour", {"\x1b[>4;1mx"}, TextCode::Utf8, "x"},
        {"OSC ended by BEL",
         {"\x1b]0;title\x07"
          "ab"},
         TextCode::Utf8,
         "ab"},
        {"OSC link ended by ST",
         {"\x1b]8;;http://x\x1b\\link\x1b]8;;\x1b\\"},
         TextCode::Utf8,
         "link"},
        {"DCS ends only at ST", {"\x1bPq\x07#\x1b\\z"}, TextCode::Utf8, "z"},
        {"charset designation", {"\x1b(Bab"}, TextCode::Utf8, "ab"},
        {"two-byte escape",
         {"\x1b=a\x1b"
          "7b"},
         TextCode::Utf8,
         "ab"},
        {"escape split across reads", {"\x1b", "[3", "1mred"}, TextCode::Utf8, "<p1>red</>"},
        {"OSC split across reads", {"\x1b]0;t", "itle\x1b", "\\x"}, TextCode::Utf8, "x"},
        {"CSI broken by a line feed", {"\x1b[31\nab"}, TextCode::Utf8, "\nab"},
        {"ESC before a line feed", {"a\x1b\nb"}, TextCode::Utf8, "a\nb"},
        {"erase to the line's end", {"abcdef\r\x1b[Kxy"}, TextCode::Utf8, "xy"},
        {"erase the whole line", {"abcdef\x1b[2Kxy"}, TextCode::Utf8, "      xy"},
        {"backspace", {"ab\bc"}, TextCode::Utf8, "ac"},
        {"backspace at the line start", {"\bab"}, TextCode::Utf8, "ab"},
        {"bell",
         {"a\x07"
          "b"},
         TextCode::Utf8,
         "ab"},
        {"colour lasts across lines",
         {"\x1b[31ma\nb\x1b[0m\n"},
         TextCode::Utf8,
         "<p1>a</>\n<p1>b</>\n"},
        {"overwrite keeps the colours written",
         {"\x1b[31mabc\x1b[0m\rX"},
         TextCode::Utf8,
         "X<p1>bc</>"},
        {"overwrite by characters, UTF-8",
         {"\xe3\x81\x82\xe3\x81\x84\xe3\x81\x86\rab"},
         TextCode::Utf8,
         "ab\xe3\x81\x86"},
        {"a wide character over narrow ones",
         {"abc\r\xe3\x81\x82"},
         TextCode::Utf8,
         "\xe3\x81\x82"
         "bc"},
        {"overwrite by characters, CP932", {"\x82\xa0\x82\xa2\rX"}, TextCode::Cp932, "X\x82\xa2"},
        {"backspace over a CP932 character", {"\x82\xa0\x82\xa2\bX"}, TextCode::Cp932, "\x82\xa0X"},
        {"a tab is text", {"a\tb\n"}, TextCode::Utf8, "a\tb\n"},
        {"plain lines after an overwrite",
         {"abc\rX", "yz\nl2\r\nl3\nta", "il"},
         TextCode::Utf8,
         "Xyz\nl2\r\nl3\ntail"},
        {"plain lines after a coloured start",
         {"\x1b[31mab\x1b[0m", "cd\nef\n", "g"},
         TextCode::Utf8,
         "<p1>ab</>cd\nef\ng"},
    };
    return rows;
}

} // namespace

TEST(TerminalText, TableOfRules) {
    for (const Row& row : Table()) {
        TerminalText text(row.code);
        Document document;
        for (const std::string& read : row.reads) {
            text.Feed(read);
            document.Apply(text.Take());
        }
        text.Finish();
        document.Apply(text.Take());
        EXPECT_EQ(document.Rendered(), row.shown) << row.name;
    }
}

// However the output is cut into reads, the document the edits build is the whole text's.
TEST(TerminalText, EveryCutGivesTheWholeText) {
    const std::string samples[] = {
        "\x1b[1;31merror\x1b[0m: x\r\nprog 1%\rprog 50%\rprog 100%\n\xe3\x81\x82\xe3\x81\x84\rZ",
        "abcdef\r\x1b[Kxy\x1b[38;2;10;20;30mq\x1b]0;t\x07z\r\n",
    };
    for (const std::string& sample : samples) {
        const std::string whole = Render(TerminalText::Whole(sample));
        for (std::size_t a = 0; a <= sample.size(); ++a)
            for (std::size_t b = a; b <= sample.size(); b += 3) {
                TerminalText text;
                Document document;
                text.Feed(std::string_view(sample).substr(0, a));
                document.Apply(text.Take());
                text.Feed(std::string_view(sample).substr(a, b - a));
                document.Apply(text.Take());
                text.Feed(std::string_view(sample).substr(b));
                text.Finish();
                document.Apply(text.Take());
                ASSERT_EQ(document.Rendered(), whole) << "cut at " << a << " and " << b;
            }
    }
}

// A line only appended to is never set again: a long line costs what it adds.
TEST(TerminalText, AppendingDropsNothingAndAnOverwriteDropsFromItsStart) {
    TerminalText text;
    text.Feed("done\nabc");
    EXPECT_EQ(text.Take().text, "done\nabc");
    text.Feed("def");
    TerminalEdit appended = text.Take();
    EXPECT_EQ(appended.drop, 0u);
    EXPECT_EQ(appended.text, "def");
    text.Feed("\rabX");
    TerminalEdit overwritten = text.Take();
    EXPECT_EQ(overwritten.drop, 4u); // "cdef" goes, "Xdef" comes
    EXPECT_EQ(overwritten.text, "Xdef");
    text.Feed("\n");
    TerminalEdit ended = text.Take();
    EXPECT_EQ(ended.drop, 0u);
    EXPECT_EQ(ended.text, "\n");
}

TEST(TerminalText, ControlsAreFoundWhereATerminalWouldChangeTheText) {
    EXPECT_FALSE(HasTerminalControls(""));
    EXPECT_FALSE(HasTerminalControls("a\r\nb\n"));
    EXPECT_FALSE(HasTerminalControls("\xe3\x81\x82\t"));
    EXPECT_TRUE(HasTerminalControls("a\rb"));
    EXPECT_TRUE(HasTerminalControls("a\r\nb\r"));
    EXPECT_TRUE(HasTerminalControls("a\r\r\n"));
    EXPECT_TRUE(HasTerminalControls("\x1b[0m"));
    EXPECT_TRUE(HasTerminalControls("a\bb"));
    EXPECT_TRUE(HasTerminalControls("a\x07"));
}

TEST(TerminalText, ShownColoursFollowBoldAndReverse) {
    TerminalStyle red;
    red.fg = {TerminalColour::Kind::Palette, 1};
    ShownColours shown = ShowStyle(red, 0x111111, 0xEEEEEE);
    EXPECT_TRUE(shown.fgSet);
    EXPECT_FALSE(shown.bgSet);
    EXPECT_EQ(shown.fg, 0xCD0000u);
    red.bold = true;
    EXPECT_EQ(ShowStyle(red, 0x111111, 0xEEEEEE).fg, 0xFF0000u);
    TerminalStyle reversed;
    reversed.reverse = true;
    shown = ShowStyle(reversed, 0x111111, 0xEEEEEE);
    EXPECT_TRUE(shown.fgSet && shown.bgSet);
    EXPECT_EQ(shown.fg, 0xEEEEEEu);
    EXPECT_EQ(shown.bg, 0x111111u);
    EXPECT_EQ(PaletteColour(16), 0x000000u);
    EXPECT_EQ(PaletteColour(196), 0xFF0000u);
    EXPECT_EQ(PaletteColour(231), 0xFFFFFFu);
    EXPECT_EQ(PaletteColour(232), 0x080808u);
    EXPECT_EQ(PaletteColour(255), 0xEEEEEEu);
}

// Colour sequences say nothing of the output's code; JIS's own escapes still do.
TEST(TerminalText, ColoursLeaveTheOutputsCodeAsItIs) {
    EXPECT_EQ(JudgeOutput("\x1b[31m\xe6\x97\xa5\xe6\x9c\xac\x1b[0m\n"), OutputKind::Utf8);
    EXPECT_EQ(JudgeOutput("\x1b(B\x1b[m\x1b]0;t\x07plain\n"), OutputKind::Ascii);
    EXPECT_EQ(JudgeOutput("\x1b$B4A\x1b(B\n"), OutputKind::Other);
    EXPECT_EQ(JudgeOutput("\x1b(I6@\x1b(B\n"), OutputKind::Other);
    EXPECT_EQ(JudgeOutput("a\x1b"), OutputKind::Ascii);
    // Kanji long enough to be passed over eight bytes at a time, and a shift cut between parts.
    EXPECT_EQ(JudgeOutput("\x1b$B4A4A4A4A4A4A4A4A\n"), OutputKind::Other);
    OutputJudge parts;
    parts.Add("x\x1b");
    parts.Add("$B4A4A4A4A4A4A4A4A\n");
    EXPECT_EQ(parts.Kind(), OutputKind::Other);
}

// Plain output goes through untouched when nothing is pending, and the state it leaves is the
// one Feed would have left: a later CR still overwrites the line it ended on.
TEST(TerminalText, PlainOutputIsTakenWithoutACopyAndLaterRewritesStillWork) {
    TerminalText text;
    EXPECT_TRUE(text.TakePlain("one\ntw"));
    EXPECT_TRUE(text.TakePlain("o"));
    text.Feed("\rTW");
    TerminalEdit edit = text.Take();
    EXPECT_EQ(edit.drop, 3u);
    EXPECT_EQ(edit.text, "TWo");
    // Pending: a CR at the end of a read, a colour, an escape begun, or an edit not yet taken.
    text.Feed("\r");
    EXPECT_FALSE(text.TakePlain("x"));
    text.Feed("x\n\x1b[31m");
    text.Take();
    EXPECT_FALSE(text.TakePlain("red"));
    text.Feed("\x1b[0m\x1b[");
    EXPECT_FALSE(text.TakePlain("1m"));
    text.Feed("0m");
    text.Take();
    EXPECT_FALSE(text.TakePlain("a\rb"));
    EXPECT_TRUE(text.TakePlain("ab\r\n"));
    text.Feed("c");
    EXPECT_FALSE(text.TakePlain("d"));
}
