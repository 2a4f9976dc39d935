// The first start's language definitions against what their interpreters really print: every
// error line that names the script must lead to the right line and back to the script's file.
#include "config/Seedlangs.h"
#include "exec/Exec.h"
#include "exec/Kexecproc.h"
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

TEST_P(Seeded, ErrorLinesNameTheScriptAndItsLines) {
    const Failing& f = GetParam();
    const LanguageSeed* seed = nullptr;
    for (const LanguageSeed& s : LanguageSeeds())
        if (std::string(s.fileName) == f.fileName)
            seed = &s;
    ASSERT_NE(seed, nullptr);
    std::string exe = FindOnPath(seed->program);
    if (exe.empty())
        GTEST_SKIP() << seed->program << " is not installed here";
    ScriptedMessages messages;
    ASSERT_TRUE(RegExpLoad(messages, VEXIL_BIN_DIR));

    // Run as a run does: the temporary copy, in a folder whose name holds digits.
    TempDir dir;
    std::filesystem::create_directories(dir.File("run2024"));
    std::string script = dir.File("run2024/vexil.tmp");
    WriteFileBytes(script, f.script);
    KExecProc proc(RunCommandLine(exe, seed->option, script, ""), messages);
    proc.Run();
    std::string err = proc.StdErr().ToString();

    std::set<int> named;
    for (const std::string& line : SplitLines(err)) {
        int n = ErrorLineNumber(line, seed->regExpErr);
        if (n < 0)
            continue;
        ASSERT_TRUE(RegExpMatch(line, seed->regExpFile)) << line;
        if (RegExpGroups[1] == script)
            named.insert(n);
    }
    for (int line : f.lines)
        EXPECT_TRUE(named.count(line)) << "line " << line << " not found in:\n" << err;
    EXPECT_EQ(messages.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Interpreters, Seeded, ::testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.fileName); });
