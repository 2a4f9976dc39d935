// The script window on real files, the real converter library and a real configuration in a
// temporary program folder.

#include "windows/Script.h"
#include "config/Kfilehistory.h"
#include "config/Kvexilconfig.h"
#include "config/qt/QtHistoryMenu.h"
#include "encoding/Codeconv.h"
#include "platform/Cp932.h"
#include "platform/FileFacts.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "windows/logic/TagJump.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QTest>
#include <QToolTip>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

namespace {

using Strings = std::vector<std::string>;

std::string Sjis(const std::string& utf8) {
    return Utf8ToCp932(utf8).text;
}

// Through glibc directly, so the samples do not come from the converter under test.
std::string Iconv(const std::string& in, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string out(in.size() * 4 + 16, '\0');
    char* ip = const_cast<char*>(in.data());
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    EXPECT_NE(iconv(cd, &ip, &il, &op, &ol), static_cast<size_t>(-1));
    EXPECT_NE(iconv(cd, nullptr, nullptr, &op, &ol), static_cast<size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - ol);
    return out;
}

// Moves a file's modification time, so a change is seen whatever the clock's grain.
void Touch(const std::string& path, long seconds) {
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_sec += seconds;
    times[1].tv_nsec = 123456789;
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class Script : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(NkfLoad(VEXIL_BIN_DIR)); }

    void SetUp() override {
        ::mkdir(program.File("defs").c_str(), 0755);
        program.Write("defs/perl.def", "[Language]\nName=Perl\nExt=pl,cgi\n[Environment]\n"
                                       "TempFile=temp.pl\nTempDir=" +
                                           program.Path() + "\n");
        program.Write("defs/ruby.def", "[Language]\nName=Ruby\nExt=rb\n");
        config.LoadDefFiles();
        config.Load();
        ASSERT_EQ(host.Msgs.Count(), 0u);
    }

    void TearDown() override {
        std::filesystem::current_path(cwd);
        EXPECT_EQ(host.Msgs.PendingAnswers(), 0u);
        EXPECT_EQ(host.FileDialogs.PendingAnswers(), 0u);
    }

    KVexilConfigCallbacks Callbacks() {
        KVexilConfigCallbacks c;
        c.SetEditorReadOnly = [this](bool f) { script.Editor().SetReadOnly(f); };
        return c;
    }

    // Types text into the editor as the user would.
    void Type(const QString& text) { QTest::keyClicks(&script.Editor(), text); }

    std::string Text() { return script.Editor().WholeText(); }

    std::filesystem::path cwd = std::filesystem::current_path();
    TempDir program, work;
    RecordingHost host;
    QMenu menu;
    QtHistoryMenu historyMenu{&menu};
    KFileHistory history{historyMenu, host.Msgs, nullptr};
    KVexilConfig config{program.Path(), host.Msgs, &history, Callbacks()};
    TFScript script{host, &config, &history};
};

TEST_F(Script, CaptionAndModifiedFollowNewOpenTypeAndSave) {
    EXPECT_EQ(script.GetTitle(), "Vexil2 * 新規スクリプト");
    EXPECT_FALSE(script.Modified);
    Type("x");
    EXPECT_TRUE(script.Modified);
    EXPECT_EQ(host.Caption, "Vexil2 * 新規スクリプト");

    std::string path = work.Write("a.pl", "print 1;\n2;\n");
    script.Open(path);
    EXPECT_FALSE(script.Modified);
    EXPECT_EQ(script.GetTitle(), "Vexil2 - " + path);
    EXPECT_EQ(Text(), "print 1;\r\n2;\r\n");

    int views = host.ViewRefreshes, statuses = host.StatusRefreshes;
    QTest::keyClick(&script.Editor(), Qt::Key_Z);
    EXPECT_TRUE(script.Modified);
    EXPECT_EQ(host.Caption, "Vexil2 * " + path);
    QApplication::processEvents(); // the status bar reads the text once it has changed
    EXPECT_GT(host.StatusRefreshes, statuses);
    EXPECT_GT(host.ViewRefreshes, views); // key up refreshes the menu marks too
    statuses = host.StatusRefreshes;
    QTest::mouseClick(script.Editor().viewport(), Qt::LeftButton);
    EXPECT_EQ(host.StatusRefreshes, statuses + 2);

    script.Save();
    EXPECT_FALSE(script.Modified);
    EXPECT_EQ(host.Caption, "Vexil2 - " + path);
    EXPECT_EQ(work.Read("a.pl"), "zprint 1;\n2;\n");
    EXPECT_EQ(script.FileAge, FileAgeOf(path));

    script.NewScript();
    EXPECT_EQ(script.GetTitle(), "Vexil2 * 新規スクリプト");
    EXPECT_EQ(Text(), "");
    EXPECT_FALSE(script.Modified);
    EXPECT_EQ(host.PanelHides, 1);
    EXPECT_EQ(script.GetLineEnd(), 0); // kept from the file
    EXPECT_EQ(host.Msgs.Count(), 0u);
}

TEST_F(Script, OpenTakesFolderLanguageAndHistoryAndSavingKeepsTheLanguage) {
    ::mkdir(work.File("sub").c_str(), 0755);
    std::string rb = work.Write("sub/x.rb", "puts 1\r\n");
    std::string pl = work.Write("y.pl", "1;\n");
    script.Open(rb);
    EXPECT_EQ(config.Current->Name, "Ruby");
    EXPECT_EQ(script.GetFolder(), work.File("sub"));
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(work.File("sub")));
    EXPECT_EQ(history.Paths(), Strings{rb});
    EXPECT_EQ(script.GetLineEnd(), 2);

    config.SelectLanguageByName("Perl");
    Type("#");
    host.FileDialogs.Answer(pl);
    script.SaveAs();
    EXPECT_EQ(config.Current->Name, "Perl");
    EXPECT_EQ(script.GetFileName(), pl);
    EXPECT_EQ(work.Read("y.pl"), "#puts 1\r\n"); // the script's own line ends
    EXPECT_EQ(script.GetFolder(), work.Path());
    EXPECT_EQ(history.Paths(), (Strings{pl, rb}));
}

TEST_F(Script, MissingFileAsksToCreateItAndNoChangesNothing) {
    Type("keep");
    script.Modified = false;
    std::string path = work.File("new.pl");
    host.Msgs.Answer(MessageAnswer::No);
    script.Open(path);
    ASSERT_EQ(host.Msgs.Count(), 1u);
    EXPECT_EQ(host.Msgs.Shown()[0].text, path + "が見当たりません。\n新規作成しますか？");
    EXPECT_EQ(host.Msgs.Shown()[0].caption, "VexilPro");
    EXPECT_EQ(host.Msgs.Shown()[0].kind, ShownMessage::YesNo);
    EXPECT_EQ(script.GetFileName(), "");
    EXPECT_FALSE(script.Modified);

    host.Msgs.Answer(MessageAnswer::Yes);
    script.Open(path);
    EXPECT_EQ(script.GetFileName(), path);
    EXPECT_TRUE(script.Modified);
    EXPECT_EQ(host.Caption, "Vexil2 * " + path);
    EXPECT_EQ(Text(), "keep");
    EXPECT_FALSE(FileExists(path));
    script.Save(); // no dialog: the file is created under the name given
    EXPECT_EQ(work.Read("new.pl"), "keep");
    EXPECT_TRUE(host.FileDialogs.Saves.empty());
}

TEST_F(Script, ForcedEucReadsWhatDetectionTakesForShiftJis) {
    // Valid both ways: two Shift_JIS kanji, or two EUC-JP half-width katakana.
    std::string bytes = "print \"\x8E\xB1\x8E\xB2\";\n1;\n";
    std::string path = work.Write("k.pl", bytes);
    script.Open(path);
    EXPECT_EQ(script.GetCode(), 0);
    EXPECT_EQ(Text(), "print \"\x8E\xB1\x8E\xB2\";\r\n1;\r\n");

    script.SetCodeChoice(1);
    EXPECT_EQ(script.GetCodeChoice(), 1);
    script.Open(path);
    EXPECT_EQ(script.GetCode(), 1);
    EXPECT_EQ(Text(), "print \"\xB1\xB2\";\r\n1;\r\n");
    script.Save();
    EXPECT_EQ(work.Read("k.pl"), bytes);

    script.SetCodeChoice(-1);
    EXPECT_EQ(script.GetCode(), 1); // detection waits for the next open
    script.Open(path);
    EXPECT_EQ(script.GetCode(), 0);
    EXPECT_EQ(host.Msgs.Count(), 0u);
}

TEST_F(Script, EachCodeAndLineEndIsReadAndWrittenBackUnchanged) {
    const std::string sample =
        "# 日本語のスクリプト\nprint \"こんにちは、世界\";\n# 漢字とかなの行\n";
    const std::string expected = Sjis(sample);
    auto withEnds = [](std::string text, const std::string& end) {
        std::string out;
        for (char c : text)
            out += c == '\n' ? end : std::string(1, c);
        return out;
    };
    struct Case {
        int code, lineEnd;
        std::string bytes;
    } cases[] = {
        {0, 2, withEnds(Sjis(sample), "\r\n")},
        {1, 0, withEnds(Iconv(sample, "EUC-JP", "UTF-8"), "\n")},
        {2, 1, withEnds(Iconv(sample, "ISO-2022-JP", "UTF-8"), "\r")},
        {3, 0, withEnds(sample, "\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("code " + std::to_string(c.code));
        std::string path = work.Write("c" + std::to_string(c.code) + ".pl", c.bytes);
        script.Open(path);
        EXPECT_EQ(script.GetCode(), c.code);
        EXPECT_EQ(script.GetLineEnd(), c.lineEnd);
        EXPECT_EQ(Text(), withEnds(expected, "\r\n"));
        EXPECT_FALSE(script.Editor().ReadOnly());
        WriteFileBytes(path, "overwritten");
        script.Save();
        EXPECT_EQ(ReadFileBytes(path), c.bytes);
    }
    EXPECT_EQ(host.Msgs.Count(), 0u);
}

TEST_F(Script, TheRunsTemporaryCopyChangesNothingElse) {
    std::string path = work.Write("t.pl", "1;\n2;\n");
    script.Open(path);
    Type("print ");
    long long age = script.FileAge;
    std::string folder = script.GetFolder();
    std::string caption = host.Caption;
    int statuses = host.StatusRefreshes;

    std::string temp = config.GetTempFilePath();
    ASSERT_EQ(temp, program.File("temp.pl"));
    EXPECT_TRUE(script.WriteRunCopy(temp));
    EXPECT_EQ(ReadFileBytes(temp), "print 1;\n2;\n");
    EXPECT_TRUE(script.Modified);
    EXPECT_EQ(script.GetFileName(), path);
    EXPECT_EQ(script.FileAge, age);
    EXPECT_EQ(script.GetFolder(), folder);
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(work.Path()));
    EXPECT_EQ(history.Paths(), Strings{path});
    EXPECT_EQ(host.Caption, caption);
    EXPECT_EQ(host.StatusRefreshes, statuses);
    EXPECT_EQ(work.Read("t.pl"), "1;\n2;\n");

    // A link planted at the copy's fixed name is replaced, never written through.
    std::string victim = work.Write("victim", "keep");
    std::filesystem::remove(temp);
    std::filesystem::create_symlink(victim, temp);
    EXPECT_TRUE(script.WriteRunCopy(temp));
    EXPECT_EQ(work.Read("victim"), "keep");
    EXPECT_FALSE(std::filesystem::is_symlink(temp));
}

TEST_F(Script, ChangedFileIsOfferedOnceAndDecliningKeepsTheNewTimeStamp) {
    std::string path = work.Write("r.pl", "old\n");
    EXPECT_FALSE(script.FileChanged()); // unnamed
    script.Open(path);
    EXPECT_FALSE(script.FileChanged());

    work.Write("r.pl", "new\n");
    Touch(path, 5);
    ASSERT_TRUE(script.FileChanged());
    host.Msgs.Answer(MessageAnswer::No);
    script.Reload();
    ASSERT_EQ(host.Msgs.Count(), 1u);
    EXPECT_EQ(host.Msgs.Shown()[0].text, "スクリプトが変更されています。読み込み直しますか？");
    EXPECT_EQ(host.Msgs.Shown()[0].caption, "Vexil");
    EXPECT_EQ(script.FileAge, FileAgeOf(path));
    EXPECT_EQ(script.FileAge % 1000000000, 123456789); // nanoseconds are kept
    EXPECT_FALSE(script.FileChanged());                // the next activation does not ask again
    EXPECT_EQ(Text(), "old\r\n");

    work.Write("r.pl", "newer\n");
    Touch(path, 10);
    ASSERT_TRUE(script.FileChanged());
    Type("unsaved ");
    host.Msgs.Answer(MessageAnswer::Yes);
    script.Reload();
    EXPECT_EQ(Text(), "newer\r\n");
    EXPECT_FALSE(script.Modified);
    EXPECT_FALSE(script.FileChanged());

    std::filesystem::remove(path);
    EXPECT_FALSE(script.FileChanged()); // a vanished file is not a change
}

TEST_F(Script, AutoRefreshReloadsSilentlyOverUnsavedChanges) {
    config.AutoRefresh = true;
    std::string path = work.Write("auto.pl", "one\n");
    script.Open(path);
    Type("edit ");
    work.Write("auto.pl", "two\n");
    Touch(path, 3);
    ASSERT_TRUE(script.FileChanged());
    script.Reload();
    EXPECT_EQ(Text(), "two\r\n");
    EXPECT_FALSE(script.Modified);
    EXPECT_FALSE(script.FileChanged());
    EXPECT_EQ(host.Msgs.Count(), 0u);
}

TEST_F(Script, ConfirmDiscardAnswersAndTheUnnamedScriptsText) {
    EXPECT_TRUE(script.ConfirmDiscard()); // nothing to lose, nothing asked
    EXPECT_EQ(host.Msgs.Count(), 0u);

    Type("x");
    host.Msgs.Answer(MessageAnswer::Cancel);
    EXPECT_FALSE(script.ConfirmDiscard());
    ASSERT_EQ(host.Msgs.Count(), 1u);
    const ShownMessage& asked = host.Msgs.Shown()[0];
    EXPECT_EQ(asked.text, "スクリプト は変更されています。保存しますか？");
    EXPECT_EQ(asked.caption, "Vexil - 保存確認");
    EXPECT_EQ(asked.icon, MessageIcon::Warning);
    EXPECT_EQ(asked.kind, ShownMessage::YesNoCancel);

    host.Msgs.Answer(MessageAnswer::No);
    EXPECT_TRUE(script.ConfirmDiscard());
    EXPECT_TRUE(script.Modified);

    host.Msgs.Answer(MessageAnswer::Yes);
    host.FileDialogs.Answer(std::nullopt); // the save-as dialog is cancelled
    EXPECT_FALSE(script.ConfirmDiscard());
    EXPECT_EQ(host.FileDialogs.Saves.size(), 1u);

    std::string path = work.File("named.pl");
    host.Msgs.Answer(MessageAnswer::Yes);
    host.FileDialogs.Answer(path);
    EXPECT_TRUE(script.ConfirmDiscard());
    EXPECT_EQ(work.Read("named.pl"), "x");
    Type("y");
    host.Msgs.Answer(MessageAnswer::Cancel);
    EXPECT_FALSE(script.ConfirmDiscard());
    EXPECT_EQ(host.Msgs.Shown().back().text, path + "は変更されています。保存しますか？");
}

TEST_F(Script, SaveAsCancelledChangesNothing) {
    std::string path = work.Write("s.pl", "1;\n");
    script.Open(path);
    script.SetFolder(program.Path());
    Type("2");
    script.SaveAs();
    ASSERT_EQ(host.FileDialogs.Saves.size(), 1u);
    const FileDialogRequest& r = host.FileDialogs.Saves[0];
    EXPECT_EQ(r.title, "スクリプトを保存");
    EXPECT_EQ(r.filter, "Perl Files(*.pl,*.cgi)|*.pl;*.cgi|All Files(*.*)|*.*");
    EXPECT_EQ(r.initialDir, program.Path());
    EXPECT_EQ(r.defaultExt, "pl");
    EXPECT_EQ(r.fileName, "");
    EXPECT_EQ(script.GetFileName(), path);
    EXPECT_TRUE(script.Modified);
    EXPECT_EQ(work.Read("s.pl"), "1;\n");
    EXPECT_EQ(script.GetFolder(), program.Path());
}

TEST_F(Script, OpenWithDialogOffersTheLanguagesFilesAndMakesTheEditorWritable) {
    config.SetReadOnly(true);
    script.OpenWithDialog(); // cancelled
    EXPECT_TRUE(config.ReadOnly);
    ASSERT_EQ(host.FileDialogs.Opens.size(), 1u);
    EXPECT_EQ(host.FileDialogs.Opens[0].title, "スクリプトを開く");
    EXPECT_EQ(host.FileDialogs.Opens[0].initialDir, script.GetFolder());

    host.FileDialogs.Answer(work.Write("o.pl", "ok\n"));
    script.OpenWithDialog();
    EXPECT_FALSE(config.ReadOnly);
    EXPECT_FALSE(script.Editor().ReadOnly());
    EXPECT_EQ(Text(), "ok\r\n");
}

TEST_F(Script, GoToLineScrollsTheLineToTheSixthVisibleLine) {
    script.resize(400, 30 * 20);
    script.show();
    QApplication::setActiveWindow(&script);
    QApplication::processEvents();
    ASSERT_GT(script.Editor().SendScintilla(QsciScintillaBase::SCI_LINESONSCREEN), 10);
    std::string text;
    for (int i = 1; i <= 200; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    script.Editor().SetWholeText(text);

    script.GoToLine(40);
    TextEditor& editor = script.Editor();
    EXPECT_EQ(editor.SelectionStart(), editor.PositionFromLine(39));
    EXPECT_EQ(editor.SelectionLength(), 0);
    EXPECT_EQ(editor.FirstVisibleLine(), 34);
    EXPECT_EQ(QApplication::focusWidget(), &script.Editor());

    script.GoToLine(1);
    EXPECT_EQ(editor.SelectionStart(), 0);
    EXPECT_EQ(editor.FirstVisibleLine(), 0);
    script.GoToLine(6);
    EXPECT_EQ(editor.FirstVisibleLine(), 0);

    script.GoToLine(100000); // beyond the end: the start of the last line
    EXPECT_EQ(editor.SelectionStart(), editor.PositionFromLine(editor.LineCount() - 1));
}

TEST_F(Script, WordAtTheCaret) {
    script.Editor().SetWholeText("foo(bar)\r\n(foo\r\nprint\r\nx\r\nprint $x;\r\n");
    TextEditor& editor = script.Editor();
    auto at = [&](int line, int column) {
        editor.SetSelection(editor.PositionFromLine(line) + column, 0);
        return script.GetWordAtCaret();
    };
    EXPECT_EQ(at(0, 5), "bar");
    EXPECT_EQ(at(0, 4), ""); // directly after a delimiter
    EXPECT_EQ(at(0, 0), "foo");
    EXPECT_EQ(at(1, 4), "foo");
    EXPECT_EQ(at(2, 5), "print");
    EXPECT_EQ(at(3, 1), "x"); // a one-character line gives its character
    EXPECT_EQ(at(3, 0), "x");
    EXPECT_EQ(at(4, 9), "$x;");
    EXPECT_EQ(at(5, 0), ""); // the empty last line
}

TEST_F(Script, FileThatCannotBeHeldFaithfullyOpensReadOnlyWithAWarning) {
    // A lone lead byte is no character at all; 0xED40 is an NEC-selected duplicate that comes
    // back as its IBM twin.
    struct Case {
        std::string name, bytes;
        int code;
    } cases[] = {
        {"lead.pl", "print 1; # \x81\n", 0},
        {"nec.pl", "# \xED\x40\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.Msgs.Reset();
        config.SetReadOnly(false);
        std::string path = work.Write(c.name, c.bytes);
        script.Open(path);
        EXPECT_EQ(script.GetCode(), c.code);
        ASSERT_EQ(host.Msgs.Count(), 1u);
        EXPECT_EQ(host.Msgs.Shown()[0].kind, ShownMessage::Info);
        EXPECT_EQ(host.Msgs.Shown()[0].icon, MessageIcon::Warning);
        EXPECT_NE(host.Msgs.Shown()[0].text.find(path), std::string::npos);
        EXPECT_NE(host.Msgs.Shown()[0].text.find("読み取り専用"), std::string::npos);
        EXPECT_TRUE(config.ReadOnly);
        EXPECT_TRUE(script.Editor().ReadOnly());
        Type("typed");
        EXPECT_FALSE(script.Modified);
    }

    // The dialog's route makes the editor writable, but not for such a file.
    host.Msgs.Reset();
    host.FileDialogs.Answer(work.File("lead.pl"));
    script.OpenWithDialog();
    EXPECT_EQ(host.Msgs.Count(), 1u);
    EXPECT_TRUE(config.ReadOnly);
}

TEST_F(Script, Utf8ScriptsKeepEveryCharacterTypedOrReadAndCountCp932Bytes) {
    // Characters CP932 lacks, and 〜 and − that it would turn into their full-width twins.
    const std::string bytes = "print \"日本 é€〜− \xF0\x9F\x98\x80\";\n# end\n";
    std::string path = work.Write("u.pl", "\xEF\xBB\xBF" + bytes);
    script.Open(path);
    EXPECT_EQ(script.GetCode(), kCodeUtf8);
    EXPECT_EQ(host.Msgs.Count(), 0u) << "no warning";
    EXPECT_FALSE(config.ReadOnly);
    // Positions count CP932 bytes; what CP932 lacks counts two, like the geta mark.
    script.Editor().SetSelection(script.Editor().PositionFromLine(1), 0);
    EXPECT_EQ(script.Editor().PositionFromLine(1), 6 + 1 + 4 + 1 + 2 + 2 + 2 + 2 + 1 + 2 + 2 + 2);
    script.Editor().insert(QString::fromUtf8("〜−ü"));
    script.Save();
    // The byte-order mark the file had is written back.
    EXPECT_EQ(ReadFileBytes(path),
              "\xEF\xBB\xBFprint \"日本 é€〜− \xF0\x9F\x98\x80\";\n〜−ü# end\n");
    EXPECT_EQ(host.Msgs.Count(), 0u) << "nothing to ask: UTF-8 holds every character";
    EXPECT_FALSE(script.Modified);
}

TEST_F(Script, ZeroBytesAndHalfWidthKatakanaSurviveOpenAndSave) {
    std::string bytes = std::string("a\0b # \xB1 \xB2\r\nc\r\n", 14);
    std::string path = work.Write("z.pl", bytes);
    script.Open(path);
    EXPECT_EQ(host.Msgs.Count(), 0u);
    EXPECT_FALSE(config.ReadOnly);
    EXPECT_EQ(Text(), bytes);
    WriteFileBytes(path, "");
    script.Save();
    EXPECT_EQ(ReadFileBytes(path), bytes);
}

TEST_F(Script, TextShiftJisCannotHoldIsSavedOnlyWhenTheUserAgrees) {
    std::string path = work.Write("e.pl", "x\ny\n");
    script.SetCodeChoice(kCodeSjis); // chosen in the menu: plain ASCII would open as UTF-8
    script.Open(path);
    script.Editor().insert(QString::fromUtf8("\xF0\x9F\x98\x80"));
    ASSERT_TRUE(script.Modified);
    long long age = script.FileAge;

    host.Msgs.Answer(MessageAnswer::No);
    script.Save();
    ASSERT_EQ(host.Msgs.Count(), 1u);
    EXPECT_EQ(host.Msgs.Shown()[0].kind, ShownMessage::YesNo);
    EXPECT_EQ(host.Msgs.Shown()[0].caption, "Vexil - 保存確認");
    EXPECT_NE(host.Msgs.Shown()[0].text.find(path), std::string::npos);
    EXPECT_EQ(work.Read("e.pl"), "x\ny\n");
    EXPECT_TRUE(script.Modified);
    EXPECT_EQ(script.FileAge, age);

    host.Msgs.Answer(MessageAnswer::No); // the run's copy is asked about too
    EXPECT_FALSE(script.WriteRunCopy(config.GetTempFilePath()));
    EXPECT_FALSE(FileExists(config.GetTempFilePath()));

    host.Msgs.Answer(MessageAnswer::Yes);
    script.Save();
    EXPECT_EQ(work.Read("e.pl"), "\x81\xACx\ny\n");
    EXPECT_FALSE(script.Modified);

    // In JIS, ESC, SO and SI are shifts, not text: saving them asks first as well.
    script.Editor().SetWholeText("a\x1B$B45\x1B(Bz");
    script.SetCodeChoice(kCodeJis);
    host.Msgs.Answer(MessageAnswer::No);
    script.Save();
    EXPECT_EQ(host.Msgs.Count(), 4u);
    EXPECT_EQ(work.Read("e.pl"), "\x81\xACx\ny\n");
}

TEST_F(Script, FailedSaveKeepsTheOldFileAndModifiedAndIsReported) {
    std::string path = work.Write("ro.pl", "old\n");
    script.Open(path);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    Type("new ");
    long long age = script.FileAge;

    EXPECT_FALSE(script.SaveToPath(path));
    ASSERT_EQ(host.Msgs.Count(), 1u);
    const ShownMessage& shown = host.Msgs.Shown()[0];
    EXPECT_EQ(shown.caption, "Vexil - Error");
    EXPECT_NE(shown.text.find(path), std::string::npos);
    EXPECT_NE(shown.text.find("read-only"), std::string::npos);
    EXPECT_EQ(work.Read("ro.pl"), "old\n");
    EXPECT_TRUE(script.Modified);
    EXPECT_EQ(script.FileAge, age);
    EXPECT_EQ(host.Caption, "Vexil2 * " + path);

    // The question before a new script: Yes, then the save fails, so the command stops.
    host.Msgs.Answer(MessageAnswer::Yes);
    EXPECT_FALSE(script.ConfirmDiscard());
    EXPECT_EQ(work.Read("ro.pl"), "old\n");
}

TEST_F(Script, OpenInEditorHandsTheFileToTheEditorOnceChangesAreSettled) {
    std::string editor = work.Write("myeditor", "#!/bin/sh\n");
    ::chmod(editor.c_str(), 0755);
    std::string path = work.Write("my script.pl", "1;\n");
    script.Open(path);

    config.Editor = "";
    EXPECT_FALSE(script.OpenInEditor());
    config.Editor = editor;
    config.UseDoubleQuotes = false;
    EXPECT_TRUE(script.OpenInEditor());
    config.UseDoubleQuotes = true;
    EXPECT_TRUE(script.OpenInEditor());
    EXPECT_EQ(host.Launch.Started,
              (std::vector<Strings>{{editor, work.File("my"), "script.pl"}, {editor, path}}));

    Type("z");
    host.Msgs.Answer(MessageAnswer::Cancel);
    EXPECT_FALSE(script.OpenInEditor());
    EXPECT_EQ(host.Launch.Started.size(), 2u);

    host.Msgs.Reset();
    config.Editor = work.File("nothing-here");
    host.Msgs.Answer(MessageAnswer::No);
    EXPECT_FALSE(script.OpenInEditor());
    EXPECT_EQ(host.Msgs.Texts().back(),
              work.File("nothing-here") + "が見つかりません。パスを確認してください。");
    EXPECT_EQ(host.Launch.Started.size(), 2u);

    config.Editor = "sh"; // a bare name is looked up on PATH
    script.NewScript();
    EXPECT_TRUE(script.OpenInEditor());
    EXPECT_EQ(host.Launch.Started.back(), (Strings{"sh", ""})); // an unnamed script: ""
}

// The real detached start, with a stand-in editor on PATH that writes down its arguments.
class PosixHost : public RecordingHost {
public:
    Launcher& Programs() override { return launcher; }
    PosixLauncher launcher;
};

TEST(ScriptEditorStart, RealLauncherPassesThePathWholeToTheEditorFoundOnPath) {
    ASSERT_TRUE(NkfLoad(VEXIL_BIN_DIR));
    TempDir program, bin, work;
    std::string record = bin.File("args.txt");
    std::string recorder = bin.Write(
        "recording-editor", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' "
                            "\"$a\"; done > '" +
                                record + ".part'\nmv '" + record + ".part' '" + record + "'\n");
    ASSERT_EQ(::chmod(recorder.c_str(), 0755), 0);
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (bin.Path() + ":" + oldPath).c_str(), 1);

    PosixHost host;
    KVexilConfig config(program.Path(), host.Msgs);
    config.LoadDefFiles();
    config.Load();
    host.Msgs.Reset(); // the note that no language files were found
    auto cwd = std::filesystem::current_path();
    {
        TFScript script(host, &config, nullptr);
        std::string path = work.Write("a b.pl", "1;\n");
        script.Open(path);
        config.Editor = "recording-editor";
        config.UseDoubleQuotes = true;
        EXPECT_TRUE(script.OpenInEditor());
        for (int i = 0; i < 200 && !FileExists(record); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        EXPECT_EQ(ReadFileBytes(record), path + "\n");
    }
    ::setenv("PATH", oldPath.c_str(), 1);
    std::filesystem::current_path(cwd);
    EXPECT_EQ(host.Msgs.Count(), 0u);
}

} // namespace

// The marks of a run's error lines: on the lines named (from 1), moving with their lines, their
// text the tool tip of the margin, gone with a new text.
TEST_F(Script, ErrorMarksSitOnTheirLinesFollowEditsAndShowTheirText) {
    script.Open(work.Write("m.pl", "a\nb\nc\nd\ne\n"));
    script.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&script));
    ScintillaEditor& editor = script.Editor();
    script.ShowErrorMarks({{2, "syntax error"}, {4, "first\nsecond"}, {99, "beyond"}, {0, "x"}});
    EXPECT_EQ(editor.MarkedLines(), (std::vector<TextPos>{1, 3}));
    editor.setCursorPosition(0, 0);
    QTest::keyClick(&editor, Qt::Key_Return);
    EXPECT_EQ(editor.MarkedLines(), (std::vector<TextPos>{2, 4}));
    EXPECT_EQ(editor.LineMarkText(4).toStdString(), "first\nsecond");
    const QPoint inMargin(2, editor.textHeight(0) * 5 / 2);
    QHelpEvent tip(QEvent::ToolTip, inMargin, editor.viewport()->mapToGlobal(inMargin));
    QApplication::sendEvent(editor.viewport(), &tip);
    EXPECT_EQ(QToolTip::text().toStdString(), "syntax error");
    editor.SetWholeText("new\n");
    EXPECT_TRUE(editor.MarkedLines().empty());
    EXPECT_EQ(editor.marginWidth(1), 0);
}

// What the file holds and what the mark says stay one story across a user's steps: undo back to
// the saved text is saved text; a declined reload or a failed save leaves text that no undo can
// make "saved" again, so F9 writes the text shown instead of running the file.
TEST_F(Script, TheModifiedMarkFollowsUndoTheLineEndsAndDeclinedReloads) {
    std::string path = work.Write("r.pl", "old\n");
    script.Open(path);
    Type("x");
    ASSERT_TRUE(script.Modified);
    script.Undo();
    EXPECT_FALSE(script.Modified) << "undo back to the loaded text";
    EXPECT_EQ(host.Caption, "Vexil2 - " + path);

    script.ConvertLineEnds(kLineEndCrLf);
    ASSERT_TRUE(script.Modified);
    script.Undo();
    EXPECT_EQ(script.GetLineEnd(), kLineEndLf);
    EXPECT_FALSE(script.Modified);
    script.Redo();
    EXPECT_EQ(script.GetLineEnd(), kLineEndCrLf);
    EXPECT_TRUE(script.Modified);
    script.Undo();

    work.Write("r.pl", "changed elsewhere\n");
    Touch(path, 5);
    host.Msgs.Answer(MessageAnswer::No);
    script.Reload();
    EXPECT_TRUE(script.Modified) << "the text shown is not the file's";
    EXPECT_EQ(host.Caption, "Vexil2 * " + path);
    Type("y");
    script.Undo();
    EXPECT_TRUE(script.Modified) << "no save point is left behind by the declined reload";

    // A save that fails (the disk refuses past 1000 bytes) leaves the text unsaved and offers
    // no reload for the program's own write.
    script.Save();
    ASSERT_FALSE(script.Modified);
    script.Editor().SetWholeUtf8(std::string(5000, 'z'));
    script.Editor().MarkSavePoint();
    script.Modified = false;
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small{1000, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    script.Save();
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, SIG_DFL);
    EXPECT_TRUE(script.Modified);
    EXPECT_FALSE(script.FileChanged());
    EXPECT_EQ(work.Read("r.pl"), "old\n");
}

TEST_F(Script, SaveAsTakesTheLanguageOfTheNewName) {
    ASSERT_EQ(config.Current->Name, "Perl");
    Type("puts 1");
    host.FileDialogs.Answer(work.File("main.rb"));
    script.SaveAs();
    EXPECT_EQ(config.Current->Name, "Ruby");
    EXPECT_EQ(work.Read("main.rb"), "puts 1");
}
