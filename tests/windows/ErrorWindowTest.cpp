#include "config/Kvexilconfig.h"
#include "platform/ByteStream.h"
#include "regex/Kregexp.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "windows/EditorScript.h"
#include "windows/Stderror.h"

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

class ErrorWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ScriptedMessages loading;
        ASSERT_TRUE(RegExpLoad(loading, VEXIL_BIN_DIR));
        config.Languages.push_back(std::make_unique<KDefConfig>(dir.File("perl.def")));
        config.Current = config.Languages.back().get();
        config.Current->TempDir = dir.Path();
        window.resize(500, 300);
    }
    void TearDown() override { RegExpUnload(); }

    void Load(std::string_view bytes) {
        ByteStream stream(bytes);
        window.LoadFromStream(stream);
    }
    void Select(std::initializer_list<int> rows) {
        window.List().clearSelection();
        for (int row : rows)
            window.List().selectionModel()->select(window.Model().index(row),
                                                   QItemSelectionModel::Select);
    }
    // A real double-click on the row, as the user does it.
    void DoubleClick(int row) {
        window.show();
        QApplication::processEvents();
        QListView& list = window.List();
        list.scrollTo(window.Model().index(row));
        QRect rect = list.visualRect(window.Model().index(row));
        ASSERT_TRUE(rect.isValid());
        // Press and release first, as a real double-click begins.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, rect.center());
        QApplication::processEvents();
    }

    // Runs perl on the script in the test folder; answers what it wrote to standard error.
    std::string RunPerl(const std::string& name) {
        const std::string err = dir.File(name + ".err");
        const std::string command =
            "cd '" + dir.Path() + "' && perl '" + dir.File(name) + "' >/dev/null 2>'" + err + "'";
        [[maybe_unused]] int status = std::system(command.c_str());
        return dir.Read(name + ".err");
    }
    int RowHolding(const std::string& text) {
        for (int row = 0; row < window.Count(); ++row)
            if (window.Entry(row).find(text) != std::string::npos)
                return row;
        return -1;
    }

    TempDir dir;
    RecordingHost host;
    ScriptedMessages configMessages;
    KVexilConfig config{dir.Path(), configMessages};
    EditorScript script;
    TFStdError window{host, &script, &config};
};

std::string Numbered(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "# filler " + std::to_string(i) + "\n";
    return text;
}

} // namespace

TEST_F(ErrorWindowTest, LoadingTakesTheLinesFromTheStreamPositionAndShowsThePanel) {
    ByteStream stream("skip\nDied at a.pl line 3.\r\n\x95\x5C\x8E\xA6\r");
    stream.SetPosition(5);
    window.LoadFromStream(stream);
    ASSERT_EQ(window.Count(), 2);
    EXPECT_EQ(window.Entry(0), "Died at a.pl line 3.");
    EXPECT_EQ(window.Entry(1), "表示");
    EXPECT_EQ(window.Model().data(window.Model().index(1)).toString(), QString::fromUtf8("表示"));
    EXPECT_EQ(host.PanelShows, 1);
    EXPECT_TRUE(host.ErrorPanelVisible);
    EXPECT_EQ(window.windowTitle(), "Error");
}

TEST_F(ErrorWindowTest, AnEmptyStreamEmptiesTheListAndLeavesThePanelAlone) {
    Load("one\ntwo\n");
    host.HideErrorPanel();
    Load("");
    EXPECT_EQ(window.Count(), 0);
    EXPECT_EQ(host.PanelShows, 1);
    EXPECT_FALSE(host.ErrorPanelVisible);
    EXPECT_EQ(window.GetPositionText(), "");
}

TEST_F(ErrorWindowTest, CopyPutsTheSelectedEntriesInListOrderOnTheClipboard) {
    Load("zero\none\ntwo\nthree\n");
    host.Clip.SetText("before");
    window.Copy();
    EXPECT_EQ(host.Clip.Text(), "before"); // nothing selected: clipboard left alone
    Select({3, 0, 2});
    window.Copy();
    EXPECT_EQ(host.Clip.Text(), "zero\r\ntwo\r\nthree\r\n");
    // The pop-up menu's item copies the same way.
    Select({1});
    EXPECT_EQ(window.CopyAction().text(), QString::fromUtf8("コピー(&C)"));
    window.CopyAction().trigger();
    EXPECT_EQ(host.Clip.Text(), "one\r\n");
    // A click and a shift-click select a range.
    window.show();
    QApplication::processEvents();
    QListView& list = window.List();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualRect(window.Model().index(1)).center());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      list.visualRect(window.Model().index(3)).center());
    window.Copy();
    EXPECT_EQ(host.Clip.Text(), "one\r\ntwo\r\nthree\r\n");
}

TEST_F(ErrorWindowTest, PositionTextIsTheCurrentEntryCountedFromZero) {
    Load("a\nb\nc\nd\n");
    EXPECT_EQ(window.GetPositionText(), "");
    window.show();
    QApplication::processEvents();
    const int refreshes = host.StatusRefreshes;
    QListView& list = window.List();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualRect(window.Model().index(0)).center());
    EXPECT_EQ(window.GetPositionText(), "0");
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualRect(window.Model().index(3)).center());
    EXPECT_EQ(window.GetPositionText(), "3");
    EXPECT_EQ(host.StatusRefreshes, refreshes + 2);
}

TEST_F(ErrorWindowTest, TheWidestEntryAnywhereSetsTheHorizontalScrollRange) {
    window.resize(200, 150);
    window.show();
    Load("short\n" + std::string(400, 'w') + "\nshort\n");
    QApplication::processEvents();
    EXPECT_GT(window.List().horizontalScrollBar()->maximum(), 0);
    Load("short\nshort\n");
    QApplication::processEvents();
    EXPECT_EQ(window.List().horizontalScrollBar()->maximum(), 0);
}

TEST_F(ErrorWindowTest, ClickingTheListMakesTheErrorWindowActive) {
    QWidget frame;
    auto* layout = new QVBoxLayout(&frame);
    auto* outside = new QLineEdit(&frame);
    layout->addWidget(outside);
    layout->addWidget(&window);
    Load("a\nb\n");
    frame.show();
    QApplication::setActiveWindow(&frame);
    outside->setFocus();
    QApplication::processEvents();
    host.Activated.clear();
    QTest::mouseClick(window.List().viewport(), Qt::LeftButton, {},
                      window.List().visualRect(window.Model().index(1)).center());
    QApplication::processEvents();
    EXPECT_EQ(host.Activated, (std::vector<int>{TFBase::kError}));
    window.setParent(nullptr);
}

TEST_F(ErrorWindowTest, TheListIsReadOnly) {
    Load("a\nb\n");
    host.Clip.SetText("pasted");
    Select({0});
    window.Paste();
    window.Cut();
    EXPECT_EQ(host.Msgs.Texts(), (std::vector<std::string>{"Error window is read only.",
                                                           "Error window is read only."}));
    EXPECT_EQ(window.Count(), 2);
    EXPECT_EQ(window.Entry(0), "a");
    EXPECT_EQ(host.Clip.Text(), "pasted");
    EXPECT_FALSE(window.CanUndo());
}

TEST_F(ErrorWindowTest, SaveWritesEveryEntryWithCrLf) {
    Load("first\nsecond \x95\x5C\r\nthird");
    const std::string path = dir.File("errors.txt");
    host.FileDialogs.Answer(path);
    window.Save();
    EXPECT_EQ(dir.Read("errors.txt"), "first\r\nsecond \x95\x5C\r\nthird\r\n");
    ASSERT_EQ(host.FileDialogs.Saves.size(), 1u);
    EXPECT_EQ(host.FileDialogs.Saves[0].title, "エラー結果を保存");
    EXPECT_EQ(host.FileDialogs.Saves[0].filter, "All Files(*.*)|*.*");
    EXPECT_EQ(host.FileDialogs.Saves[0].fileName, "");
    EXPECT_EQ(host.FileDialogs.Saves[0].defaultExt, "");
    // Cancelled: nothing written.
    host.FileDialogs.Answer(std::nullopt);
    Load("other\n");
    window.Save();
    EXPECT_EQ(dir.Read("errors.txt"), "first\r\nsecond \x95\x5C\r\nthird\r\n");
    EXPECT_EQ(host.Msgs.Count(), 0u);
}

TEST_F(ErrorWindowTest, AFailedSaveIsReportedAndKeepsTheOldFile) {
    const std::string path = dir.Write("locked.txt", "old");
    ::chmod(path.c_str(), 0444);
    Load("new\n");
    host.FileDialogs.Answer(path);
    host.FileDialogs.Answer(dir.File("missing/folder.txt"));
    window.Save();
    window.Save();
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
    ASSERT_EQ(host.Msgs.Count(), 2u);
    EXPECT_EQ(host.Msgs.Shown()[0].caption, kErrorCaption);
    EXPECT_NE(host.Msgs.Shown()[0].text.find("locked.txt"), std::string::npos);
    EXPECT_NE(host.Msgs.Shown()[1].text.find("folder.txt"), std::string::npos);
}

TEST_F(ErrorWindowTest, FindSearchesInTheScriptWindowAndTheFolderIsTheProcesses) {
    window.Find();
    EXPECT_EQ(host.Activated, (std::vector<int>{TFBase::kScript}));
    EXPECT_EQ(script.Finds, 1);
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    EXPECT_EQ(window.GetFolder(), dir.Path());
    std::filesystem::current_path(before);
}

TEST_F(ErrorWindowTest, HidingTheWindowItselfHidesThePanel) {
    QWidget panel;
    window.setParent(&panel);
    panel.show();
    QApplication::processEvents();
    panel.hide(); // the panel going away is not the window hiding
    EXPECT_EQ(host.PanelHides, 0);
    panel.show();
    window.hide();
    EXPECT_EQ(host.PanelHides, 1);
    window.setParent(nullptr);
}

TEST_F(ErrorWindowTest, DoubleClickOnPerlsErrorsMovesTheCaretInTheScript) {
    const std::string source = "use strict;\n"
                               "use warnings;\n"
                               "my $total = 0;\n"
                               "my $y = ;\n"
                               "print $total;\n";
    const std::string path = dir.Write("broken.pl", source);
    script.Editor.SetWholeText(source + Numbered(40));
    script.FileName = path;
    Load(RunPerl("broken.pl"));
    const int syntax = RowHolding("syntax error");
    ASSERT_GE(syntax, 0) << window.Entry(0);
    EXPECT_EQ(window.Entry(syntax).find("syntax error at " + path + " line 4"), 0u);

    DoubleClick(syntax);
    EXPECT_EQ(window.GetErrorLineNumber(), 4);
    EXPECT_EQ(script.CaretLine(), 4);
    EXPECT_EQ(host.Activated.back(), TFBase::kScript);

    // The closing line names no line: the caret stays.
    const int aborted = RowHolding("aborted due to compilation errors");
    ASSERT_GE(aborted, 0);
    script.GoToLine(30);
    DoubleClick(aborted);
    EXPECT_EQ(window.GetErrorLineNumber(), -1);
    EXPECT_EQ(script.CaretLine(), 30);
}

TEST_F(ErrorWindowTest, DoubleClickOnARunTimeDieAndAWarning) {
    std::string source = Numbered(11) +                        // lines 1 to 11
                         "use warnings;\n"                     // 12
                         "my $u;\n"                            // 13
                         "my $sum = $u + 1;\n"                 // 14
                         + Numbered(10) + "die \"gave up\";\n" // 25
                         + Numbered(30);
    const std::string path = dir.Write("dies.pl", source);
    script.Editor.SetWholeText(source);
    script.Editor.resize(300, 200);
    script.Editor.show();
    script.FileName = path;
    Load(RunPerl("dies.pl"));
    ASSERT_EQ(window.Count(), 2);
    const int warning = RowHolding("uninitialized");
    const int died = RowHolding("gave up");
    ASSERT_GE(warning, 0);
    ASSERT_GE(died, 0);
    DoubleClick(warning);
    EXPECT_EQ(script.CaretLine(), 14);
    DoubleClick(died);
    EXPECT_EQ(script.CaretLine(), 25);
    // The caret's line is scrolled to the sixth visible line.
    EXPECT_EQ(script.Editor.FirstVisibleLine(), 24 - 5);
    EXPECT_EQ(script.Questions, 0);
    EXPECT_TRUE(host.Launch.Started.empty());
}

TEST_F(ErrorWindowTest, AnErrorInAModuleOpensTheModuleInTheEditor) {
    dir.Write("Helper.pm", "package Helper;\nsub f { die \"bad input\" }\n1;\n");
    const std::string source = "use lib '.';\nuse Helper;\nHelper::f();\n";
    const std::string path = dir.Write("main.pl", source);
    script.Editor.SetWholeText(source);
    script.FileName = path;
    const std::string editor = dir.Write("editor", "#!/bin/sh\n");
    ::chmod(editor.c_str(), 0755);
    config.Editor = editor;
    config.UseTagJump = true;
    config.TagJumpText = "+%L %F";
    config.Current->UseTagJumpToOtherFile = true;
    config.Current->RegExpFile = "at (.+) line [0-9]+";
    // The errors load in the folder the run had; the jump comes after the folder changed.
    const std::string errors = RunPerl("main.pl");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    Load(errors);
    std::filesystem::current_path("/");
    const int row = RowHolding("bad input");
    ASSERT_GE(row, 0);
    DoubleClick(row);
    std::filesystem::current_path(before);
    ASSERT_EQ(host.Launch.Started.size(), 1u);
    EXPECT_EQ(host.Launch.Started[0],
              (std::vector<std::string>{editor, "+2", dir.File("Helper.pm")}));
    EXPECT_EQ(script.Questions, 1);
    EXPECT_EQ(script.CaretLine(), 1);
}

// Error output is the script's to write: whatever file name it prints must reach the editor as
// one file argument, never as an option (vim's +cmd, emacs's --eval) nor split in two.
TEST_F(ErrorWindowTest, AFileNameFromErrorOutputIsOneAbsoluteArgumentWhateverItHolds) {
    const std::string editor = dir.Write("editor", "#!/bin/sh\n");
    ::chmod(editor.c_str(), 0755);
    config.Editor = editor;
    config.UseTagJump = true;
    config.Current->UseTagJumpToOtherFile = true;
    config.Current->RegExpErr = "line [0-9]+";
    config.Current->RegExpFile = "File \"(.+)\", line";
    script.FileName = dir.File("main.py");
    const std::string here = dir.Path() + "/";
    struct Case {
        bool quotes;
        std::string tmpl, name;
        std::vector<std::string> arguments;
    } cases[] = {
        {false, "+%L %F", "+!touch /tmp/x", {"+3", here + "+!touch /tmp/x"}},
        {true, "+%L %F", "+!touch /tmp/x", {"+3", here + "+!touch /tmp/x"}},
        {true, "%F", "--eval=(shell-command \"id\")", {here + "--eval=(shell-command \"id\")"}},
        {false, "x --eval=%F", "a b.py", {"x", "--eval=" + here + "a b.py"}},
        {true, "\"+%L\" %F", "/w/q\"uote d.py", {"+3", "/w/q\"uote d.py"}},
    };
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    for (const Case& c : cases) {
        config.UseDoubleQuotes = c.quotes;
        config.TagJumpText = c.tmpl;
        Load("  File \"" + c.name + "\", line 3, in <module>\n");
        host.Launch.Started.clear();
        DoubleClick(0);
        ASSERT_EQ(host.Launch.Started.size(), 1u) << c.tmpl << " " << c.name;
        std::vector<std::string> expected{editor};
        expected.insert(expected.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(host.Launch.Started[0], expected) << c.tmpl << " " << c.name;
    }
    std::filesystem::current_path(before);
}

// UTF-8 error output keeps every character: shown, copied, matched, and a file name in it is
// the real path; a zero byte is shown and ends no line.
TEST_F(ErrorWindowTest, Utf8ErrorLinesKeepEveryCharacterAndTheirFileNames) {
    using namespace std::string_literals;
    const std::string editor = dir.Write("editor", "#!/bin/sh\n");
    ::chmod(editor.c_str(), 0755);
    config.Editor = editor;
    config.UseTagJump = true;
    config.TagJumpText = "+%L %F";
    config.Current->UseTagJumpToOtherFile = true;
    config.Current->RegExpErr = "line [0-9]+";
    config.Current->RegExpFile = "at (.+) line [0-9]+";
    script.FileName = dir.File("main.pl");
    const std::string file = dir.File("caf\xc3\xa9/x.pl");
    const std::string first = "\xe2\x82\xac \xf0\x9f\x98\x80 at " + file + " line 3.";
    ByteStream stream(first + "\nnul\0here\r\nlast\n"s);
    window.LoadFromStream(stream, TextCode::Utf8);
    ASSERT_EQ(window.Count(), 3);
    EXPECT_EQ(window.Entry(0), first);
    EXPECT_EQ(window.Model().data(window.Model().index(1)).toString(), QString("nul\u2400here"));
    EXPECT_EQ(window.Entry(2), "last");

    Select({0, 2});
    window.Copy();
    EXPECT_EQ(host.Clip.Utf8Text(), first + "\r\nlast\r\n");

    DoubleClick(0);
    EXPECT_EQ(window.GetErrorLineNumber(), 3);
    ASSERT_EQ(host.Launch.Started.size(), 1u);
    EXPECT_EQ(host.Launch.Started[0], (std::vector<std::string>{editor, "+3", file}));
}

namespace {

class RealLaunchHost : public RecordingHost {
public:
    Launcher& Programs() override { return real; }
    PosixLauncher real;
};

} // namespace

TEST(ErrorWindowEditor, TheExternalEditorReallyStartsWithTheArguments) {
    ScriptedMessages loading;
    ASSERT_TRUE(RegExpLoad(loading, VEXIL_BIN_DIR));
    TempDir dir;
    const std::string record = dir.File("args.txt");
    const std::string recorder = dir.Write(
        "vexil-recording-editor", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record + ".part'\nmv '" +
                                      record + ".part' '" + record + "'\n");
    ::chmod(recorder.c_str(), 0755);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (dir.Path() + ":" + oldPath).c_str(), 1);

    RealLaunchHost host;
    ScriptedMessages configMessages;
    KVexilConfig config(dir.Path(), configMessages);
    config.Languages.push_back(std::make_unique<KDefConfig>(dir.File("perl.def")));
    config.Current = config.Languages.back().get();
    config.Editor = "vexil-recording-editor";
    config.UseTagJump = true;
    config.UseDoubleQuotes = true;
    config.TagJumpText = "-n%L %F";
    EditorScript script;
    script.FileName = dir.File("my script.pl");
    TFStdError window(host, &script, &config);
    ByteStream stream("Died at x line 17.\n");
    window.LoadFromStream(stream);
    window.List().setCurrentIndex(window.Model().index(0));
    window.TagJump();
    ::setenv("PATH", oldPath.c_str(), 1);

    for (int i = 0; i < 500 && !std::filesystem::exists(record); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadFileBytes(record), "-n17\n" + dir.File("my script.pl") + "\n");
    EXPECT_EQ(host.Msgs.Count(), 0u);
    RegExpUnload();
}

// Standard error read as a terminal shows it: a rewritten line is one entry, the jump reads
// the entry without its colours, and a coloured entry shows in its colour.
TEST_F(ErrorWindowTest, ColouredAndRewrittenLinesAreEntriesWithoutEscapes) {
    Load("\x1b[1;31merror\x1b[0m at x.pl line 7.\nstep 1\rstep 2\n\x1b]0;t\x07plain\n");
    ASSERT_EQ(window.Count(), 3);
    EXPECT_EQ(window.Entry(0), "error at x.pl line 7.");
    EXPECT_EQ(window.Entry(1), "step 2");
    EXPECT_EQ(window.Entry(2), "plain");
    EXPECT_EQ(window.Model().RowColour(0), 0xFF0000);
    EXPECT_EQ(window.Model().RowColour(1), -1);
    EXPECT_EQ(window.Model().data(window.Model().index(0), Qt::ForegroundRole).value<QColor>(),
              QColor(0xFF, 0, 0));
    config.Current->RegExpErr = "line [0-9]+";
    window.List().setCurrentIndex(window.Model().index(0));
    EXPECT_EQ(window.GetErrorLineNumber(), 7);

    // Live lines: the colour set on one line runs on into the next append.
    window.Clear();
    ASSERT_TRUE(window.AppendLive("\x1b[33mwarn\n", TextCode::Utf8));
    ASSERT_TRUE(window.AppendLive("still\x1b[0m\nok\n", TextCode::Utf8));
    ASSERT_EQ(window.Count(), 3);
    EXPECT_EQ(window.Model().RowColour(1), 0xCDCD00);
    EXPECT_EQ(window.Model().RowColour(2), -1);
    EXPECT_EQ(window.Entry(1), "still");
}

// The room taken ahead is what the list will show, not all the capture holds: errors of a
// terabyte still append, ended or not.
TEST_F(ErrorWindowTest, RoomAheadIsWhatTheListWillTakeNotAllTheCaptureHolds) {
    const std::size_t terabyte = std::size_t{1} << 40;
    ASSERT_TRUE(window.AppendLive("one\n", TextCode::Utf8, LiveAhead{terabyte, false}));
    ASSERT_TRUE(window.AppendLive("two\n", TextCode::Utf8, LiveAhead{terabyte, true}));
    EXPECT_EQ(window.Count(), 2);
    EXPECT_EQ(window.Entry(1), "two");
}
