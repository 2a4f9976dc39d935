// The converter library, loaded from the program folder as the program loads it.
#include "encoding/Codeconv.h"

#include "Samples.h"
#include "nkf32/nkf32.h"
#include "platform/ByteStream.h"
#include "platform/Tdll.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

class Convert : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(NkfLoad(VEXIL_BIN_DIR)); }
    void TearDown() override {
        NkfUnload();
        EXPECT_EQ(messages.Count(), 0u);
    }
    std::string Run(const std::string& input, const std::string& options) {
        std::string out = "untouched";
        EXPECT_TRUE(NkfConvertText(input, out, options, messages)) << options;
        return out;
    }
    ScriptedMessages messages;
};

TEST_F(Convert, EveryCodeToEveryCodeMatchesIconv) {
    for (int from = kCodeSjis; from <= kCodeUtf8; ++from) {
        for (int to = kCodeSjis; to <= kCodeUtf8; ++to) {
            std::string expected;
            if (to == kCodeJis) {
                expected = kSampleJis;
            } else if (from == kCodeJis) {
                expected = Iconv("UTF-8", IconvCharset(to), kSampleUtf8);
            } else {
                expected = Iconv(IconvCharset(from), IconvCharset(to), Sample(from));
            }
            EXPECT_EQ(Run(Sample(from), NkfOptions(from, to)), expected) << NkfOptions(from, to);
        }
    }
}

TEST_F(Convert, JisOfPlainJisX0208TextIsWhatIconvWrites) {
    std::string text = "Perl の正規表現\r\nテスト: 漢字かな交じり文。end";
    EXPECT_EQ(Run(Iconv("UTF-8", "CP932", text), "-Sj"), Iconv("UTF-8", "ISO-2022-JP", text));
    EXPECT_EQ(Run(Iconv("UTF-8", "ISO-2022-JP", text), "-Jw"), text);
}

TEST_F(Convert, JisReadsOtherShiftsToo) {
    // JIS-Roman, the 1978 kanji set, 7-bit kana with SO/SI, and no final shift back.
    std::string jis = "\x1B(Jab\x1B$@4A\x1B(Bc\x0E\x36\x0F"
                      "d\x1B$B;z";
    EXPECT_EQ(Run(jis, "-Jw"), "ab漢cｶd字");
}

TEST_F(Convert, SourceIsGuessedWhenNotNamed) {
    std::string sjis = Sample(kCodeSjis);
    for (int from : {kCodeEuc, kCodeJis, kCodeUtf8, kCodeSjis})
        EXPECT_EQ(Run(Sample(from), "-s"), sjis) << from;
    EXPECT_EQ(Run(sjis, "-w"), kSampleUtf8);
    EXPECT_EQ(Run(sjis, "-e"), Sample(kCodeEuc));
    // Evidence past the first 1000 bytes counts: run output may start with plain ASCII.
    std::string ascii(200000, 'a');
    EXPECT_EQ(Run(ascii + Sample(kCodeEuc), "-s"), ascii + sjis);
    EXPECT_EQ(Run(ascii + kSampleUtf8, "-s"), ascii + sjis);
    EXPECT_EQ(Run(ascii + kSampleJis, "-s"), ascii + sjis);
    // A long UTF-8 text is judged on a window whose edge may cut a character.
    std::string utf8;
    for (int i = 0; i < 30000; ++i)
        utf8 += "漢";
    EXPECT_EQ(Run(utf8, "-s"), Iconv("UTF-8", "CP932", utf8));
}

TEST_F(Convert, HalfWidthKatakanaToUtf8OutgrowsTwiceTheInput) {
    std::string kana;
    for (int i = 0; i < 3000; ++i)
        kana += static_cast<char>(0xB1 + i % 40); // ｱ to ﾘ
    std::string expected = Iconv("CP932", "UTF-8", kana);
    ASSERT_EQ(expected.size(), 3 * kana.size());
    EXPECT_EQ(Run(kana, "-Sw"), expected);

    ByteStream source(kana), target;
    ASSERT_TRUE(ConvertStream(source, target, "-Sw", messages));
    EXPECT_EQ(target.ToString(), expected);
    EXPECT_EQ(target.Position(), 0u);
}

TEST_F(Convert, ZeroBytesAreData) {
    std::string euc = Iconv("UTF-8", "EUC-JP-MS", std::string("前\0後\n", 8));
    ASSERT_EQ(euc.size(), 6u);
    ByteStream source(euc), target("old content");
    ASSERT_TRUE(ConvertStream(source, target, NkfOptions(kCodeEuc, kCodeSjis), messages));
    EXPECT_EQ(target.ToString(), Iconv("EUC-JP-MS", "CP932", euc));
    EXPECT_EQ(target.Size(), 6u);
    EXPECT_EQ(Run(std::string("a\0b", 3), "-Sw"), std::string("a\0b", 3));
}

TEST_F(Convert, WhatCannotBeConvertedBecomesAMarkNeverNothing) {
    // An emoji has no Shift_JIS, EUC-JP or JIS form.
    std::string emoji = "a\xF0\x9F\x98\x80"
                        "b";
    EXPECT_EQ(Run(emoji, "-Ws"), Iconv("UTF-8", "CP932", "a〓b"));
    EXPECT_EQ(Run(emoji, "-We"), Iconv("UTF-8", "EUC-JP-MS", "a〓b"));
    EXPECT_EQ(Run(emoji, "-Wj"), "a\x1B$B\".\x1B(Bb");
    // Bytes that start no character: 0x80 and 0xFD are unused in CP932, and 0x81 0x20 is a
    // lead byte without its trail (the blank survives).
    EXPECT_EQ(Run("x\x80y\xFDz\x81 !", "-Sw"), "x?y?z? !");
    EXPECT_EQ(Run("x\xFFy", "-Es"), Iconv("UTF-8", "CP932", "x〓y"));
    // A JIS X 0212 kanji of EUC-JP that CP932 lacks.
    EXPECT_EQ(Run("\x8F\xB0\xA1z", "-Es"), Iconv("UTF-8", "CP932", "〓z"));
    // A UTF-8 sequence cut short by the end.
    EXPECT_EQ(Run("ok\xE3\x81", "-Ws"), Iconv("UTF-8", "CP932", "ok〓〓"));
}

TEST_F(Convert, Utf8ByteOrderMarkIsDropped) {
    EXPECT_EQ(Run("\xEF\xBB\xBF漢字", "-Ws"), Iconv("UTF-8", "CP932", "漢字"));
    EXPECT_EQ(Run("\xEF\xBB\xBF漢字", "-s"), Iconv("UTF-8", "CP932", "漢字"));
}

TEST_F(Convert, SameCodeIsCopiedUnchanged) {
    std::string odd = "\x80\xFF\x81 raw";
    EXPECT_EQ(Run(odd, "-Ss"), odd);
    EXPECT_EQ(Run(Sample(kCodeEuc), "-Ee"), Sample(kCodeEuc));
}

// The entry points themselves, as other programs would call them.
class Library : public ::testing::Test {
protected:
    TDll dll{std::string(VEXIL_BIN_DIR) + "/" + kNkfLibraryName};
    SetNkfOptionProc setOption = dll.Proc<SetNkfOptionProc>("SetNkfOption");
    NkfConvertProc convert = dll.Proc<NkfConvertProc>("NkfConvert");
    NkfConvertSafeProc convertSafe = dll.Proc<NkfConvertSafeProc>("NkfConvertSafe");
};

TEST_F(Library, TooSmallTellsTheSizeNeededAndARetryFits) {
    ASSERT_TRUE(setOption && convert && convertSafe);
    ASSERT_EQ(setOption("-Sw"), NKF_OK);
    std::string in = Sample(kCodeSjis), expected = kSampleUtf8;
    std::string out(in.size(), '\0');
    size_t written = 0;
    EXPECT_EQ(convertSafe(out.data(), out.size(), &written, in.data(), in.size()), NKF_TOO_SMALL);
    EXPECT_EQ(written, expected.size());
    EXPECT_EQ(convertSafe(nullptr, 0, &written, in.data(), in.size()), NKF_TOO_SMALL);
    EXPECT_EQ(written, expected.size());
    out.assign(written, '\0');
    EXPECT_EQ(convertSafe(out.data(), out.size(), &written, in.data(), in.size()), NKF_OK);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(convertSafe(out.data(), out.size(), &written, nullptr, 0), NKF_OK);
    EXPECT_EQ(written, 0u);
}

TEST_F(Library, ReplacementsAreReported) {
    ASSERT_TRUE(setOption && convertSafe);
    ASSERT_EQ(setOption("-Ws"), NKF_OK);
    char out[16];
    size_t written = 0;
    EXPECT_EQ(convertSafe(out, sizeof out, &written, "a\xF0\x9F\x98\x80", 5), NKF_REPLACED);
    EXPECT_EQ(std::string(out, written), "a\x81\xAC");
    // JIS cannot carry ESC, SO or SI as text: a reader would take them for shifts.
    ASSERT_EQ(setOption("-Sj"), NKF_OK);
    char big[64];
    EXPECT_EQ(convertSafe(big, sizeof big, &written, "a\x1B$B\x0Ez", 6), NKF_REPLACED);
    EXPECT_EQ(std::string(big, written), "a\x1B$B\".\x1B(B$B\x1B$B\".\x1B(Bz");
}

TEST_F(Library, OptionTexts) {
    ASSERT_TRUE(setOption && convertSafe);
    for (const char* good : {"-Es", "-s", "-w", "-J -e", "-sW"})
        EXPECT_EQ(setOption(good), NKF_OK) << good;
    for (const char* bad : {"", "-", "-E", "Es", "-Ex", "-Es x"})
        EXPECT_EQ(setOption(bad), NKF_BAD_OPTION) << bad;
    EXPECT_EQ(setOption(nullptr), NKF_BAD_OPTION);
    char out[8];
    size_t written = 99;
    EXPECT_EQ(convertSafe(out, sizeof out, &written, "abc", 3), NKF_BAD_OPTION);
    EXPECT_EQ(written, 0u);
}

TEST_F(Library, ZeroEndedForm) {
    ASSERT_TRUE(setOption && convert);
    ASSERT_EQ(setOption("-Es"), NKF_OK);
    std::string in = Sample(kCodeEuc), expected = Sample(kCodeSjis);
    std::string out(in.size() * 2 + 1, 'x');
    convert(out.data(), in.c_str());
    EXPECT_EQ(std::string(out.c_str()), expected);
}

} // namespace
