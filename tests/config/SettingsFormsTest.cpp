// The settings dialogs' logic without widgets: names that cannot be file names, the language
// dialog's entries, switch, apply and checks, the new-language checks and the hot-key rule.
#include "config/ConfigForm.h"
#include "config/LangConfigForm.h"
#include "config/NewLangForm.h"
#include "platform/Browse.h"
#include "platform/FileFacts.h"
#include "platform/IniFile.h"
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
        // Every ready language offered before: only the two written here are listed.
        dir.Write("VexilPro.cfg", "[Languages]\nOffered=python,ruby,bash,php,node,prove,pytest\n");
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

TEST(SettingsChange, UnusableNamesAreRefusedAndNothingIsWritten) {
    Desk d;
    // A name that would leave defs/, break the path or the file, or be skipped as a hidden
    // file at the next start, writes nothing and says why.
    for (const std::string& name :
         Lines{"../x", "a/b", "/", ".", "..", std::string("a\0b", 3), "Ru\nby", "Ru\rby", "a\tb",
               "a\x1b[31m", "del\x7f", "c1\xc2\x85", ".hidden", ".#x"}) {
        d.messages.Reset();
        EXPECT_FALSE(d.config->AddLanguage(name, "/bin/sh")) << name;
        EXPECT_EQ(d.messages.Texts(), Lines{kUnusableLanguageName}) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(d.dir.File("x.def")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(d.dir.File("defs")), {}), 2);
    EXPECT_EQ(d.config->Languages.size(), 2u);
    EXPECT_TRUE(d.calls.empty());

    // Names a user may well give: a dot inside, symbols, Japanese, blanks inside.
    for (const std::string& name :
         Lines{"C++", "Node.js", "日本語スクリプト", "Ruby 3.2", "x.", "\xc2\xa0nbsp"})
        EXPECT_TRUE(UsableLanguageName(name)) << name;
}

TEST(SettingsChange, ANameThatDiffersOnlyInCaseReplacesThatLanguagesOwnFile) {
    struct Row {
        std::string existingFile, existingName, newName;
    };
    for (const Row& r : {Row{"perl.def", "Perl", "PERL"}, Row{"python.def", "Python", "python"},
                         Row{"python.def", "Python", "Python"}}) {
        Desk d;
        d.dir.Write("defs/" + r.existingFile, "[Language]\nName=" + r.existingName +
                                                  "\nExt=x\n[Environment]\nExePath=/old\n");
        d.config->LoadDefFiles();
        const size_t count = d.config->Languages.size();
        const std::string own = d.dir.File("defs/" + r.existingFile);
        const Lines before = {"言語定義ファイル " + own + " は既に存在します。\n上書きしますか？"};

        // No writes nothing; the question names the language's own file.
        d.messages.Answer(MessageAnswer::No);
        EXPECT_FALSE(d.config->AddLanguage(r.newName, "/bin/true")) << r.newName;
        EXPECT_EQ(d.messages.Texts(), before) << r.newName;
        EXPECT_EQ(KDefConfig(own).ExePath, "/old");

        d.messages.Reset();
        d.messages.Answer(MessageAnswer::Yes);
        EXPECT_TRUE(d.config->AddLanguage(r.newName, "/bin/true")) << r.newName;
        EXPECT_EQ(d.messages.Texts().front(), before.front());
        // That file replaced, no second file beside it, the list as long as before.
        EXPECT_EQ(KDefConfig(own).Name, r.newName);
        EXPECT_EQ(KDefConfig(own).ExePath, "/bin/true");
        if (r.newName + ".def" != r.existingFile) {
            EXPECT_FALSE(std::filesystem::exists(d.dir.File("defs/" + r.newName + ".def")));
        }
        EXPECT_EQ(d.config->Languages.size(), count) << r.newName;
        EXPECT_EQ(d.config->Current->FileName, own);
        size_t named = 0;
        for (const auto& l : d.config->Languages)
            named += SameTextAscii(l->Name, r.newName);
        EXPECT_EQ(named, 1u) << "the menu lists the name once";
    }
}

TEST(SettingsChange, LineBreaksInFieldsBecomeBlanksAndAreStored) {
    Desk d;
    // Every text field of the environment dialog: what the one-line field shows is kept.
    KEnvironmentSettings env = d.config->Environment();
    env.Editor = "/usr/bin/\nvim";
    env.TempBat = "run\r\n.sh";
    env.TempHtml = "\nout.html";
    env.TagJumpText = "+%L\r%F";
    d.config->ApplyEnvironment(env);
    EXPECT_EQ(d.config->Editor, "/usr/bin/ vim");
    EXPECT_EQ(d.config->TempBat, "run  .sh");
    EXPECT_EQ(d.config->TempHtml, " out.html");
    EXPECT_EQ(d.config->TagJumpText, "+%L %F");
    ASSERT_NO_THROW(d.config->Save());
    KVexilConfig reread(d.dir.Path(), d.messages);
    reread.LoadDefFiles();
    reread.Load();
    EXPECT_EQ(reread.Editor, "/usr/bin/ vim") << "stored, not silently dropped";
    EXPECT_EQ(reread.TagJumpText, "+%L %F");
    EXPECT_EQ(reread.TempBat, "run  .sh");

    // Every text field of the language dialog, through Set.
    LangConfigForm form(d.messages, d.dialogs);
    form.Open(*d.config);
    KLanguageSettings s = form.Fill();
    s.ExePath = "/bin/\nsh";
    s.Option = "-w\n-T";
    s.Ext = "pl\ncgi";
    s.HelpFile = "/h\r.html";
    s.TempFile = "t\nx";
    s.TempDir = "/tmp/\nx/";
    s.RegExpErr = "line\n[0-9]+";
    s.RegExpFile = "at (.+)\r\n line";
    d.messages.Reset();
    EXPECT_FALSE(form.Validate(s).valid) << "OK checks the path that would be stored";
    EXPECT_EQ(d.messages.Texts().at(0).rfind("ファイル /bin/ sh は存在しません。", 0), 0u);
    d.messages.Reset();
    ASSERT_TRUE(form.Apply(s));
    EXPECT_EQ(d.messages.Count(), 0u);
    EXPECT_EQ(s.Option, "-w -T") << "the fields show what is stored";
    EXPECT_EQ(s.TempDir, "/tmp/ x");
    KDefConfig stored(d.dir.File("defs/perl.def"));
    EXPECT_EQ(LanguageSettingsOf(stored), s);
    EXPECT_EQ(stored.ExePath, "/bin/ sh");
    EXPECT_EQ(stored.Ext, "pl cgi");
    EXPECT_EQ(ExtList(stored.Ext), (Lines{"pl", "cgi"}));
    EXPECT_EQ(stored.HelpFile, "/h .html");
    EXPECT_EQ(stored.TempFile, "t x");
    EXPECT_EQ(stored.RegExpErr, "line [0-9]+");
    EXPECT_EQ(stored.RegExpFile, "at (.+)   line");

    // A line break that reaches a save by any other way fails it by name, never silently.
    const std::string before = d.dir.Read("defs/perl.def");
    d.config->Current->Option = "-x\n";
    try {
        d.config->Save();
        ADD_FAILURE() << "a value with a line break passed for saved";
    } catch (const IniError& e) {
        EXPECT_EQ(e.FileName(), d.dir.File("defs/perl.def"));
        EXPECT_NE(std::string(e.what()).find("Option"), std::string::npos) << e.what();
    }
    EXPECT_EQ(d.dir.Read("defs/perl.def"), before);
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
    EXPECT_EQ(form.BrowseExePath("/opt/perl/bin/perl"), "/usr/bin/perl");
    EXPECT_EQ(d.dialogs.Opens.back().filter, kExecutableFilter);
    EXPECT_EQ(d.dialogs.Opens.back().fileName, "/opt/perl/bin/perl") << "the field's path";
    EXPECT_EQ(form.BrowseHelpFile("/doc/perl.html"), std::nullopt) << "cancelled";
    EXPECT_EQ(d.dialogs.Opens.back().filter, kHelpFileFilter);
    EXPECT_EQ(d.dialogs.Opens.back().fileName, "/doc/perl.html");
    NewLangForm newLang(d.messages, d.dialogs);
    EXPECT_EQ(newLang.Browse("/usr/bin/lua"), std::nullopt);
    EXPECT_EQ(d.dialogs.Opens.back().fileName, "/usr/bin/lua");
    EXPECT_EQ(CurrentFolder(), d.cwd);
}

TEST(SettingsBrowse, ADialogStartsInTheFolderOfTheFieldsPathElseTheCurrentFolder) {
    Desk d;
    std::filesystem::create_directories(d.dir.File("work/lib"));
    ASSERT_TRUE(ChangeFolder(d.dir.File("work")));
    const std::string work = CurrentFolder();
    struct Row {
        std::string initialDir, fileName, start;
    };
    for (const Row& r : {
             Row{"", d.dir.File("defs/perl.def"), d.dir.File("defs")},
             Row{"", d.dir.File("defs/not-yet.def"), d.dir.File("defs")}, // a new file's folder
             Row{"", "/usr/bin/perl", "/usr/bin"}, Row{"", "/", "/"},
             Row{"", "lib/x.html", work + "/lib"},         // relative to the current folder
             Row{"", "temp.html", work},                   // no folder of its own
             Row{"", "xdg-open", work},                    // a program found on PATH
             Row{"", "/no/such/folder/x", work},           // a folder that is not there
             Row{"", d.dir.File("defs/perl.def/x"), work}, // a file is no folder
             Row{"", "", work},
             Row{"/given", "/usr/bin/perl", "/given"}, // a caller's own folder comes first
         }) {
        FileDialogRequest request;
        request.initialDir = r.initialDir;
        request.fileName = r.fileName;
        EXPECT_EQ(DialogStartFolder(request), r.start) << r.fileName;
    }
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
          Row{nul, "/bin/sh", kUnusableLanguageName},
          Row{"Ru\nby", "/bin/sh", kUnusableLanguageName},
          Row{".ruby", "/bin/sh", kUnusableLanguageName},
          Row{"Ruby", "", "実行パスを指定してください"},
          Row{"Ruby", "/no/ruby", "ファイル /no/rubyは存在しません"},
          Row{"Ruby", "/tmp", "ファイル /tmpは存在しません"},
          // A pasted line break is the blank the field shows, and that path is not there.
          Row{"Ruby", "/bin/\nsh", "ファイル /bin/ shは存在しません"}}) {
        NewLangForm form(d.messages, d.dialogs);
        d.messages.Reset();
        EXPECT_FALSE(form.Confirm(r.name, r.path)) << r.name << " " << r.path;
        EXPECT_EQ(d.messages.Texts(), Lines{r.message}) << r.name << " " << r.path;
        EXPECT_EQ(form.LanguageName, "");
    }
    NewLangForm form(d.messages, d.dialogs);
    EXPECT_TRUE(form.Confirm("  Ruby \n", "/bin/sh"));
    EXPECT_EQ(form.LanguageName, "Ruby") << "line breaks around the name are trimmed away";
    EXPECT_EQ(form.LanguagePath, "/bin/sh");
    // A file whose name really holds a line break is taken as the field shows it.
    d.dir.Write("lua\nbin", "");
    d.dir.Write("lua bin", "");
    EXPECT_TRUE(form.Confirm("Lua", d.dir.File("lua\nbin")));
    EXPECT_EQ(form.LanguagePath, d.dir.File("lua bin"));
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
