#include "exec/LiveText.h"
#include "encoding/Codeconv.h"

#include <gtest/gtest.h>

namespace {

// Feeds text to a LiveText as a capture would receive it, cut after every `step` bytes, and
// answers the pieces it gave.
struct Shown {
    std::string bytes;
    TextCode code;
};

std::vector<Shown> Feed(LiveText& live, const std::string& text, std::size_t step) {
    std::vector<Shown> pieces;
    for (std::size_t end = 0; end <= text.size(); end += step) {
        // Moved once more, as a caller may: what it shows must not depend on where it lives.
        LiveText::Piece piece = live.Next(std::string_view(text).substr(0, end));
        const LiveText::Piece moved = std::move(piece);
        if (!moved.Text().empty())
            pieces.push_back({std::string(moved.Text()), moved.code});
        if (end < text.size() && end + step > text.size())
            end = text.size() - step;
    }
    return pieces;
}

std::string Joined(const std::vector<Shown>& pieces) {
    std::string text;
    for (const auto& p : pieces)
        text += p.bytes;
    return text;
}

} // namespace

// Whatever the chunk edges, no piece ends inside a character or (for the error list) inside a
// line, the pieces add up to the text, and Holds says whether the shown text is the final one.
TEST(LiveText, PiecesNeverCutACharacterAndAddUpToTheText) {
    const std::string utf8 = "ascii first\n日本語 café 😀\nmore\n";
    const std::string sjis = "ascii\n\x93\xfa\x96\x7b\x8c\xea\x95\x5c\n\x83\x41x\n";
    const auto upper = [](std::string_view lines) { return "<" + std::string(lines) + ">"; };
    const struct {
        const char* what;
        std::string text;
        int scriptCode;
        bool wholeLines;
        TextCode code;
        bool holds;
    } cases[] = {
        {"UTF-8 output of a Shift_JIS script", utf8, kCodeSjis, false, TextCode::Utf8, true},
        {"Shift_JIS output of a Shift_JIS script", sjis, kCodeSjis, false, TextCode::Cp932, true},
        {"error lines", utf8, kCodeUtf8, true, TextCode::Utf8, true},
        {"EUC-JP script: converted a line at a time", sjis, kCodeEuc, false, TextCode::Cp932,
         false},
    };
    for (const auto& c : cases) {
        for (std::size_t step = 1; step <= 7; ++step) {
            SCOPED_TRACE(std::string(c.what) + ", step " + std::to_string(step));
            LiveText live(c.scriptCode, c.wholeLines, upper);
            const auto pieces = Feed(live, c.text, step);
            for (const auto& p : pieces) {
                if (c.wholeLines)
                    EXPECT_TRUE(p.bytes.ends_with('\n')) << p.bytes;
                else if (p.bytes.starts_with("<"))
                    EXPECT_TRUE(p.bytes.ends_with("\n>")) << "converted whole lines only";
                else if (c.code == TextCode::Utf8)
                    EXPECT_EQ(JudgeOutput(p.bytes) == OutputKind::Other, false) << p.bytes;
                else
                    EXPECT_EQ(Cp932ToUtf8(p.bytes).lost, 0u) << p.bytes;
            }
            if (c.scriptCode == kCodeEuc) {
                EXPECT_NE(Joined(pieces).find("<\x93\xfa"), std::string::npos);
            } else {
                EXPECT_EQ(Joined(pieces), c.text);
            }
            EXPECT_EQ(pieces.back().code, c.code);
            EXPECT_EQ(live.Holds(c.text, c.code), c.holds);
            EXPECT_FALSE(live.Holds(c.text + "x", c.code)) << "more came than was shown";
        }
    }
    // Shown as UTF-8, judged Shift_JIS at the end: the final text must replace it.
    LiveText live(kCodeSjis, false, upper);
    Feed(live, utf8, 3);
    EXPECT_FALSE(live.Holds(utf8, TextCode::Cp932));
    live.Abandon();
    EXPECT_FALSE(live.Holds(utf8, TextCode::Utf8)) << "the window stopped taking text";
}
