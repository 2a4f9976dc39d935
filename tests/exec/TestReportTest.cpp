// The counts and the error-list entries of test runs, read from what the installed runners
// really printed (tests/data/runners: prove 3.44 with Test::More 1.302190 on perl 5.36,
// pytest 7.2.1 on Python 3.11.2; VERSIONS there, ./capture makes them again).
#include "exec/TestReport.h"
#include "config/Seedlangs.h"
#include "platform/FileFacts.h"
#include "regex/Kregexp.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"
#include "windows/logic/ErrorTarget.h"

#include <gtest/gtest.h>

namespace {

std::string Data(const std::string& name) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(VEXIL_SOURCE_DIR "/tests/data/runners/" + name, bytes)) << name;
    return bytes;
}

TestReport Captured(TestRunner runner, const std::string& name) {
    const std::string folder = runner == TestRunner::Tap ? "tap/" : "pytest/";
    return ReadTestReport(runner, Data(folder + name + ".out"), Data(folder + name + ".err"));
}

const std::string kProj = "/tmp/capture/proj dir";

struct CountRow {
    TestRunner runner;
    const char* capture;
    int passed, failed, skipped;
    std::vector<std::string> failing;
};

struct EntryRow {
    TestRunner runner;
    const char* capture;
    std::vector<std::string> texts;
    std::vector<std::string> tips; // the first entries' tips
};

} // namespace

TEST(TestReport, CountsOfEveryCapturedRun) {
    const TestRunner tap = TestRunner::Tap, py = TestRunner::Pytest;
    const CountRow rows[] = {
        {tap, "basic", 2, 2, 1, {"subtracts", "sums through the helper"}},
        // A subtest counts once; its own lines are indented. TODO is a known failure.
        {tap, "passing", 2, 0, 1, {}},
        // Planned 4, died after 2: the two that never ran failed too.
        {tap, "died", 1, 3, 0, {"テスト 2", "実行されなかった 2 件 (計画 4 件)"}},
        {tap, "compile", 0, 0, 0, {}},
        {tap, "skipall", 0, 0, 1, {}},
        {tap, "sub-deep", 0, 1, 0, {"テスト 1"}},
        // Without -v only prove's summary is there to count from.
        {tap, "basic-quiet", 2, 2, 1, {"テスト 2", "テスト 5"}},
        {py,
         "parse",
         2,
         2,
         1,
         {"tests/test_parse.py::test_join", "tests/test_parse.py::TestPairs::test_pair"}},
        {py,
         "parse-short",
         2,
         2,
         1,
         {"tests/test_parse.py::test_join", "tests/test_parse.py::TestPairs::test_pair"}},
        {py, "parse-selected", 0, 1, 0, {"tests/test_parse.py::TestPairs::test_pair"}},
        {py, "bad", 0, 1, 0, {"tests/test_bad.py"}},
        // An error counts as a failure, an xfail as skipped.
        {py,
         "fixture",
         1,
         3,
         1,
         {"tests/test_fixture.py::test_prints", "tests/test_fixture.py::test_even[1]",
          "tests/test_fixture.py::test_uses"}},
        {py, "passing", 1, 0, 0, {}},
        {py, "none", 0, 0, 0, {}},
    };
    for (const CountRow& r : rows) {
        SCOPED_TRACE(r.capture);
        const TestReport report = Captured(r.runner, r.capture);
        EXPECT_EQ(report.counts.passed, r.passed);
        EXPECT_EQ(report.counts.failed, r.failed);
        EXPECT_EQ(report.counts.skipped, r.skipped);
        EXPECT_EQ(report.counts.failing, r.failing);
        EXPECT_FALSE(report.runnerMissing);
    }
}

TEST(TestReport, OneEntryForEachFailureAtItsAssertionAndNoneForPassingTests) {
    const TestRunner tap = TestRunner::Tap, py = TestRunner::Pytest;
    const EntryRow rows[] = {
        {tap,
         "basic",
         {"Failed test 'subtracts' at " + kProj + "/t/basic.t line 7.",
          "Failed test 'sums through the helper' at " + kProj + "/lib/Calc.pm line 12."},
         {"     got: '3'\nexpected: '2'", "     got: '4'\nexpected: '5'"}},
        {tap, "passing", {}, {}},
        // A die and a compile error stay as Perl wrote them.
        {tap, "died", {"Failed test at " + kProj + "/t/died.t line 6.", "no database"}, {""}},
        {tap, "sub-deep", {"Failed test at " + kProj + "/t/sub/deep.t line 2."}, {}},
        {py,
         "parse",
         {"tests/test_parse.py:11: AssertionError (test_join)",
          "lib/helper.py:6: AssertionError (TestPairs.test_pair)"},
         {"AssertionError: assert 'a,b' == 'a;b'\n  - a;b\n  + a,b",
          "AssertionError: a pair has two parts"}},
        {py,
         "parse-short",
         {"tests/test_parse.py:11: AssertionError (test_join)",
          "lib/helper.py:6: AssertionError (TestPairs.test_pair)"},
         {}},
        // A syntax error leads to its own line, not to pytest's import machinery.
        {py,
         "bad",
         {kProj + "/tests/test_bad.py:1: SyntaxError (ERROR collecting tests/test_bad.py)"},
         {}},
        // What a test printed ("out.py:3: Boom") is no location of its failure.
        {py,
         "fixture",
         {"tests/test_fixture.py:6: RuntimeError (ERROR at setup of test_uses)",
          "tests/test_fixture.py:20: AssertionError (test_prints)",
          "tests/test_fixture.py:25: AssertionError (test_even[1])"},
         {"RuntimeError: no thing", "assert 1 == 2"}},
        {py, "passing", {}, {}},
    };
    for (const EntryRow& r : rows) {
        SCOPED_TRACE(r.capture);
        const TestReport report = Captured(r.runner, r.capture);
        std::vector<std::string> texts;
        for (const TestEntry& e : report.entries)
            texts.push_back(e.text);
        EXPECT_EQ(texts, r.texts);
        for (size_t i = 0; i < r.tips.size() && i < report.entries.size(); ++i)
            EXPECT_EQ(report.entries[i].tip, r.tips[i]) << i;
    }
    const TestReport compile = Captured(tap, "compile");
    ASSERT_EQ(compile.entries.size(), 2u);
    EXPECT_EQ(compile.entries[1].text,
              "BEGIN failed--compilation aborted at " + kProj + "/t/compile.t line 4.");
}

TEST(TestReport, EveryEntryLeadsThroughItsReadyDefinitionToItsFileAndLine) {
    TempDir defs;
    SeedLanguages(defs.Path() + "/", [](const std::string& p) { return "/usr/bin/" + p; });
    const KDefConfig prove(defs.File("prove.def")), pytest(defs.File("pytest.def"));
    ScriptedMessages messages;
    ASSERT_TRUE(RegExpLoad(messages, VEXIL_BIN_DIR));
    struct Row {
        TestRunner runner;
        const char* capture;
        size_t entry;
        std::string file;
        int line;
    };
    const Row rows[] = {
        {TestRunner::Tap, "basic", 0, kProj + "/t/basic.t", 7},
        {TestRunner::Tap, "basic", 1, kProj + "/lib/Calc.pm", 12},
        {TestRunner::Tap, "compile", 0, kProj + "/t/compile.t", 4},
        {TestRunner::Pytest, "parse", 0, "tests/test_parse.py", 11},
        {TestRunner::Pytest, "parse", 1, "lib/helper.py", 6},
        {TestRunner::Pytest, "bad", 0, kProj + "/tests/test_bad.py", 1},
        {TestRunner::Pytest, "fixture", 2, "tests/test_fixture.py", 25},
    };
    for (const Row& r : rows) {
        const TestReport report = Captured(r.runner, r.capture);
        ASSERT_LT(r.entry, report.entries.size()) << r.capture;
        const std::string& text = report.entries[r.entry].text;
        const std::optional<NamedLine> named =
            ReadErrorEntry(text, r.runner == TestRunner::Tap ? prove : pytest);
        ASSERT_TRUE(named) << text;
        EXPECT_EQ(named->name, r.file) << text;
        EXPECT_EQ(named->line, r.line) << text;
    }
    // "died"'s message names no line: it leads nowhere, and F4 passes it by.
    EXPECT_FALSE(ReadErrorEntry("no database", prove));
    RegExpUnload();
}

TEST(TestReport, APythonWithoutPytestIsToldApart) {
    const TestReport missing =
        ReadPytestReport("", "/root/.pyenv/versions/3.11.7/bin/python3: No module named pytest\n");
    EXPECT_TRUE(missing.runnerMissing);
    ASSERT_EQ(missing.entries.size(), 1u);
    // A test that itself imports a missing module is a failing test, not a missing runner.
    EXPECT_FALSE(ReadPytestReport("E   ModuleNotFoundError: No module named 'pytest_x'\n", "")
                     .runnerMissing);
}

TEST(TestReport, TapLinesAtTheirBoundaries) {
    // Numbered lines only (prove's own "ok" after the file has none), an escaped '#' in a
    // name, directives in either case, CR LF line ends, indented subtest lines.
    const TestReport r = ReadTapReport("1..6\r\n"
                                       "ok 1 - a \\# b\r\n"
                                       "not ok 2 - c # todo later\r\n"
                                       "ok 3 # SKIP\r\n"
                                       "    not ok 1 - inner\r\n"
                                       "not ok 4\r\n"
                                       "ok\r\n"
                                       "not ok 5 - last\r\n"
                                       "ok 6 - x #skipped\r\n",
                                       "");
    EXPECT_EQ(r.counts.passed, 1);
    EXPECT_EQ(r.counts.failed, 2);
    EXPECT_EQ(r.counts.skipped, 3);
    EXPECT_EQ(r.counts.failing, (std::vector<std::string>{"テスト 4", "last"}));
    // No plan beyond what ran: nothing more failed.
    EXPECT_EQ(ReadTapReport("1..1\nok 1\n", "").counts.failed, 0);
}

TEST(TestReport, PytestSummaryLinesAreReadOnlyWhole) {
    // -q prints the summary without its banner; a line that merely ends "in 3s" is no summary.
    EXPECT_EQ(ReadPytestReport("..F\n1 failed, 2 passed, 1 deselected, 3 warnings in 0.05s\n", "")
                  .counts.passed,
              2);
    const TestReport noise = ReadPytestReport("3 apples in 2s\nwaited in 3s\n", "");
    EXPECT_EQ(noise.counts.passed + noise.counts.failed + noise.counts.skipped, 0);
    const TestReport slow =
        ReadPytestReport("=== 4 passed, 1 xpassed in 62.10s (0:01:02) ===\n", "");
    EXPECT_EQ(slow.counts.passed, 5);
}
