#include "windows/logic/TagJump.h"
#include "config/Kvexilconfig.h"
#include "regex/Kregexp.h"
#include "support/HostDoubles.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"
#include "windows/RecordingScript.h"
#include "windows/logic/ErrorLines.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>

namespace {

using Argv = std::vector<std::string>;

class TagJumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ScriptedMessages loading;
        ASSERT_TRUE(RegExpLoad(loading, VEXIL_BIN_DIR));
        config.Languages.push_back(std::make_unique<KDefConfig>(dir.File("perl.def")));
        config.Current = config.Languages.back().get();
        config.Current->TempDir = dir.Path();
        config.Current->TempFile = "vexil.tmp";
        editor = dir.Write("editor", "#!/bin/sh\nexit 0\n");
        ::chmod(editor.c_str(), 0755);
        config.Editor = editor;
    }
    void TearDown() override { RegExpUnload(); }

    TagJumpOutcome Jump(std::optional<std::string_view> entry) {
        TagJumpContext context{script,
                               config,
                               messages,
                               launcher,
                               [this] { ++activations; },
                               dir.Path(),
                               [this](const std::string& text) { notices.push_back(text); }};
        return PerformTagJump(entry, context);
    }
    // The external editor is asked for: a saved script and the option on.
    void UseEditor(const std::string& tmpl) {
        script.FileName = dir.File("a.pl");
        config.UseTagJump = true;
        config.TagJumpText = tmpl;
    }

    TempDir dir;
    ScriptedMessages messages;
    KVexilConfig config{dir.Path(), messages};
    RecordingScript script;
    RecordingLauncher launcher;
    std::string editor;
    int activations = 0;
    std::vector<std::string> notices;
};

} // namespace

TEST_F(TagJumpTest, WithDefaultSettingsTheCaretGoesToTheLineInTheScriptWindow) {
    script.FileName = dir.File("a.pl");
    EXPECT_EQ(Jump("Died at " + dir.File("a.pl") + " line 7."), TagJumpOutcome::InScript);
    // Line 0 goes to the script window as it stands; what it makes of it is its own matter.
    EXPECT_EQ(Jump("Died at x line 0."), TagJumpOutcome::InScript);
    EXPECT_EQ(script.Lines, (std::vector<long long>{7, 0}));
    EXPECT_EQ(activations, 2);
    EXPECT_EQ(script.Questions, 0);
    EXPECT_TRUE(launcher.Started.empty());
}

TEST_F(TagJumpTest, AnEntryWithoutLineNumberDoesNothingAndAsksNothing) {
    UseEditor("%F");
    script.Discard = false;
    EXPECT_EQ(Jump("Execution of a.pl aborted due to compilation errors."),
              TagJumpOutcome::NoLineNumber);
    EXPECT_EQ(Jump(std::nullopt), TagJumpOutcome::NoLineNumber);
    config.Current->RegExpErr = "error at";
    EXPECT_EQ(Jump("error at a.pl"), TagJumpOutcome::NoLineNumber);
    EXPECT_EQ(script.Questions, 0);
    EXPECT_TRUE(script.Lines.empty());
    EXPECT_EQ(activations, 0);
    EXPECT_TRUE(launcher.Started.empty());
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(TagJumpTest, TheJumpStaysInTheScriptWindowWhenTheScriptHasNoFileOrTheOptionIsOff) {
    config.UseTagJump = true;
    config.TagJumpText = "%F";
    EXPECT_EQ(Jump("Died at - line 3."), TagJumpOutcome::InScript);
    // While the external jump is off, a line that names the script or the run's copy moves
    // the caret; one that names another file leaves it, and says where the error is.
    script.FileName = dir.File("a.pl");
    config.UseTagJump = false;
    config.Current->UseTagJumpToOtherFile = true;
    config.Current->RegExpFile = "at (.+) line";
    config.LastRunCopy = dir.File(".a.vexil-Qw12er.pl");
    const std::pair<std::string, TagJumpOutcome> lines[] = {
        {"Died at /usr/lib/python3/json/__init__.py line 9.", TagJumpOutcome::OtherFile},
        {"Died at " + dir.File("a.pl") + " line 4.", TagJumpOutcome::InScript},
        {"Died at a.pl line 5.", TagJumpOutcome::InScript}, // relative to the run's folder
        {"Died at " + config.LastRunCopy + " line 6.", TagJumpOutcome::InScript},
        {"Died at x/a.pl line 7.", TagJumpOutcome::OtherFile},
    };
    for (const auto& [line, outcome] : lines)
        EXPECT_EQ(Jump(line), outcome) << line;
    EXPECT_EQ(script.Lines, (std::vector<long long>{3, 4, 5, 6}));
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].rfind("/usr/lib/python3/json/__init__.py の 9 行目", 0), 0u) << notices[0];
    EXPECT_EQ(notices[1].rfind(dir.File("x/a.pl") + " の 7 行目", 0), 0u);
    // Without a file expression every line belongs to the script, as Perl's defaults have it.
    config.Current->RegExpFile.clear();
    EXPECT_EQ(Jump("Died at /elsewhere/lib.pm line 9."), TagJumpOutcome::InScript);
    EXPECT_EQ(script.Questions, 0);
    EXPECT_TRUE(launcher.Started.empty());
}

TEST_F(TagJumpTest, TheEditorGetsTheExpandedTemplateAsArguments) {
    UseEditor("-l%L %F");
    EXPECT_EQ(Jump("Died at x line 12."), TagJumpOutcome::EditorStarted);
    ASSERT_EQ(launcher.Started.size(), 1u);
    EXPECT_EQ(launcher.Started[0], (Argv{editor, "-l12", dir.File("a.pl")}));
    EXPECT_EQ(script.Questions, 1);
    EXPECT_TRUE(script.Lines.empty());
    EXPECT_EQ(activations, 0);
}

// The template is split before the name goes in, so double quotes are no longer needed for it.
TEST_F(TagJumpTest, AFileNameWithBlanksIsOneArgumentWithOrWithoutDoubleQuotes) {
    UseEditor("%F");
    script.FileName = dir.File("my script.pl");
    config.UseDoubleQuotes = true;
    Jump("Died at x line 4.");
    // The template does not ask for the line, so it is not passed.
    config.UseDoubleQuotes = false;
    Jump("Died at x line 4.");
    ASSERT_EQ(launcher.Started.size(), 2u);
    EXPECT_EQ(launcher.Started[0], (Argv{editor, dir.File("my script.pl")}));
    EXPECT_EQ(launcher.Started[1], (Argv{editor, dir.File("my script.pl")}));
}

TEST_F(TagJumpTest, AnEmptyTemplateStartsTheEditorAlone) {
    UseEditor("");
    Jump("Died at x line 4.");
    ASSERT_EQ(launcher.Started.size(), 1u);
    EXPECT_EQ(launcher.Started[0], (Argv{editor}));
}

TEST_F(TagJumpTest, ANoToTheSaveQuestionStopsTheJump) {
    UseEditor("%F");
    script.Discard = false;
    EXPECT_EQ(Jump("Died at x line 4."), TagJumpOutcome::Declined);
    EXPECT_EQ(script.Questions, 1);
    EXPECT_TRUE(launcher.Started.empty());
    EXPECT_TRUE(script.Lines.empty());
}

TEST_F(TagJumpTest, TheFileNamedInTheEntryIsOpened) {
    UseEditor("%F:%L");
    config.Current->UseTagJumpToOtherFile = true;
    config.Current->RegExpFile = "at (.+) line [0-9]+";
    Jump("Undefined subroutine &main::f called at /srv/lib/Util.pm line 21.");
    // The temporary copy a run executes stands for the script, whatever its letter case.
    std::string temp = config.GetTempFilePath();
    std::string upper;
    for (char c : temp)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_NE(upper, temp);
    Jump("syntax error at " + upper + " line 5, near \"}\"");
    // So does the copy beside the script that the last run executed.
    config.LastRunCopy = dir.File(".a.vexil-Xy12Zq.pl");
    Jump("Died at " + config.LastRunCopy + " line 6.");
    ASSERT_EQ(launcher.Started.size(), 3u);
    EXPECT_EQ(launcher.Started[0], (Argv{editor, "/srv/lib/Util.pm:21"}));
    EXPECT_EQ(launcher.Started[1], (Argv{editor, dir.File("a.pl") + ":5"}));
    EXPECT_EQ(launcher.Started[2], (Argv{editor, dir.File("a.pl") + ":6"}));
}

TEST_F(TagJumpTest, AFileNameIsTheRealPathWhateverCharactersItHolds) {
    UseEditor("%F");
    config.Current->UseTagJumpToOtherFile = true;
    config.Current->RegExpFile = "ファイル (.+) の";
    Jump("ファイル /tmp/表示/caf\xc3\xa9 \xf0\x9f\x98\x80.pl の line 8");
    ASSERT_EQ(launcher.Started.size(), 1u);
    EXPECT_EQ(launcher.Started[0], (Argv{editor, "/tmp/表示/caf\xc3\xa9 \xf0\x9f\x98\x80.pl"}));
}

TEST_F(TagJumpTest, NoFileNameInTheEntryMeansNothingHappensAfterTheQuestion) {
    UseEditor("%F");
    config.Current->UseTagJumpToOtherFile = true;
    config.Current->RegExpFile = "in file (.*) at";
    EXPECT_EQ(Jump("Died at x line 4."), TagJumpOutcome::NoFileName);
    EXPECT_EQ(Jump("in file  at line 4."), TagJumpOutcome::NoFileName); // empty group 1
    config.Current->RegExpFile = "";
    EXPECT_EQ(Jump("Died at x line 4."), TagJumpOutcome::NoFileName);
    EXPECT_EQ(script.Questions, 3);
    EXPECT_TRUE(launcher.Started.empty());
    EXPECT_TRUE(script.Lines.empty());
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(TagJumpTest, AMissingEditorIsReportedAndNothingStarts) {
    UseEditor("%F");
    config.Editor = dir.File("no-editor");
    EXPECT_EQ(Jump("Died at x line 4."), TagJumpOutcome::EditorMissing);
    config.Editor = "vexil-no-such-editor";
    EXPECT_EQ(Jump("Died at x line 4."), TagJumpOutcome::EditorMissing);
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{
                  dir.File("no-editor") + "が見つかりません。パスを確認してください。",
                  "vexil-no-such-editorが見つかりません。パスを確認してください。"}));
    EXPECT_TRUE(launcher.Started.empty());
}

TEST_F(TagJumpTest, AnEditorWithoutAFolderIsFoundOnThePath) {
    UseEditor("+%L %F");
    TempDir bin;
    const std::string myed = bin.Write("myed", "#!/bin/sh\n");
    ::chmod(myed.c_str(), 0755);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (bin.Path() + ":" + oldPath).c_str(), 1);
    config.Editor = "myed";
    EXPECT_EQ(Jump("Died at x line 30."), TagJumpOutcome::EditorStarted);
    ::setenv("PATH", oldPath.c_str(), 1);
    ASSERT_EQ(launcher.Started.size(), 1u);
    EXPECT_EQ(launcher.Started[0], (Argv{"myed", "+30", dir.File("a.pl")}));
}

// F4 and Shift+F4 over five rows of which rows 1 and 3 name a line.
TEST(ErrorWalk, StepsOverRowsWithoutALineAndWrapsAtBothEnds) {
    const auto names13 = [](std::size_t row) { return row == 1 || row == 3; };
    // current (5: a row the list no longer has, as none), forward, row reached, wrapped.
    const std::tuple<std::size_t, bool, std::size_t, bool> cases[] = {
        {5, true, 1, false}, {5, false, 3, false}, {1, true, 3, false}, {3, true, 1, true},
        {4, true, 1, true},  {2, false, 1, false}, {1, false, 3, true}, {0, false, 3, true},
    };
    for (const auto& [current, forward, row, wrapped] : cases) {
        const auto step = StepToErrorLine(current, 5, forward, names13);
        ASSERT_TRUE(step.has_value()) << current << forward;
        EXPECT_EQ(std::pair(step->row, step->wrapped), std::pair(row, wrapped))
            << current << forward;
    }
    // The only error line comes round to itself; none at all: nowhere to go, each row asked once.
    EXPECT_TRUE(StepToErrorLine(2, 5, false, [](std::size_t r) { return r == 2; })->wrapped);
    int asked = 0;
    EXPECT_FALSE(StepToErrorLine(1, 4, true, [&](std::size_t) { return ++asked, false; }));
    EXPECT_EQ(asked, 4);
}

TEST_F(TagJumpTest, MarksGoToTheScriptsLinesOnlyWithTheirErrorLines) {
    script.FileName = dir.File("a.pl");
    config.Current->RegExpErr = "line [0-9]+";
    config.Current->RegExpFile = "at (.+?) line";
    config.LastRunCopy = dir.File(".a.vexil-Qw12er.pl");
    ErrorLines lines;
    lines.Load("Died at " + dir.File("a.pl") + " line 7.\n" + "oops at /usr/lib/x.pm line 9.\n" +
                   "Execution of a.pl aborted.\n" + "w at " + config.LastRunCopy + " line 3.\n" +
                   "again at a.pl line 7.\r\nzero at a.pl line 0.\n",
               TextCode::Utf8);
    auto marks = ScriptErrorMarks(lines, script.FileName, config, dir.Path());
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].line, 3);
    EXPECT_EQ(marks[1].line, 7);
    EXPECT_EQ(marks[1].message, "Died at " + dir.File("a.pl") + " line 7.\nagain at a.pl line 7.");
    // Without a file expression every line is the script's; only the first entries are read.
    config.Current->RegExpFile.clear();
    marks = ScriptErrorMarks(lines, script.FileName, config, dir.Path(), 2);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[1].line, 9);
    // A line named again and again keeps a tip of a readable length.
    std::string flood;
    for (int i = 0; i < 30; ++i)
        flood += "w" + std::to_string(i) + " line 5\n";
    lines.Load(flood);
    marks = ScriptErrorMarks(lines, script.FileName, config, dir.Path());
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].message.substr(marks[0].message.rfind('\n') + 1), "w9 line 5");
}
