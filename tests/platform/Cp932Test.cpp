#include "platform/Cp932.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::string Utf8Of(std::uint32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | cp >> 6);
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | cp >> 12);
        s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

} // namespace

TEST(Cp932, LeadBytesAndCharacterLengths) {
    EXPECT_TRUE(IsCp932LeadByte(0x81));
    EXPECT_TRUE(IsCp932LeadByte(0x9F));
    EXPECT_TRUE(IsCp932LeadByte(0xE0));
    EXPECT_TRUE(IsCp932LeadByte(0xFC));
    EXPECT_FALSE(IsCp932LeadByte(0x80));
    EXPECT_FALSE(IsCp932LeadByte(0xA1)); // half-width katakana stand alone
    EXPECT_FALSE(IsCp932LeadByte(0xDF));
    EXPECT_FALSE(IsCp932LeadByte(0xFD));
    EXPECT_FALSE(IsCp932LeadByte('A'));

    const std::string text = "a\x93\xFA\xB1\x96"; // a 日 ｱ and a lead byte at the very end
    EXPECT_EQ(Cp932CharLength(text, 0), 1u);
    EXPECT_EQ(Cp932CharLength(text, 1), 2u);
    EXPECT_EQ(Cp932CharLength(text, 3), 1u);
    EXPECT_EQ(Cp932CharLength(text, 4), 1u); // nothing follows the lead byte
    EXPECT_EQ(Cp932CharLength(text, 5), 0u);
    EXPECT_EQ(Cp932CharLength("\x93\r", 0), 1u); // a line end is no second byte
}

TEST(Cp932, ConvertsBothWaysKeepingZeroBytesAndKatakana) {
    // 日本 ｱｲ NUL ～ and the yen-less backslash 0x5C as ASCII
    const std::string cp932("\x93\xFA\x96\x7B \xB1\xB2\0x\\\x81\x60", 12);
    const std::string utf8("\xE6\x97\xA5\xE6\x9C\xAC \xEF\xBD\xB1\xEF\xBD\xB2\0x\\\xEF\xBD\x9E",
                           19);
    Cp932Conversion up = Cp932ToUtf8(cp932);
    EXPECT_EQ(up.text, utf8);
    EXPECT_EQ(up.lost, 0u);
    Cp932Conversion down = Utf8ToCp932(utf8);
    EXPECT_EQ(down.text, cp932);
    EXPECT_EQ(down.lost, 0u);
    EXPECT_EQ(Cp932ToUtf8("").text, "");
    EXPECT_EQ(Utf8ToCp932("").lost, 0u);
}

TEST(Cp932, ReportsWhatDoesNotConvert) {
    // An emoji, the yen sign (iconv would make it a backslash: not the same text) and a
    // stray continuation byte each become the geta mark.
    Cp932Conversion down = Utf8ToCp932("a\xF0\x9F\x98\x80"
                                       "b\xC2\xA5"
                                       "c\x80");
    EXPECT_EQ(down.text, "a\x81\xAC"
                         "b\x81\xAC"
                         "c\x81\xAC");
    EXPECT_EQ(down.lost, 3u);

    // The wave dash most Linux input methods type is taken as CP932's tilde.
    EXPECT_EQ(Utf8ToCp932("\xE3\x80\x9C").text, "\x81\x60");

    // Undefined single bytes, a lead byte with nothing after it, an unassigned pair.
    Cp932Conversion up = Cp932ToUtf8("\x80"
                                     "a\xA0\xFD\x85\x40"
                                     "b\x93");
    EXPECT_EQ(up.text, "\xEF\xBF\xBD"
                       "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
                       "b\xEF\xBF\xBD");
    EXPECT_EQ(up.lost, 5u);
}

TEST(Cp932, DuplicateCodesComeBackInOneSpelling) {
    // NEC-selected and IBM extension codes share characters; the way back picks one.
    Cp932Conversion up = Cp932ToUtf8("\xED\x40");
    EXPECT_EQ(up.lost, 0u);
    EXPECT_EQ(Utf8ToCp932(up.text).text, "\xFA\x5C");
    EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8("\xFA\x5C").text).text, "\xFA\x5C");
}

TEST(Cp932, EveryCharacterConvertsToTheWidthTheWindowsCount) {
    std::size_t representable = 0, exact = 0;
    for (std::uint32_t cp = 0; cp <= 0xFFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        std::string utf8 = Utf8Of(cp);
        std::string padded = utf8 + "  ";
        int width = Cp932WidthOfUtf8(padded[0], padded[1], padded[2]);
        Cp932Conversion down = Utf8ToCp932(utf8);
        ASSERT_EQ(static_cast<int>(down.text.size()), width) << "U+" << std::hex << cp;
        if (down.lost == 0) {
            ++representable;
            // What converts comes back as itself, or as the one character CP932 spells the
            // same way (U+00A2 and U+FFE0 are both 0x8191).
            std::string back = Cp932ToUtf8(down.text).text;
            ASSERT_EQ(Utf8ToCp932(back).text, down.text) << "U+" << std::hex << cp;
            exact += back == utf8;
        }
    }
    EXPECT_GT(exact, 7000u);         // JIS X 0208 and the vendor extensions
    EXPECT_GT(representable, exact); // one-way mappings such as U+301C are taken
}

TEST(Cp932, LargeTextsConvertAcrossInternalPieces) {
    // Double-byte characters and half-width katakana at every offset around the internal
    // slice edges, which must never split a character.
    std::string cp932, utf8;
    for (int i = 0; i < 300000; ++i) {
        switch (i % 7) {
        case 0:
            cp932 += "\x82\xA0", utf8 += "\xE3\x81\x82"; // あ
            break;
        case 3:
            cp932 += "\xDF", utf8 += "\xEF\xBE\x9F"; // ﾟ
            break;
        default:
            cp932 += static_cast<char>('a' + i % 26), utf8 += static_cast<char>('a' + i % 26);
        }
        if (i % 1000 == 999)
            cp932 += "\r\n", utf8 += "\r\n";
    }
    Cp932Conversion up = Cp932ToUtf8(cp932);
    EXPECT_EQ(up.lost, 0u);
    EXPECT_TRUE(up.text == utf8);
    Cp932Conversion down = Utf8ToCp932(utf8);
    EXPECT_EQ(down.lost, 0u);
    EXPECT_TRUE(down.text == cp932);

    std::size_t pieces = 0, total = 0;
    Cp932ToUtf8Chunks(cp932, [&](std::string_view piece) {
        ++pieces;
        total += piece.size();
        // Each piece ends on a character boundary: it converts back on its own without loss.
        EXPECT_EQ(Utf8ToCp932(piece).lost, 0u);
    });
    EXPECT_GT(pieces, 1u);
    EXPECT_EQ(total, utf8.size());
}

TEST(Cp932, WidthOfUtf8TextMatchesTheConvertedLength) {
    // Every kind of character at every alignment, so the wide and the byte-wise paths both
    // meet each one, also where a range ends right after a half-width katakana.
    const std::string pieces[] = {"a",
                                  "\r\n",
                                  "\n",
                                  "\xE6\x97\xA5",
                                  "\xEF\xBD\xB1",
                                  "\xEF\xBE\x9F",
                                  "\xEF\xBD\x9E",
                                  "\xEF\xBE\xA0",
                                  "\xC2\xB1",
                                  "\xF0\x9F\x98\x80",
                                  "\xEF\xBD\xA0",
                                  "\r"};
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += pieces[(i * 7 + i / 13) % 12];
    auto expected = [&](std::size_t from, std::size_t to) {
        std::string cp932 = Utf8ToCp932(text.substr(from, to - from)).text;
        std::int64_t width = 0;
        for (char c : cp932)
            width += c != '\r' && c != '\n';
        return width;
    };
    EXPECT_EQ(Cp932WidthOfUtf8Text(text.data(), text.size(), text.size()),
              expected(0, text.size()));
    // Ranges starting and ending on character boundaries, at many offsets.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    starts.push_back(text.size());
    for (std::size_t a = 0; a < starts.size(); a += 37)
        for (std::size_t b = a; b < starts.size(); b += 29)
            ASSERT_EQ(Cp932WidthOfUtf8Text(text.data() + starts[a], starts[b] - starts[a],
                                           text.size() - starts[a]),
                      expected(starts[a], starts[b]))
                << starts[a] << ".." << starts[b];
}
