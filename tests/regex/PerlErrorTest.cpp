// The tag jump's expressions on what a real perl writes to its standard error.

#include "platform/FileFacts.h"
#include "regex/Kregexp.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iconv.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* kDefaultRegExpErr = "line [0-9]+.?";

std::string Convert(const std::string& text, const char* to, const char* from) {
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    size_t rc = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    if (rc == static_cast<size_t>(-1))
        return {};
    out.resize(out.size() - outLeft);
    return out;
}

// Runs perl on the script and answers the lines it wrote to its standard error, as the error
// window holds them: CP932, without line breaks.
std::vector<std::string> PerlErrorLines(const std::string& script) {
    std::string command = "perl '" + script + "' 2>&1 >/dev/null";
    std::vector<std::string> lines;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return lines;
    std::string all;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        all.append(buffer, n);
    ::pclose(pipe);
    std::istringstream in(Convert(all, "CP932", "UTF-8"));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The line number the way the tag jump reads it: the language's expression first, then the
// first run of digits inside what it matched.
int ErrorLineNumber(const std::string& entry) {
    if (!RegExpMatch(entry, kDefaultRegExpErr))
        return -1;
    std::string matched = RegExpGroups[0];
    if (!RegExpMatch(matched, "[0-9]+"))
        return -1;
    return std::stoi(RegExpGroups[0]);
}

// 1-based number of the script line holding marker.
int LineOf(const std::string& script, const std::string& marker) {
    size_t at = script.find(marker);
    return at == std::string::npos
               ? -1
               : 1 + static_cast<int>(std::count(script.begin(), script.begin() + at, '\n'));
}

class PerlErrors : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(RegExpLoad(messages_, VEXIL_BIN_DIR)); }
    void TearDown() override { RegExpUnload(); }
    ScriptedMessages messages_;
    TempDir dir_;
};

TEST_F(PerlErrors, DefaultExpressionFindsTheLineOfDieSyntaxErrorAndWarning) {
    struct Case {
        std::string name, text, marker;
    };
    const Case cases[] = {
        {"die.pl", "use strict;\n\nmy $x = 1;\ndie \"boom\";\n", "die"},
        {"syntax.pl", "print \"ok\\n\";\nmy $y = 2;\n\nmy $z = ;\nprint $z;\n", "= ;"},
        {"warn.pl", "use warnings;\nmy $u;\nmy $v = 1;\nprint \"v=\" . $u . \"\\n\";\n", "$u ."},
        {"far.pl", "print 1;\n" + std::string(120, '\n') + "my $q = 1 / 0;\n", "1 / 0"},
    };
    for (const Case& c : cases) {
        std::string path = dir_.Write(c.name, c.text);
        std::vector<std::string> lines = PerlErrorLines(path);
        ASSERT_FALSE(lines.empty()) << c.name;
        EXPECT_EQ(ErrorLineNumber(lines[0]), LineOf(c.text, c.marker)) << lines[0];
        EXPECT_EQ(RegExpMatch(lines[0], "at (.+) line"), true) << lines[0];
        EXPECT_EQ(RegExpGroups[1], path) << lines[0];
    }
}

TEST_F(PerlErrors, LinesWithoutALineNumberGiveNone) {
    std::string text = "my $a = ;\n";
    std::vector<std::string> lines = PerlErrorLines(dir_.Write("abort.pl", text));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(ErrorLineNumber(lines[0]), 1);
    // "Execution of ... aborted due to compilation errors." names no line.
    EXPECT_EQ(ErrorLineNumber(lines.back()), -1) << lines.back();
    EXPECT_EQ(ErrorLineNumber("no number here"), -1);
}

TEST_F(PerlErrors, JapaneseFileNameComesBackWhole) {
    // 表 and ソ both end in a backslash byte in CP932.
    std::string name = "表ソ示.pl";
    std::string text = "print \"a\\n\";\ndie \"止まる\";\n";
    std::string path = dir_.Write(name, text);
    std::vector<std::string> lines = PerlErrorLines(path);
    ASSERT_FALSE(lines.empty());
    ASSERT_TRUE(RegExpMatch(lines[0], "at (.+) line"));
    std::string file = RegExpGroups[1];
    EXPECT_EQ(file, Convert(path, "CP932", "UTF-8"));
    EXPECT_TRUE(FileExists(Convert(file, "UTF-8", "CP932")));
    EXPECT_EQ(ErrorLineNumber(lines[0]), 2);
}

} // namespace
