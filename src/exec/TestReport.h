#pragma once
// What a test runner's output says: how many tests passed, failed and were skipped, and one
// error-list entry for each failing test that leads to the failing assertion's file and line.
// prove (TAP on standard output, Test::More's diagnostics on standard error) and pytest
// (everything on standard output) are read as they print with the options of the ready
// definitions (prove -v, pytest -v), and as they print without -v.

#include "exec/RunOutcome.h"

#include <string>
#include <string_view>
#include <vector>

enum class TestRunner { None, Tap, Pytest };

// One line of the error list and its tool tip.
struct TestEntry {
    std::string text;
    std::string tip; // the runner's detail: got and expected, pytest's E lines
};

struct TestReport {
    TestCounts counts;
    std::vector<TestEntry> entries;
    // python3 has no pytest module: the run said "No module named pytest".
    bool runnerMissing = false;
};

// TAP: the counts from the top-level "ok N" and "not ok N" lines (a subtest's own lines are
// indented) and the plan (planned tests that never ran failed), else from prove's summary;
// an entry "Failed test 'NAME' at FILE line N." for each "Failed test" of standard error, its
// further diagnostics as the tip, and every other line of standard error that is no
// diagnostic (a die, a compile error) as it is.
TestReport ReadTapReport(std::string_view out, std::string_view err);
// pytest: the counts from the last summary line ("2 failed, 12 passed, 1 skipped in 0.12s");
// an entry "FILE:N: ERROR (TEST)" for each section of FAILURES and ERRORS, at its last
// location (a syntax error's own file and line when an E line names them), with the E lines
// as the tip; then each line of standard error.
TestReport ReadPytestReport(std::string_view out, std::string_view err);
TestReport ReadTestReport(TestRunner runner, std::string_view out, std::string_view err);
