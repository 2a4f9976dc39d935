// The first start's language definitions against what their interpreters really print: every
// error line that names the script must lead to the right line and back to the script's file.
#include "config/Seedlangs.h"
#include "exec/Exec.h"
#include "exec/Kexecproc.h"
#include "platform/FileFacts.h"
#include "platform/IniFile.h"
#include "platform/Launcher.h"
#include "regex/Kregexp.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"
#include "windows/logic/ErrorLines.h"
#include "windows/logic/ErrorTarget.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <set>
#include <sys/stat.h>

namespace {

struct Failing {
    const char* fileName; // the seed
    const char* script;
    std::set<int> lines; // the lines its error output must name
};

// gtest would otherwise print the parameter as a byte dump in every test's name line.
void PrintTo(const Failing& f, std::ostream* os) {
    *os << f.fileName;
}

const Failing kScripts[] = {
    {"python", "import os\n\ndef f():\n    raise ValueError('x')\nf()\n", {4, 5}},
    {"ruby", "def f\n  foo\nend\nf\n", {2, 4}},
    {"bash", "echo a\nfoo_not_here_at_all\n", {2}},
    {"php", "<?php\n$y = 1;\necho $x;\n", {3}},
    {"node", "\nfunction f() {\n  foo();\n}\nf();\n", {3, 5}},
};

class Seeded : public ::testing::TestWithParam<Failing> {};

} // namespace

TEST(Seedlangs, OnlyInterpretersFoundAreWrittenWithTheirExpressions) {
    TempDir dir;
    auto found = SeedLanguages(dir.Path() + "/", [](const std::string& program) {
        return program == "python3" ? "/opt/py/bin/python3" : "";
    });
    // Python and its test runner, pytest, which python3 runs too.
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[1]->FileName, dir.File("pytest.def"));
    EXPECT_EQ(found[1]->ExePath, "/opt/py/bin/python3");
    IniFile def(dir.File("python.def"));
    EXPECT_EQ(def.ReadString("Language", "Name", ""), "Python");
    EXPECT_EQ(def.ReadString("Language", "Ext", ""), "py,pyw");
    EXPECT_EQ(def.ReadString("Environment", "ExePath", ""), "/opt/py/bin/python3");
    EXPECT_EQ(def.ReadString("Debug", "RegExpErr", ""), LanguageSeeds()[0].regExpErr);
    EXPECT_EQ(def.ReadString("Debug", "UseTagJumpToOtherFile", ""), "1");
    EXPECT_EQ(found[0]->TempFile, "vexil.tmp");
    EXPECT_FALSE(std::filesystem::exists(dir.File("ruby.def")));
}

TEST(Seedlangs, EveryValueOfTheTableIsInTheWrittenFile) {
    TempDir dir;
    auto found = SeedLanguages(dir.Path() + "/",
                               [](const std::string& program) { return "/opt/bin/" + program; });
    ASSERT_EQ(found.size(), LanguageSeeds().size());
    for (const LanguageSeed& seed : LanguageSeeds()) {
        // Read back from the file, as the next start reads it.
        const KDefConfig def(dir.File(std::string(seed.fileName) + ".def"));
        SCOPED_TRACE(seed.fileName);
        EXPECT_EQ(def.Name, seed.name);
        EXPECT_EQ(def.Ext, seed.ext);
        EXPECT_EQ(def.RegExpLang, seed.regExpLang);
        EXPECT_EQ(def.ExePath, std::string("/opt/bin/") + seed.program);
        EXPECT_EQ(def.Option, seed.option);
        EXPECT_EQ(def.RegExpErr, seed.regExpErr);
        EXPECT_EQ(def.RegExpFile, seed.regExpFile);
        EXPECT_TRUE(def.UseTagJumpToOtherFile);
        EXPECT_EQ(def.TempFile, "vexil.tmp");
        EXPECT_EQ(def.TempDir, "");
        // Every ready language knows its #! line, but a test runner, which a name chooses.
        EXPECT_EQ(def.RegExpLang.empty(), IsNamePattern(ExtList(seed.ext).front()));
    }
    // PHP prints its errors on standard output unless told otherwise, hides some and skips
    // assert(): Debian's php.ini is made for servers.
    EXPECT_EQ(
        KDefConfig(dir.File("php.def")).Option,
        "-d error_reporting=-1 -d display_errors=stderr -d log_errors=0 -d zend.assertions=1");
}

TEST(Seedlangs, RecordedErrorLinesGiveTheirFileAndLineThroughTheWrittenDefinitions) {
    // What the interpreters print, as recorded from them (some from versions other than the
    // ones installed here), so that the written definitions are tried where an interpreter is
    // missing or prints otherwise.
    struct Row {
        const char* fileName;
        std::string line;
        int number;       // -1: leads nowhere
        std::string file; // as named (decoded), empty for the script
    };
    const std::string script = "/w/run2024/vexil.tmp";
    const Row rows[] = {
        {"perl", "Died at " + script + " line 3.", 3, script},
        {"perl", "bad at line 3 at /w/lib 2/M.pm line 7, <STDIN> line 2.", 7, "/w/lib 2/M.pm"},
        {"perl", "\tM::f(1) called at ./x.pl line 12", 12, "./x.pl"},
        {"perl", "syntax error at /w/M.pm line 4, near \"1\"", 4, "/w/M.pm"},
        {"perl", "in eval at (eval 12) line 2.", -1, ""},
        {"perl", "(Might be a runaway multi-line \"\" string starting on line 3)", -1, ""},
        {"perl", "Execution of " + script + " aborted due to compilation errors.", -1, ""},
        {"php", "Warning: Undefined variable $x in " + script + " on line 3", 3, script},
        {"php", "PHP Warning:  Undefined variable $x in " + script + " on line 12", 12, script},
        {"php", "Parse error: syntax error, unexpected token \"in\" in " + script + " on line 7", 7,
         script},
        {"php", "  thrown in /w/lib 2/x.php on line 40", 40, "/w/lib 2/x.php"},
        {"php", "Parse error: x in /w/e 1.php(3) : eval()'d code on line 1", 3, "/w/e 1.php"},
        {"php", "#3 /w/e.php(3) : eval()'d code(1): f()", 3, "/w/e.php"},
        {"php", "#0 [internal function]: f()", -1, ""},
        {"php", "Stack trace:", -1, ""},
        {"ruby", script + ":2:in `f': undefined local variable or method `foo'", 2, script},
        {"ruby", "\tfrom /w/lib/a.rb:5:in `<main>'", 5, "/w/lib/a.rb"},
        {"ruby", "/w/a.rb:5:in 'Kernel#require': /w/b 2.rb:9: syntax errors found (SyntaxError)", 9,
         "/w/b 2.rb"},
        {"ruby", "(eval at /w/a 1.rb:4):2:in 'Object#run': undefined (NameError)", 4, "/w/a 1.rb"},
        {"ruby", "(eval):2:in `run': undefined local variable", -1, ""},
        {"ruby", "<internal:kernel>:90:in `tap'", -1, ""},
        {"ruby", "W, [2026-12-08T16:23:00 #22696]  WARN -- : radius -1", -1, ""},
        {"ruby", "/w/a.rb:3: warning: assigned but unused variable - x", 3, "/w/a.rb"},
        {"python", "  File \"" + script + "\", line 4, in f", 4, script},
        {"python", "  File \"/w/a 1.py\", line 2", 2, "/w/a 1.py"},
        {"python", "/w/warn.py:6: UserWarning: careful", 6, "/w/warn.py"},
        {"python", "/w/x.py:3: SyntaxWarning: invalid escape sequence '\\d'", 3, "/w/x.py"},
        {"python", "  File \"<string>\", line 2, in <module>", -1, ""},
        {"python", "json.decoder.JSONDecodeError: Expecting value: line 1 column 2 (char 1)", -1,
         ""},
        {"bash", script + ": line 2: foo: command not found", 2, script},
        {"bash", "evalstr.sh: eval: line 4: syntax error near unexpected token `then'", 4,
         "evalstr.sh"},
        {"node", "    at f (" + script + ":3:3)", 3, script},
        {"node", script + ":3", 3, script},
        {"node", "    at load (file:///w/a%20b/esm.mjs:4:18)", 4, "/w/a b/esm.mjs"},
        {"node", "    at eval (eval at run (/w/x.js:3:10), <anonymous>:2:21)", 3, "/w/x.js"},
        {"node", "    at g (eval at <anonymous> (eval at run (/w/y (1).js:7:3)), <anonymous>:1:2)",
         7, "/w/y (1).js"},
        {"node", "    at Object.<anonymous> (/w/a (old)/x.js:12:1)", 12, "/w/a (old)/x.js"},
        {"node", "    at Module._compile (node:internal/modules/cjs/loader:1256:14)", -1, ""},
        {"node", "node:fs:448", -1, ""},
        {"node", "    at new Promise (<anonymous>)", -1, ""},
        {"node", "Listening on localhost:8080", -1, ""},
    };
    TempDir dir;
    SeedLanguages(dir.Path() + "/", [](const std::string& p) { return "/opt/bin/" + p; });
    std::filesystem::copy_file(VEXIL_BIN_DIR "/default-defs/perl.def", dir.File("perl.def"));
    ScriptedMessages messages;
    ASSERT_TRUE(RegExpLoad(messages, VEXIL_BIN_DIR));
    for (const Row& r : rows) {
        const KDefConfig def(dir.File(std::string(r.fileName) + ".def"));
        const std::optional<NamedLine> named = ReadErrorEntry(r.line, def);
        EXPECT_EQ(named ? named->line : -1, r.number) << r.line;
        if (named) {
            EXPECT_EQ(named->name, r.file) << r.line;
        }
    }
    RegExpUnload();
}

TEST_P(Seeded, ErrorLinesNameTheScriptAndItsLines) {
    const Failing& f = GetParam();
    // The definition exactly as a first start writes it and the next start reads it.
    TempDir defs;
    SeedLanguages(defs.Path() + "/", FindOnPath);
    const std::string defPath = defs.File(std::string(f.fileName) + ".def");
    if (!FileExists(defPath))
        GTEST_SKIP() << f.fileName << "'s interpreter is not installed here";
    const KDefConfig def(defPath);
    ASSERT_FALSE(def.ExePath.empty());
    EXPECT_TRUE(def.UseTagJumpToOtherFile);
    ScriptedMessages messages;
    ASSERT_TRUE(RegExpLoad(messages, VEXIL_BIN_DIR));

    // Run as a run does: the temporary copy, in a folder whose name holds digits.
    TempDir dir;
    std::filesystem::create_directories(dir.File("run2024"));
    std::string script = dir.File("run2024/" + def.TempFile);
    WriteFileBytes(script, f.script);
    KExecProc proc(RunCommandLine(def.ExePath, def.Option, script, ""), messages);
    proc.Run();
    std::string err = proc.StdErr().ToString();

    std::set<int> named;
    for (const std::string& line : SplitLines(err)) {
        int n = ErrorLineNumber(line, def.RegExpErr);
        if (n < 0)
            continue;
        ASSERT_TRUE(RegExpMatchUtf8(line, def.RegExpFile)) << line;
        if (RegExpGroups[1] == script)
            named.insert(n);
    }
    for (int line : f.lines)
        EXPECT_TRUE(named.count(line)) << "line " << line << " not found in:\n" << err;
    EXPECT_EQ(messages.Count(), 0u);

    // Its interpreter's own line, as "env" writes it, names this language, and only it.
    KDefConfig* chosen = nullptr;
    std::vector<std::unique_ptr<KDefConfig>> all;
    for (const LanguageSeed& seed : LanguageSeeds())
        all.push_back(std::make_unique<KDefConfig>(defs.File(std::string(seed.fileName) + ".def")));
    const std::string line = "#!/usr/bin/env " + ExtractFileName(def.ExePath);
    // A definition without a RegExpLang (a test runner) is never chosen by a first line.
    for (const auto& other : all)
        if (FileExists(other->FileName) && !other->RegExpLang.empty() &&
            RegExpMatchUtf8(line, FirstLineExpression(other->RegExpLang))) {
            EXPECT_EQ(chosen, nullptr)
                << line << " matches " << chosen->Name << " and " << other->Name;
            chosen = other.get();
        }
    ASSERT_NE(chosen, nullptr) << line;
    EXPECT_EQ(chosen->Name, def.Name) << line;
}

INSTANTIATE_TEST_SUITE_P(Interpreters, Seeded, ::testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.fileName); });

TEST(Seedlangs, TheInstalledPerlIsTheReadyPerl) {
    // default-defs/perl.def is what a first start copies; the built-in Perl and the upgrade
    // take the table's values: both must be one definition.
    const KDefConfig installed(VEXIL_SOURCE_DIR "/resources/desktop/default-defs/perl.def");
    KDefConfig ready("/nonexistent/perl.def");
    ApplyReadyValues(ready, PerlSeed());
    using Field = std::string KDefConfig::*;
    for (const Field field : std::initializer_list<Field>{
             &KDefConfig::Name, &KDefConfig::Ext, &KDefConfig::RegExpLang, &KDefConfig::Option,
             &KDefConfig::RegExpErr, &KDefConfig::RegExpFile})
        EXPECT_EQ(installed.*field, ready.*field);
    EXPECT_TRUE(installed.UseTagJumpToOtherFile);
    EXPECT_TRUE(ready.UseTagJumpToOtherFile);
}

TEST(Seedlangs, ASeedIsOfferedOnceItsProgramIsFoundAndNeverAgain) {
    TempDir dir;
    const std::string defs = dir.Path() + "/";
    std::set<std::string> installed = {"ruby"};
    const auto find = [&](const std::string& p) {
        return installed.count(p) ? "/opt/bin/" + p : std::string();
    };
    std::vector<std::string> offered;
    EXPECT_EQ(SeedLanguages(defs, find, offered).size(), 1u);
    EXPECT_EQ(offered, (std::vector<std::string>{"ruby"}));
    // PHP comes later: written then, once; ruby is not written again though it was removed.
    std::filesystem::remove(dir.File("ruby.def"));
    installed.insert("php");
    auto later = SeedLanguages(defs, find, offered);
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0]->FileName, dir.File("php.def"));
    EXPECT_EQ(later[0]->ExePath, "/opt/bin/php");
    EXPECT_EQ(offered, (std::vector<std::string>{"ruby", "php"}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("ruby.def")));
    // A file of the user's own under a seed's name is kept, and the seed counts as offered.
    dir.Write("bash.def", "[Language]\nName=My shell\n");
    installed.insert("bash");
    EXPECT_TRUE(SeedLanguages(defs, find, offered).empty());
    EXPECT_EQ(dir.Read("bash.def"), "[Language]\nName=My shell\n");
    EXPECT_EQ(offered.back(), "bash");
}

TEST(Seedlangs, AStoredEarlierReadyDefinitionGetsTheNewValuesWhereTheUserChangedNothing) {
    TempDir dir;
    // python.def as the first ready version wrote it, with one expression edited by the user
    // and a key of the user's own.
    const std::string earlier = "[Language]\nName=Python\nExt=py,pyw\nRegExpLang=\n"
                                "[Environment]\nExePath=/usr/bin/python3\nOption=\nLastFolder=/w\n"
                                "UseHelpFile=0\nUseHtmlHelp=0\nHelpFile=\nTempFile=vexil.tmp\n"
                                "TempDir=\n[Debug]\nRegExpErr=line [0-9]+\nShowError=0\n"
                                "UseTagJumpToOtherFile=1\nRegExpLine=\n"
                                "RegExpFile=File \"(.+)\", line\nMine=kept\n";
    dir.Write("python.def", earlier);
    KDefConfig def(dir.File("python.def"));
    EXPECT_TRUE(UpgradeReadyDefinition(def));
    const LanguageSeed& python = LanguageSeeds()[0];
    ASSERT_EQ(std::string(python.fileName), "python");
    const KDefConfig stored(dir.File("python.def"));
    for (const KDefConfig* d : std::initializer_list<const KDefConfig*>{&def, &stored}) {
        EXPECT_EQ(d->RegExpErr, python.regExpErr);
        EXPECT_EQ(d->Option, python.option);
        EXPECT_EQ(d->RegExpLang, python.regExpLang);
        EXPECT_EQ(d->RegExpFile, "File \"(.+)\", line"); // the user's
        EXPECT_EQ(d->LastFolder, "/w");
    }
    EXPECT_EQ(IniFile(dir.File("python.def")).ReadString("Debug", "Mine", ""), "kept");
    // Up to date, it stays as it is.
    const std::string now = dir.Read("python.def");
    KDefConfig again(dir.File("python.def"));
    EXPECT_FALSE(UpgradeReadyDefinition(again));
    EXPECT_EQ(dir.Read("python.def"), now);

    // A key the file lacks is not a stored value; a language of the user's own is not a seed.
    dir.Write("perl.def", "[Language]\nName=Perl\n");
    KDefConfig perl(dir.File("perl.def"));
    EXPECT_FALSE(UpgradeReadyDefinition(perl));
    EXPECT_EQ(dir.Read("perl.def"), "[Language]\nName=Perl\n");
    // A language the user added under a seed's file name is no ready definition, whatever
    // values it holds.
    dir.Write("ruby.def", "[Language]\nName=ruby\nRegExpLang=\n[Debug]\nRegExpErr=:[0-9]+:\n");
    KDefConfig mine(dir.File("ruby.def"));
    EXPECT_FALSE(UpgradeReadyDefinition(mine));
    EXPECT_EQ(mine.RegExpErr, ":[0-9]+:");
    dir.Write("awk.def", "[Debug]\nRegExpErr=line [0-9]+.?\nRegExpFile=\n");
    KDefConfig awk(dir.File("awk.def"));
    EXPECT_FALSE(UpgradeReadyDefinition(awk));
}

TEST(Seedlangs, EveryEarlierReadyPerlBecomesTheReadyPerl) {
    TempDir dir;
    // The installed definition of the first version, and the built-in one as a save writes it.
    const std::string installed = "[Language]\nName=Perl\nExt=pl,cgi\nRegExpLang=(^#!.*//perl.*)\n"
                                  "[Environment]\nExePath=/usr/bin/perl\nOption=\n"
                                  "[Debug]\nRegExpErr=line [0-9]+.?\nShowError=1\n"
                                  "UseTagJumpToOtherFile=0\nRegExpLine=\nRegExpFile=\n";
    dir.Write("perl.def", installed);
    KDefConfig def(dir.File("perl.def"));
    ASSERT_TRUE(UpgradeReadyDefinition(def));
    KDefConfig ready("/nonexistent/perl.def");
    ApplyReadyValues(ready, PerlSeed());
    const KDefConfig stored(dir.File("perl.def"));
    EXPECT_EQ(stored.RegExpErr, ready.RegExpErr);
    EXPECT_EQ(stored.RegExpFile, ready.RegExpFile);
    EXPECT_EQ(stored.RegExpLang, ready.RegExpLang);
    EXPECT_TRUE(stored.UseTagJumpToOtherFile);
    EXPECT_TRUE(stored.ShowError);
    // A file that cannot be written keeps its text and says so; the definition is new anyway.
    dir.Write("perl.def", installed);
    ASSERT_EQ(::chmod(dir.File("perl.def").c_str(), 0444), 0);
    KDefConfig locked(dir.File("perl.def"));
    bool refused = false;
    try {
        UpgradeReadyDefinition(locked);
    } catch (const IniError& e) {
        refused = e.FileName() == dir.File("perl.def") && locked.UseTagJumpToOtherFile;
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(dir.Read("perl.def"), installed);
}

TEST(Seedlangs, PythonIsReadyToIndentWithFourSpacesTheOthersWithATab) {
    TempDir defs;
    auto found = [](const std::string& program) { return "/usr/bin/" + program; };
    SeedLanguages(defs.Path() + "/", found);
    EXPECT_EQ(KDefConfig(defs.File("python.def")).IndentSpaces, 4);
    EXPECT_EQ(KDefConfig(defs.File("pytest.def")).IndentSpaces, 4);
    for (const char* other : {"ruby", "bash", "php", "node", "prove"})
        EXPECT_EQ(KDefConfig(defs.File(std::string(other) + ".def")).IndentSpaces, 0) << other;
}
