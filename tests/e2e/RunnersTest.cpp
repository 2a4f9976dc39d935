// Test files run by their runners, as a user works with them: real keys on the built program
// under a private X server, the real prove and pytest, a project in a folder with a blank in
// its name; read through the caption, the files and the run panel's amber.
#include "e2e/Program.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

// The run panel's warning colour.
constexpr unsigned kAmber = 0xFFD54F;

// proj dir/ with lib/, t/ and tests/: each runner's file has two failing tests (one failing
// inside a helper module of lib/) and one skipped.
struct Project {
    TempDir work;
    std::string root = work.Path() + "/proj dir";
    Project() {
        for (const char* folder : {"/lib", "/t", "/tests"})
            std::filesystem::create_directories(root + folder);
        WriteFileBytes(root + "/pyproject.toml", "");
        WriteFileBytes(root + "/lib/helper.py", "def check_pair(pair):\n"
                                                "    assert len(pair) == 3, 'three parts'\n"
                                                "    return pair\n");
        WriteFileBytes(root + "/tests/test_parse.py", "import pytest\n"
                                                      "from lib import helper\n"
                                                      "\n"
                                                      "def test_join():\n"
                                                      "    joined = ','.join('ab')\n"
                                                      "    assert joined == 'a;b'\n"
                                                      "    assert joined\n"
                                                      "\n"
                                                      "def test_pair():\n"
                                                      "    helper.check_pair([1, 2])\n"
                                                      "\n"
                                                      "def test_ok():\n"
                                                      "    assert True\n"
                                                      "\n"
                                                      "@pytest.mark.skip(reason='later')\n"
                                                      "def test_later():\n"
                                                      "    pass\n");
        WriteFileBytes(root + "/lib/Calc.pm", "package Calc;\n"
                                              "use Test::More ();\n"
                                              "sub check { Test::More::is($_[0], $_[1], $_[2]) }\n"
                                              "1;\n");
        WriteFileBytes(root + "/t/basic.t", "use Test::More tests => 4;\n"
                                            "use Calc;\n"
                                            "ok(1, 'one');\n"
                                            "is(1 + 1, 3, 'adds');\n"
                                            "SKIP: { skip 'offline', 1; ok(0) }\n"
                                            "Calc::check(1, 2, 'through the helper');\n");
    }
};

void WriteRunnerDefinitions(Program& p) {
    std::filesystem::create_directories(p.Folder() + "/defs");
    WriteFileBytes(p.Folder() + "/defs/prove.def",
                   "[Language]\nName=Perl (prove)\nExt=*.t\nRegExpLang=\n[Environment]\n"
                   "ExePath=/usr/bin/prove\nOption=-v -l\n[Debug]\n"
                   "RegExpErr=^.* at .+? line \\K[0-9]+(?=\\.?$|, )\n"
                   "RegExpFile=^.* at (.+?) line [0-9]+(?:\\.?$|, )\nUseTagJumpToOtherFile=1\n");
    WriteFileBytes(p.Folder() + "/defs/pytest.def",
                   "[Language]\nName=Python (pytest)\nExt=test_*.py,*_test.py\nRegExpLang=\n"
                   "[Environment]\nExePath=/usr/bin/python3\nOption=-m pytest -v\n[Debug]\n"
                   "RegExpErr=^.+?:\\K[0-9]+(?=: [A-Za-z_])\n"
                   "RegExpFile=^(.+?):[0-9]+: [A-Za-z_]\nUseTagJumpToOtherFile=1\n");
    WriteFileBytes(p.Folder() + "/VexilPro.cfg", "[Window]\nWidth=640\nHeight=440\n");
}

// F4 until the caption matches: keys pressed while a run lasts are swallowed.
bool StepUntil(Program& p, const std::string& caption) {
    for (int i = 0; i < 20; ++i) {
        p.Run("xdotool key F4");
        if (!p.WaitForWindow(caption, 2).empty())
            return true;
    }
    return false;
}

} // namespace

TEST(EndToEndRunners, PytestFailuresLeadIntoTheHelperAndTheFixesTurnThePanelFromAmber) {
    if (std::system("/usr/bin/python3 -c 'import pytest' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "/usr/bin/python3 has no pytest (python3-pytest)";
    Program p;
    WriteRunnerDefinitions(p);
    Project proj;
    const std::string test = proj.root + "/tests/test_parse.py";
    ASSERT_TRUE(p.X().Running());
    ASSERT_TRUE(p.StartWindowManager());
    p.Start({test}, proj.work.Path());
    const std::string testCaption = "^Vexil2 - .*/proj dir/tests/test_parse\\.py$";
    const std::string main = p.WaitForWindow(testCaption);
    ASSERT_FALSE(main.empty());
    p.Run("xdotool windowactivate --sync " + main);
    p.Run("xdotool key F9");
    ASSERT_TRUE(WaitFor([&] { return p.Pixels(main, kAmber) > 0; })) << "the panel is not amber";

    // F4: test_join's assertion, in the test file (lib/ was imported from the project folder,
    // or the collection had failed): the caret is at the start of line 6, which becomes a
    // comment.
    p.Run("xdotool key F4");
    p.Run("xdotool type --delay 40 '#'");
    ASSERT_FALSE(p.WaitForWindow("^Vexil2 \\* .*/test_parse\\.py").empty());
    // F4: test_pair's failure lies in the helper: the save question for the test file, then
    // lib/helper.py at its line 2, whose wrong assertion becomes a comment too.
    p.Run("xdotool key F4");
    const std::string question = p.WaitForWindow("^Vexil - ");
    ASSERT_FALSE(question.empty()) << "no save question";
    p.Run("xdotool windowactivate --sync " + question);
    p.Run("xdotool key Return");
    const std::string helperCaption = "^Vexil2 - .*/lib/helper\\.py .*test_parse\\.py";
    ASSERT_FALSE(p.WaitForWindow(helperCaption).empty()) << "the helper did not open";
    p.Run("xdotool windowactivate --sync " + main);
    p.Run("xdotool type --delay 40 '#'");
    ASSERT_FALSE(p.WaitForWindow("^Vexil2 \\* .*/lib/helper\\.py").empty());

    // F9 saves the helper (after the question) and runs the tests: all pass, no amber.
    p.Run("xdotool key F9");
    const std::string save = p.WaitForWindow("^Vexil - ");
    ASSERT_FALSE(save.empty()) << "no save question for the helper";
    p.Run("xdotool windowactivate --sync " + save);
    p.Run("xdotool key Return");
    EXPECT_TRUE(WaitFor([&] {
        return ReadFileBytes(proj.root + "/lib/helper.py").find("\n#    assert len") !=
               std::string::npos;
    }));
    EXPECT_NE(ReadFileBytes(test).find("\n#    assert joined == 'a;b'\n"), std::string::npos);
    EXPECT_TRUE(WaitFor([&] { return p.Pixels(main, kAmber) == 0; }))
        << "the panel stayed amber after the fixes";
}

TEST(EndToEndRunners, ProveRunsATFileFromTheProjectAndItsHelpersFailureOpensTheModule) {
    if (!std::filesystem::exists("/usr/bin/prove"))
        GTEST_SKIP() << "prove is not installed";
    Program p;
    WriteRunnerDefinitions(p);
    Project proj;
    ASSERT_TRUE(p.X().Running());
    ASSERT_TRUE(p.StartWindowManager());
    p.Start({proj.root + "/t/basic.t"}, proj.work.Path());
    const std::string main = p.WaitForWindow("^Vexil2 - .*/proj dir/t/basic\\.t$");
    ASSERT_FALSE(main.empty());
    p.Run("xdotool windowactivate --sync " + main);
    p.Run("xdotool key F9");
    ASSERT_TRUE(WaitFor([&] { return p.Pixels(main, kAmber) > 0; })) << "the panel is not amber";
    // The first failure is in the .t file itself, the second in lib/Calc.pm, found by -l from
    // the project folder.
    ASSERT_TRUE(StepUntil(p, "^Vexil2 - .*/lib/Calc\\.pm .*basic\\.t"));
    // Alt+Left goes back to the test file.
    p.Run("xdotool key alt+Left");
    EXPECT_FALSE(p.WaitForWindow("^Vexil2 - .*/t/basic\\.t$").empty());
}
