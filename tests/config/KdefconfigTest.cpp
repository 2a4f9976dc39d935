#include "config/Kdefconfig.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

using Items = std::vector<std::string>;

// The stock Perl values a file without the key falls back to.
void ExpectPerlDefaultsBesidesName(const KDefConfig& def) {
    EXPECT_EQ(def.Ext, "pl");
    EXPECT_EQ(def.RegExpLang, "(^#!.*//perl.*)");
    EXPECT_EQ(def.ExePath, "/usr/bin/perl");
    EXPECT_EQ(def.Option, "");
    EXPECT_EQ(def.LastFolder, "/");
    EXPECT_EQ(def.HelpFile, "");
    EXPECT_EQ(def.TempFile, "vexil.tmp");
    EXPECT_EQ(def.TempDir, "");
    EXPECT_FALSE(def.UseHelpFile);
    EXPECT_FALSE(def.UseHtmlHelp);
    EXPECT_EQ(def.RegExpErr, "line [0-9]+.?");
    EXPECT_FALSE(def.ShowError);
    EXPECT_FALSE(def.UseTagJumpToOtherFile);
    EXPECT_EQ(def.RegExpLine, "");
    EXPECT_EQ(def.RegExpFile, "");
}

} // namespace

TEST(ExtList, ItemsSeparatedByCommasOrBlanks) {
    EXPECT_EQ(ExtList("pl,cgi"), (Items{"pl", "cgi"}));
    EXPECT_EQ(ExtList("pl, cgi"), (Items{"pl", "cgi"}));
    EXPECT_EQ(ExtList("pl cgi"), (Items{"pl", "cgi"}));
    EXPECT_EQ(ExtList("  pl ,\tcgi  "), (Items{"pl", "cgi"}));
    EXPECT_EQ(ExtList(""), Items{});
    EXPECT_EQ(ExtList("   "), Items{});
}

TEST(ExtList, EmptyItemsFromCommas) {
    EXPECT_EQ(ExtList("pl,"), (Items{"pl", ""}));
    EXPECT_EQ(ExtList("pl, "), (Items{"pl", ""}));
    EXPECT_EQ(ExtList(",pl"), (Items{"", "pl"}));
    EXPECT_EQ(ExtList("pl,,cgi"), (Items{"pl", "", "cgi"}));
    EXPECT_EQ(ExtList(","), (Items{"", ""}));
}

TEST(ExtList, QuotedItemsAndHighBytes) {
    EXPECT_EQ(ExtList("\"p l\",cgi"), (Items{"p l", "cgi"}));
    EXPECT_EQ(ExtList("\"a\"\"b\""), (Items{"a\"b"}));
    EXPECT_EQ(ExtList("\"open"), (Items{"open"}));
    // UTF-8 and Shift_JIS bytes belong to the item.
    EXPECT_EQ(ExtList("日本,\x82\xa0x"), (Items{"日本", "\x82\xa0x"}));
}

TEST(FirstLineExpression, ADoubledSlashIsOneAndEverythingElseStays) {
    struct Row {
        const char* stored;
        const char* used;
    };
    for (const Row& r :
         {Row{"(^#!.*//perl.*)", "(^#!.*/perl.*)"}, Row{"^#!\\S*/ruby", "^#!\\S*/ruby"},
          Row{"a//b//c", "a/b/c"}, Row{"///", "//"}, Row{"////", "//"}, Row{"/", "/"}, Row{"", ""},
          Row{"[^/]//x", "[^/]/x"}})
        EXPECT_EQ(FirstLineExpression(r.stored), r.used) << r.stored;
}

TEST(KDefConfig, MissingFileGivesDefaultsAndWritesNothing) {
    TempDir dir;
    KDefConfig def(dir.File("none.def"));
    EXPECT_EQ(def.FileName, dir.File("none.def"));
    EXPECT_EQ(def.Name, "Perl");
    ExpectPerlDefaultsBesidesName(def);
    struct stat st {};
    EXPECT_NE(::stat(dir.File("none.def").c_str(), &st), 0);
}

TEST(KDefConfig, OnlyANameGivesPerlDefaultsForTheRest) {
    TempDir dir;
    KDefConfig def(dir.Write("ruby.def", "[Language]\nName=Ruby\n"));
    EXPECT_EQ(def.Name, "Ruby");
    ExpectPerlDefaultsBesidesName(def);
}

TEST(KDefConfig, ReadsEveryKeyFromItsSection) {
    TempDir dir;
    auto path = dir.Write("r.def", "[language]\nname=Ruby\next=rb, rbw\nRegExpLang=x\n"
                                   "[ENVIRONMENT]\nExePath=/opt/ruby\nOption=-w\nLastFolder=/home\n"
                                   "UseHelpFile=1\nUseHtmlHelp=1\nHelpFile=/h.html\nTempFile=t.rb\n"
                                   "TempDir=/var/tmp\n"
                                   "[Debug]\nRegExpErr=:[0-9]+:\nShowError=1\n"
                                   "UseTagJumpToOtherFile=1\nRegExpLine=l\nRegExpFile=^(.*?):\n");
    KDefConfig def(path);
    EXPECT_EQ(def.Name, "Ruby");
    EXPECT_EQ(def.Ext, "rb, rbw");
    EXPECT_EQ(def.RegExpLang, "x");
    EXPECT_EQ(def.ExePath, "/opt/ruby");
    EXPECT_EQ(def.Option, "-w");
    EXPECT_EQ(def.LastFolder, "/home");
    EXPECT_TRUE(def.UseHelpFile);
    EXPECT_TRUE(def.UseHtmlHelp);
    EXPECT_EQ(def.HelpFile, "/h.html");
    EXPECT_EQ(def.TempFile, "t.rb");
    EXPECT_EQ(def.TempDir, "/var/tmp");
    EXPECT_EQ(def.RegExpErr, ":[0-9]+:");
    EXPECT_TRUE(def.ShowError);
    EXPECT_TRUE(def.UseTagJumpToOtherFile);
    EXPECT_EQ(def.RegExpLine, "l");
    EXPECT_EQ(def.RegExpFile, "^(.*?):");
}

TEST(KDefConfig, BooleansReadAsIntegers) {
    TempDir dir;
    KDefConfig yes(dir.Write("a.def", "[Debug]\nShowError=yes\n"));
    EXPECT_FALSE(yes.ShowError);
    KDefConfig two(dir.Write("b.def", "[Debug]\nShowError=2\n"));
    EXPECT_TRUE(two.ShowError);
    KDefConfig hex(dir.Write("c.def", "[Debug]\nShowError=0x1\n"));
    EXPECT_TRUE(hex.ShowError);
    hex.Save();
    EXPECT_EQ(IniFile(hex.FileName).ReadString("Debug", "ShowError", ""), "1");
    KDefConfig zero(dir.Write("d.def", "[Debug]\nShowError=0\nUseTagJumpToOtherFile=\n"));
    EXPECT_FALSE(zero.ShowError);
    EXPECT_FALSE(zero.UseTagJumpToOtherFile);
}

TEST(KDefConfig, NewLanguageIsWrittenAtOnceWithSixteenKeysInOrder) {
    TempDir dir;
    KDefConfig def(dir.File("Ruby.def"), "Ruby", "/usr/bin/ruby");
    EXPECT_EQ(dir.Read("Ruby.def"), "[Language]\nName=Ruby\nExt=\nRegExpLang=\n"
                                    "[Environment]\nExePath=/usr/bin/ruby\nOption=\nLastFolder=/\n"
                                    "UseHelpFile=0\nUseHtmlHelp=0\nHelpFile=\nTempFile=Vexil.tmp\n"
                                    "TempDir=\n"
                                    "[Debug]\nRegExpErr=\nShowError=0\nUseTagJumpToOtherFile=0\n"
                                    "RegExpLine=\nRegExpFile=\n");
    EXPECT_EQ(def.TempFile, "Vexil.tmp");
    EXPECT_EQ(def.RegExpErr, "");
    EXPECT_EQ(def.Ext, "");
    // Read back, the empty values stay empty rather than falling back to Perl's.
    KDefConfig again(def.FileName);
    EXPECT_EQ(again.Ext, "");
    EXPECT_EQ(again.RegExpErr, "");
    EXPECT_EQ(again.TempFile, "Vexil.tmp");
}

TEST(KDefConfig, NewLanguageOverwritesAnExistingFileKeyByKey) {
    TempDir dir;
    dir.Write("Ruby.def", "[Language]\nName=Old\nExt=rb\nOwn=mine\n[Debug]\nShowError=1\n");
    KDefConfig def(dir.File("Ruby.def"), "Ruby", "/usr/bin/ruby");
    IniFile ini(def.FileName);
    EXPECT_EQ(ini.ReadString("Language", "Name", ""), "Ruby");
    EXPECT_EQ(ini.ReadString("Language", "Ext", "x"), "");
    EXPECT_EQ(ini.ReadString("Language", "Own", ""), "mine");
    EXPECT_EQ(ini.ReadString("Debug", "ShowError", ""), "0");
}

TEST(KDefConfig, SaveKeepsForeignLinesByteForByteAndIsStable) {
    TempDir dir;
    std::string original = "; my perl\n[Language]\nName=Perl\nExt=pl,cgi\nRegExpLang=r\n\n"
                           "[Environment]\nExePath=/usr/bin/perl\nOption=-w\nLastFolder=/\n"
                           "UseHelpFile=0\nUseHtmlHelp=0\nHelpFile=\nTempFile=vexil.tmp\n"
                           "TempDir=\n\n[Unknown]\nfoo = bar\n\n"
                           "[Debug]\nRegExpErr=line [0-9]+.?\nShowError=1\n"
                           "UseTagJumpToOtherFile=0\nRegExpLine=\nRegExpFile=\nByHand=kept\n";
    auto path = dir.Write("perl.def", original);
    KDefConfig def(path);
    def.Save();
    EXPECT_EQ(dir.Read("perl.def"), original);
    def.Save();
    EXPECT_EQ(dir.Read("perl.def"), original);

    def.Option = "-T";
    def.Save();
    std::string changed = original;
    changed.replace(changed.find("Option=-w"), 9, "Option=-T");
    EXPECT_EQ(dir.Read("perl.def"), changed);
}

TEST(KDefConfig, DamagedFilesLoadWithDefaults) {
    TempDir dir;
    std::mt19937 gen(7);
    std::string garbage(4096, '\0');
    for (char& c : garbage)
        c = static_cast<char>(gen() & 0xff);
    KDefConfig binary(dir.Write("bin.def", garbage));
    EXPECT_EQ(binary.Name, "Perl");
    ExpectPerlDefaultsBesidesName(binary);

    KDefConfig noSections(dir.Write("flat.def", "Name=Ruby\nExePath=/usr/bin/ruby\n"));
    EXPECT_EQ(noSections.Name, "Perl");
    ExpectPerlDefaultsBesidesName(noSections);

    std::string big(10 * 1024, 'o');
    KDefConfig huge(dir.Write("big.def", "[Environment]\nOption=" + big + "\nTempFile=x\n"));
    EXPECT_EQ(huge.Option, big.substr(0, 2047));
    EXPECT_EQ(huge.TempFile, "x");
}

TEST(KDefConfig, GetDefaultExt) {
    TempDir dir;
    KDefConfig def(dir.File("x.def"));
    def.Ext = "pl, cgi";
    EXPECT_EQ(def.GetDefaultExt(), "pl");
    def.Ext = "  ";
    EXPECT_EQ(def.GetDefaultExt(), "");
    def.Ext = "";
    EXPECT_EQ(def.GetDefaultExt(), "");
    def.Ext = ",pl";
    EXPECT_EQ(def.GetDefaultExt(), "");
    def.Ext = " \"p l\",x";
    EXPECT_EQ(def.GetDefaultExt(), "p l");
}

TEST(KDefConfig, RefusedSaveNamesTheFileAndKeepsTheOldOne) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
    std::string sub = dir.File("defs");
    ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
    std::string path = sub + "/perl.def";
    std::string original = "[Language]\nName=Perl\nExt=pl\n";
    WriteFileBytes(path, original);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(sub.c_str(), 0555), 0); // nothing new can be made beside the file

    bool ok = RunUnprivileged([&] {
        KDefConfig def(path);
        def.Ext = "pl,cgi";
        try {
            def.Save();
        } catch (const IniError& e) {
            return e.FileName() == path && std::string(e.what()).find(path) != std::string::npos;
        }
        return false;
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadFileBytes(path), original);
}

TEST(KDefConfig, NewLanguageInAMissingFolderThrows) {
    TempDir dir;
    std::string path = dir.File("nowhere/Ruby.def");
    EXPECT_THROW(KDefConfig(path, "Ruby", "/usr/bin/ruby"), IniError);
}

// The editing keys are the user's: read with a fallback for what makes no sense, and never
// written, so a save leaves the file's own lines as they were.
TEST(KDefConfig, TabWidthAndCommentMarkAreReadAndKeptAsWritten) {
    struct Row {
        const char* lines; // under [Language]
        int tabWidth;
        const char* commentMark;
    };
    const Row rows[] = {
        {"", 8, ""},
        {"TabWidth=4\nCommentMark=--\n", 4, "--"},
        {"TabWidth=32\n", 32, ""},
        {"TabWidth=0\n", 8, ""},
        {"TabWidth=33\n", 8, ""},
        {"TabWidth=four\nCommentMark=;\n", 8, ";"},
    };
    TempDir dir;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.lines);
        const std::string text = std::string("[Language]\nName=Lua\n") + r.lines;
        KDefConfig def(dir.Write("lua.def", text));
        EXPECT_EQ(def.TabWidth, r.tabWidth);
        EXPECT_EQ(def.CommentMark, r.commentMark);
        def.TabWidth = 2;
        def.CommentMark = "//";
        def.Save();
        IniFile saved(def.FileName);
        EXPECT_EQ(saved.HasKey("Language", "TabWidth"),
                  std::string(r.lines).find("TabWidth") != std::string::npos);
        KDefConfig again(def.FileName);
        EXPECT_EQ(again.TabWidth, r.tabWidth);
        EXPECT_EQ(again.CommentMark, r.commentMark);
    }
}

// IndentSpaces: read with a TAB for what makes no sense; written only where no line holds it,
// so a ready definition records its spaces once and a hand-edited value stays.
TEST(KDefConfig, IndentSpacesIsWrittenOnceAndAHandEditedValueStays) {
    TempDir dir;
    for (const auto& [line, spaces] :
         std::vector<std::pair<std::string, int>>{{"", 0},
                                                  {"IndentSpaces=4\n", 4},
                                                  {"IndentSpaces=16\n", 16},
                                                  {"IndentSpaces=17\n", 0},
                                                  {"IndentSpaces=-2\n", 0},
                                                  {"IndentSpaces=x\n", 0}}) {
        SCOPED_TRACE(line);
        KDefConfig def(dir.Write("py.def", "[Language]\nName=Python\n" + line));
        EXPECT_EQ(def.IndentSpaces, spaces);
    }
    KDefConfig fresh(dir.File("new.def"));
    fresh.IndentSpaces = 4;
    fresh.Save();
    EXPECT_EQ(IniFile(fresh.FileName).ReadString("Language", "IndentSpaces", ""), "4");
    // Edited by hand while the program runs: the program's save keeps the hand's value.
    dir.Write("new.def", "[Language]\nName=Python\nIndentSpaces=2\n");
    fresh.Save();
    EXPECT_EQ(KDefConfig(fresh.FileName).IndentSpaces, 2);
    // A TAB language writes nothing of it.
    KDefConfig tabs(dir.File("tabs.def"));
    tabs.Save();
    EXPECT_FALSE(IniFile(tabs.FileName).HasKey("Language", "IndentSpaces"));
}

TEST(ExtList, NamePatternsAndTheExtensionTheyStandFor) {
    EXPECT_TRUE(IsNamePattern("test_*.py"));
    EXPECT_TRUE(IsNamePattern("t?.x"));
    EXPECT_FALSE(IsNamePattern("pl"));
    EXPECT_TRUE(ExtItemClaims("*.t", "basic.t"));
    EXPECT_TRUE(ExtItemClaims("*.T", "BASIC.t"));
    EXPECT_FALSE(ExtItemClaims("*.t", "basic.tt"));
    EXPECT_TRUE(ExtItemClaims("t", "basic.T"));
    EXPECT_FALSE(ExtItemClaims("t", "t"));
    EXPECT_EQ(ExtOfItem("test_*.py"), "py");
    EXPECT_EQ(ExtOfItem("*.t"), "t");
    EXPECT_EQ(ExtOfItem("pl"), "pl");
    EXPECT_EQ(ExtOfItem("Makefile*"), "");
    EXPECT_EQ(ExtOfItem("*.p?"), "");
    TempDir dir;
    KDefConfig def(dir.File("x.def"));
    def.Ext = "test_*.py,*_test.py";
    EXPECT_EQ(def.GetDefaultExt(), "py"); // the save dialog's extension, never a pattern
}
