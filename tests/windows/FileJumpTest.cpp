#include "windows/logic/FileJump.h"

#include "config/Kvexilconfig.h"
#include "regex/Kregexp.h"
#include "support/MemoryTextEditor.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"
#include "windows/logic/ErrorLines.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The script window over real files: what it shows, where its caret is, what it was asked.
class FakeWindow : public JumpWindow {
public:
    std::string ShownFile() const override { return file; }
    bool ShownModified() const override { return modified; }
    Visit Here() override {
        Visit v;
        v.file = file;
        v.caret = caret;
        v.topLine = top;
        v.folder = folder;
        v.state = state;
        return v;
    }
    bool ConfirmDiscard() override {
        ++questions;
        if (discard)
            modified = false;
        return discard;
    }
    bool SaveUnnamed() override {
        ++saveAs;
        if (saveAsName.empty())
            return false;
        file = saveAsName;
        modified = false;
        return true;
    }
    bool ShowFile(const std::string& f, const FileState& s) override {
        if (::access(f.c_str(), R_OK) != 0)
            return false;
        file = f;
        state = s;
        modified = false;
        caret = 0;
        top = 0;
        shown.push_back(f);
        return true;
    }
    void GoToLine(long long n) override { lines.push_back(n); }
    void MoveTo(long long c, long long t) override {
        caret = c;
        top = t;
    }
    void SetRunFolder(const std::string& f) override { folder = f; }

    std::string file;
    bool modified = false;
    long long caret = 0, top = 0;
    std::string folder;
    FileState state;
    bool discard = true;
    std::string saveAsName;
    int questions = 0, saveAs = 0;
    std::vector<std::string> shown;
    std::vector<long long> lines;
};

class FileJumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        main = dir.Write("main.py", "import mod\nmod.f()\n");
        mod = dir.Write("mod.py", "def f():\n    raise ValueError\n");
        util = dir.Write("util.py", "x = 1\n");
        window.file = main;
        window.folder = dir.Path();
        window.state.codeChoice = 1;
        window.state.readOnly = true;
    }

    FileJumps Jumps() {
        return FileJumps(
            window, [this](const std::string& text) { notices.push_back(text); },
            [this](bool other) { arrivals.push_back(other); });
    }

    TempDir dir;
    std::string main, mod, util;
    FakeWindow window;
    std::vector<std::string> notices;
    std::vector<bool> arrivals;
};

} // namespace

TEST(NavigationHistory, GoesBackAndForthThroughSeveralLevelsAndKnowsTheScriptMeanwhile) {
    NavigationHistory h;
    EXPECT_FALSE(h.Visiting());
    EXPECT_EQ(h.PeekBack(), nullptr);
    Visit script{"/s/main.py", 10, 2, "/s", FileState{3, 1, 2, false, 99}};
    h.Jumped(script, "/s/a.py");
    ASSERT_TRUE(h.Visiting());
    EXPECT_EQ(h.Program()->file, "/s/main.py");
    EXPECT_EQ(h.Program()->state.codeChoice, 1);
    h.Jumped(Visit{"/s/a.py", 5, 0, "/s", {}}, "/s/b.py");
    h.WentBack(Visit{"/s/b.py", 7, 0, "/s", {}});
    ASSERT_NE(h.PeekBack(), nullptr);
    EXPECT_EQ(h.PeekBack()->file, "/s/main.py");
    EXPECT_TRUE(h.PeekBack()->program);
    EXPECT_EQ(h.PeekForward()->file, "/s/b.py");
    EXPECT_EQ(h.PeekForward()->caret, 7);
    // Back at the script: no visit goes on, and both files lie ahead.
    h.WentBack(Visit{"/s/a.py", 6, 0, "/s", {}});
    EXPECT_FALSE(h.Visiting());
    EXPECT_EQ(h.PeekBack(), nullptr);
    EXPECT_EQ(h.PeekForward()->file, "/s/a.py");
    EXPECT_EQ(h.PeekForward()->caret, 6);
    h.WentForward(Visit{"/s/main.py", 11, 3, "/s", FileState{3, 0, 2, true, 99}});
    ASSERT_TRUE(h.Visiting());
    // The script as it was left the last time.
    EXPECT_EQ(h.Program()->caret, 11);
    EXPECT_EQ(h.Program()->state.codeChoice, 0);
    EXPECT_EQ(h.LastStateOf("/s/main.py")->codeChoice, 0);
    EXPECT_FALSE(h.LastStateOf("/s/c.py"));
    // A jump forgets what lay ahead; a jump into the script ends the visit.
    h.Jumped(Visit{"/s/a.py", 0, 0, "/s", {}}, "/s/main.py");
    EXPECT_FALSE(h.Visiting());
    EXPECT_EQ(h.PeekForward(), nullptr);
    EXPECT_EQ(h.PeekBack()->file, "/s/a.py");
    EXPECT_FALSE(h.PeekBack()->program);
    h.Clear();
    EXPECT_EQ(h.PeekBack(), nullptr);
    EXPECT_FALSE(h.LastStateOf("/s/main.py"));
}

TEST(NavigationHistory, KeepsOnlySoManyStepsButStillKnowsTheScript) {
    NavigationHistory h;
    for (std::size_t i = 0; i <= NavigationHistory::kMostVisits + 5; ++i)
        h.Jumped(Visit{"/s/" + std::to_string(i), 0, 0, "/s", {}}, "/s/" + std::to_string(i + 1));
    std::size_t back = 0;
    while (h.PeekBack()) {
        h.WentBack(Visit{"/x", 0, 0, "/s", {}});
        ++back;
    }
    EXPECT_EQ(back, NavigationHistory::kMostVisits);
    ASSERT_TRUE(h.Visiting());
    EXPECT_EQ(h.Program()->file, "/s/0");
}

TEST(NavigationHistory, SameFileSeesThroughLinksAndDots) {
    TempDir dir;
    const std::string file = dir.Write("a.py", "");
    ASSERT_EQ(::symlink(file.c_str(), dir.File("link.py").c_str()), 0);
    EXPECT_TRUE(SameFile(file, dir.Path() + "/./a.py"));
    EXPECT_TRUE(SameFile(file, dir.File("link.py")));
    EXPECT_FALSE(SameFile(file, dir.File("b.py")));
    EXPECT_FALSE(SameFile("", file));
    EXPECT_TRUE(SameFile("", ""));
}

TEST_F(FileJumpTest, ALineOfTheFileShownMovesTheCaretAndAsksNothing) {
    FileJumps jumps = Jumps();
    window.modified = true;
    EXPECT_EQ(jumps.Follow({main, 2}), FileJumpOutcome::InShown);
    EXPECT_EQ(jumps.Follow({"", 1}), FileJumpOutcome::InShown); // no file: the script
    EXPECT_EQ(jumps.Follow({dir.Path() + "/./main.py", 3}), FileJumpOutcome::InShown);
    EXPECT_EQ(window.lines, (std::vector<long long>{2, 1, 3}));
    EXPECT_EQ(window.questions, 0);
    EXPECT_TRUE(window.shown.empty());
    EXPECT_EQ(arrivals, (std::vector<bool>{false, false, false}));
    EXPECT_FALSE(jumps.Visiting());
}

TEST_F(FileJumpTest, AnotherFileIsShownAtTheLineAfterTheSaveQuestionAndTheRunsStillMeanTheScript) {
    FileJumps jumps = Jumps();
    window.modified = true;
    window.discard = false;
    EXPECT_EQ(jumps.Follow({mod, 2}), FileJumpOutcome::Declined);
    EXPECT_EQ(window.file, main);
    EXPECT_TRUE(window.lines.empty());
    window.discard = true;
    window.caret = 12;
    EXPECT_EQ(jumps.Follow({mod, 2}), FileJumpOutcome::Opened);
    EXPECT_EQ(window.questions, 2);
    EXPECT_EQ(window.file, mod);
    EXPECT_EQ(window.lines, (std::vector<long long>{2}));
    EXPECT_EQ(arrivals, (std::vector<bool>{true}));
    // Read in its own code, writable as the user may write it.
    EXPECT_EQ(window.state.codeChoice, -1);
    EXPECT_FALSE(window.state.readOnly);
    EXPECT_TRUE(jumps.Visiting());
    EXPECT_EQ(jumps.RunScript(), main);
    ASSERT_NE(jumps.Program(), nullptr);
    EXPECT_EQ(jumps.Program()->state.codeChoice, 1);
    // An entry naming no file now leads back into the script, which ends the visit there.
    window.folder = "/elsewhere";
    EXPECT_EQ(jumps.Follow({"", 1}), FileJumpOutcome::Opened);
    EXPECT_EQ(window.file, main);
    EXPECT_FALSE(jumps.Visiting());
    EXPECT_EQ(window.folder, dir.Path());
    // Shown as it was left: its own code choice and read-only.
    EXPECT_EQ(window.state.codeChoice, 1);
    EXPECT_TRUE(window.state.readOnly);
    EXPECT_EQ(jumps.RunScript(), main);
}

TEST_F(FileJumpTest, AMissingFileIsSaidAndNothingIsAsked) {
    FileJumps jumps = Jumps();
    window.modified = true;
    EXPECT_EQ(jumps.Follow({dir.File("gone.py"), 4}), FileJumpOutcome::Missing);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(dir.File("gone.py")), std::string::npos) << notices[0];
    EXPECT_NE(notices[0].find("見つかりません"), std::string::npos);
    EXPECT_EQ(window.questions, 0);
    EXPECT_EQ(window.file, main);
    EXPECT_FALSE(jumps.Visiting());
}

TEST_F(FileJumpTest, AScriptNeverSavedIsSavedFirstOrTheJumpDoesNotHappen) {
    FileJumps jumps = Jumps();
    window.file.clear();
    window.modified = true;
    EXPECT_EQ(jumps.Follow({mod, 2}), FileJumpOutcome::NotSaved);
    EXPECT_EQ(window.saveAs, 1);
    EXPECT_EQ(window.questions, 0); // Save As is the question
    EXPECT_TRUE(window.file.empty());
    EXPECT_TRUE(window.shown.empty());
    ASSERT_FALSE(notices.empty());
    EXPECT_NE(notices.back().find("保存されていない"), std::string::npos) << notices.back();
    EXPECT_FALSE(jumps.Visiting());

    window.saveAsName = dir.File("saved.py");
    EXPECT_EQ(jumps.Follow({mod, 2}), FileJumpOutcome::Opened);
    EXPECT_EQ(window.file, mod);
    EXPECT_EQ(jumps.RunScript(), dir.File("saved.py"));
}

TEST_F(FileJumpTest, BackAndForwardRestoreEveryFileWhereItWasLeft) {
    FileJumps jumps = Jumps();
    EXPECT_FALSE(jumps.Back());
    EXPECT_EQ(notices.back(), kNoBack);
    window.caret = 30;
    window.top = 2;
    ASSERT_EQ(jumps.Follow({mod, 2}), FileJumpOutcome::Opened);
    window.caret = 15;
    ASSERT_EQ(jumps.Follow({util, 1}), FileJumpOutcome::Opened);
    EXPECT_EQ(jumps.RunScript(), main);
    window.caret = 4;
    window.folder = "/moved/by/a/save";

    EXPECT_TRUE(jumps.Back());
    EXPECT_EQ(window.file, mod);
    EXPECT_EQ(window.caret, 15);
    EXPECT_TRUE(jumps.Visiting());
    EXPECT_EQ(window.folder, dir.Path());
    EXPECT_TRUE(jumps.Back());
    EXPECT_EQ(window.file, main);
    EXPECT_EQ(std::pair(window.caret, window.top), std::pair(30LL, 2LL));
    EXPECT_EQ(window.state.codeChoice, 1);
    EXPECT_TRUE(window.state.readOnly);
    EXPECT_FALSE(jumps.Visiting());
    EXPECT_FALSE(jumps.CanGoBack());

    EXPECT_TRUE(jumps.Forward());
    EXPECT_TRUE(jumps.Forward());
    EXPECT_EQ(window.file, util);
    EXPECT_EQ(window.caret, 4);
    EXPECT_EQ(jumps.RunScript(), main);
    EXPECT_FALSE(jumps.Forward());
    EXPECT_EQ(notices.back(), kNoForward);
    EXPECT_EQ(window.questions, 0);

    // A modified file is asked about before it is left; Cancel stays.
    window.modified = true;
    window.discard = false;
    EXPECT_FALSE(jumps.Back());
    EXPECT_EQ(window.file, util);
    EXPECT_EQ(window.questions, 1);
    // A file gone meanwhile is said, and the history stays as it was.
    window.modified = false;
    ASSERT_EQ(::unlink(mod.c_str()), 0);
    EXPECT_FALSE(jumps.Back());
    EXPECT_EQ(window.file, util);
    EXPECT_TRUE(jumps.CanGoBack());
    EXPECT_NE(notices.back().find(mod), std::string::npos);
    // Opened by hand: the jumps are over, and what is shown is what runs.
    jumps.End();
    EXPECT_FALSE(jumps.Visiting());
    EXPECT_FALSE(jumps.CanGoBack());
    EXPECT_EQ(jumps.RunScript(), util);
}

TEST_F(FileJumpTest,
       ARunWhileAFileReachedByAJumpIsShownAsksAboutItsChangesAndRunsInTheScriptsFolder) {
    FileJumps jumps = Jumps();
    EXPECT_TRUE(jumps.BeforeRun());
    window.modified = true;
    EXPECT_TRUE(jumps.BeforeRun()); // the script itself runs from the editor: nothing asked
    EXPECT_EQ(window.questions, 0);
    window.modified = false;
    ASSERT_EQ(jumps.Follow({mod, 2}), FileJumpOutcome::Opened);
    window.modified = true;
    window.folder = "/moved/by/a/save";
    window.discard = false;
    EXPECT_FALSE(jumps.BeforeRun());
    window.discard = true;
    EXPECT_TRUE(jumps.BeforeRun());
    EXPECT_EQ(window.questions, 2);
    EXPECT_EQ(window.folder, dir.Path());
    EXPECT_EQ(window.file, mod);
    EXPECT_EQ(jumps.RunScript(), main);
}

TEST(FileJumpReadOnly, FilesOfTheSystemAndFilesTheUserMayNotWriteOpenReadOnly) {
    TempDir dir;
    const std::string mine = dir.Write("mine.py", "");
    EXPECT_FALSE(OpensReadOnly(mine));
    EXPECT_TRUE(OpensReadOnly("/usr/lib/os-release"));
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(mine.c_str(), 0644), 0);
    // Someone else's file: as nobody, it may not be written.
    if (::geteuid() == 0) {
        EXPECT_TRUE(RunUnprivileged([&] { return OpensReadOnly(mine); }));
    }
}

TEST(FileJumpMarks, EveryFileShownGetsTheMarksOfTheEntriesNamingIt) {
    ScriptedMessages loading;
    ASSERT_TRUE(RegExpLoad(loading, VEXIL_BIN_DIR));
    TempDir dir;
    const std::string main = dir.Write("main.py", "");
    const std::string mod = dir.Write("mod.py", "");
    KVexilConfig config{dir.Path(), loading};
    config.Languages.push_back(std::make_unique<KDefConfig>(dir.File("python.def")));
    config.Current = config.Languages.back().get();
    config.Current->RegExpErr = "line [0-9]+";
    config.Current->RegExpFile = "File \"(.+)\", line [0-9]+";
    config.LastRunCopy = dir.File(".main.vexil-Ab12Cd.py");
    ErrorLines lines;
    lines.Load("Traceback (most recent call last):\n"
               "  File \"" +
                   config.LastRunCopy +
                   "\", line 2, in <module>\n"
                   "  File \"" +
                   mod +
                   "\", line 5, in f\n"
                   "  File \"mod.py\", line 5, in g\n"
                   "  File \"/usr/lib/python3/x.py\", line 9, in h\n"
                   "oops at line 3\n",
               TextCode::Utf8);
    auto marks = FileErrorMarks(lines, mod, main, config, dir.Path());
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].line, 5);
    EXPECT_EQ(marks[0].message,
              "  File \"" + mod + "\", line 5, in f\n  File \"mod.py\", line 5, in g");
    // The script: the copy's frame and the line that names no file.
    marks = FileErrorMarks(lines, main, main, config, dir.Path());
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(std::pair(marks[0].line, marks[1].line), std::pair(2LL, 3LL));
    // A file no entry names has none; only the first entries are read.
    EXPECT_TRUE(FileErrorMarks(lines, dir.File("other.py"), main, config, dir.Path()).empty());
    EXPECT_TRUE(FileErrorMarks(lines, mod, main, config, dir.Path(), 2).empty());
    RegExpUnload();
}

TEST(FileJumpView, TheCaretAndTheViewGoBackWhereTheyWereAsFarAsTheTextAllows) {
    MemoryTextEditor editor(5);
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "line " + std::to_string(i) + "\n";
    editor.SetWholeText(text);
    const TextPos at = editor.PositionFromLine(20) + 3;
    RestoreView(editor, at, 17);
    EXPECT_EQ(editor.SelectionStart(), at);
    EXPECT_EQ(editor.SelectionLength(), 0);
    EXPECT_EQ(editor.FirstVisibleLine(), 17);
    EXPECT_EQ(editor.FocusCount, 1);
    // The file became shorter since: the caret stays inside it.
    editor.SetWholeText("a\nbc\n");
    RestoreView(editor, at, 17);
    const TextPos last = editor.LineCount() - 1;
    EXPECT_EQ(editor.SelectionStart(),
              editor.PositionFromLine(last) + static_cast<TextPos>(editor.LineText(last).size()));
    EXPECT_EQ(editor.FirstVisibleLine(), std::max<TextPos>(0, last - 4));
}
