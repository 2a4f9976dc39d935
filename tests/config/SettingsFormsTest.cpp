// The settings dialogs' logic without widgets: names that cannot be file names, the language
// dialog's entries, switch, apply and checks, the new-language checks and the hot-key rule.
#include "config/ConfigForm.h"
#include "config/LangConfigForm.h"
#include "config/NewLangForm.h"
#include "platform/Browse.h"
#include "platform/FileFacts.h"
#include "support/HostDoubles.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using Lines = std::vector<std::string>;

// A program folder with Perl and Ruby, the change notices recorded.
struct Desk {
    TempDir dir;
    ScriptedMessages messages;
    ScriptedDialogs dialogs;
    Lines calls;
    std::unique_ptr<KVexilConfig> config;
    std::string cwd = CurrentFolder();

    Desk() {
        std::filesystem::create_directories(dir.File("defs"));
        dir.Write("defs/perl.def", "[Language]\nName=Perl\n[Environment]\nExePath=/bin/sh\n");
        dir.Write("defs/ruby.def", "[Language]\nName=Ruby\n[Environment]\nExePath=/bin/true\n");
        KVexilConfigCallbacks c;
        c.SettingsChanged = [this](bool list) { calls.push_back(list ? "list" : "changed"); };
        config = std::make_unique<KVexilConfig>(dir.Path(), messages, nullptr, c);
        config->LoadDefFiles();
        calls.clear();
    }
    ~Desk() { ChangeFolder(cwd); }
};

} // namespace

TEST(SettingsChange, NamesThatAreNoFileNamesAreRefusedAndNothingIsWritten) {
    Desk d;
    // A name that would leave defs/, or break the path, writes nothing and says why.
    for (const std::string& name : Lines{"../x", "a/b", "/", ".", "..", std::string("a\0b", 3)}) {
        d.messages.Reset();
        EXPECT_FALSE(d.config->AddLanguage(name, "/bin/sh")) << name;
        EXPECT_EQ(d.messages.Texts(), Lines{kUnusableLanguageName}) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(d.dir.File("x.def")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(d.dir.File("defs")), {}), 2);
    EXPECT_EQ(d.config->Languages.size(), 2u);

    EXPECT_TRUE(d.calls.empty());
}

TEST(LangConfigForm, TheLastEntryNamedLikeTheCurrentLanguageIsSelected) {
    Desk d;
    d.dir.Write("defs/zperl.def", "[Language]\nName=Perl\n");
    d.config->LoadDefFiles();
    LangConfigForm form(d.messages, d.dialogs);
    form.Open(*d.config);
    EXPECT_EQ(form.Names(), (Lines{"Perl", "Ruby", "Perl"}));
    EXPECT_EQ(form.Selected(), 2);
    EXPECT_EQ(form.Choose(1).ExePath, "/bin/true");
    EXPECT_EQ(d.calls, Lines{"changed"}) << "the windows hear of the switch at once";
}

TEST(LangConfigForm, ApplyStripsOneTrailingSlashKeepsTheRootAndSavesEverything) {
    struct Row {
        std::string typed, stored;
    };
    for (const Row& r : {Row{"/tmp/", "/tmp"}, Row{"/", "/"}, Row{"", ""}, Row{"/tmp//", "/tmp/"},
                         Row{"tmp", "tmp"}}) {
        Desk d;
        LangConfigForm form(d.messages, d.dialogs);
        form.Open(*d.config);
        KLanguageSettings s = form.Fill();
        s.TempDir = r.typed;
        s.Option = "-w";
        ASSERT_TRUE(form.Apply(s));
        EXPECT_EQ(s.TempDir, r.stored) << r.typed;
        EXPECT_EQ(d.config->Current->TempDir, r.stored) << r.typed;
        EXPECT_EQ(KDefConfig(d.dir.File("defs/perl.def")).Option, "-w");
        EXPECT_TRUE(std::filesystem::exists(d.config->CfgPath));
        EXPECT_EQ(KDefConfig(d.dir.File("defs/ruby.def")).Name, "Ruby") << "every file rewritten";
    }
}

TEST(LangConfigForm, OkChecksInOrderWithTheirMessagesAndAFailedSaveIsReported) {
    Desk d;
    LangConfigForm form(d.messages, d.dialogs);
    form.Open(*d.config);
    KLanguageSettings s = form.Fill();
    using F = LangConfigForm;
    for (const std::string& missing : Lines{"/no/such/perl", d.dir.Path()}) { // a folder is no file
        s.ExePath = missing;
        size_t messagesWhenShown = 99;
        F::Check c = form.Validate(s, [&](const F::Check& where) {
            EXPECT_EQ(where.focus, F::kExePathField);
            messagesWhenShown = d.messages.Count();
        });
        EXPECT_EQ(messagesWhenShown + 1, d.messages.Count())
            << "the field is shown, then the message";
        EXPECT_FALSE(c.valid);
        EXPECT_EQ(c.page, F::kEnvironmentPage);
        EXPECT_EQ(c.focus, F::kExePathField);
        EXPECT_EQ(d.messages.Texts().back(),
                  "ファイル " + missing +
                      " は存在しません。\n存在する実行可能ファイルへのパスを設定してください。");
    }
    s.ExePath = "/bin/sh";
    s.UseTagJumpToOtherFile = true;
    s.RegExpFile = " \t";
    F::Check c = form.Validate(s);
    EXPECT_FALSE(c.valid);
    EXPECT_EQ(c.page, F::kDebugPage);
    EXPECT_EQ(c.focus, F::kRegExpFileField);
    EXPECT_EQ(d.messages.Texts().back(), "エラーファイル名取得用の正規表現を設定してください");

    s.RegExpFile = "at (.+) line";
    d.messages.Reset();
    EXPECT_TRUE(form.Validate(s).valid) << "the environment's tag jump off only warns";
    ASSERT_EQ(d.messages.Count(), 1u);
    EXPECT_EQ(d.messages.Texts()[0].rfind("別のファイルにタグジャンプするためには", 0), 0u);
    d.config->UseTagJump = true;
    d.messages.Reset();
    EXPECT_TRUE(form.Validate(s).valid);
    EXPECT_EQ(d.messages.Count(), 0u);

    ASSERT_EQ(::chmod(d.dir.File("defs/perl.def").c_str(), 0444), 0);
    d.messages.Reset();
    EXPECT_FALSE(form.Apply(s));
    ASSERT_EQ(d.messages.Count(), 1u) << "the file that cannot be written is named";
    EXPECT_NE(d.messages.Texts()[0].find("perl.def"), std::string::npos);
}

TEST(SettingsBrowse, PickedFilesComeBackWithTheFolderKept) {
    Desk d;
    LangConfigForm form(d.messages, d.dialogs);
    d.dialogs.Answer("/usr/bin/perl");
    EXPECT_EQ(form.BrowseExePath(), "/usr/bin/perl");
    EXPECT_EQ(d.dialogs.Opens.back().filter, kExecutableFilter);
    EXPECT_EQ(form.BrowseHelpFile(), std::nullopt) << "cancelled";
    EXPECT_EQ(d.dialogs.Opens.back().filter, kHelpFileFilter);
    EXPECT_EQ(CurrentFolder(), d.cwd);
}

TEST(NewLangForm, OkRefusesInOrderAndStoresTheTrimmedName) {
    Desk d;
    struct Row {
        std::string name, path, message;
    };
    const std::string nul("R\0b", 3);
    for (const Row& r :
         {Row{" \t", "/bin/sh", "言語名を指定してください"},
          Row{"../x", "/bin/sh", kUnusableLanguageName}, Row{"..", "", kUnusableLanguageName},
          Row{nul, "/bin/sh", kUnusableLanguageName}, Row{"Ruby", "", "実行パスを指定してください"},
          Row{"Ruby", "/no/ruby", "ファイル /no/rubyは存在しません"},
          Row{"Ruby", "/tmp", "ファイル /tmpは存在しません"}}) {
        NewLangForm form(d.messages, d.dialogs);
        d.messages.Reset();
        EXPECT_FALSE(form.Confirm(r.name, r.path)) << r.name << " " << r.path;
        EXPECT_EQ(d.messages.Texts(), Lines{r.message}) << r.name << " " << r.path;
        EXPECT_EQ(form.LanguageName, "");
    }
    NewLangForm form(d.messages, d.dialogs);
    EXPECT_TRUE(form.Confirm("  Ruby ", "/bin/sh"));
    EXPECT_EQ(form.LanguageName, "Ruby");
    EXPECT_EQ(form.LanguagePath, "/bin/sh");
}

TEST(ConfigForm, HotKeyNeedsCtrlOrAltAndAKnownKey) {
    struct Row {
        unsigned vk;
        bool shift, ctrl, alt;
        uint16_t code;
    };
    for (const Row& r :
         {Row{'K', false, true, false, 0x4000 | 'K'}, Row{'K', true, true, true, 0xE000 | 'K'},
          Row{0x70, false, false, true, 0x8000 | 0x70}, Row{'K', false, false, false, 0},
          Row{'K', true, false, false, 0}, Row{0xFF, false, true, false, 0},
          Row{0, false, true, false, 0}})
        EXPECT_EQ(HotKeyCode(r.vk, r.shift, r.ctrl, r.alt), r.code) << r.vk;
}
