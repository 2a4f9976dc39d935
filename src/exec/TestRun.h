#pragma once
// How a test file is run by its runner: which runner a definition names, the project folder
// the run works in (the program's own current folder stays), the options and the target on
// the runner's command line, and the test the caret is in for Ctrl+F9.

#include "exec/TestReport.h"

#include <functional>
#include <string>

// The runner a definition's interpreter and options name: prove (any prove*), pytest (a
// pytest* program, or Python with "-m pytest"), else none: the file runs as a script.
TestRunner RunnerOf(const std::string& exePath, const std::string& option);

// The folder a test run works in, for the script's file (empty: no file, no folder of its
// own). prove: the folder above the nearest t/ the file lies in, else the file's folder.
// pytest: the nearest folder from the file's own up holding pyproject.toml, setup.cfg,
// pytest.ini or tox.ini, else the file's folder.
std::string TestProjectFolder(TestRunner runner, const std::string& scriptFile);

// The options of the run: prove gets -b where the project has a blib/ (a module built with
// its C parts).
std::string TestOptions(TestRunner runner, const std::string& option, const std::string& folder);

// The run's own arguments (dropped files, a typed line): prove hands what follows "::" to the
// test file instead of taking it for more test files.
std::string TestArguments(TestRunner runner, const std::string& arguments);

// What the runner is given: the file, or pytest's FILE::TEST for one test.
std::string TestTarget(const std::string& scriptPath, const std::string& test);

// The command line of a run: a test runner's with its options, its target (one test of
// pytest's, when test names one) and prove's "::" before the arguments; any other as every run's
// (RunCommandLine).
std::string TestCommandLine(TestRunner runner, const std::string& exePath,
                            const std::string& option, const std::string& scriptPath,
                            const std::string& test, const std::string& arguments,
                            const std::string& folder);

// The test the caret's line is in, as pytest names it below the file ("test_f",
// "TestPairs::test_pair", "TestPairs" between its methods), found from the indentation of the
// lines above: empty when the caret is in no test (the whole file runs then). lineAt answers
// a line's text (UTF-8, no line end).
std::string TestAtLine(const std::function<std::string(long)>& lineAt, long caretLine);

// The caption of Ctrl+F9's item: which test it runs, or the whole file; for a language that
// is no test runner the item's own caption (it is disabled then).
std::string TestCommandCaption(TestRunner runner, const std::string& test);
inline constexpr const char* kTestAtCaretCaption = "カーソル位置のテストを実行(&T)";

// Asked when python3 has no pytest: Yes runs the file as a plain Python script.
inline constexpr const char* kPytestMissingQuestion =
    "pytest が見つかりません (Debian では python3-pytest パッケージ)。\n"
    "このファイルをスクリプトとして実行しますか？\n(unittest のテストはそれでも実行されます)";
