#include "encoding/Codeconv.h"

#include "Samples.h"
#include "platform/ByteStream.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const char* const kNoLibrary = "Error: NKF32.DLLがありません";

TEST(Codeconv, NamesAndOptionTexts) {
    EXPECT_EQ(CodeName(kCodeEuc), "EUC");
    EXPECT_EQ(CodeName(kCodeUtf8), "UTF-8");
    EXPECT_EQ(LineEndName(kLineEndCrLf), "CRLF");
    EXPECT_EQ(NkfOptions(kCodeEuc, kCodeSjis), "-Es");
    EXPECT_EQ(NkfOptions(kCodeUtf8, kCodeSjis), "-Ws");
    EXPECT_EQ(NkfOptions(kCodeSjis, kCodeJis), "-Sj");
}

TEST(Codeconv, LineEndRewriting) {
    std::string mixed = "a\r\nb\rc\nd\r\n\r\r\n";
    EXPECT_EQ(ConvertLineEnds(mixed, kLineEndLf), "a\nb\rc\nd\n\r\n");
    EXPECT_EQ(ConvertLineEnds(mixed, kLineEndCr), "a\rb\rc\nd\r\r\r");
    EXPECT_EQ(ConvertLineEnds(mixed, kLineEndCrLf), mixed);
    ByteStream stream(std::string("x\r\n\0y\r\n", 7));
    ConvertLineEnds(stream, kLineEndLf);
    EXPECT_EQ(stream.ToString(), std::string("x\n\0y\n", 5));
}

class WithConverter : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(NkfLoad(VEXIL_BIN_DIR)); }
    void TearDown() override {
        NkfUnload();
        EXPECT_EQ(messages.Count(), 0u);
    }
    TempDir dir;
    ScriptedMessages messages;
};

TEST_F(WithConverter, UrlEncode) {
    EXPECT_EQ(UrlEncode("a b~!\r\n", kCodeSjis, messages), "a+b%7E%21%0D%0A");
    EXPECT_EQ(UrlEncode("", kCodeSjis, messages), "");
    EXPECT_EQ(UrlEncode("AZaz09'.-*)(_", kCodeSjis, messages), "AZaz09'.-*)(_");
    EXPECT_EQ(UrlEncode("/?&=%+\"", kCodeSjis, messages), "%2F%3F%26%3D%25%2B%22");
    std::string kanji = Iconv("UTF-8", "CP932", "漢x");
    EXPECT_EQ(UrlEncode(kanji, kCodeSjis, messages), "%8A%BFx");
    EXPECT_EQ(UrlEncode(kanji, kCodeEuc, messages), "%B4%C1x");
    EXPECT_EQ(UrlEncode(std::string("a\0b", 3), kCodeSjis, messages), "a%00b");
}

TEST_F(WithConverter, SaveConvertedWritesEachCodeAndLineEnd) {
    std::string text = Iconv("UTF-8", "CP932", "漢字 ｶﾅ①\r\nline2\r\n");
    std::string error;
    ASSERT_TRUE(SaveConverted(dir.File("s.pl"), text, kCodeSjis, kLineEndCrLf, &error)) << error;
    EXPECT_EQ(dir.Read("s.pl"), text);
    ASSERT_TRUE(SaveConverted(dir.File("e.pl"), text, kCodeEuc, kLineEndLf, &error)) << error;
    EXPECT_EQ(dir.Read("e.pl"), Iconv("UTF-8", "EUC-JP-MS", "漢字 ｶﾅ①\nline2\n"));
    ASSERT_TRUE(SaveConverted(dir.File("w.pl"), text, kCodeUtf8, kLineEndCr, &error)) << error;
    EXPECT_EQ(dir.Read("w.pl"), "漢字 ｶﾅ①\rline2\r");
    ASSERT_TRUE(SaveConverted(dir.File("j.pl"), text, kCodeJis, kLineEndLf, &error)) << error;
    EXPECT_EQ(dir.Read("j.pl"), "\x1B$B4A;z\x1B(B \x1B(I6E\x1B$B-!\x1B(B\nline2\n");
    // A zero byte is written like any other.
    std::string zero("a\0b", 3);
    ASSERT_TRUE(SaveConverted(dir.File("z.pl"), zero, kCodeUtf8, kLineEndLf, &error)) << error;
    EXPECT_EQ(dir.Read("z.pl"), zero);
}

TEST_F(WithConverter, SaveConvertedTreatsTheTextAsShiftJis) {
    // Half-width katakana alone look like EUC-JP to the counting detector; the text is
    // Shift_JIS all the same and must be written as such.
    std::string kana = Iconv("UTF-8", "CP932", "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿ");
    std::string error;
    ASSERT_TRUE(SaveConverted(dir.File("k.pl"), kana, kCodeEuc, kLineEndCrLf, &error)) << error;
    EXPECT_EQ(dir.Read("k.pl"), Iconv("CP932", "EUC-JP-MS", kana));
}

TEST_F(WithConverter, SaveConvertedOverReadOnlyFileFailsAndLeavesItWhole) {
    std::string path = dir.Write("ro.pl", "original\n");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    std::string text = Iconv("UTF-8", "CP932", "新しい内容\r\n");
    // No write permission bit means read-only, for root as well.
    std::string error;
    EXPECT_FALSE(SaveConverted(path, text, kCodeEuc, kLineEndLf, &error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(path), "original\n");
    error.clear();
    EXPECT_FALSE(SaveConverted(dir.File("no/such/folder.pl"), text, kCodeSjis, 0, &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(WithConverter, RunOutputOfAnEucScript) {
    ByteStream output(Sample(kCodeEuc)), converted;
    ASSERT_TRUE(ConvertStream(output, converted, "-s", messages));
    EXPECT_EQ(converted.ToString(), Sample(kCodeSjis));
}

TEST_F(WithConverter, RoundTripOfFilesIntoShiftJis) {
    for (int code = kCodeSjis; code <= kCodeUtf8; ++code) {
        std::string text;
        CheckedConversion c = ConvertChecked(Sample(code), code, kCodeSjis, text, messages);
        EXPECT_TRUE(c.converted && c.lossless) << code;
        EXPECT_EQ(text, Sample(kCodeSjis)) << code;
    }
    std::string text;
    // An emoji has no Shift_JIS form.
    EXPECT_FALSE(
        ConvertChecked("a\xF0\x9F\x98\x80", kCodeUtf8, kCodeSjis, text, messages).lossless);
    // U+301C reads as 〜 but comes back as U+FF5E.
    EXPECT_FALSE(ConvertChecked("\xE3\x80\x9C", kCodeUtf8, kCodeSjis, text, messages).lossless);
    // A byte-order mark is no character.
    EXPECT_TRUE(ConvertChecked("\xEF\xBB\xBF漢", kCodeUtf8, kCodeSjis, text, messages).lossless);
    // A byte that is no EUC-JP.
    EXPECT_FALSE(ConvertChecked("a\xFF", kCodeEuc, kCodeSjis, text, messages).lossless);
    // JIS spelt with other shifts than ours still holds the same characters...
    std::string jis = "\x1B(Jab\x1B$@4A";
    CheckedConversion c = ConvertChecked(jis, kCodeJis, kCodeSjis, text, messages);
    EXPECT_TRUE(c.converted && c.lossless);
    // ...but 8-bit bytes in a JIS file are lost.
    EXPECT_FALSE(ConvertChecked("ab\xB1", kCodeJis, kCodeSjis, text, messages).lossless);
}

TEST_F(WithConverter, RoundTripOfTextIntoTheFileCode) {
    std::string sjis = Sample(kCodeSjis), out;
    for (int code = kCodeSjis; code <= kCodeUtf8; ++code) {
        CheckedConversion c = ConvertChecked(sjis, kCodeSjis, code, out, messages);
        EXPECT_TRUE(c.converted && c.lossless) << code;
        EXPECT_EQ(out, Sample(code)) << code;
    }
    // CP932 holds ¬ twice (0x81CA and the IBM 0xFA54); the IBM one does not come back.
    EXPECT_TRUE(ConvertChecked("\x81\xCA", kCodeSjis, kCodeEuc, out, messages).lossless);
    EXPECT_FALSE(ConvertChecked("\xFA\x54", kCodeSjis, kCodeEuc, out, messages).lossless);
    EXPECT_FALSE(ConvertChecked("\xFA\x54", kCodeSjis, kCodeJis, out, messages).lossless);
}

class WithoutConverter : public ::testing::Test {
protected:
    void SetUp() override { NkfUnload(); }
    void ExpectOneMessage() {
        ASSERT_EQ(messages.Count(), 1u);
        EXPECT_EQ(messages.Shown()[0].text, kNoLibrary);
        messages.Reset();
    }
    TempDir dir;
    ScriptedMessages messages;
};

TEST_F(WithoutConverter, FolderWithoutTheLibrary) {
    EXPECT_FALSE(NkfLoad(dir.Path()));
    EXPECT_FALSE(NkfAvailable());
    EXPECT_EQ(messages.Count(), 0u);
    // Loading from the program folder works, and a failed load afterwards drops it again.
    EXPECT_TRUE(NkfLoad(VEXIL_BIN_DIR));
    EXPECT_TRUE(NkfAvailable());
    EXPECT_FALSE(NkfLoad(dir.Path() + "/"));
    EXPECT_FALSE(NkfAvailable());
}

TEST_F(WithoutConverter, LibraryWithoutTheBoundedEntryPointCountsAsMissing) {
    EXPECT_FALSE(NkfLoad(INCOMPLETE_NKF_DIR));
    EXPECT_FALSE(NkfAvailable());
}

TEST_F(WithoutConverter, ConversionsShowTheMessage) {
    std::string out = "kept";
    EXPECT_FALSE(NkfConvertText("abc", out, "-s", messages));
    EXPECT_EQ(out, "kept");
    ExpectOneMessage();

    ByteStream source(Sample(kCodeEuc)), target("old");
    EXPECT_FALSE(ConvertStream(source, target, "-s", messages));
    EXPECT_TRUE(target.Empty());
    ExpectOneMessage();

    EXPECT_EQ(UrlEncode("a b", kCodeEuc, messages), "a+b");
    ExpectOneMessage();
    EXPECT_EQ(UrlEncode("", kCodeSjis, messages), "");
    ExpectOneMessage();

    EXPECT_FALSE(ConvertChecked("abc", kCodeEuc, kCodeSjis, out, messages).converted);
    ExpectOneMessage();
}

TEST_F(WithoutConverter, ScriptsAreStillDetectedAndWrittenUnconverted) {
    EXPECT_EQ(DetectCode(dir.Write("e.pl", Sample(kCodeEuc)), messages), kCodeEuc);
    EXPECT_EQ(DetectCode(dir.Write("j.pl", Sample(kCodeJis)), messages), kCodeJis);
    std::string text = Sample(kCodeSjis), error;
    ASSERT_TRUE(SaveConverted(dir.File("s.pl"), text, kCodeEuc, kLineEndCrLf, &error)) << error;
    EXPECT_EQ(dir.Read("s.pl"), text);
    EXPECT_EQ(messages.Count(), 0u);
}

} // namespace
