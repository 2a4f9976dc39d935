#pragma once
// How the last run ended, as the status bar's own panel shows it until the next run:
// "終了 0 · 0.42 秒 · 10:31:05", with the exact argument list and working folder in its tool
// tip, so a fresh run can be told from the last one and a failed one stands out.

#include <optional>
#include <string>
#include <vector>

// What a test runner reported: its tests that passed, failed and were skipped (a test known
// to fail, TAP's TODO and pytest's xfail, counts as skipped), and the failing tests' names.
struct TestCounts {
    int passed = 0;
    int failed = 0;
    int skipped = 0;
    std::vector<std::string> failing;
};

struct RunOutcome {
    enum class Kind {
        Ended,       // the child ended by itself: exitCode is its own, or 128 + a signal
        Cancelled,   // Escape or the cancel button
        StartFailed, // the child could not be started
        Console,     // handed to a terminal window: nothing more is known
        Aborted,     // broken off by an error of the program's own (memory ran out)
    };
    Kind kind = Kind::Ended;
    int exitCode = 0;
    double seconds = 0;
    std::string endedAt; // the wall-clock time the run ended, "10:31:05"
    std::vector<std::string> arguments;
    std::string folder;
    // A run of a test runner: its counts take the exit code's place in the panel.
    std::optional<TestCounts> tests;
};

// "12 成功 · 2 失敗 · 1 スキップ"
std::string TestCountsText(const TestCounts& counts);

// The panel's text.
std::string RunOutcomeText(const RunOutcome& outcome);
// The tool tip: the failing tests of a test run, the argument list, each argument quoted where
// the shell would need it, and the working folder.
std::string RunOutcomeDetails(const RunOutcome& outcome);
// A nonzero exit code, a failed test, a cancelled run or a start that failed is shown as a
// warning.
bool RunOutcomeWarns(const RunOutcome& outcome);
// The local time now as HH:MM:SS.
std::string ClockNow();
