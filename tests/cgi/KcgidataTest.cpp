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

TEST_F(Cgi, SetFindsNamesWithTheirBlanksAndEnvironmentNamesWithTheirCase) {
    // Form fields and cookies fold A to Z; environment variables keep their case, as on Linux.
    EXPECT_EQ(data.Form.Set({KFormData::Text, "Name", "1"}), std::make_pair(0, true));
    EXPECT_EQ(data.Form.Set({KFormData::Text, "mail", "2"}), std::make_pair(1, true));
    EXPECT_EQ(data.Form.Set({KFormData::Text, "NAME", "3"}), std::make_pair(0, false));
    EXPECT_EQ(data.Form[0].Name, "NAME") << "the name as typed now replaces the old one";
    EXPECT_EQ(data.Form[0].Value, "3");
    EXPECT_EQ(data.Form.Set({KFormData::Text, "NAME ", "x"}), std::make_pair(2, true));
    EXPECT_EQ(data.Form.Find("name "), 2);
    EXPECT_EQ(data.Form.Find("nothing"), -1);
    data.Form.Remove(0);
    EXPECT_EQ(data.Form.Count(), 2);
    EXPECT_EQ(data.Form[0].Name, "mail");
    EXPECT_EQ(data.Form.Find("Name "), 1);
    data.Form.Remove(7); // out of range: nothing happens
    EXPECT_EQ(data.Form.Count(), 2);

    EXPECT_EQ(data.Env.Set({"PATH", "/bin"}), std::make_pair(0, true));
    EXPECT_EQ(data.Env.Set({"path", "/usr/bin"}), std::make_pair(1, true));
    EXPECT_EQ(data.Env.Set({"PATH", "/sbin"}), std::make_pair(0, false));
    EXPECT_EQ(Entries(*data.EnvironmentBlock())[0], "PATH=/sbin");
    EXPECT_EQ(Entries(*data.EnvironmentBlock())[1], "path=/usr/bin");
    EXPECT_EQ(data.Cookie.Set({"ID", "1", "", "", "", false}), std::make_pair(0, true));
    EXPECT_EQ(data.Cookie.Find("id"), 0);
}

// Two names of multi-byte characters are the same name only when they are the same bytes: no
// byte of one folds. (Held as Shift_JIS, ア 83 41 and ヂ 83 61 would differ only in a byte that
// A-Z folds.) Full-width letters are not single-byte letters.
TEST_F(Cgi, MultiByteNamesNeverMergeAndOnlyAsciiLettersFold) {
    struct Row {
        const char* a;
        const char* b;
        bool sameForm; // form and cookie lists
        bool sameEnv;
    };
    const Row rows[] = {
        {"ア", "ヂ", false, false}, {"名前", "名双", false, false}, {"Ａ", "ａ", false, false},
        {"É", "é", false, false},   {"aア", "Aア", true, false},    {"q", "Q", true, false},
    };
    for (const Row& r : rows) {
        KCgiData fresh(messages);
        fresh.Form.Set({KFormData::Text, r.a, "1"});
        fresh.Form.Set({KFormData::Text, r.b, "2"});
        fresh.Cookie.Set({r.a, "1", "", "", "", false});
        fresh.Cookie.Set({r.b, "2", "", "", "", false});
        fresh.Env.Set({r.a, "1"});
        fresh.Env.Set({r.b, "2"});
        EXPECT_EQ(fresh.Form.Count(), r.sameForm ? 1 : 2) << r.a << " " << r.b;
        EXPECT_EQ(fresh.Cookie.Count(), r.sameForm ? 1 : 2) << r.a << " " << r.b;
        EXPECT_EQ(fresh.Env.Count(), r.sameEnv ? 1 : 2) << r.a << " " << r.b;
        EXPECT_EQ(fresh.Form[0].Value, r.sameForm ? "2" : "1") << r.a;
    }
}

// One request in each code: what the script gets for every kind of entry, and what a code
// cannot hold. The expected bytes are those of the code's own tables (漢 is 8A BF in
// Shift_JIS, B4 C1 in EUC-JP, E6 BC A2 in UTF-8; half-width ｱ is B1, and 8E B1 in EUC-JP).
TEST_F(Cgi, EachCodeSendsNamesValuesAndCookiesInItsBytesAndNamesWhatItCannotHold) {
    struct Row {
        int code;
        std::string text;
        std::string encoded; // the text percent-encoded in the code, when it holds it
        std::string env;     // the environment entry's value bytes
        std::string unheld;  // the character named when the code cannot hold the text
    };
    const Row rows[] = {
        {kFormUtf8, "漢ｱ é😀", "%E6%BC%A2%EF%BD%B1+%C3%A9%F0%9F%98%80", "漢ｱ é😀", ""},
        {kFormSjis, "漢ｱ x", "%8A%BF%B1+x", "\x8a\xbf\xb1 x", ""},
        {kFormEuc, "漢ｱ x", "%B4%C1%8E%B1+x", "\x8a\xbf\xb1 x", ""},
        {kFormSjis, "caf\xc3\xa9", "", "", "é"},
        {kFormEuc, "1 €", "", "", "€"},
        {kFormSjis, "😀", "", "", "😀"},
        {kFormSjis, "¥", "", "", "¥"}, // would reach the script as a backslash
        {kFormSjis, "a\xff", "", "", "\xEF\xBF\xBD"},
        {kFormUtf8, "a\xff", "a%FF", "a\xff", ""}, // UTF-8 sends the bytes as they are
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text + " in " + FormCodeName(r.code));
        KCgiData request(messages);
        request.FormCode = r.code;
        request.Env.Set({"V", r.text});
        request.Form.Set({KFormData::Text, r.text, r.text});
        request.Form.Set({KFormData::TextArea, "area", r.text + "\r\n" + r.text});
        request.Form.Set({KFormData::CheckBox, "c", "on"});
        request.Cookie.Set({"k", r.text, "", "", "", true});
        const std::string fault = request.FirstFault(r.code);
        if (!r.unheld.empty()) {
            EXPECT_EQ(fault, "環境変数「V」の値にある「" + r.unheld + "」は、文字コード" +
                                 FormCodeName(r.code) + "で表せません。");
            const std::string tail = "にある「" + r.unheld + "」は、文字コード" +
                                     FormCodeName(r.code) + "で表せません。";
            EXPECT_EQ(EntryFault(KFormData{KFormData::TextArea, "f", r.text}, r.code, messages),
                      "フォームデータ「f」の値" + tail);
            EXPECT_EQ(EntryFault(KCookieData{r.text, "", "", "", "", false}, r.code, messages),
                      "Cookie「" + r.text + "」の名前" + tail);
            EXPECT_EQ(EntryFault(request.Form[2], r.code, messages), "");
            EXPECT_EQ(request.FirstFault(kFormUtf8), "") << "UTF-8 holds everything";
            continue;
        }
        EXPECT_EQ(fault, "");
        EXPECT_EQ(request.QueryString(), r.encoded + "=" + r.encoded + "&area=" + r.encoded +
                                             "%0D%0A" + r.encoded + "&c=on");
        EXPECT_EQ(request.CookieString(), "k=" + r.encoded);
        EXPECT_EQ(Entries(*request.EnvironmentBlock())[0], "V=" + r.env);
    }
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(Cgi, EnvironmentEntriesThatWouldNotBeOneVariableAreRefusedAndNeverSent) {
    const std::string nul("\0", 1);
    struct Row {
        std::string name;
        std::string value;
        std::string fault;
    };
    const Row rows[] = {
        {"", "x", "名前を指定してください"},
        {"a=b", "x", "環境変数「a=b」の名前に「=」は使えません。"},
        {"=", "", "環境変数「=」の名前に「=」は使えません。"},
        {"a" + nul + "INJ", "1", "環境変数「a\\0INJ」の名前にNUL文字は使えません。"},
        {"A", "a" + nul + "INJ=1", "環境変数「A」の値にNUL文字は使えません。"},
        {"A B ", "x=y", ""}, // blanks and '=' in the value are the user's
        {std::string(50, 'n'), "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        KCgiData request(messages);
        request.Env.Set({r.name, r.value});
        request.Env.Set({"KEPT", "1"});
        EXPECT_EQ(EntryFault(request.Env[0], kFormUtf8, messages), r.fault);
        EXPECT_EQ(request.FirstFault(kFormSjis), r.fault);
        // Set directly, past the editor, the entry is left out rather than split in two.
        std::vector<std::string> entries = Entries(*request.EnvironmentBlock());
        ASSERT_EQ(entries.size(), r.fault.empty() ? 5u : 4u);
        EXPECT_EQ(entries[r.fault.empty() ? 1 : 0], "KEPT=1");
        for (const std::string& e : entries)
            EXPECT_NE(e.find('='), std::string::npos) << e;
    }
    // A long name is shortened in the message.
    EXPECT_EQ(EntryFault(KEnvData{std::string(45, 'x') + "=", ""}, kFormUtf8, messages),
              "環境変数「" + std::string(40, 'x') + "…」の名前に「=」は使えません。");
}

TEST_F(Cgi, EucJpWithoutTheConverterSaysSoOnceAndSendsShiftJis) {
    data.FormCode = kFormEuc;
    data.Form.Set({KFormData::Text, "漢", "漢"});
    data.Cookie.Set({"k", "漢", "", "", "", false});
    NkfUnload();
    Recorder runner;
    data.BuildEnvironment(runner);
    NkfLoad(VEXIL_BIN_DIR);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error: NKF32.DLLがありません"});
    EXPECT_EQ(Entries(*runner.block)[0], "HTTP_COOKIE=k=%8A%BF");
    EXPECT_EQ(Entries(*runner.block)[2], "QUERY_STRING=%8A%BF=%8A%BF");
    EXPECT_EQ(data.QueryString(), "%B4%C1=%B4%C1") << "with the converter back, EUC-JP again";
}

TEST_F(Cgi, AnEntryTheEditorWouldRefuseIsNamedWhenTheRequestIsBuilt) {
    data.Form.Set({KFormData::Text, "price", "1 €"});
    data.FormCode = kFormSjis; // set past the editor, which refuses such a switch
    Recorder runner;
    data.BuildEnvironment(runner);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"フォームデータ「price」の値にある「€」"
                                                         "は、文字コードSJISで表せません。"});
    EXPECT_TRUE(runner.block);
}
