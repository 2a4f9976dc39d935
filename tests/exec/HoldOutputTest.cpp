#include "encoding/Codeconv.h"
#include "exec/Exec.h"
#include "platform/ByteStream.h"
#include "support/Resident.h"
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

// The last look for terminal controls reads a capture in parts, as the judgement does: a control
// anywhere counts, a CR LF never reads as a lone CR where a part ends, and the pages read leave
// memory behind the reading.
TEST(ShowsTerminalControls, FindsAControlInAnyPartAndNoneInACrLfWhereAPartEnds) {
    TempDir dir;
    // A CR LF whose CR is the last byte of the first 16 MiB, where a part would end if parts
    // were cut by size alone.
    const std::size_t part = std::size_t{16} << 20;
    std::string straddling(part - 1, 'a');
    for (std::size_t i = 99; i < straddling.size(); i += 100)
        straddling[i] = '\n';
    straddling += "\r\n" + std::string(1000, 'b') + "\n";
    const struct {
        std::string text;
        bool controls;
    } cases[] = {
        {Output("", "", ""), false},
        {straddling, false},
        {Output("", "", "\x1b[31mred\x1b[0m\n"), true},
        {Output("", "\a", ""), true},
        {Output("", "", "100%\r"), true},
        {Output("", "50%\r", ""), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.controls);
        ByteStream output;
        output.SpillAbove(1 << 20, dir.Path());
        output.Append(c.text);
        ASSERT_TRUE(output.Spilled());
        output.ForgetPages(0, output.Size());
        const long before = ResidentKb();
        EXPECT_EQ(ShowsTerminalControls(output), c.controls);
        EXPECT_LT(ResidentKb() - before, 20000) << "the capture stayed in memory";
        EXPECT_TRUE(output.View().substr(0, 100) == c.text.substr(0, 100));
    }
}
