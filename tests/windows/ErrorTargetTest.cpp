// Where an error line leads, at the edges of the rule: names that are no files, URLs, relative
// names, the script under other names, the run's copy, and the marks of a file other than the
// script.
#include "windows/logic/ErrorTarget.h"
#include "windows/logic/FileJump.h"

#include "config/Kvexilconfig.h"
#include "regex/Kregexp.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"
#include "windows/logic/ErrorLines.h"
#include "windows/logic/TagJump.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

class ErrorTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ScriptedMessages loading;
        ASSERT_TRUE(RegExpLoad(loading, VEXIL_BIN_DIR));
        config.Languages.push_back(std::make_unique<KDefConfig>(dir.File("perl.def")));
        config.Current = config.Languages.back().get();
        config.Current->TempDir = dir.Path();
        config.Current->RegExpErr = "line \\K[0-9]+";
        config.Current->RegExpFile = "at (.+) line";
        script = dir.File("proj/a.pl");
    }
    void TearDown() override { RegExpUnload(); }

    std::optional<ErrorTarget> Resolve(const std::string& entry) {
        return ResolveErrorEntry(entry, config, dir.File("proj"), script);
    }
    std::string Leads(const std::string& entry) {
        const std::optional<ErrorTarget> t = Resolve(entry);
        return t ? t->file + ":" + std::to_string(t->line) : "nowhere";
    }

    TempDir dir;
    ScriptedMessages messages;
    KVexilConfig config{dir.Path(), messages};
    std::string script;
};

} // namespace

TEST(ErrorTargetNames, OnlyFileUrlsAreDecodedAndTheirHostIsDropped) {
    EXPECT_EQ(PathOfFileUrl("file:///tmp/proj%20dir%20%C3%A9/a.mjs"), "/tmp/proj dir é/a.mjs");
    EXPECT_EQ(PathOfFileUrl("FILE://localhost/w/a%2Fb.mjs"), "/w/a/b.mjs");
    // A broken escape stays as it is, up to the very end.
    EXPECT_EQ(PathOfFileUrl("file:///w/100%.js"), "/w/100%.js");
    EXPECT_EQ(PathOfFileUrl("file:///w/a%2"), "/w/a%2");
    EXPECT_EQ(PathOfFileUrl("file:///w/%zz%41"), "/w/%zzA");
    EXPECT_EQ(PathOfFileUrl("file://host"), "");
    // A path is a path, whatever it holds.
    EXPECT_EQ(PathOfFileUrl("/w/a%20b.js"), "/w/a%20b.js");
    EXPECT_EQ(PathOfFileUrl("file:/w/a%20b.js"), "file:/w/a%20b.js");
}

TEST(ErrorTargetNames, FramesOfTheInterpretersThemselvesAreNoFiles) {
    for (const char* name :
         {"<string>", "<frozen runpy>", "evalmachine.<anonymous>", "<internal:kernel>", "(eval 5)",
          "(eval)", "(re_eval 1)", "node:internal/modules/cjs/loader", "node:fs"})
        EXPECT_TRUE(NamesNoFile(name)) << name;
    for (const char* name : {"", "/w/a.js", "a.pl", "./x(1).pl", "(draft) notes.pl", "c:x.pl",
                             "/w/node:x/a.js", "file:///w/a.js", "lib/<x.pl"})
        EXPECT_FALSE(NamesNoFile(name)) << name;
}

TEST(ErrorTargetNames, NamesAreMadeAbsoluteAndPlain) {
    EXPECT_EQ(AbsolutePathFrom("/w/run", "./lib/../x.pl"), "/w/run/x.pl");
    EXPECT_EQ(AbsolutePathFrom("/w/run/", "-x.pl"), "/w/run/-x.pl");
    EXPECT_EQ(AbsolutePathFrom("/w/run", "/a//b/./c.pl"), "/a/b/c.pl");
    EXPECT_EQ(AbsolutePathFrom("/w/run", ""), "");
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path("/usr");
    EXPECT_EQ(AbsolutePathFrom("", "lib/x.pm"), "/usr/lib/x.pm");
    std::filesystem::current_path(old);
}

TEST_F(ErrorTargetTest, AnEntryLeadsToTheFileItNamesOrTheScript) {
    std::filesystem::create_directories(dir.File("proj"));
    EXPECT_EQ(Leads("oops at /usr/lib/x.pm line 9."), "/usr/lib/x.pm:9");
    EXPECT_EQ(Leads("oops at lib/../b.pl line 3."), dir.File("proj/b.pl") + ":3");
    // The script, however its name is written, is the script's own name.
    EXPECT_EQ(Leads("oops at ./a.pl line 4."), script + ":4");
    EXPECT_EQ(Leads("oops at " + dir.File("proj/../proj/a.pl") + " line 5."), script + ":5");
    // No file named: the script.
    EXPECT_EQ(Leads("oops line 6"), ":6");
    config.Current->RegExpFile.clear();
    EXPECT_EQ(Leads("oops at /usr/lib/x.pm line 9."), ":9");
    // No line: nowhere, whatever the file.
    config.Current->RegExpFile = "at (.+) line";
    EXPECT_EQ(Leads("oops at /usr/lib/x.pm"), "nowhere");
    // A frame of the interpreter itself: nowhere, and F4 passes it by.
    EXPECT_EQ(Leads("in eval at (eval 5) line 2."), "nowhere");
    EXPECT_EQ(TagJumpLineNumber("in eval at (eval 5) line 2.", config), -1);
    EXPECT_EQ(TagJumpLineNumber("oops at /usr/lib/x.pm line 9.", config), 9);
    config.Current = nullptr;
    EXPECT_EQ(Leads("oops at /usr/lib/x.pm line 9."), "nowhere");
}

TEST_F(ErrorTargetTest, TheRunsCopyLeadsToTheScriptWhereverItWasMade) {
    std::filesystem::create_directories(dir.File("proj/tmp"));
    // Beside the script, named in full.
    config.LastRunCopy = dir.File("proj/.a.vexil-Qw12er.pl");
    EXPECT_EQ(Leads("w at " + config.LastRunCopy + " line 3."), script + ":3");
    EXPECT_EQ(Leads("w at .a.vexil-Qw12er.pl line 3."), script + ":3");
    // A relative TempDir: the copy's name is relative to the run's folder, and the interpreter
    // prints it as given or in full.
    config.LastRunCopy = "tmp/vexil-Ab12Cd.tmp";
    EXPECT_EQ(Leads("w at tmp/vexil-Ab12Cd.tmp line 4."), script + ":4");
    EXPECT_EQ(Leads("w at " + dir.File("proj/tmp/vexil-Ab12Cd.tmp") + " line 4."), script + ":4");
    EXPECT_EQ(Leads("w at " + dir.File("tmp/vexil-Ab12Cd.tmp") + " line 4."),
              dir.File("tmp/vexil-Ab12Cd.tmp") + ":4");
    // A script never saved has no name: the copy leads into it all the same.
    script.clear();
    EXPECT_EQ(Leads("w at tmp/vexil-Ab12Cd.tmp line 4."), ":4");
    // The language's temporary file, in any letter case.
    std::string upper = config.GetTempFilePath();
    for (char& ch : upper)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(Leads("w at " + upper + " line 5."), ":5");
}

TEST_F(ErrorTargetTest, AFolderReachedThroughALinkIsTheSameFolder) {
    std::filesystem::create_directories(dir.File("proj"));
    std::filesystem::create_symlink(dir.File("proj"), dir.File("link"));
    WriteFileBytes(script, "1;\n");
    // The script opened through the link; Node and Python print the real path.
    script = dir.File("link/a.pl");
    EXPECT_EQ(Leads("w at " + dir.File("proj/a.pl") + " line 2."), script + ":2");
    // The copy is gone by the time its lines are read; its folder is still there.
    config.LastRunCopy = dir.File("link/.a.vexil-Zz99zz.pl");
    EXPECT_EQ(Leads("w at " + dir.File("proj/.a.vexil-Zz99zz.pl") + " line 3."), script + ":3");
    // Another file of the same name elsewhere is not the script.
    std::filesystem::create_directories(dir.File("other"));
    EXPECT_EQ(Leads("w at " + dir.File("other/a.pl") + " line 4."), dir.File("other/a.pl") + ":4");
}

TEST_F(ErrorTargetTest, MarksGoToTheFileTheyLeadTo) {
    std::filesystem::create_directories(dir.File("proj/lib"));
    const std::string module = dir.File("proj/lib/M.pm");
    config.LastRunCopy = dir.File("proj/.a.vexil-Qw12er.pl");
    ErrorLines lines;
    lines.Load("bad at " + module + " line 7.\n" + "called at " + config.LastRunCopy +
                   " line 12\n" + "again at lib/M.pm line 7.\n" + "in eval at (eval 5) line 2.\n" +
                   "other at lib/N.pm line 3.\nmain line 4\n",
               TextCode::Utf8);
    const std::string runFolder = dir.File("proj");
    std::vector<ErrorMark> marks = FileErrorMarks(lines, module, script, config, runFolder);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].line, 7);
    EXPECT_EQ(marks[0].message, "bad at " + module + " line 7.\nagain at lib/M.pm line 7.");
    // A name given relative to the run's folder is the same file.
    EXPECT_EQ(FileErrorMarks(lines, "lib/./M.pm", script, config, runFolder).size(), 1u);
    // The script's marks: the copy's line and the line that names no file.
    marks = ScriptErrorMarks(lines, script, config, runFolder);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].line, 4);
    EXPECT_EQ(marks[1].line, 12);
}
