#include "config/Kvexilconfig.h"
#include "config/Kfilehistory.h"
#include "config/Seedlangs.h"
#include "platform/FileFacts.h"
#include "platform/IniFile.h"
#include "platform/Launcher.h"
#include "regex/Kregexp.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include "ListMenu.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using Lines = std::vector<std::string>;

// PATH holds only the programs named, each a script that does nothing.
class OnlyOnPath {
public:
    explicit OnlyOnPath(const std::vector<std::string>& programs) {
        for (const std::string& program : programs) {
            const std::string path = bin_.Write(program, "#!/bin/sh\n");
            ::chmod(path.c_str(), 0755);
        }
        const char* old = std::getenv("PATH");
        had_ = old != nullptr;
        old_ = old ? old : "";
        ::setenv("PATH", bin_.Path().c_str(), 1);
    }
    ~OnlyOnPath() { had_ ? ::setenv("PATH", old_.c_str(), 1) : ::unsetenv("PATH"); }
    std::string Bin(const std::string& program) const { return bin_.File(program); }

private:
    TempDir bin_;
    bool had_ = false;
    std::string old_;
};

// A program folder in a temporary directory, with the windows around the settings recorded.
struct Program {
    TempDir dir;
    ScriptedMessages messages;
    ListMenu menu;
    KFileHistory history{menu, messages, nullptr};
    Lines calls;
    int code = 3;
    bool onTop = true;
    KVexilConfig config{dir.Path(), messages, &history, Callbacks()};

    KVexilConfigCallbacks Callbacks() {
        KVexilConfigCallbacks c;
        c.SetMainWidth = [this](int w) { calls.push_back("width " + std::to_string(w)); };
        c.SetMainHeight = [this](int h) { calls.push_back("height " + std::to_string(h)); };
        c.RegisterGlobalHotKey = [this](uint16_t k) {
            calls.push_back("register " + std::to_string(k));
        };
        c.UnregisterGlobalHotKey = [this] { calls.push_back("unregister"); };
        c.SetEditorReadOnly = [this](bool f) { calls.push_back(f ? "readonly" : "writable"); };
        c.CurrentCode = [this] { return code; };
        c.FormEditorStayOnTop = [this] { return onTop; };
        return c;
    }
    void Def(const std::string& name, const std::string& text) {
        ::mkdir(dir.File("defs").c_str(), 0755);
        dir.Write("defs/" + name, text);
    }
    void Start() {
        config.LoadDefFiles();
        config.Load();
    }
    Lines Names() const {
        Lines names;
        for (const auto& l : config.Languages)
            names.push_back(l->Name);
        return names;
    }
};

const char* kNoDefs = "Def Files are not found. Use default Settings.";

} // namespace

TEST(KVexilConfig, PathsComeFromTheProgramFolder) {
    ScriptedMessages messages;
    KVexilConfig config("/opt/vexil", messages);
    EXPECT_EQ(config.AppDir, "/opt/vexil/");
    EXPECT_EQ(config.CfgPath, "/opt/vexil/VexilPro.cfg");
    EXPECT_EQ(config.DefsDir, "/opt/vexil/defs/");
    EXPECT_EQ(config.HelpPath, "/opt/vexil/VexilPro.hlp");
    KVexilConfig slash("/opt/vexil/", messages);
    EXPECT_EQ(slash.AppDir, "/opt/vexil/");
    EXPECT_EQ(config.Current, nullptr);
    EXPECT_FALSE(config.ReadOnly);
    EXPECT_FALSE(config.UseCGI);
    EXPECT_EQ(config.RememberedArgs, "");
    EXPECT_EQ(config.ResultFile, "");
}

TEST(KVexilConfig, FirstStartUsesDefaultsAndWritesEverythingAtTheLatestAtClose) {
    Program p;
    p.Start();
    EXPECT_EQ(p.messages.Texts(), Lines{kNoDefs});
    EXPECT_TRUE(std::filesystem::is_directory(p.dir.File("defs")));
    // Perl, then the other interpreters this machine has, already written.
    size_t seeded = 0;
    std::string offered;
    for (const LanguageSeed& seed : LanguageSeeds())
        if (!FindOnPath(seed.program).empty()) {
            ++seeded;
            offered += (offered.empty() ? "" : ",") + std::string(seed.fileName);
            EXPECT_TRUE(
                std::filesystem::exists(p.dir.File("defs/" + std::string(seed.fileName) + ".def")));
        }
    ASSERT_EQ(p.config.Languages.size(), 1u + seeded);
    std::vector<std::string> files;
    for (const auto& language : p.config.Languages)
        files.push_back(ExtractFileName(language->FileName));
    EXPECT_TRUE(std::is_sorted(files.begin(), files.end())) << "as a later start orders them";
    ASSERT_NE(p.config.Current, nullptr);
    EXPECT_EQ(p.config.Current->Name, "Perl");
    EXPECT_EQ(p.config.Current->ExePath, "/usr/bin/perl");
    EXPECT_EQ(p.config.Current->TempFile, "vexil.tmp");
    EXPECT_EQ(p.config.Current->FileName, p.dir.File("defs/perl.def"));
    EXPECT_EQ(p.calls, (Lines{"unregister", "width 600", "height 400"}));
    EXPECT_TRUE(p.config.CutHead);
    EXPECT_EQ(p.config.DefaultCode, -1);
    EXPECT_EQ(p.config.Editor, "xdg-open");
    EXPECT_EQ(p.config.TempBat, "temp.sh");
    EXPECT_EQ(p.config.TempHtml, "temp.html");
    EXPECT_FALSE(p.config.Maximized);
    EXPECT_FALSE(std::filesystem::exists(p.dir.File("VexilPro.cfg")));
    // Written with the seeds, so that a start that never closes cannot leave Perl out.
    EXPECT_EQ(std::filesystem::exists(p.dir.File("defs/perl.def")), seeded > 0);

    p.config.SaveWindow(false, 600, 400);
    EXPECT_EQ(p.dir.Read("VexilPro.cfg"),
              "[Window]\nMaximized=0\nHeight=400\nWidth=600\n"
              "[Environment]\nLanguage=Perl\nEditor=xdg-open\nUseDoubleQuotes=1\nUseTagJump=0\n"
              "TagJumpText=\nTempBat=temp.sh\nUsePause=1\nUseHotKey=0\nHotKey=0\nAutoRefresh=0\n"
              "ReadOnlyWhenAutoRefresh=0\nTempHtml=temp.html\nCutHead=1\nDefaultCode=3\n"
              "[FileHistory]\nItemNumber=0\n"
              "[Others]\nMemoryFileWhenDropped=0\nChangeCurrentDirOnDrop=0\n"
              "DontChangeDirFromDesktop=0\nFEditorStayOnTop=1\n" +
                  // A machine without every interpreter remembers which were offered.
                  (offered == "python,ruby,bash,php,node"
                       ? std::string()
                       : "[Languages]\nOffered=" + offered + "\n"));
    KDefConfig written(p.dir.File("defs/perl.def"));
    EXPECT_EQ(written.Name, "Perl");
    // The built-in Perl is the ready one: an error in a module leads to the module.
    EXPECT_EQ(written.RegExpErr, PerlSeed().regExpErr);
    EXPECT_EQ(written.RegExpFile, PerlSeed().regExpFile);
    EXPECT_TRUE(written.UseTagJumpToOtherFile);
    EXPECT_EQ(p.messages.Count(), 1u);
}

TEST(KVexilConfig, DefFilesAreSortedAndMatchedWithoutCase) {
    // No ready language of this machine joins the ones written here.
    const OnlyOnPath noInterpreters({});
    Program p;
    p.Def("zeta.def", "[Language]\nName=Zeta\n");
    p.Def("Alpha.DEF", "[Language]\nName=Alpha\n");
    p.Def("mid.def", "[Language]\nName=Mid\n");
    p.Def("notes.txt", "[Language]\nName=Text\n");
    p.Def("old.def.bak", "[Language]\nName=Backup\n");
    ::mkdir(p.dir.File("defs/folder.def").c_str(), 0755);
    p.config.LoadDefFiles();
    EXPECT_EQ(p.Names(), (Lines{"Alpha", "Mid", "Zeta"}));
    EXPECT_EQ(p.config.Current->Name, "Alpha");
    EXPECT_EQ(p.messages.Count(), 0u);
}

TEST(KVexilConfig, LanguageIsChosenByNameWithoutCase) {
    // No ready language of this machine joins the ones written here.
    const OnlyOnPath noInterpreters({});
    Program p;
    p.Def("a.def", "[Language]\nName=Awk\n");
    p.Def("b.def", "[Language]\nName=Perl\nExt=pl\n[Environment]\nExePath=/first\n");
    p.Def("c.def", "[Language]\nName=perl\n[Environment]\nExePath=/second\n");
    p.dir.Write("VexilPro.cfg", "[Environment]\nLanguage=PERL\n");
    p.Start();
    EXPECT_EQ(p.config.Languages.size(), 3u);
    EXPECT_EQ(p.config.Current->ExePath, "/first");
    p.config.Current = p.config.Languages[2].get();
    p.config.SelectLanguageByName("Perl");
    EXPECT_EQ(p.config.Current, p.config.Languages[1].get());
    p.config.SelectLanguageByName("Ruby"); // unknown: no change
    EXPECT_EQ(p.config.Current, p.config.Languages[1].get());
}

TEST(KVexilConfig, UnknownLanguageKeepsTheFirstAndTheNextSaveStoresIt) {
    Program p;
    p.Def("a.def", "[Language]\nName=Awk\n");
    p.Def("b.def", "[Language]\nName=Perl\n");
    p.dir.Write("VexilPro.cfg", "[Environment]\nLanguage=Ruby\n");
    p.Start();
    EXPECT_EQ(p.config.Current->Name, "Awk");
    p.config.Save();
    EXPECT_EQ(IniFile(p.config.CfgPath).ReadString("Environment", "Language", ""), "Awk");
}

TEST(KVexilConfig, LanguageIsChosenByExtension) {
    Program p;
    p.Def("a.def", "[Language]\nName=Perl\nExt=pl, cgi\n");
    p.Def("b.def", "[Language]\nName=Ruby\nExt=rb,\n");
    p.Def("c.def", "[Language]\nName=Dots\nExt=,x\n");
    p.Start();
    auto& langs = p.config.Languages;
    EXPECT_TRUE(p.config.SelectLanguageByExtension("/w/Script.RB"));
    EXPECT_EQ(p.config.Current, langs[1].get());
    EXPECT_TRUE(p.config.SelectLanguageByExtension("/w/test.PL"));
    EXPECT_EQ(p.config.Current, langs[0].get());
    EXPECT_TRUE(p.config.SelectLanguageByExtension("/w/form.Cgi "));
    EXPECT_EQ(p.config.Current, langs[0].get());
    // A name ending in a dot matches the first empty item, which is Ruby's, not the later one.
    EXPECT_TRUE(p.config.SelectLanguageByExtension("/w/odd."));
    EXPECT_EQ(p.config.Current, langs[1].get());
    // No extension, a dot only in the folder name, or an unknown one: no change.
    p.config.Current = langs[2].get();
    EXPECT_FALSE(p.config.SelectLanguageByExtension("/w/Makefile"));
    EXPECT_FALSE(p.config.SelectLanguageByExtension("/w.pl/Makefile"));
    EXPECT_FALSE(p.config.SelectLanguageByExtension("/w/a.py"));
    EXPECT_EQ(p.config.Current, langs[2].get());
    EXPECT_TRUE(p.config.SelectLanguageByExtension("/w/a.x"));
    EXPECT_EQ(p.config.Current, langs[2].get());
}

TEST(KVexilConfig, ANamePatternWinsOverAnExtensionWhateverTheOrder) {
    Program p;
    p.Def("a.def", "[Language]\nName=Python\nExt=py\n");
    p.Def("b.def", "[Language]\nName=Runner\nExt=py3, \"test_*.py\",*_test.py,t?.x\n");
    p.Start();
    auto& langs = p.config.Languages;
    EXPECT_TRUE(p.config.SelectLanguageByExtension("/w/test_a.py"));
    EXPECT_EQ(p.config.Current, langs[1].get());
    EXPECT_TRUE(p.config.SelectLanguageByExtension("/w/a.py"));
    EXPECT_EQ(p.config.Current, langs[0].get());
    EXPECT_TRUE(p.config.SelectLanguageByExtension("/w/a_test.py"));
    EXPECT_EQ(p.config.Current, langs[1].get());
    // The pattern is for the name: a folder that matches it does not count.
    EXPECT_TRUE(p.config.SelectLanguageByExtension("/w/test_dir/a.py"));
    EXPECT_EQ(p.config.Current, langs[0].get());
    EXPECT_TRUE(p.config.SelectLanguageByExtension("/w/ta.x"));
    EXPECT_EQ(p.config.Current, langs[1].get());
    EXPECT_FALSE(p.config.SelectLanguageByExtension("/w/tab.x"));
    // The open dialog's filter shows patterns as they are, extensions as before.
    EXPECT_EQ(p.config.GetFileFilter(),
              "Runner Files(*.py3,test_*.py,*_test.py,t?.x)|*.py3;test_*.py;*_test.py;t?.x|All "
              "Files(*.*)|*.*");
}

TEST(KVexilConfig, AScriptWithoutAKnownExtensionPicksItsLanguageFromItsFirstLine) {
    ScriptedMessages loadMessages;
    ASSERT_TRUE(RegExpLoad(loadMessages, VEXIL_BIN_DIR));
    Program p;
    // The ready definitions as a first start writes them: Perl as the build folder holds it
    // beside the program, the others as the seeding writes them, all read back from disk.
    ::mkdir(p.dir.File("defs").c_str(), 0755);
    std::filesystem::copy_file(VEXIL_BIN_DIR "/default-defs/perl.def", p.dir.File("defs/perl.def"));
    SeedLanguages(p.dir.File("defs/"),
                  [](const std::string& program) { return "/usr/bin/" + program; });
    p.Def("zz.def", "[Language]\nName=Other\nExt=zz\nRegExpLang=\n");
    p.Start();
    ASSERT_EQ(p.Names(), (Lines{"Bash", "Node.js", "Perl", "PHP", "Perl (prove)", "Python (pytest)",
                                "Python", "Ruby", "Other"}));

    struct Row {
        std::string file, text, language; // "Other": left as it was
    };
    const Row rows[] = {
        {"tool", "#!/usr/bin/env python3\nprint(1)\n", "Python"},
        {"tool", "#!/usr/bin/python3.11 -u\n", "Python"},
        {"tool", "#! /usr/bin/env -S python3 -X dev\n", "Python"},
        {"tool", "#!/usr/bin/ruby -w\n", "Ruby"},
        {"tool", "#!/bin/bash\n", "Bash"},
        {"tool", "#!/bin/sh -e\n", "Bash"},
        {"tool", "#!/usr/bin/env node\n", "Node.js"},
        {"tool", "#!/usr/bin/php8.2\n<?php\n", "PHP"},
        {"tool", "#!/usr/bin/perl -w\n", "Perl"},
        {"tool", "#!/usr/bin/env perl\r\nprint 1;\r\n", "Perl"},
        {"tool", "#!/usr/local/bin/perl5.36", "Perl"},
        {"tool", "#!/usr/bin/perl -w # \x82\xa0 Shift_JIS\n", "Perl"},
        {"tool", "#!/usr/bin/env python3 # café\n", "Python"},
        {"notes.txt", "#!/usr/bin/env ruby\n", "Ruby"}, // an extension no language claims
        {"a.py", "#!/usr/bin/perl\n", "Python"},        // a known extension comes first
        {"a.CGI", "#!/bin/sh\n", "Perl"},
        {"tool", "#!/usr/bin/pythonista\n", "Other"},
        {"tool", "#!/bin/bashful\n", "Other"},
        {"tool", "#!/usr/bin/env rubyx\n", "Other"},
        {"tool", "print 1 # #!/usr/bin/perl\n", "Other"},
        {"tool", "\n#!/usr/bin/perl\n", "Other"}, // only the first line counts
        {"tool", "", "Other"},
        {".bashrc", "export A=1\n", "Other"},
        // Test files go to their runners by name, before the plain extension and whatever
        // their first line says; a runner is never chosen by a first line.
        {"basic.t", "#!/usr/bin/perl\nuse Test::More;\n", "Perl (prove)"},
        {"test_parse.py", "#!/usr/bin/env python3\n", "Python (pytest)"},
        {"parse_test.py", "import pytest\n", "Python (pytest)"},
        {"TEST_Upper.PY", "", "Python (pytest)"},
        {"testing.py", "", "Python"},
        {"my_test.pyw", "", "Python"},
        {"test_.txt", "#!/usr/bin/env ruby\n", "Ruby"},
        {"t", "#!/usr/bin/prove\n", "Other"},
    };
    for (const Row& r : rows) {
        TempDir work;
        const std::string path = work.Write(r.file, r.text);
        p.config.SelectLanguageByName("Other");
        EXPECT_EQ(p.config.SelectLanguageOfScript(path), r.language != "Other") << r.text;
        EXPECT_EQ(p.config.Current->Name, r.language) << r.file << ": " << r.text;
    }
    p.config.SelectLanguageByName("Other");
    EXPECT_FALSE(p.config.SelectLanguageOfScript(p.dir.File("missing")));
    EXPECT_FALSE(p.config.SelectLanguageOfScript(p.dir.Path())) << "a folder";
    EXPECT_EQ(p.config.Current->Name, "Other");
    EXPECT_EQ(loadMessages.Count(), 0u);

    // A definition written before: the Perl default "(^#!.*//perl.*)" stands for "/perl".
    Program old;
    old.Def("a.def", "[Language]\nName=Awk\nRegExpLang=^#!.*/awk\n");
    old.Def("b.def", "[Language]\nName=Perl\n");
    old.Start();
    EXPECT_EQ(old.config.Languages[1]->RegExpLang, "(^#!.*//perl.*)");
    EXPECT_TRUE(old.config.SelectLanguageByFirstLine("#!/usr/bin/perl"));
    EXPECT_EQ(old.config.Current->Name, "Perl");
    EXPECT_TRUE(old.config.SelectLanguageByFirstLine("#!/usr/bin/awk -f"));
    EXPECT_EQ(old.config.Current->Name, "Awk");

    // Without the library nothing is matched, and nothing is said.
    RegExpUnload();
    p.config.SelectLanguageByName("Other");
    EXPECT_FALSE(p.config.SelectLanguageByFirstLine("#!/usr/bin/env python3"));
    EXPECT_EQ(p.config.Current->Name, "Other");
}

TEST(KVexilConfig, ThePauseIsOnWhereNothingIsStored) {
    struct Row {
        std::string cfg;
        bool pause;
    };
    for (const Row& r :
         {Row{"", true}, Row{"[Environment]\nEditor=vi\n", true},
          Row{"[Environment]\nUsePause=0\n", false}, Row{"[Environment]\nUsePause=1\n", true},
          Row{"[Environment]\nUsePause=maybe\n", true}}) {
        Program p;
        if (!r.cfg.empty())
            p.dir.Write("VexilPro.cfg", r.cfg);
        p.Start();
        EXPECT_EQ(p.config.UsePause, r.pause) << r.cfg;
        EXPECT_EQ(p.config.Environment().UsePause, r.pause) << "the dialog shows it";
        p.config.Save();
        EXPECT_EQ(IniFile(p.config.CfgPath).ReadString("Environment", "UsePause", ""),
                  r.pause ? "1" : "0")
            << "a stored choice stays";
    }
}

TEST(KVexilConfig, FileFilter) {
    Program p;
    p.Def("a.def", "[Language]\nName=Perl\nExt=pl, cgi\n");
    p.Def("b.def", "[Language]\nName=Plain\nExt=\n");
    p.Start();
    EXPECT_EQ(p.config.GetFileFilter(), "Perl Files(*.pl,*.cgi)|*.pl;*.cgi|All Files(*.*)|*.*");
    p.config.Current = p.config.Languages[1].get();
    EXPECT_EQ(p.config.GetFileFilter(), "Plain Files()||All Files(*.*)|*.*");
}

TEST(KVexilConfig, TempFilePathAndRunnableCheck) {
    Program p;
    p.Start();
    KDefConfig& perl = *p.config.Current;
    EXPECT_EQ(p.config.GetTempFilePath(), p.dir.Path() + "/vexil.tmp");
    perl.TempDir = "/tmp";
    EXPECT_EQ(p.config.GetTempFilePath(), "/tmp/vexil.tmp");
    perl.TempDir = "/tmp/";
    EXPECT_EQ(p.config.GetTempFilePath(), "/tmp//vexil.tmp");
    p.messages.Reset();

    perl.ExePath = p.dir.Path(); // a folder is no interpreter
    EXPECT_FALSE(p.config.CheckRunnable());
    perl.ExePath = p.dir.File("missing-perl");
    EXPECT_FALSE(p.config.CheckRunnable());
    EXPECT_EQ(p.messages.Texts(), (Lines{"File " + p.dir.Path() + " is not found.",
                                         "File " + p.dir.File("missing-perl") + " is not found."}));
    p.messages.Reset();

    perl.ExePath = p.dir.Write("perl", "#!/bin/sh\n");
    perl.TempDir = p.dir.File("gone");
    EXPECT_FALSE(p.config.CheckRunnable());
    EXPECT_EQ(p.messages.Texts(), Lines{"Temp Directory " + p.dir.File("gone") + " is not found."});
    p.messages.Reset();

    perl.TempDir = "";
    EXPECT_TRUE(p.config.CheckRunnable());
    perl.TempDir = "/"; // the root passes as a folder
    EXPECT_TRUE(p.config.CheckRunnable());
    EXPECT_EQ(p.messages.Count(), 0u);
}

TEST(KVexilConfig, LoadReadsEverySettingAndAppliesItInOrder) {
    Program p;
    p.Def("a.def", "[Language]\nName=Awk\n");
    p.Def("b.def", "[Language]\nName=Ruby\n");
    p.dir.Write("VexilPro.cfg",
                "[Environment]\nLanguage=ruby\nEditor=/usr/bin/gvim\nUseDoubleQuotes=1\n"
                "UseTagJump=1\nTagJumpText=+%L %F\nTempBat=/tmp/b.sh\nUsePause=1\nUseHotKey=1\n"
                "HotKey=24655\nAutoRefresh=1\nReadOnlyWhenAutoRefresh=1\nTempHtml=/tmp/o.html\n"
                "CutHead=0\nDefaultCode=2\n"
                "[Window]\nMaximized=1\nWidth=1024\nHeight=0x300\n"
                "[FileHistory]\nItemNumber=2\nFile0=/a.rb\nFile1=/b.rb\n"
                "[Others]\nMemoryFileWhenDropped=1\nChangeCurrentDirOnDrop=1\n"
                "DontChangeDirFromDesktop=1\nFEditorStayOnTop=1\n");
    p.Start();
    auto& c = p.config;
    EXPECT_EQ(c.Current->Name, "Ruby");
    EXPECT_EQ(c.Editor, "/usr/bin/gvim");
    EXPECT_TRUE(c.UseDoubleQuotes);
    EXPECT_TRUE(c.UseTagJump);
    EXPECT_EQ(c.TagJumpText, "+%L %F");
    EXPECT_EQ(c.TempBat, "/tmp/b.sh");
    EXPECT_TRUE(c.UsePause);
    EXPECT_TRUE(c.UseHotKey);
    EXPECT_EQ(c.HotKey, 24655); // Ctrl+Shift+O
    EXPECT_TRUE(c.AutoRefresh);
    EXPECT_TRUE(c.ReadOnlyWhenAutoRefresh);
    EXPECT_TRUE(c.Maximized);
    EXPECT_EQ(c.TempHtml, "/tmp/o.html");
    EXPECT_FALSE(c.CutHead);
    EXPECT_EQ(c.DefaultCode, 2);
    EXPECT_EQ(p.history.Paths(), (Lines{"/a.rb", "/b.rb"}));
    EXPECT_TRUE(c.MemoryFileWhenDropped);
    EXPECT_TRUE(c.ChangeCurrentDirOnDrop);
    EXPECT_TRUE(c.DontChangeDirFromDesktop);
    EXPECT_TRUE(c.FEditorStayOnTop);
    EXPECT_EQ(p.calls, (Lines{"register 24655", "width 1024", "height 768"}));
}

TEST(KVexilConfig, DamagedConfigurationFilesGiveDefaults) {
    static const char garbage[] = "\x01\xff\xfe[\n=\n\0\0[Environment\nCutHead\n";
    for (const std::string& content :
         {std::string(), std::string(garbage, sizeof garbage - 1),
          std::string("[Environment]\nCutHead=maybe\nDefaultCode=x\nHotKey=12k\nUseHotKey=\n"
                      "[Window]\nWidth=wide\nHeight=\n")}) {
        Program p;
        p.dir.Write("VexilPro.cfg", content);
        p.Start();
        EXPECT_EQ(p.config.Current->Name, "Perl");
        EXPECT_TRUE(p.config.CutHead);
        EXPECT_EQ(p.config.DefaultCode, -1);
        EXPECT_EQ(p.config.HotKey, 0);
        EXPECT_EQ(p.config.Editor, "xdg-open");
        EXPECT_EQ(p.calls, (Lines{"unregister", "width 600", "height 400"}));
        EXPECT_EQ(p.history.Count(), 0);
    }
}

TEST(KVexilConfig, SaveWritesInOrderAndKeepsForeignLines) {
    // No ready language of this machine joins the ones written here.
    const OnlyOnPath noInterpreters({});
    Program p;
    p.Def("perl.def", "[Language]\nName=Perl\n");
    std::string original = "; mine\n[Environment]\nLanguage=Perl\nCustom=kept\n"
                           "[Others]\nFEditorStayOnTop=0\n[Window]\nWidth=700\n";
    p.dir.Write("VexilPro.cfg", original);
    p.Start();
    p.history.Add("/x.pl");
    p.config.Editor = "/usr/bin/kate";
    p.code = 1;
    p.onTop = false;
    p.config.Save();
    EXPECT_EQ(p.dir.Read("VexilPro.cfg"),
              "; mine\n[Environment]\nLanguage=Perl\nCustom=kept\nEditor=/usr/bin/kate\n"
              "UseDoubleQuotes=1\nUseTagJump=0\nTagJumpText=\nTempBat=temp.sh\nUsePause=1\n"
              "UseHotKey=0\nHotKey=0\nAutoRefresh=0\nReadOnlyWhenAutoRefresh=0\n"
              "TempHtml=temp.html\nCutHead=1\nDefaultCode=1\n"
              "[Others]\nFEditorStayOnTop=0\nMemoryFileWhenDropped=0\nChangeCurrentDirOnDrop=0\n"
              "DontChangeDirFromDesktop=0\n[Window]\nWidth=700\n"
              "[FileHistory]\nItemNumber=1\nFile0=/x.pl\n");
    // Saving the definitions comes first; the language file holds all its keys now.
    EXPECT_EQ(IniFile(p.dir.File("defs/perl.def")).ReadString("Debug", "RegExpErr", ""),
              "line [0-9]+.?");
}

TEST(KVexilConfig, UnsetCallbacksAnswerTheStoredFields) {
    TempDir dir;
    ScriptedMessages messages;
    KVexilConfig config(dir.Path(), messages);
    config.LoadDefFiles();
    config.Load();
    config.SetHotKey(true, 0x4041);
    config.SetReadOnly(true);
    EXPECT_TRUE(config.ReadOnly);
    config.DefaultCode = 2;
    config.FEditorStayOnTop = true;
    config.Save();
    IniFile ini(config.CfgPath);
    EXPECT_EQ(ini.ReadString("Environment", "DefaultCode", ""), "2");
    EXPECT_EQ(ini.ReadString("Others", "FEditorStayOnTop", ""), "1");
    EXPECT_EQ(ini.ReadString("Environment", "HotKey", ""), "16449");
    EXPECT_FALSE(ini.HasKey("FileHistory", "ItemNumber"));
}

TEST(KVexilConfig, HotKeyAndReadOnlyGoThroughTheWindows) {
    Program p;
    p.Start();
    p.calls.clear();
    p.config.SetHotKey(true, 0x2070);
    p.config.SetHotKey(true, 0x2070); // asked again even when unchanged
    p.config.SetHotKey(false, 0x4071);
    EXPECT_EQ(p.calls, (Lines{"register 8304", "register 8304", "unregister"}));
    EXPECT_FALSE(p.config.UseHotKey);
    EXPECT_EQ(p.config.HotKey, 0x4071);
    p.config.Save();
    IniFile ini(p.config.CfgPath);
    EXPECT_EQ(ini.ReadString("Environment", "UseHotKey", ""), "0");
    EXPECT_EQ(ini.ReadString("Environment", "HotKey", ""), "16497");

    p.calls.clear();
    p.config.SetReadOnly(true);
    EXPECT_TRUE(p.config.ReadOnly);
    p.config.SetReadOnly(false);
    EXPECT_FALSE(p.config.ReadOnly);
    EXPECT_EQ(p.calls, (Lines{"readonly", "writable"}));
}

TEST(KVexilConfig, SaveWindowWritesWindowKeysFirst) {
    Program p;
    p.Start();
    p.config.SaveWindow(true, 812, 533);
    IniFile ini(p.config.CfgPath);
    EXPECT_EQ(ini.ReadString("Window", "Maximized", ""), "1");
    EXPECT_EQ(ini.ReadString("Window", "Width", ""), "812");
    EXPECT_EQ(ini.ReadString("Window", "Height", ""), "533");
    std::string text = p.dir.Read("VexilPro.cfg");
    EXPECT_EQ(text.find("[Window]\nMaximized=1\nHeight=533\nWidth=812\n"), 0u);

    Program again; // the next start reads them back
    WriteFileBytes(again.dir.File("VexilPro.cfg"), text);
    again.Start();
    EXPECT_TRUE(again.config.Maximized);
    EXPECT_EQ(again.calls, (Lines{"unregister", "width 812", "height 533"}));
}

TEST(KVexilConfig, AddLanguageWritesSelectsAndTells) {
    // No ready language of this machine joins the ones written here.
    const OnlyOnPath noInterpreters({});
    Program p;
    p.Def("perl.def", "[Language]\nName=Perl\nExt=pl\n");
    p.Start();
    p.config.AddLanguage("Ruby", "/usr/bin/ruby");
    ASSERT_EQ(p.config.Languages.size(), 2u);
    EXPECT_EQ(p.config.Current, p.config.Languages[1].get());
    EXPECT_EQ(p.config.Current->FileName, p.dir.File("defs/Ruby.def"));
    KDefConfig onDisk(p.dir.File("defs/Ruby.def"));
    EXPECT_EQ(onDisk.Name, "Ruby");
    EXPECT_EQ(onDisk.ExePath, "/usr/bin/ruby");
    EXPECT_EQ(onDisk.TempFile, "Vexil.tmp");
    EXPECT_EQ(
        p.messages.Texts(),
        Lines{"Ruby　を追加しました。\n 詳細設定は設定メニューの言語別設定から行ってください"});
    EXPECT_FALSE(std::filesystem::exists(p.config.CfgPath)); // stored at the next save

    // The same name again asks first, No being the default: No writes nothing, Yes replaces
    // the file and its entry, so the list never holds two entries for one file.
    p.messages.Reset();
    p.messages.Answer(MessageAnswer::No);
    EXPECT_FALSE(p.config.AddLanguage("Ruby", "/opt/ruby"));
    ASSERT_EQ(p.messages.Count(), 1u);
    EXPECT_TRUE(p.messages.Shown()[0].defaultNo);
    EXPECT_EQ(p.messages.Shown()[0].text, "言語定義ファイル " + p.dir.File("defs/Ruby.def") +
                                              " は既に存在します。\n上書きしますか？");
    EXPECT_EQ(KDefConfig(p.dir.File("defs/Ruby.def")).ExePath, "/usr/bin/ruby");
    p.config.Current = p.config.Languages[0].get();
    p.messages.Answer(MessageAnswer::Yes);
    EXPECT_TRUE(p.config.AddLanguage("Ruby", "/opt/ruby"));
    ASSERT_EQ(p.config.Languages.size(), 2u);
    EXPECT_EQ(p.config.Current, p.config.Languages[1].get());
    EXPECT_EQ(p.config.Current->ExePath, "/opt/ruby");
    EXPECT_EQ(KDefConfig(p.dir.File("defs/Ruby.def")).ExePath, "/opt/ruby");

    // The next start finds both files, sorted by name.
    Program next;
    std::filesystem::copy(p.dir.File("defs"), next.dir.File("defs"));
    next.config.LoadDefFiles();
    EXPECT_EQ(next.Names(), (Lines{"Ruby", "Perl"}));
}

TEST(KVexilConfig, RefusedSavesNameTheFileAndKeepTheOldOne) {
    Program p;
    p.Def("perl.def", "[Language]\nName=Perl\n");
    std::string original = "[Environment]\nLanguage=Perl\n";
    p.dir.Write("VexilPro.cfg", original);
    ASSERT_EQ(::chmod(p.dir.File("VexilPro.cfg").c_str(), 0444), 0);
    p.Start();
    try {
        p.config.Save();
        FAIL() << "a read-only VexilPro.cfg was written";
    } catch (const IniError& e) {
        EXPECT_EQ(e.FileName(), p.config.CfgPath);
        EXPECT_NE(std::string(e.what()).find(p.config.CfgPath), std::string::npos);
    }
    EXPECT_EQ(p.dir.Read("VexilPro.cfg"), original);
    EXPECT_THROW(p.config.SaveWindow(false, 1, 1), IniError);
    EXPECT_EQ(p.dir.Read("VexilPro.cfg"), original);
}

TEST(KVexilConfig, ReadOnlyProgramFolder) {
    Program p;
    p.Def("perl.def", "[Language]\nName=Perl\nExt=pl\n");
    std::string cfg = "[Environment]\nLanguage=Perl\nEditor=vi\n";
    p.dir.Write("VexilPro.cfg", cfg);
    // The files are read-only too: a writable file in a closed folder would be written in place.
    ASSERT_EQ(::chmod(p.dir.File("defs/perl.def").c_str(), 0444), 0);
    ASSERT_EQ(::chmod(p.dir.File("VexilPro.cfg").c_str(), 0444), 0);
    ASSERT_EQ(::chmod(p.dir.File("defs").c_str(), 0555), 0);
    ASSERT_EQ(::chmod(p.dir.Path().c_str(), 0555), 0);
    const std::string defPath = p.dir.File("defs/perl.def");
    bool ok = RunUnprivileged([&] {
        ScriptedMessages messages;
        KVexilConfig config(p.dir.Path(), messages);
        config.LoadDefFiles();
        config.Load();
        if (config.Editor != "vi" || config.Current->Ext != "pl")
            return false;
        try {
            config.Save();
        } catch (const IniError& e) {
            return e.FileName() == defPath; // the definitions are saved first
        }
        return false;
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(p.dir.Read("VexilPro.cfg"), cfg);
    EXPECT_EQ(p.dir.Read("defs/perl.def"), "[Language]\nName=Perl\nExt=pl\n");
}

TEST(KVexilConfig, HandEditedAndHostileFilesCannotHurtTheSettings) {
    // No ready language of this machine joins the ones written here.
    const OnlyOnPath noInterpreters({});
    Program p;
    p.Def("perl.def", "[Language]\nName=Perl\nExt=PL\n");
    p.Def(".#perl.def", "[Language]\nName=Phantom\nExt=pl\n");
    ::symlink("/nonexistent/x.def", p.dir.File("defs/ghost.def").c_str());
    ::mkdir(p.dir.File("defs/dir.def").c_str(), 0755);
    // An editor's byte-order mark before the first section, and codes out of range.
    p.dir.Write("VexilPro.cfg",
                "\xEF\xBB\xBF\xEF\xBB\xBF[Environment]\nTempBat=mine.sh\nDefaultCode=7\n");
    p.Start();
    EXPECT_EQ(p.Names(), Lines{"Perl"})
        << "hidden files, dangling links and folders are no language";
    EXPECT_EQ(p.config.TempBat, "mine.sh");
    EXPECT_EQ(p.config.DefaultCode, -1);
    EXPECT_TRUE(p.config.UseDoubleQuotes) << "the launcher splits at blanks: quotes by default";
    EXPECT_TRUE(p.config.SelectLanguageByExtension("/w/a.pl")) << "Ext=PL matches a.pl";

    // A file name with a line break must not become sections of the file.
    p.history.Add("/w/a\n[Others]\nMemoryFileWhenDropped=1");
    p.history.Add("/w/b.pl");
    p.code = -2;
    p.config.Save();
    std::string saved = p.dir.Read("VexilPro.cfg");
    EXPECT_EQ(saved.rfind("\xEF\xBB\xBF", 0), std::string::npos);
    EXPECT_EQ(saved.find("[Environment]"), saved.rfind("[Environment]")) << saved;
    Program again;
    again.dir.Write("VexilPro.cfg", saved);
    again.Start();
    EXPECT_FALSE(again.config.MemoryFileWhenDropped);
    EXPECT_EQ(again.history.Paths(), Lines{"/w/b.pl"});
    EXPECT_EQ(again.config.TempBat, "mine.sh");
    EXPECT_EQ(again.config.DefaultCode, -1);

    IniFile ini(p.dir.File("x.ini"));
    EXPECT_FALSE(ini.WriteString("S", "K", "a\rb"));
    EXPECT_FALSE(ini.HasKey("S", "K"));
}

// The form editor's code is kept in [Others] FormCode, written only once it differs from the
// UTF-8 start or is there already; a value no code has reads as that start.
TEST(KVexilConfig, TheFormEditorsCodeIsStoredOnceChosen) {
    struct Row {
        const char* stored; // the [Others] line, or nothing
        int read;
        int current; // what the form editor has at the save
        const char* written;
    };
    const Row rows[] = {
        {nullptr, 2, 2, nullptr},  {nullptr, 2, 0, "0"},      {"FormCode=1", 1, 1, "1"},
        {"FormCode=2", 2, 2, "2"}, {"FormCode=3", 2, 2, "2"}, {"FormCode=-1", 2, 1, "1"},
        {"FormCode=x", 2, 2, "2"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.stored ? r.stored : "none");
        Program p;
        if (r.stored)
            p.dir.Write("VexilPro.cfg", std::string("[Others]\n") + r.stored + "\n");
        int current = -9;
        p.config.Callbacks.FormEditorCode = [&current] { return current; };
        p.Start();
        EXPECT_EQ(p.config.FormCode, r.read);
        current = r.current;
        p.config.Save();
        IniFile ini(p.config.CfgPath);
        EXPECT_EQ(ini.HasKey("Others", "FormCode"), r.written != nullptr);
        EXPECT_EQ(ini.ReadString("Others", "FormCode", "none"), r.written ? r.written : "none");
    }
}

TEST(KVexilConfig, AStartBringsEarlierReadyDefinitionsUpToDateAndKeepsWhatTheUserEdited) {
    const OnlyOnPath path({"python3", "ruby", "php"});
    Program p;
    // As the first ready version wrote them: Perl installed untouched; Python with the user's own
    // line expression and a key of the user's.
    p.Def("perl.def", "[Language]\nName=Perl\nExt=pl,cgi\nRegExpLang=(^#!.*//perl.*)\n"
                      "[Environment]\nExePath=/usr/bin/perl\nOption=\n[Debug]\n"
                      "RegExpErr=line [0-9]+.?\nShowError=1\nUseTagJumpToOtherFile=0\n"
                      "RegExpLine=\nRegExpFile=\n");
    p.Def("python.def", "[Language]\nName=Python\nExt=py,pyw\nRegExpLang=\n[Environment]\n"
                        "ExePath=/usr/bin/python3\nOption=\n[Debug]\nRegExpErr=line ([0-9]+)\n"
                        "UseTagJumpToOtherFile=1\n"
                        "RegExpFile=File \"([^\"]+)\", line [0-9]+\nPinned=yes\n");
    p.Start();
    // pytest's runner came after the record began, and python3 runs it: it is written now.
    ASSERT_EQ(p.Names(), (Lines{"Perl", "Python (pytest)", "Python"}))
        << "ruby and php were offered before: their files were removed, and stay so";
    const KDefConfig perl(p.dir.File("defs/perl.def"));
    EXPECT_EQ(perl.RegExpErr, PerlSeed().regExpErr);
    EXPECT_EQ(perl.RegExpFile, PerlSeed().regExpFile);
    EXPECT_TRUE(perl.UseTagJumpToOtherFile);
    const LanguageSeed& seed = LanguageSeeds()[0];
    const KDefConfig python(p.dir.File("defs/python.def"));
    EXPECT_EQ(python.RegExpErr, "line ([0-9]+)");
    EXPECT_EQ(python.RegExpFile, seed.regExpFile);
    EXPECT_EQ(python.Option, seed.option);
    EXPECT_EQ(python.RegExpLang, seed.regExpLang);
    EXPECT_EQ(IniFile(python.FileName).ReadString("Debug", "Pinned", ""), "yes");
    // The running definitions are the new ones too.
    EXPECT_EQ(p.config.Languages[2]->RegExpFile, seed.regExpFile);
    EXPECT_EQ(p.config.Languages[2]->RegExpErr, "line ([0-9]+)");
    // What was offered beyond the five a folder without a record stands for is remembered.
    p.config.Save();
    EXPECT_EQ(IniFile(p.config.CfgPath).ReadString("Languages", "Offered", "-"),
              "python,ruby,bash,php,node,pytest");
}

TEST(KVexilConfig, AReadyLanguageIsWrittenOnceWhenItsInterpreterIsFound) {
    Program p;
    {
        // A first start on a machine with Python only.
        const OnlyOnPath path({"python3"});
        p.Start();
        EXPECT_EQ(p.Names(), (Lines{"Perl", "Python (pytest)", "Python"}));
        p.config.Save();
        EXPECT_EQ(IniFile(p.config.CfgPath).ReadString("Languages", "Offered", "-"),
                  "python,pytest");
    }
    // Ruby and PHP are installed since: the next start writes them, in the list's order.
    const OnlyOnPath path({"python3", "ruby", "php"});
    std::filesystem::remove(p.dir.File("defs/python.def"));
    Program next;
    std::filesystem::copy(p.dir.Path(), next.dir.Path(),
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    next.Start();
    EXPECT_EQ(next.Names(), (Lines{"Perl", "PHP", "Python (pytest)", "Ruby"}))
        << "Python was removed by the user";
    EXPECT_EQ(KDefConfig(next.dir.File("defs/ruby.def")).ExePath, path.Bin("ruby"));
    next.config.Save();
    EXPECT_EQ(IniFile(next.config.CfgPath).ReadString("Languages", "Offered", "-"),
              "python,pytest,ruby,php");
    // Removed in turn, Ruby stays away.
    std::filesystem::remove(next.dir.File("defs/ruby.def"));
    Program third;
    std::filesystem::copy(next.dir.Path(), third.dir.Path(),
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    third.Start();
    EXPECT_EQ(third.Names(), (Lines{"Perl", "PHP", "Python (pytest)"}));
}

TEST(KVexilConfig, TheRecordFollowsEveryOfferEvenWhenItComesToTheEarlierFive) {
    Program p;
    p.Def("perl.def", "[Language]\nName=Perl\n");
    p.dir.Write("VexilPro.cfg", "[Languages]\nOffered=python\n");
    {
        // The other four come since: written, and remembered although the list is now the one
        // a folder without a record stands for.
        const OnlyOnPath path({"ruby", "bash", "php", "node"});
        p.Start();
        EXPECT_EQ(p.Names(), (Lines{"Bash", "Node.js", "Perl", "PHP", "Ruby"}));
        p.config.Save();
    }
    std::filesystem::remove(p.dir.File("defs/ruby.def"));
    const OnlyOnPath path({"ruby"});
    Program next;
    std::filesystem::copy(p.dir.Path(), next.dir.Path(),
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    next.Start();
    EXPECT_EQ(next.Names(), (Lines{"Bash", "Node.js", "Perl", "PHP"}));
    // A configuration that never read its folder records nothing.
    ScriptedMessages messages;
    TempDir fresh;
    KVexilConfig unread(fresh.Path(), messages);
    unread.Save();
    EXPECT_FALSE(IniFile(unread.CfgPath).HasKey("Languages", "Offered"));
}
