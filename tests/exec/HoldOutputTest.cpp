#include "encoding/Codeconv.h"
#include "exec/Exec.h"
#include "platform/ByteStream.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// Output of many parts' size (the judgement reads it a part at a time) with text put at its
// start, in its middle (20 MB in, a part of its own) and at its end.
std::string Output(const std::string& head, const std::string& middle, const std::string& tail) {
    std::string text = head;
    const std::string line = std::string(99, 'a') + "\n";
    for (int i = 0; i < 400000; ++i)
        text += i == 200000 ? middle + line : line;
    return text + tail;
}

} // namespace

// Every part counts towards one judgement of the whole output: a sign in the last part decides
// as much as one in the first.
TEST(HoldOutput, JudgesTheWholeCaptureAcrossItsParts) {
    TempDir dir;
    const std::string utf8 = "\xe6\x97\xa5\xe6\x9c\xac\n", sjis = "\x93\xfa\x96\x7b\n";
    const std::string latin = "caf\xe9\n";
    const struct {
        std::string head, middle, tail;
        int scriptCode;
        TextCode code;
    } cases[] = {
        {"", "", "", kCodeSjis, TextCode::Cp932},
        {"", "", "", kCodeUtf8, TextCode::Utf8},
        {"", "", utf8, kCodeSjis, TextCode::Utf8},
        {"", utf8, "", kCodeSjis, TextCode::Utf8},
        {utf8, sjis, "", kCodeSjis, TextCode::Cp932},
        {utf8, "", sjis, kCodeSjis, TextCode::Cp932},
        {utf8, "", latin + latin + latin, kCodeSjis, TextCode::Cp932},
        {utf8 + utf8, latin, "", kCodeSjis, TextCode::Utf8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.head + " ... " + c.middle + " ... " + c.tail);
        const std::string text = Output(c.head, c.middle, c.tail);
        // In a file, as a large capture is: its pages leave memory as it is read, not its bytes.
        ByteStream output;
        output.SpillAbove(1 << 20, dir.Path());
        output.Append(text);
        ASSERT_TRUE(output.Spilled());
        ScriptedMessages messages;
        EXPECT_EQ(HoldOutput(output, c.scriptCode, messages), c.code);
        EXPECT_TRUE(output.View() == text);
    }
}
