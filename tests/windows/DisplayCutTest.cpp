#include "windows/logic/DisplayCut.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

std::string Repeat(const std::string& piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += piece;
    return text;
}

std::string Grouped(std::size_t n) {
    std::string s = std::to_string(n);
    for (int at = static_cast<int>(s.size()) - 3; at > 0; at -= 3)
        s.insert(static_cast<std::size_t>(at), ",");
    return s;
}

} // namespace

// Whatever the text, the shown one is a true beginning and a true end of it around one note
// that counts exactly what lies between; cuts fall after line ends where the halves hold any,
// else between two characters of the code held.
TEST(DisplayCut, BeginningAndEndAroundANoteThatCountsWhatWasLeftOut) {
    const std::string cp932Wide = "\x95\x5C";     // 表
    const std::string emoji = "\xF0\x9F\x98\x80"; // 😀
    const struct {
        const char* what;
        std::string bytes;
        std::size_t cap;
        TextCode code;
        const char* lineEnd;
        std::size_t charWidth; // of every character after the first byte, when no line ends
    } cases[] = {
        {"UTF-8 lines", Repeat("\xe6\x97\xa5\xe6\x9c\xac line\n", 3000), 1000, TextCode::Utf8, "\n",
         0},
        {"CR LF lines", Repeat("record\r\n", 3000), 500, TextCode::Cp932, "\r\n", 0},
        {"one UTF-8 line", "a" + Repeat("\xc3\xa9", 5000), 101, TextCode::Utf8, "\n", 2},
        {"one CP932 line", "a" + Repeat(cp932Wide, 5000), 101, TextCode::Cp932, "\n", 2},
        {"one CP932 line ending in a line end", "a" + Repeat(cp932Wide, 5000) + "\n", 101,
         TextCode::Cp932, "\n", 2},
        // Four-byte characters, the half cap falling on each of a character's bytes.
        {"one line of emoji, cut at a start", "a" + Repeat(emoji, 5000), 202, TextCode::Utf8, "\n",
         4},
        {"one line of emoji, cut after byte 1", "a" + Repeat(emoji, 5000), 204, TextCode::Utf8,
         "\n", 4},
        {"one line of emoji, cut after byte 2", "a" + Repeat(emoji, 5000), 206, TextCode::Utf8,
         "\n", 4},
        {"one line of emoji, cut after byte 3", "a" + Repeat(emoji, 5000), 208, TextCode::Utf8,
         "\n", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(CutForDisplay(c.bytes, c.bytes.size(), c.code, true)) << "fits";
        const std::optional<std::string> shown = CutForDisplay(c.bytes, c.cap, c.code, true);
        ASSERT_TRUE(shown);
        const std::string dash = c.code == TextCode::Cp932 ? Utf8ToCp932("―――").text : "―――";
        const std::size_t noteAt = shown->find(dash);
        ASSERT_NE(noteAt, std::string::npos);
        const std::size_t noteEnd = shown->find(c.lineEnd, shown->find(dash, noteAt + 1));
        ASSERT_NE(noteEnd, std::string::npos);
        std::string head = shown->substr(0, noteAt);
        const std::string tail = shown->substr(noteEnd + std::string(c.lineEnd).size());
        const bool added = c.charWidth != 0; // a line end was added before the note
        if (added) {
            ASSERT_EQ(head.back(), '\n');
            head.pop_back();
        }
        EXPECT_EQ(c.bytes.rfind(head, 0), 0u) << "a true beginning";
        EXPECT_TRUE(c.bytes.ends_with(tail)) << "a true end";
        EXPECT_LE(head.size() + tail.size(), c.cap);
        EXPECT_GE(head.size() + tail.size(), c.cap / 2);
        const std::string left =
            c.bytes.substr(head.size(), c.bytes.size() - head.size() - tail.size());
        const std::string note = shown->substr(noteAt, noteEnd - noteAt);
        const std::string counts =
            " " + Grouped(static_cast<std::size_t>(std::count(left.begin(), left.end(), '\n'))) +
            " ";
        const std::string bytesLeft = "(" + Grouped(left.size()) + " ";
        EXPECT_NE(note.find(counts), std::string::npos) << counts;
        EXPECT_NE(note.find(bytesLeft), std::string::npos) << bytesLeft;
        if (c.charWidth == 0) {
            EXPECT_TRUE(head.ends_with(c.lineEnd)) << "whole lines";
        } else {
            EXPECT_EQ((head.size() - 1) % c.charWidth, 0u) << "no character cut at the head";
            const std::size_t tailChars = tail.size() - (tail.ends_with("\n") ? 1 : 0);
            EXPECT_EQ(tailChars % c.charWidth, 0u) << "no character cut at the tail";
        }
    }
    // The error list's note does not promise the whole output.
    const std::string lines = Repeat("x\n", 100);
    EXPECT_EQ(CutForDisplay(lines, 50, TextCode::Utf8, false)->find("保存"), std::string::npos);
    EXPECT_NE(CutForDisplay(lines, 50, TextCode::Utf8, true)->find("保存"), std::string::npos);
}

// The cap keeps a window's text to a share of the memory that leaves most of it to the rest, but
// never so small that ordinary output is cut, nor past what an editor holds well.
TEST(DisplayCut, TheCapStaysWithinItsLimits) {
    constexpr std::size_t MiB = std::size_t{1} << 20, GiB = std::size_t{1} << 30;
    EXPECT_EQ(DisplayCap(0), GiB) << "memory unknown";
    EXPECT_EQ(DisplayCap(1), 64 * MiB) << "the least, however little is free";
    EXPECT_EQ(DisplayCap(192 * MiB - 1), 64 * MiB);
    EXPECT_EQ(DisplayCap(64 * GiB), GiB) << "the most, however much is free";
    std::size_t last = 0;
    for (std::size_t memory = 192 * MiB; memory <= 3 * GiB; memory += 96 * MiB) {
        const std::size_t cap = DisplayCap(memory);
        EXPECT_LE(cap, memory / 3) << memory;
        EXPECT_GT(cap, memory / 4) << memory;
        EXPECT_GE(cap, last) << "more memory never means a smaller cap";
        last = cap;
    }
}
