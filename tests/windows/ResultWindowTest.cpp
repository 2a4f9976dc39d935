#include "config/Kvexilconfig.h"
#include "exec/TerminalInput.h"
#include "platform/ByteStream.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "windows/EditorScript.h"
#include "windows/InputLine.h"
#include "windows/Result.h"
#include "windows/TerminalColours.h"
#include "windows/logic/ResultGuard.h"

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class ResultWindowTest : public ::testing::Test {
protected:
    void SetUp() override { before = std::filesystem::current_path(); }
    void TearDown() override { std::filesystem::current_path(before); }

    void Load(std::string_view bytes) {
        ByteStream stream(bytes);
        window.LoadFromStream(stream);
    }

    std::filesystem::path before;
    TempDir dir;
    RecordingHost host;
    ScriptedMessages configMessages;
    KVexilConfig config{dir.Path(), configMessages};
    EditorScript script;
    TFResult window{host, &script, &config};
};

std::string ManyLines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "output \x95\x5C " + std::to_string(i) + "\n";
    return text;
}

} // namespace

TEST_F(ResultWindowTest, LoadingTakesTheStreamFromItsPositionAsCp932Text) {
    using namespace std::string_literals;
    const std::string output = "\x95\x5C\x8E\xA6\nzero\0byte\r\nlast"s;
    ByteStream stream("HEAD" + output);
    stream.SetPosition(4);
    window.LoadFromStream(stream);
    EXPECT_EQ(window.GetText(), output);
    EXPECT_EQ(window.Editor().LineCount(), 3);
    EXPECT_EQ(window.Editor().LineText(0), "\x95\x5C\x8E\xA6");
    EXPECT_EQ(window.windowTitle(), "Result");
    // A run replaces the text, it never appends.
    Load("second run\n");
    EXPECT_EQ(window.GetText(), "second run\n");
}

// For each kind of output: what the window shows, what Select All and Copy put on the
// clipboard, what a save writes, and that positions stay CP932 bytes.
TEST_F(ResultWindowTest, EachKindOfOutputIsShownCopiedAndSavedWhole) {
    using namespace std::string_literals;
    // café € 😀 中 〜: one, two, two, two and two CP932 bytes wide beyond the ASCII.
    const std::string utf8 = "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 \xe4\xb8\xad \xe3\x80\x9c";
    const struct {
        const char* what;
        std::string bytes;
        TextCode code;
        std::string copied;
        TextPos width; // of the first line, in CP932 bytes
    } cases[] = {
        {"UTF-8 beyond CP932", utf8 + "\n", TextCode::Utf8, utf8 + "\n", 5 + 3 + 3 + 3 + 3},
        {"Shift_JIS", "\x93\xfa\x96\x7b\r\n", TextCode::Cp932, "\xe6\x97\xa5\xe6\x9c\xac\r\n", 4},
        {"a stray byte", "a\xe9z\n", TextCode::Utf8, "a\xe9z\n", 4},
        {"NUL bytes", "a\0b\n"s, TextCode::Utf8, "a\0b\n"s, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ByteStream stream(c.bytes);
        window.LoadFromStream(stream, c.code);
        EXPECT_EQ(window.HeldCode(), c.code);
        EXPECT_EQ(window.GetText(), c.bytes) << "held as it came";
        EXPECT_EQ(window.Editor().PositionFromLine(1), c.width + 2);
        window.Editor().selectAll();
        window.Copy();
        EXPECT_EQ(host.Clip.Utf8Text(), c.copied);
        const std::string path = dir.File("saved");
        ASSERT_TRUE(window.SaveToPath(path));
        EXPECT_EQ(ReadFileBytes(path), c.bytes) << "saved byte for byte";
    }
}

TEST_F(ResultWindowTest, ClearEmptiesTheTextAndScrollsToTheTop) {
    window.resize(300, 200);
    window.show();
    Load(ManyLines(500));
    window.Editor().SetSelection(window.Editor().PositionFromLine(450), 0);
    QApplication::processEvents();
    ASSERT_GT(window.Editor().FirstVisibleLine(), 100);
    window.Clear();
    EXPECT_EQ(window.GetText(), "");
    EXPECT_EQ(window.Editor().FirstVisibleLine(), 0);
    EXPECT_EQ(window.GetPositionText(), " 1: 1");
    // An empty run output leaves it so.
    Load("");
    EXPECT_EQ(window.GetText(), "");
}

TEST_F(ResultWindowTest, SaveToPathSetsTheResultFileAndWritesTheTextUnconverted) {
    Load("\x95\x5C\x8E\xA6\nline two\r\n");
    const std::string path = dir.File("out.txt");
    EXPECT_TRUE(window.SaveToPath(path));
    EXPECT_EQ(config.ResultFile, path);
    EXPECT_EQ(ReadFileBytes(path), "\x95\x5C\x8E\xA6\nline two\r\n");
    // Edits are saved too.
    window.Editor().SetSelection(0, 0);
    window.Editor().ReplaceSelection("> ");
    EXPECT_TRUE(window.SaveToPath(path));
    EXPECT_EQ(ReadFileBytes(path), "> \x95\x5C\x8E\xA6\nline two\r\n");
    EXPECT_EQ(host.Msgs.Count(), 0u);
}

TEST_F(ResultWindowTest, AFailedWriteIsReportedAndLeavesTheOldFile) {
    const std::string locked = dir.Write("locked.txt", "old");
    ::chmod(locked.c_str(), 0444);
    Load("new\n");
    EXPECT_FALSE(window.SaveToPath(locked));
    EXPECT_EQ(ReadFileBytes(locked), "old");
    EXPECT_EQ(config.ResultFile, locked);
    ASSERT_EQ(host.Msgs.Count(), 1u);
    EXPECT_EQ(host.Msgs.Shown()[0].caption, kErrorCaption);
    EXPECT_NE(host.Msgs.Shown()[0].text.find("locked.txt"), std::string::npos);
    // Through the save command nothing more happens after the message.
    const std::string folder = window.GetFolder();
    const int refreshes = host.StatusRefreshes;
    host.FileDialogs.Answer(dir.File("no/such/folder.txt"));
    window.Save();
    EXPECT_EQ(host.Msgs.Count(), 2u);
    EXPECT_EQ(window.GetFolder(), folder);
    EXPECT_EQ(host.StatusRefreshes, refreshes);
}

TEST_F(ResultWindowTest, SaveAsksForAFileThenSavesAndMovesTheFolder) {
    Load("result\n");
    TempDir target;
    const std::string path = target.File("result.log");
    host.FileDialogs.Answer(path);
    const int refreshes = host.StatusRefreshes;
    window.Save();
    ASSERT_EQ(host.FileDialogs.Saves.size(), 1u);
    const FileDialogRequest& request = host.FileDialogs.Saves[0];
    EXPECT_EQ(request.title, "実行結果を保存");
    EXPECT_EQ(request.filter, "All Files(*.*)|*.*");
    EXPECT_EQ(request.initialDir, before.string());
    EXPECT_EQ(request.fileName, "");
    EXPECT_EQ(request.defaultExt, "");
    EXPECT_EQ(ReadFileBytes(path), "result\n");
    EXPECT_EQ(config.ResultFile, path);
    EXPECT_EQ(window.GetFolder(), target.Path());
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(target.Path()));
    EXPECT_EQ(host.StatusRefreshes, refreshes + 1);
    // Cancelled: nothing changes.
    window.Save();
    EXPECT_EQ(host.FileDialogs.Saves.size(), 2u);
    EXPECT_EQ(config.ResultFile, path);
}

TEST_F(ResultWindowTest, SaveAsIsSave) {
    Load("as\n");
    host.FileDialogs.Answer(dir.File("as.txt"));
    window.SaveAs();
    ASSERT_EQ(host.FileDialogs.Saves.size(), 1u);
    EXPECT_EQ(host.FileDialogs.Saves[0].title, "実行結果を保存");
    EXPECT_EQ(dir.Read("as.txt"), "as\n");
    EXPECT_EQ(config.ResultFile, dir.File("as.txt"));
}

TEST_F(ResultWindowTest, TheScriptIsNeverOverwritten) {
    std::filesystem::create_directory(dir.File("Work"));
    const std::string scriptPath = dir.Write("Work/A.PL", "print 1;\n");
    script.FileName = scriptPath;
    const std::string link = dir.File("alias.txt");
    ASSERT_EQ(::symlink(scriptPath.c_str(), link.c_str()), 0);
    config.ResultFile = "earlier.txt";
    Load("would destroy the script\n");

    host.FileDialogs.Answer(dir.File("Work/a.pl")); // other letter case
    host.FileDialogs.Answer(link);                  // the same file through a symlink
    host.FileDialogs.Answer(dir.File("Work/../Work/A.PL"));
    window.Save();
    window.Save();
    window.Save();
    // The always-save after a run writes through the same door.
    EXPECT_FALSE(window.SaveToPath(link));
    EXPECT_EQ(ReadFileBytes(scriptPath), "print 1;\n");
    EXPECT_EQ(config.ResultFile, "earlier.txt");
    EXPECT_EQ(host.Msgs.Texts(), std::vector<std::string>(4, kResultOverwritesScript));
    EXPECT_EQ(kResultOverwritesScript,
              std::string("結果ファイルでスクリプトファイルを上書きしようとしてい"
                          "ます。\nファイル名を変えて保存してください。"));
}

TEST_F(ResultWindowTest, ANewScriptWithoutANameNeverTriggersTheGuard) {
    script.FileName.clear();
    Load("fine\n");
    host.FileDialogs.Answer(dir.File("a.pl"));
    window.Save();
    EXPECT_EQ(dir.Read("a.pl"), "fine\n");
    EXPECT_EQ(host.Msgs.Count(), 0u);
}

TEST_F(ResultWindowTest, EditsAndClicksRefreshTheStatusBarOnly) {
    window.show();
    QApplication::processEvents();
    Load(ManyLines(2000));
    // A big load refreshes once, not once per block it arrives in.
    int refreshes = host.StatusRefreshes;
    Load(ManyLines(20000));
    QApplication::processEvents();
    EXPECT_LE(host.StatusRefreshes, refreshes + 2);

    refreshes = host.StatusRefreshes;
    window.Editor().ReplaceSelection("typed");
    QApplication::processEvents(); // after the change, when the text can be read
    EXPECT_GT(host.StatusRefreshes, refreshes);
    refreshes = host.StatusRefreshes;
    QTest::mouseClick(window.Editor().viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(host.StatusRefreshes, refreshes + 2); // press and release
    const int views = host.ViewRefreshes;
    QTest::keyClick(&window.Editor(), Qt::Key_X);
    EXPECT_EQ(host.ViewRefreshes, views + 1);
    EXPECT_TRUE(window.CanUndo());
    EXPECT_EQ(host.Caption, ""); // no modified mark anywhere
}

// Output beyond the display cap: the beginning and the end are shown around a line that names
// what was left out, in the code held; the save and GetText still give every byte; the cut
// text cannot be edited, and the next run's output is whole and editable again.
TEST_F(ResultWindowTest, OutputBeyondTheCapIsShownCutButSavedWhole) {
    const std::string output = ManyLines(4000); // Shift_JIS, about 65 KB
    window.SetDisplayCap(8 * 1024);
    Load(output);
    ASSERT_TRUE(window.IsCut());
    auto shownText = [&] { return Utf8ToCp932(window.Editor().Utf8Text()).text; };
    const std::string shown = shownText();
    const std::string note = Utf8ToCp932("――― 出力が大きいため").text;
    EXPECT_LT(shown.size(), 9u * 1024);
    const std::size_t head = shown.find(note);
    ASSERT_NE(head, std::string::npos);
    EXPECT_EQ(output.rfind(shown.substr(0, head), 0), 0u) << "the beginning, whole lines";
    EXPECT_EQ(shown[head - 1], '\n');
    EXPECT_EQ(output.substr(output.size() - 30), shown.substr(shown.size() - 30));
    EXPECT_EQ(window.GetText(), output);
    const std::string path = dir.File("whole");
    ASSERT_TRUE(window.SaveToPath(path));
    EXPECT_EQ(ReadFileBytes(path), output);
    QTest::keyClicks(&window.Editor(), "x");
    EXPECT_EQ(shownText(), shown);

    Load("small\n");
    EXPECT_FALSE(window.IsCut());
    QTest::keyClicks(&window.Editor(), "x");
    EXPECT_EQ(window.GetText(), "xsmall\n");
}

// NEC and IBM characters have look-alikes that the shown text folds into (0x8790 and 0x81E0
// are both ≒), and invalid bytes show as 〓: while the result is unedited, a save writes the
// output as the run captured it; once edited, what is shown.
TEST_F(ResultWindowTest, AnUneditedResultIsSavedAsCapturedAnEditedOneAsShown) {
    const std::string captured = "\x87\x90\xED\x40\xFF\x80\n";
    Load(captured);
    window.KeepCaptured(captured);
    ASSERT_TRUE(window.SaveToPath(dir.File("out.txt")));
    EXPECT_EQ(dir.Read("out.txt"), captured);
    EXPECT_EQ(window.Utf8Text().substr(0, 6), "\xE2\x89\x92\xE7\xBA\x8A") << "decoded once";

    QTest::keyClick(&window.Editor(), Qt::Key_End);
    QTest::keyClicks(&window.Editor(), "x");
    ASSERT_TRUE(window.SaveToPath(dir.File("out.txt")));
    EXPECT_NE(dir.Read("out.txt"), captured);
    EXPECT_EQ(dir.Read("out.txt").substr(0, 2), "\x81\xE0");

    // The next run's output is its own: nothing captured before it is kept.
    Load("plain\n");
    EXPECT_EQ(window.GetText(), "plain\n");
}

// Output with progress lines and colours shows as a terminal shows it, whether it comes while
// the run lasts or at its end; what is kept for the save is the output as it came.
TEST_F(ResultWindowTest, ProgressLinesAndColoursShowAsInATerminal) {
    const std::string output = "\r1\r2\r3\n\x1b[31mred\x1b[0m plain\n";
    const std::string shown = "3\nred plain\n";
    // Live, in reads cut inside the counter and inside the colour.
    window.Clear();
    for (std::string_view read : {"\r1\r", "2\r3", "\n\x1b[3", "1mred\x1b[0m plain\n"})
        ASSERT_TRUE(window.AppendLive(read, TextCode::Utf8));
    window.KeepLive(TextCode::Utf8);
    window.KeepRaw(output);
    EXPECT_EQ(window.Editor().Utf8Text(), shown);
    EXPECT_EQ(TerminalForegroundAt(window.Editor(), 2), 0xCD0000);
    EXPECT_EQ(TerminalForegroundAt(window.Editor(), 5), -1);
    EXPECT_EQ(window.GetText(), output);
    EXPECT_EQ(window.Utf8Text(), output);
    ASSERT_TRUE(window.SaveToPath(dir.File("live.txt")));
    EXPECT_EQ(dir.Read("live.txt"), output);
    // Ctrl+C copies what is shown.
    window.Editor().SetSelection(3, 3); // CP932 positions: a line end counts two
    window.Copy();
    EXPECT_EQ(host.Clip.Utf8, "red");

    // Loaded at the end, in CP932 too.
    Load("\x82\xa0\x82\xa2\rX\n\x1b[1;32m\x82\xa4\x1b[m\n");
    EXPECT_EQ(window.Editor().Utf8Text(), "X\xe3\x81\x84\n\xe3\x81\x86\n");
    EXPECT_EQ(TerminalForegroundAt(window.Editor(), 5), 0x00FF00);
    EXPECT_EQ(window.GetText(), "\x82\xa0\x82\xa2\rX\n\x1b[1;32m\x82\xa4\x1b[m\n");

    // Edited, the text shown is what is saved.
    QTest::keyClick(&window.Editor(), Qt::Key_End);
    QTest::keyClicks(&window.Editor(), "y");
    EXPECT_EQ(window.GetText().find('\x1b'), std::string::npos);
    EXPECT_EQ(window.Utf8Text().find('\x1b'), std::string::npos);
}

// A long line written in many reads is appended to, never set again; an overwrite takes away
// only what changed.
TEST_F(ResultWindowTest, ALineRewrittenLiveKeepsTheLinesBeforeIt) {
    window.Clear();
    ASSERT_TRUE(window.AppendLive("done\nprogress 10%", TextCode::Utf8));
    ASSERT_TRUE(window.AppendLive("\rprogress 100%", TextCode::Utf8));
    EXPECT_EQ(window.Editor().Utf8Text(), "done\nprogress 100%");
    ASSERT_TRUE(window.AppendLive("\r\x1b[Kok\n", TextCode::Utf8));
    window.KeepLive(TextCode::Utf8);
    EXPECT_EQ(window.Editor().Utf8Text(), "done\nok\n");
    EXPECT_EQ(window.Editor().LineCount(), 3);
}

// The input line of the terminal mode: shown only while a run's input is open; Enter sends the
// line and the output shows it as typed, Ctrl+D ends the input.
TEST_F(ResultWindowTest, TheInputLineSendsLinesAndEndsTheInput) {
    struct Sink : InputSink {
        std::string bytes;
        bool closed = false;
        void Send(std::string_view b) override { bytes += b; }
        void Close() override { closed = true; }
    } sink;
    TerminalInput typing(sink, 3);
    window.show();
    window.Clear();
    EXPECT_FALSE(window.Input().isVisible());
    window.OpenInput(&typing);
    ASSERT_TRUE(window.Input().isVisible());
    ASSERT_TRUE(window.AppendLive("Name? ", TextCode::Utf8));
    QTest::keyClicks(&window.Input(), "Taro");
    QTest::keyClick(&window.Input(), Qt::Key_Return);
    EXPECT_EQ(sink.bytes, "Taro\n");
    EXPECT_EQ(window.Editor().Utf8Text(), "Name? Taro\n");
    EXPECT_TRUE(window.Input().text().isEmpty());
    QTest::keyClick(&window.Input(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(sink.closed);
    EXPECT_FALSE(window.Input().isEnabled());
    window.OpenInput(nullptr);
    EXPECT_FALSE(window.Input().isVisible());
}

// Likewise the result: room for what the page shows live, whatever the capture holds.
TEST_F(ResultWindowTest, RoomAheadIsWhatThePageWillShowNotAllTheCaptureHolds) {
    const std::size_t terabyte = std::size_t{1} << 40;
    window.Clear();
    ASSERT_TRUE(window.AppendLive("one\n", TextCode::Utf8, LiveAhead{terabyte, false}));
    ASSERT_TRUE(window.AppendLive("two\n", TextCode::Utf8, LiveAhead{terabyte, true}));
    window.KeepLive(TextCode::Utf8);
    EXPECT_EQ(window.Editor().Utf8Text(), "one\ntwo\n");
}
