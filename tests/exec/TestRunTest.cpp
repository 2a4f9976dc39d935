// How a test file is run: the runner a definition names, the project folder, the options, and
// the test at the caret found from the indentation of the lines above it.
#include "exec/TestRun.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(TestRun, TheRunnerFollowsTheInterpreterAndItsOptions) {
    struct Row {
        const char* exe;
        const char* option;
        TestRunner runner;
    };
    const Row rows[] = {
        {"/usr/bin/prove", "-v -l", TestRunner::Tap},
        {"/opt/perl/bin/prove5.36", "", TestRunner::Tap},
        {"/usr/bin/python3", "-m pytest -v", TestRunner::Pytest},
        {"/usr/bin/python3.11", "-X dev -m pytest", TestRunner::Pytest},
        {"/home/u/.venv/bin/pytest", "", TestRunner::Pytest},
        {"/usr/bin/python3", "-u", TestRunner::None},
        // pytest's name as an argument of the script, not the module run.
        {"/usr/bin/python3", "-u -m unittest pytest", TestRunner::None},
        {"/usr/bin/perl", "-m pytest", TestRunner::None},
        {"/usr/bin/perl", "", TestRunner::None},
    };
    for (const Row& r : rows)
        EXPECT_EQ(RunnerOf(r.exe, r.option), r.runner) << r.exe << " " << r.option;
}

TEST(TestRun, TheProjectFolderIsAboveTOrWhereThePythonProjectIsMarked) {
    TempDir dir;
    const std::string proj = dir.Path() + "/proj dir";
    for (const char* folder : {"/t/sub", "/tests/unit", "/lib", "/plain"})
        std::filesystem::create_directories(proj + folder);
    dir.Write("proj dir/tox.ini", "");
    EXPECT_EQ(TestProjectFolder(TestRunner::Tap, proj + "/t/basic.t"), proj);
    EXPECT_EQ(TestProjectFolder(TestRunner::Tap, proj + "/t/sub/deep.t"), proj);
    // A .t file outside any t/ works in its own folder.
    EXPECT_EQ(TestProjectFolder(TestRunner::Tap, proj + "/lib/x.t"), proj + "/lib");
    EXPECT_EQ(TestProjectFolder(TestRunner::Pytest, proj + "/tests/unit/test_a.py"), proj);
    EXPECT_EQ(TestProjectFolder(TestRunner::Pytest, proj + "/test_top.py"), proj);
    // The nearest marker wins.
    dir.Write("proj dir/tests/unit/pyproject.toml", "");
    EXPECT_EQ(TestProjectFolder(TestRunner::Pytest, proj + "/tests/unit/test_a.py"),
              proj + "/tests/unit");
    // No marker up to the root: the file's folder.
    TempDir bare;
    EXPECT_EQ(TestProjectFolder(TestRunner::Pytest, bare.Path() + "/test_x.py"), bare.Path());
    // A script without a file, or one that is no test, moves nowhere.
    EXPECT_EQ(TestProjectFolder(TestRunner::Tap, ""), "");
    EXPECT_EQ(TestProjectFolder(TestRunner::None, proj + "/t/basic.t"), "");
}

TEST(TestRun, ProveGetsBlibOnlyWhereTheProjectHasOne) {
    TempDir dir;
    EXPECT_EQ(TestOptions(TestRunner::Tap, "-v -l", dir.Path()), "-v -l");
    std::filesystem::create_directories(dir.File("blib"));
    EXPECT_EQ(TestOptions(TestRunner::Tap, "-v -l", dir.Path()), "-v -l -b");
    EXPECT_EQ(TestOptions(TestRunner::Tap, " ", dir.Path()), "-b");
    EXPECT_EQ(TestOptions(TestRunner::Pytest, "-m pytest", dir.Path()), "-m pytest");
    EXPECT_EQ(TestTarget("/p/tests/test_a.py", "TestA::test_b"),
              "/p/tests/test_a.py::TestA::test_b");
    EXPECT_EQ(TestTarget("/p/tests/test_a.py", ""), "/p/tests/test_a.py");
    // prove's own options end where the test file's arguments begin.
    EXPECT_EQ(TestArguments(TestRunner::Tap, "\"a b\" c "), ":: \"a b\" c ");
    EXPECT_EQ(TestArguments(TestRunner::Tap, " "), " ");
    EXPECT_EQ(TestArguments(TestRunner::Pytest, "-k x"), "-k x");
}

TEST(TestRun, TheTestAtTheCaretFromTheIndentationAbove) {
    const std::vector<std::string> lines = {
        "import pytest",                       // 0
        "",                                    // 1
        "def helper():",                       // 2
        "    return 1",                        // 3
        "",                                    // 4
        "@pytest.mark.slow",                   // 5
        "def test_split():",                   // 6
        "    x = helper()",                    // 7
        "",                                    // 8
        "    def inner():",                    // 9
        "        return 2",                    // 10
        "# a comment at the margin",           // 11
        "    assert x == 1",                   // 12
        "",                                    // 13
        "class TestPairs:",                    // 14
        "    limit = 2",                       // 15
        "",                                    // 16
        "    def test_pair(self):",            // 17
        "\tassert True",                       // 18: a tab is eight columns
        "    def setup_helper(self):",         // 19
        "        pass",                        // 20
        "    class TestDeep:",                 // 21
        "        async def test_deep(self):",  // 22
        "            pass",                    // 23
        "class ParseCase(unittest.TestCase):", // 24
        "    def test_old(self):",             // 25
        "        pass",                        // 26
        "class Other:",                        // 27
        "    def test_no(self):",              // 28
        "        pass",                        // 29
        "x = 1",                               // 30
    };
    const auto at = [&](long caret) {
        return TestAtLine([&](long i) { return lines.at(static_cast<size_t>(i)); }, caret);
    };
    const std::pair<long, const char*> rows[] = {
        {0, ""},
        {1, ""},
        {3, ""}, // a helper is no test
        {5, ""}, // the decorator's line stands at the margin, before the test
        {6, "test_split"},
        {7, "test_split"},
        {8, "test_split"}, // a blank line belongs to the block above
        {10, "test_split"},
        {12, "test_split"}, // a comment at the margin ends no block
        {14, "TestPairs"},
        {15, "TestPairs"},
        {17, "TestPairs::test_pair"},
        {18, "TestPairs::test_pair"},
        {20, "TestPairs"}, // a helper method: the whole class
        {23, "TestPairs::TestDeep::test_deep"},
        {26, "ParseCase::test_old"},
        {29, ""}, // a class pytest does not collect
        {30, ""},
    };
    for (const auto& [caret, test] : rows)
        EXPECT_EQ(at(caret), test) << "line " << caret;
}

TEST(TestRun, TheMenuItemSaysWhatCtrlF9Runs) {
    EXPECT_EQ(TestCommandCaption(TestRunner::Pytest, "TestPairs::test_pair"),
              "テスト TestPairs::test_pair を実行(&T)");
    EXPECT_EQ(TestCommandCaption(TestRunner::Pytest, ""), "テストファイル全体を実行(&T)");
    EXPECT_EQ(TestCommandCaption(TestRunner::Tap, ""), "テストファイル全体を実行(&T)");
    EXPECT_EQ(TestCommandCaption(TestRunner::None, ""), kTestAtCaretCaption);
}
