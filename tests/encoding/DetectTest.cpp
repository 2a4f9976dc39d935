#include "encoding/Codeconv.h"

#include "Samples.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class Detect : public ::testing::Test {
protected:
    int Code(const std::string& bytes) { return DetectCode(dir.Write("f.txt", bytes), messages); }
    int LineEnd(const std::string& bytes) {
        return DetectLineEnd(dir.Write("f.txt", bytes), messages);
    }
    void TearDown() override { EXPECT_EQ(messages.Count(), 0u); }

    TempDir dir;
    ScriptedMessages messages;
};

TEST_F(Detect, ShortFilesAreShiftJisUnlessWellFormedUtf8) {
    EXPECT_EQ(Code(""), kCodeSjis);
    EXPECT_EQ(Code("\xA4"), kCodeSjis);
    EXPECT_EQ(Code("\xA4\xA2"), kCodeSjis);     // EUC-JP あ, but too short to count
    EXPECT_EQ(Code("\x82\xA0"), kCodeSjis);     // Shift_JIS あ
    EXPECT_EQ(Code("\xA4\xA2\n"), kCodeEuc);    // three bytes: one pair is counted
    EXPECT_EQ(Code("\xE3\x81\x82"), kCodeUtf8); // UTF-8 あ
    EXPECT_EQ(Code("\xC3\xA9"), kCodeUtf8);     // UTF-8 é: two bytes are enough for UTF-8
    EXPECT_EQ(Code("abc"), kCodeSjis);
}

TEST_F(Detect, SampleTextInEachCode) {
    EXPECT_EQ(Code(Sample(kCodeSjis)), kCodeSjis);
    EXPECT_EQ(Code(Sample(kCodeEuc)), kCodeEuc);
    EXPECT_EQ(Code(Sample(kCodeJis)), kCodeJis);
    EXPECT_EQ(Code(Sample(kCodeUtf8)), kCodeUtf8);
}

TEST_F(Detect, JisEscapeAfterTopBitByteIsSteppedOver) {
    std::string jis = "\x1B$B$\"\x1B(B";
    EXPECT_EQ(Code("A" + jis), kCodeJis);
    EXPECT_EQ(Code("ab\x1B$B"), kCodeJis); // the escape may end the file
    // 0x82 and the ESC form one Shift_JIS pair, so the escape sequence is never seen.
    EXPECT_EQ(Code("\x82" + jis), kCodeSjis);
    // A later escape sequence still counts.
    EXPECT_EQ(Code("\x82" + jis + "x" + jis), kCodeJis);
}

TEST_F(Detect, OnlyTheFirstThousandBytesCount) {
    // A long ASCII header hides nothing: the window starts where the text stops being ASCII.
    std::string ascii(5000, 'a');
    EXPECT_EQ(Code(ascii + Sample(kCodeEuc)), kCodeEuc);
    EXPECT_EQ(Code(ascii + Sample(kCodeUtf8)), kCodeUtf8);
    EXPECT_EQ(Code(ascii + kSampleJis), kCodeJis);
    EXPECT_EQ(Code(ascii), kCodeSjis);
    EXPECT_EQ(Code(Sample(kCodeEuc) + std::string(1000, 'a') + Sample(kCodeUtf8)), kCodeEuc);
    // Well-formed UTF-8 up to byte 1000 is UTF-8, whatever follows.
    std::string utf8 = "漢字" + std::string(994, 'a');
    ASSERT_EQ(utf8.size(), 1000u);
    EXPECT_EQ(Code(utf8 + "\xFF\xFE garbage"), kCodeUtf8);
}

TEST_F(Detect, Utf8SequenceCutAtByteThousand) {
    // あ (E3 81 82) starts at byte 998, so the edge cuts it after two bytes.
    std::string text = "漢字" + std::string(992, 'a') + "あい";
    ASSERT_EQ(text.substr(998, 3), "あ");
    EXPECT_EQ(Code(text), kCodeUtf8);
    // The same 1000 bytes as a whole file end in a broken sequence: not UTF-8.
    EXPECT_NE(Code(text.substr(0, 1000)), kCodeUtf8);
    // A cut that could never become well-formed is no excuse.
    std::string bad = "漢字" + std::string(992, 'a') + std::string("\xE3\x41") + "xyz";
    EXPECT_NE(Code(bad), kCodeUtf8);
}

TEST_F(Detect, BrokenOrOverlongUtf8IsNotUtf8) {
    EXPECT_NE(Code("abc \xC0\xAF def"), kCodeUtf8);       // overlong '/'
    EXPECT_NE(Code("abc \xED\xA0\x80 def"), kCodeUtf8);   // surrogate
    EXPECT_NE(Code("abc \xE3\x81\x82\x82 d"), kCodeUtf8); // stray continuation byte
}

TEST_F(Detect, LineEnds) {
    EXPECT_EQ(LineEnd(""), kLineEndCrLf);
    EXPECT_EQ(LineEnd("one line\n"), kLineEndLf); // the last byte counts
    EXPECT_EQ(LineEnd("one line\r"), kLineEndCr);
    EXPECT_EQ(LineEnd("one line\r\n"), kLineEndCrLf);
    EXPECT_EQ(LineEnd("a\nb\n"), kLineEndLf);
    EXPECT_EQ(LineEnd("a\r\nb\r\n"), kLineEndCrLf);
    EXPECT_EQ(LineEnd("a\rb\rc"), kLineEndCr);
    std::string tenPairsThreeCrs;
    for (int i = 0; i < 10; ++i)
        tenPairsThreeCrs += "x\r\n";
    tenPairsThreeCrs += "y\rz\rw\r.";
    EXPECT_EQ(LineEnd(tenPairsThreeCrs), kLineEndCr);
    // More LFs than pairs, but more lone CRs than LFs: the CR test comes last and wins.
    EXPECT_EQ(LineEnd("a\nb\rc\rd"), kLineEndCr);
    // Only the first 1000 bytes; a CR at their end may be half of a pair and counts for nothing.
    EXPECT_EQ(LineEnd(std::string(1000, 'a') + "\n\n\n\n"), kLineEndCrLf);
    EXPECT_EQ(LineEnd(std::string(999, 'a') + "\n\n\n\n"), kLineEndLf);
    EXPECT_EQ(LineEnd(std::string(999, 'a') + "\r\n"), kLineEndCrLf);
}

TEST_F(Detect, UnreadableFileCountsAsEmpty) {
    std::string missing = dir.File("missing.pl");
    EXPECT_EQ(DetectCode(missing, messages), kCodeSjis);
    EXPECT_EQ(DetectLineEnd(missing, messages), kLineEndCrLf);
    EXPECT_EQ(FileSizeOf(missing, messages), 0u);
    EXPECT_EQ(FileSizeOf(dir.Path(), messages), 0u);
}

TEST_F(Detect, FileSizeOf) {
    EXPECT_EQ(FileSizeOf(dir.Write("s.txt", std::string(1234, 'x')), messages), 1234u);
}

TEST_F(Detect, FilesOfFourGibibytesWarnAndUseTheLowerBits) {
    // A sparse file: nothing but its size takes room.
    std::string path = dir.Write("huge.txt", "");
    int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    bool sized = ::ftruncate(fd, (off_t{1} << 32) + 5) == 0;
    ::close(fd);
    if (!sized)
        GTEST_SKIP() << "this file system cannot hold a sparse 4 GiB file";
    EXPECT_EQ(FileSizeOf(path, messages), 5u);
    EXPECT_EQ(DetectLineEnd(path, messages), kLineEndCrLf);
    EXPECT_EQ(DetectCode(path, messages), kCodeSjis);
    ASSERT_EQ(messages.Count(), 3u);
    for (const ShownMessage& m : messages.Shown())
        EXPECT_EQ(m.text, "Too Large File Size");
    messages.Reset();
}

} // namespace
