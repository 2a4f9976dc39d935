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

#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <set>

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
    ASSERT_EQ(found.size(), 1u);
    IniFile def(dir.File("python.def"));
    EXPECT_EQ(def.ReadString("Language", "Name", ""), "Python");
    EXPECT_EQ(def.ReadString("Language", "Ext", ""), "py,pyw");
    EXPECT_EQ(def.ReadString("Environment", "ExePath", ""), "/opt/py/bin/python3");
    EXPECT_EQ(def.ReadString("Debug", "RegExpErr", ""), "line [0-9]+");
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
        EXPECT_FALSE(def.RegExpLang.empty()) << "every ready language knows its #! line";
    }
    // PHP prints its errors on standard output unless told otherwise.
    EXPECT_EQ(KDefConfig(dir.File("php.def")).Option, "-d display_errors=stderr -d log_errors=0");
}

TEST(Seedlangs, RecordedErrorLinesGiveTheirFileAndLineThroughTheWrittenDefinitions) {
    // What the interpreters print, as recorded from them, so that the written definitions are
    // tried also where an interpreter is not installed.
    struct Row {
        const char* fileName;
        std::string line;
        int number;       // -1: not an error line
        std::string file; // group 1 of RegExpFile
    };
    const std::string script = "/w/run2024/vexil.tmp";
    const Row rows[] = {
        {"php", "Warning: Undefined variable $x in " + script + " on line 3", 3, script},
        {"php", "PHP Warning:  Undefined variable $x in " + script + " on line 12", 12, script},
        {"php", "Parse error: syntax error, unexpected token \"in\" in " + script + " on line 7", 7,
         script},
        {"php", "  thrown in /w/lib 2/x.php on line 40", 40, "/w/lib 2/x.php"},
        {"php", "Stack trace:", -1, ""},
        {"ruby", script + ":2:in `f': undefined local variable or method `foo'", 2, script},
        {"ruby", "\tfrom /w/lib/a.rb:5:in `<main>'", 5, "/w/lib/a.rb"},
        {"python", "  File \"" + script + "\", line 4, in f", 4, script},
        {"bash", script + ": line 2: foo: command not found", 2, script},
        {"node", "    at f (" + script + ":3:3)", 3, script},
        {"node", script + ":3", 3, script},
    };
    TempDir dir;
    SeedLanguages(dir.Path() + "/", [](const std::string& p) { return "/opt/bin/" + p; });
    ScriptedMessages messages;
    ASSERT_TRUE(RegExpLoad(messages, VEXIL_BIN_DIR));
    for (const Row& r : rows) {
        const KDefConfig def(dir.File(std::string(r.fileName) + ".def"));
        EXPECT_EQ(ErrorLineNumber(r.line, def.RegExpErr), r.number) << r.line;
        if (r.number < 0)
            continue;
        EXPECT_TRUE(RegExpMatchUtf8(r.line, def.RegExpFile)) << r.line;
        EXPECT_EQ(RegExpGroups[1], r.file) << r.line;
    }
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
    for (const auto& other : all)
        if (FileExists(other->FileName) &&
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

TEST(Seedlangs, PythonIsReadyToIndentWithFourSpacesTheOthersWithATab) {
    TempDir defs;
    auto found = [](const std::string& program) { return "/usr/bin/" + program; };
    SeedLanguages(defs.Path() + "/", found);
    EXPECT_EQ(KDefConfig(defs.File("python.def")).IndentSpaces, 4);
    for (const char* other : {"ruby", "bash", "php", "node"})
        EXPECT_EQ(KDefConfig(defs.File(std::string(other) + ".def")).IndentSpaces, 0) << other;
}
