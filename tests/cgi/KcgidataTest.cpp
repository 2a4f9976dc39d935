#include "cgi/Kcgidata.h"
#include "encoding/Codeconv.h"
#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

namespace {

// The block's entries in order, each without its zero byte; checks the block's form.
std::vector<std::string> Entries(const std::string& block) {
    EXPECT_GE(block.size(), 2u);
    EXPECT_EQ(block.substr(block.size() - 2), std::string(2, '\0'));
    std::vector<std::string> entries;
    size_t p = 0;
    while (p < block.size() - 1) {
        size_t end = block.find('\0', p);
        entries.push_back(block.substr(p, end - p));
        p = end + 1;
    }
    return entries;
}

struct Recorder {
    int calls = 0;
    std::optional<std::string> block;
    std::optional<std::string> input;
    void SetEnvironment(std::optional<std::string> b) {
        ++calls;
        block = std::move(b);
    }
    void SetInput(std::string bytes) { input = std::move(bytes); }
};

class Cgi : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(NkfLoad(VEXIL_BIN_DIR)); }
    ScriptedMessages messages;
    KCgiData data{messages};
};

} // namespace

TEST_F(Cgi, TheDescribedRequestBecomesExactlyThisBlock) {
    data.Env.Set({"PATH", "/bin"});
    data.Env.Set({"TZ", "JST-9"});
    data.Form.Set({KFormData::Text, "a b", "x&y"});
    data.Form.Set({KFormData::CheckBox, "c", "on"});
    data.Form.Set({KFormData::CheckBox, "unticked", ""});
    data.Cookie.Set({"id", "7", "tomorrow", "example.jp", "/", true});
    Recorder runner;
    data.BuildEnvironment(runner);
    ASSERT_EQ(runner.calls, 1);
    ASSERT_TRUE(runner.block);
    EXPECT_FALSE(runner.input) << "a GET sends nothing on standard input";
    EXPECT_EQ(
        Entries(*runner.block),
        (std::vector<std::string>{"PATH=/bin", "TZ=JST-9", "HTTP_COOKIE=id=7", "REQUEST_METHOD=GET",
                                  "QUERY_STRING=a+b=x%26y&c=on&unticked="}));

    data.Cookie.Set({"sid", "a;b", "", "", "", false});
    EXPECT_EQ(data.CookieString(), "id=7; sid=a%3Bb");
    data.Method = KCgiData::Post;
    Recorder post;
    data.BuildEnvironment(post);
    auto entries = Entries(*post.block);
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[3], "REQUEST_METHOD=POST");
    EXPECT_EQ(entries[4], "CONTENT_TYPE=application/x-www-form-urlencoded");
    EXPECT_EQ(entries[5], "CONTENT_LENGTH=" + std::to_string(data.QueryString().size()));
    EXPECT_EQ(post.input, data.QueryString());
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(Cgi, NoEntriesHandsNoBlockAndOneEntryStillGetsTheGeneratedOnes) {
    Recorder runner;
    data.BuildEnvironment(runner);
    EXPECT_EQ(runner.calls, 1);
    EXPECT_FALSE(runner.block) << "no entries means the child inherits, not an empty block";

    data.Env.Set({"QUERY_STRING", "mine"});
    EXPECT_EQ(Entries(*data.EnvironmentBlock()),
              (std::vector<std::string>{"QUERY_STRING=mine", "HTTP_COOKIE=", "REQUEST_METHOD=GET",
                                        "QUERY_STRING="}));
}

TEST_F(Cgi, SetFindsNamesWithoutRegardToCaseButWithTheirBlanks) {
    EXPECT_EQ(data.Env.Set({"PATH", "/bin"}), std::make_pair(0, true));
    EXPECT_EQ(data.Env.Set({"HOME", "/root"}), std::make_pair(1, true));
    EXPECT_EQ(data.Env.Set({"path", "/usr/bin"}), std::make_pair(0, false));
    EXPECT_EQ(data.Env[0].Name, "path") << "the name as typed now replaces the old one";
    EXPECT_EQ(data.Env[0].Value, "/usr/bin");
    EXPECT_EQ(data.Env.Set({"PATH ", "x"}), std::make_pair(2, true));
    EXPECT_EQ(data.Env.Find("Path "), 2);
    EXPECT_EQ(data.Env.Find("nothing"), -1);
    data.Env.Remove(0);
    EXPECT_EQ(data.Env.Count(), 2);
    EXPECT_EQ(data.Env[0].Name, "HOME");
    EXPECT_EQ(data.Env.Find("path "), 1);
    data.Env.Remove(7); // out of range: nothing happens
    EXPECT_EQ(data.Env.Count(), 2);
}

TEST_F(Cgi, FormCodeOneSendsEucJpButEnvironmentEntriesStayAsTyped) {
    const std::string kanji = "\x8a\xbf"; // 漢 in CP932, B4C1 in EUC-JP
    data.Env.Set({"NAME", kanji});
    data.Form.Set({KFormData::TextArea, kanji, "a\r\nb"});
    EXPECT_EQ(data.QueryString(), "%8A%BF=a%0D%0Ab");
    data.FormCode = 1;
    EXPECT_EQ(data.QueryString(), "%B4%C1=a%0D%0Ab");
    EXPECT_EQ(Entries(*data.EnvironmentBlock())[0], "NAME=" + kanji);
    EXPECT_STREQ(FormTypeName(data.Form[0].Type), "TEXTAREA");
}
