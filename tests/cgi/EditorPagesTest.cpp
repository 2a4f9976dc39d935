#include "cgi/EditorPages.h"
#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows RowsOf(const EditorGrid& grid) {
    Rows rows;
    for (int r = 0; r < grid.RowCount(); ++r)
        rows.push_back(grid.RowAt(r));
    return rows;
}

struct Pages : ::testing::Test {
    ScriptedMessages messages;
    KCgiData data{messages};
    EditorPages pages{data, messages};
};

} // namespace

TEST_F(Pages, EnvAddsModifiesWalksDownAndRemovesToOneEmptyRow) {
    EnvPage& env = pages.Env;
    EXPECT_EQ(RowsOf(env.Grid()), (Rows{{"", ""}})) << "an empty list still shows one row";

    env.Fields = {" \t", "x"};
    EXPECT_FALSE(env.Add());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"名前を指定してください"});
    EXPECT_EQ(data.Env.Count(), 0);

    for (const char* name : {"PATH", "TZ", "HOME"}) {
        env.Fields = {name, std::string("v-") + name};
        EXPECT_TRUE(env.Add());
        EXPECT_EQ(env.Fields.Name, "") << "inputs cleared after an add";
    }
    EXPECT_EQ(RowsOf(env.Grid()), (Rows{{"PATH", "v-PATH"}, {"TZ", "v-TZ"}, {"HOME", "v-HOME"}}));
    EXPECT_EQ(env.Grid().Selected(), 2);

    // The same name modifies; the next entry is loaded, so Enter walks down the list.
    env.Fields = {"PATH", "/bin"};
    EXPECT_TRUE(env.Add());
    EXPECT_EQ(env.Grid().RowAt(0), (EditorGrid::Row{"PATH", "/bin"}));
    EXPECT_EQ(env.Grid().Selected(), 1);
    EXPECT_EQ(env.Fields.Name, "TZ");
    env.Fields.Value = "JST-9";
    env.Add();
    EXPECT_EQ(env.Fields.Name, "HOME");
    env.Add(); // the last row: the inputs are cleared
    EXPECT_EQ(env.Fields.Name, "");
    EXPECT_EQ(data.Env.Count(), 3);

    // A loaded entry renamed is a second entry; the first stays.
    env.Click(1);
    env.Fields.Name = "TZ2";
    env.Add();
    EXPECT_EQ(data.Env.Count(), 4);
    EXPECT_EQ(data.Env[1].Name, "TZ");

    // Removing in the middle moves the rest up and loads the selected one.
    env.Click(1);
    env.Remove();
    EXPECT_EQ(RowsOf(env.Grid()), (Rows{{"PATH", "/bin"}, {"HOME", "v-HOME"}, {"TZ2", "JST-9"}}));
    EXPECT_EQ(env.Fields.Name, "HOME");
    env.Click(2);
    env.Remove(); // the last row goes; the selection follows to the new last row
    EXPECT_EQ(env.Grid().Selected(), 1);
    EXPECT_EQ(env.Fields.Name, "HOME");
    env.Remove();
    env.Remove();
    EXPECT_EQ(RowsOf(env.Grid()), (Rows{{"", ""}}));
    EXPECT_EQ(env.Fields.Name, "");
    EXPECT_EQ(data.Env.Count(), 0);
    EXPECT_FALSE(env.Remove()) << "nothing to remove";
}

TEST_F(Pages, FormEntriesChangeTypeAndOnlyTheSubPageShowingIsCleared) {
    FormPage& form = pages.Form;
    form.Fields.TextName = "a";
    form.Fields.TextValue = "1";
    form.Add();
    form.Fields.Page = KFormData::TextArea;
    form.Fields.AreaName = "memo";
    form.Fields.AreaValue = "x\r\ny";
    form.Add();

    // TEXT modified from the CHECKBOX sub-page becomes a CHECKBOX.
    form.Fields.Page = KFormData::CheckBox;
    form.Fields.CheckName = "A";
    form.Fields.Checked = true;
    form.Fields.TextName = "kept";
    form.Add();
    EXPECT_EQ(RowsOf(form.Grid()), (Rows{{"CHECKBOX", "A", "on"}, {"TEXTAREA", "memo", "x\r\ny"}}));
    // The next entry was loaded, with its sub-page in front; the other sub-pages keep theirs.
    EXPECT_EQ(form.Fields.Page, KFormData::TextArea);
    EXPECT_EQ(form.Fields.AreaName, "memo");
    EXPECT_EQ(form.Fields.TextName, "kept");

    form.Click(0);
    EXPECT_EQ(form.Fields.Page, KFormData::CheckBox);
    EXPECT_TRUE(form.Fields.Checked);
    form.Fields.CheckName = "  ";
    EXPECT_FALSE(form.Add());
    EXPECT_EQ(form.Fields.CheckName, "");
    EXPECT_FALSE(form.Fields.Checked);
    EXPECT_EQ(form.Fields.TextName, "kept");

    form.Fields.AreaName = "typed";
    form.Remove();
    EXPECT_EQ(form.Fields.AreaName, "typed") << "the form page leaves its inputs after a remove";
    EXPECT_EQ(data.Form.Count(), 1);
}

TEST_F(Pages, CookiesTakeAnyNameAndShowTheirSecureFlag) {
    CookiePage& cookie = pages.Cookie;
    cookie.Fields = {"x", "y", "z", "w", "v", false};
    EXPECT_TRUE(cookie.Click(0)) << "a click on an empty list clears the inputs";
    EXPECT_EQ(cookie.Fields.Name, "");

    cookie.Fields = {"", "anon", "", "", "", false};
    cookie.Add();
    cookie.Fields = {"id", "7", "never", "example.jp", "/", true};
    cookie.Add();
    EXPECT_EQ(RowsOf(cookie.Grid()), (Rows{{"", "anon", "", "", "", ""},
                                           {"id", "7", "never", "example.jp", "/", "Secure"}}));
    cookie.Click(1);
    cookie.Fields.Secure = false;
    cookie.Add();
    EXPECT_EQ(cookie.Grid().RowAt(1)[5], "");
    cookie.Click(0);
    cookie.Remove();
    EXPECT_EQ(cookie.Fields.Name, "id") << "the entry now selected is loaded";
    cookie.Remove();
    EXPECT_EQ(RowsOf(cookie.Grid()), (Rows{{"", "", "", "", "", ""}}));
    EXPECT_EQ(cookie.Fields.Name, "");
    EXPECT_EQ(messages.Count(), 0u);
}

// A text the request's code cannot carry is refused where it is entered and where the code
// changes, with a message naming the entry; nothing is changed on the way.
TEST_F(Pages, AddAndTheCodeSwitchRefuseWhatTheCodeCannotHold) {
    EXPECT_EQ(data.FormCode, kFormUtf8) << "the Linux start";
    ASSERT_TRUE(pages.SetFormCode(kFormSjis));
    pages.Env.Fields = {"a=b", "1"};
    EXPECT_FALSE(pages.Env.Add());
    pages.Form.Fields.TextName = "price";
    pages.Form.Fields.TextValue = "1 €";
    EXPECT_FALSE(pages.Form.Add());
    pages.Cookie.Fields = {"😀", "1", "", "", "", false};
    EXPECT_FALSE(pages.Cookie.Add());
    const std::string unheld = "にある「€」は、文字コードSJISで表せません。";
    EXPECT_EQ(
        messages.Texts(),
        (std::vector<std::string>{"環境変数「a=b」の名前に「=」は使えません。",
                                  "フォームデータ「price」の値" + unheld,
                                  "Cookie「😀」の名前にある「😀」は、文字コードSJISで表せません。"}));
    EXPECT_TRUE(data.Empty());
    EXPECT_EQ(pages.Form.Fields.TextValue, "1 €") << "the inputs stay for the user to mend";
    EXPECT_EQ(RowsOf(pages.Form.Grid()), (Rows{{"", "", ""}}));

    // In UTF-8 it goes in; back to Shift_JIS is refused while it is there.
    ASSERT_TRUE(pages.SetFormCode(kFormUtf8));
    messages.Reset();
    EXPECT_TRUE(pages.Form.Add());
    EXPECT_FALSE(pages.SetFormCode(kFormSjis));
    EXPECT_EQ(data.FormCode, kFormUtf8);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"文字コードをSJISにできません。\n"
                                                         "フォームデータ「price」の値" +
                                                         unheld});
    pages.Form.Click(0);
    pages.Form.Remove();
    EXPECT_TRUE(pages.SetFormCode(kFormEuc));
    EXPECT_FALSE(pages.SetFormCode(3)) << "no fourth code";
    EXPECT_EQ(data.FormCode, kFormEuc);
}
