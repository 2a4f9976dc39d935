// Kregexp on the real libbregexp.so from the program folder, and on folders where it is
// missing or incomplete.

#include "regex/Kregexp.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

const std::string kHyo = "\x95\x5C"; // 表
const std::string kSo = "\x83\x5C";  // ソ
const std::string kJi = "\x8E\xA6";  // 示
const std::string kA = "\x83\x41";   // ア

bool AllGroupsEmpty() {
    for (const std::string& g : RegExpGroups)
        if (!g.empty())
            return false;
    return true;
}

class Kregexp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegExpLoad(messages_, VEXIL_BIN_DIR));
        EXPECT_EQ(messages_.Count(), 0u);
    }
    void TearDown() override { RegExpUnload(); }
    ScriptedMessages messages_;
};

TEST_F(Kregexp, MissEmptiesEveryGroup) {
    ASSERT_TRUE(RegExpMatch("abcdefghij", "(a)(b)(c)(d)(e)(f)(g)(h)(i)"));
    EXPECT_EQ(RegExpGroups[9], "i");
    EXPECT_FALSE(RegExpMatch("abc", "z"));
    EXPECT_TRUE(AllGroupsEmpty());
}

TEST_F(Kregexp, GroupsThatTouchKeepTheirWholeTexts) {
    ASSERT_TRUE(RegExpMatch("xabcdx", "(ab)(cd)"));
    EXPECT_EQ(RegExpGroups[0], "abcd");
    EXPECT_EQ(RegExpGroups[1], "ab");
    EXPECT_EQ(RegExpGroups[2], "cd");
    EXPECT_EQ(RegExpGroups[3], "");
    ASSERT_TRUE(RegExpMatch(kHyo + kSo + "1", "(.)(.)([0-9])"));
    EXPECT_EQ(RegExpGroups[1], kHyo);
    EXPECT_EQ(RegExpGroups[2], kSo);
    EXPECT_EQ(RegExpGroups[3], "1");
    // A group of the last match as the next subject or expression is read before the groups
    // are cleared.
    ASSERT_TRUE(RegExpMatch("at /w/a.pl line 12.", "at (.*) line ([0-9]+)"));
    ASSERT_TRUE(RegExpMatch(RegExpGroups[1], "/(a)\\."));
    EXPECT_EQ(RegExpGroups[1], "a");
    ASSERT_TRUE(RegExpMatch("x12y", RegExpGroups[1] = "[0-9]+"));
    EXPECT_EQ(RegExpGroups[0], "12");
}

TEST_F(Kregexp, OnlyTenGroupTextsAndUnsetGroupsAreEmpty) {
    ASSERT_TRUE(RegExpMatch("abcdefghijk", "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)"));
    EXPECT_EQ(RegExpGroups[0], "abcdefghijk");
    EXPECT_EQ(RegExpGroups[9], "i");
    ASSERT_TRUE(RegExpMatch("y", "(x)?(y)"));
    EXPECT_EQ(RegExpGroups[1], "");
    EXPECT_EQ(RegExpGroups[2], "y");
}

TEST_F(Kregexp, DotIsOneWholeDoubleByteCharacter) {
    ASSERT_TRUE(RegExpMatch(kHyo, "^.$"));
    EXPECT_EQ(RegExpGroups[0], kHyo);
    EXPECT_FALSE(RegExpMatch(kHyo, "^..$"));
    ASSERT_TRUE(RegExpMatch("a" + kSo + "b", "a(.)b"));
    EXPECT_EQ(RegExpGroups[1], kSo);
    // Half-width katakana are single bytes.
    EXPECT_TRUE(RegExpMatch("\xB1\xB2", "^..$"));
    // Japanese in the expression, next to a trail byte that is a backslash.
    ASSERT_TRUE(RegExpMatch("x" + kHyo + kJi + "y", kHyo + "(.)"));
    EXPECT_EQ(RegExpGroups[1], kJi);
}

TEST_F(Kregexp, NoMatchStartsOnASecondByte) {
    EXPECT_FALSE(RegExpMatch(kA, "A"));
    EXPECT_FALSE(RegExpMatch(kHyo + kSo, "\\\\"));
    EXPECT_FALSE(RegExpMatch(kHyo + kSo, "[@-~]"));
    ASSERT_TRUE(RegExpMatch(kA + "A", "A"));
    ASSERT_TRUE(RegExpMatch(kHyo + "\\", "(\\\\)"));
    EXPECT_EQ(RegExpGroups[1], "\\");
}

TEST_F(Kregexp, SlashAndZeroBytesNeedNoCare) {
    ASSERT_TRUE(RegExpMatch("see a/b.pl", "\\S+/(\\S+)"));
    EXPECT_EQ(RegExpGroups[1], "b.pl");
    ASSERT_TRUE(RegExpMatch("x\0 line 5."s, "line [0-9]+.?"));
    EXPECT_EQ(RegExpGroups[0], "line 5.");
}

TEST_F(Kregexp, RunawayAndInvalidExpressionsFailQuietly) {
    std::string subject = std::string(30, 'a') + "!";
    EXPECT_FALSE(RegExpMatch(subject, "^(a+)+$"));
    EXPECT_TRUE(AllGroupsEmpty());
    ASSERT_TRUE(RegExpMatch("ok 7", "([0-9])"));
    EXPECT_FALSE(RegExpMatch("abc", "(abc"));
    EXPECT_TRUE(AllGroupsEmpty());
    EXPECT_FALSE(RegExpMatch("abc", "[z-a]"));
    EXPECT_EQ(messages_.Count(), 0u);
}

TEST_F(Kregexp, UnloadSwitchesMatchingOff) {
    RegExpUnload();
    EXPECT_FALSE(RegExpLoaded());
    EXPECT_FALSE(RegExpMatch("abc", "b"));
    EXPECT_TRUE(AllGroupsEmpty());
}

TEST(KregexpLoad, MissingLibraryIsReportedOnceThenEveryMatchFailsSilently) {
    TempDir empty;
    ScriptedMessages messages;
    ASSERT_TRUE(RegExpLoad(messages, VEXIL_BIN_DIR));
    ASSERT_TRUE(RegExpMatch("abc", "(b)"));
    EXPECT_FALSE(RegExpLoad(messages, empty.Path()));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Failed to load BREGEXP.DLL"});
    EXPECT_FALSE(RegExpLoaded());
    EXPECT_TRUE(AllGroupsEmpty());
    EXPECT_FALSE(RegExpMatch("abc", "b"));
    EXPECT_FALSE(RegExpMatch("line 3.", "line [0-9]+.?"));
    EXPECT_TRUE(AllGroupsEmpty());
    EXPECT_EQ(messages.Count(), 1u);
}

TEST(KregexpLoad, BrokenOrIncompleteLibrariesNameWhatIsMissing) {
    struct Case {
        std::string folder;
        std::string message;
    };
    TempDir broken;
    broken.Write("libbregexp.so", "not a shared library");
    const Case cases[] = {
        {broken.Path(), "Failed to load BREGEXP.DLL"},
        {std::string(INCOMPLETE_LIBS_DIR) + "/version_only", "Failed to load proc."},
        {std::string(INCOMPLETE_LIBS_DIR) + "/no_regfree/", "Fail to load proc."},
    };
    for (const Case& c : cases) {
        ScriptedMessages messages;
        EXPECT_FALSE(RegExpLoad(messages, c.folder)) << c.folder;
        EXPECT_EQ(messages.Texts(), std::vector<std::string>{c.message}) << c.folder;
        EXPECT_FALSE(RegExpMatch("abc", "b")) << c.folder;
    }
}

} // namespace
