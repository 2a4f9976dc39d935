#include "exec/TestRun.h"

#include "config/Kdefconfig.h"
#include "exec/Exec.h"
#include "platform/CommandLine.h"
#include "platform/FileFacts.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <vector>

TestRunner RunnerOf(const std::string& exePath, const std::string& option) {
    const std::string program = LowerAscii(ExtractFileName(Trim(exePath)));
    if (program.rfind("prove", 0) == 0)
        return TestRunner::Tap;
    if (program.rfind("pytest", 0) == 0)
        return TestRunner::Pytest;
    if (!IsPythonInterpreter(exePath))
        return TestRunner::None;
    const std::vector<std::string> words = SplitCommandLine(option);
    for (size_t i = 0; i + 1 < words.size(); ++i)
        if (words[i] == "-m" && words[i + 1] == "pytest")
            return TestRunner::Pytest;
    return TestRunner::None;
}

std::string TestProjectFolder(TestRunner runner, const std::string& scriptFile) {
    if (scriptFile.empty() || runner == TestRunner::None)
        return {};
    const std::string own = ExtractFileDir(scriptFile);
    for (std::string folder = own; !folder.empty();) {
        if (runner == TestRunner::Tap && ExtractFileName(folder) == "t")
            return ExtractFileDir(folder).empty() ? "/" : ExtractFileDir(folder);
        if (runner == TestRunner::Pytest)
            for (const char* marker : {"pyproject.toml", "setup.cfg", "pytest.ini", "tox.ini"})
                if (FileExists(folder + "/" + marker))
                    return folder;
        const std::string up = ExtractFileDir(folder);
        if (up == folder)
            break;
        folder = up;
    }
    return own;
}

std::string TestOptions(TestRunner runner, const std::string& option, const std::string& folder) {
    if (runner == TestRunner::Tap && !folder.empty() && DirectoryExists(folder + "/blib"))
        return Trim(option).empty() ? std::string("-b") : option + " -b";
    return option;
}

std::string TestArguments(TestRunner runner, const std::string& arguments) {
    if (runner == TestRunner::Tap && !Trim(arguments).empty())
        return ":: " + arguments;
    return arguments;
}

std::string TestTarget(const std::string& scriptPath, const std::string& test) {
    return test.empty() ? scriptPath : scriptPath + "::" + test;
}

std::string TestCommandLine(TestRunner runner, const std::string& exePath,
                            const std::string& option, const std::string& scriptPath,
                            const std::string& test, const std::string& arguments,
                            const std::string& folder) {
    if (runner == TestRunner::None)
        return RunCommandLine(exePath, option, scriptPath, arguments);
    return RunCommandLine(exePath, TestOptions(runner, option, folder),
                          runner == TestRunner::Pytest ? TestTarget(scriptPath, test) : scriptPath,
                          TestArguments(runner, arguments));
}

namespace {

// Python's columns: a tab goes on to the next multiple of eight.
int Indentation(const std::string& line, size_t& body) {
    int column = 0;
    for (body = 0; body < line.size(); ++body) {
        if (line[body] == ' ')
            ++column;
        else if (line[body] == '\t')
            column = (column / 8 + 1) * 8;
        else
            break;
    }
    return column;
}

std::string Identifier(const std::string& text, size_t from) {
    while (from < text.size() && (text[from] == ' ' || text[from] == '\t'))
        ++from;
    size_t end = from;
    while (end < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_'))
        ++end;
    return text.substr(from, end - from);
}

struct Scope {
    bool isClass = false;
    std::string name;
    bool testCase = false; // a unittest.TestCase, whatever its name
};

// A def or class statement at the start of body.
bool ReadScope(const std::string& body, Scope& scope) {
    for (const char* head : {"def ", "async def "})
        if (body.rfind(head, 0) == 0) {
            scope = {false, Identifier(body, std::string(head).size()), false};
            return !scope.name.empty();
        }
    if (body.rfind("class ", 0) != 0)
        return false;
    scope = {true, Identifier(body, 6), body.find("TestCase") != std::string::npos};
    return !scope.name.empty();
}

} // namespace

std::string TestAtLine(const std::function<std::string(long)>& lineAt, long caretLine) {
    // From the caret up, each line less indented than all below it so far opens the block
    // they are in; the def and class lines among them are the scopes, innermost first. A
    // blank caret line belongs to the block above it.
    std::vector<Scope> scopes;
    int limit = INT_MAX;
    for (long i = caretLine; i >= 0 && limit > 0; --i) {
        std::string line = lineAt(i);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t body = 0;
        const int indent = Indentation(line, body);
        if (body == line.size() || line[body] == '#')
            continue;
        if (i == caretLine)
            limit = indent + 1;
        if (indent >= limit)
            continue;
        limit = indent;
        Scope scope;
        if (ReadScope(line.substr(body), scope))
            scopes.push_back(scope);
    }
    // pytest's name: the Test classes from the outside in, then a test function in them.
    std::string test;
    for (auto s = scopes.rbegin(); s != scopes.rend(); ++s) {
        if (s->isClass && (s->name.rfind("Test", 0) == 0 || s->testCase)) {
            test += (test.empty() ? "" : "::") + s->name;
            continue;
        }
        // A function nested in a test is part of it; a helper is no test of its own.
        if (!s->isClass && s->name.rfind("test", 0) == 0)
            test += (test.empty() ? "" : "::") + s->name;
        break;
    }
    return test;
}

std::string TestCommandCaption(TestRunner runner, const std::string& test) {
    if (runner == TestRunner::None)
        return kTestAtCaretCaption;
    if (test.empty())
        return "テストファイル全体を実行(&T)";
    return "テスト " + test + " を実行(&T)";
}
