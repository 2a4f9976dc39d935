// The main window built offscreen on a real program folder, the real run-time libraries and
// scripted dialogs: command wiring, the view refresh, the menus that follow the state, the
// error panel's splitter, drops, the close query and the hand-over from a second start.

#include "cgi/qt/Editor.h"
#include "config/Kvexilconfig.h"
#include "platform/FileFacts.h"
#include "platform/IniFile.h"
#include "platform/MessageService.h"
#include "shell/Main.h"
#include "shell/qt/ElidedLabel.h"
#include "shell/qt/RunGate.h"
#include "support/HostDoubles.h"
#include "support/ModalDialogs.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"
#include "windows/Opendir.h"
#include "windows/Result.h"
#include "windows/Script.h"
#include "windows/Stderror.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <Qsci/qscilexer.h>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Strings = std::vector<std::string>;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

constexpr const char* kUnnamedQuestion = "スクリプト は変更されています。保存しますか？";

// Moves a file's modification time, so a change is seen whatever the clock's grain.
void Touch(const std::string& path, long seconds) {
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_sec += seconds;
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// While a window is built, PATH holds nothing: the folder's languages are the ones a test
// writes, whichever interpreters and test runners this machine has.
class NothingOnPath {
public:
    NothingOnPath() {
        const char* old = std::getenv("PATH");
        had_ = old != nullptr;
        old_ = old ? old : "";
        ::setenv("PATH", empty_.Path().c_str(), 1);
    }
    ~NothingOnPath() { had_ ? ::setenv("PATH", old_.c_str(), 1) : ::unsetenv("PATH"); }

private:
    TempDir empty_;
    bool had_ = false;
    std::string old_;
};

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(program.File("defs"));
        program.Write("defs/perl.def", "[Language]\nName=Perl\nExt=pl,cgi\n");
        program.Write("defs/ruby.def", "[Language]\nName=Ruby\nExt=rb\n");
    }

    // Builds the window and runs its initial setup, the way the entry point does.
    void Start(const std::string& libraryDir = VEXIL_BIN_DIR, const std::string& startFile = "") {
        const NothingOnPath nothing;
        main = std::make_unique<TFMain>(program.Path(),
                                        MainServices{&msgs, &dialogs, &clipboard, &launcher});
        main->InitialSetup(startFile, libraryDir);
    }

    // A window of a known size that has been laid out, for geometry checks and key presses.
    void ShowActive() {
        main->resize(600, 400);
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    }

    void TearDown() override {
        EXPECT_EQ(msgs.PendingAnswers(), 0u);
        EXPECT_EQ(dialogs.PendingAnswers(), 0u);
        main.reset();
        QApplication::processEvents();
        std::filesystem::current_path(cwd);
    }

    QAction* Item(const char* name) {
        QAction* a = main->Action(name);
        EXPECT_NE(a, nullptr) << name;
        return a;
    }
    QToolButton* Button(const char* name) { return main->findChild<QToolButton*>(name); }
    std::string Panel(int i) { return main->StatusPanel(i)->text().toStdString(); }
    std::string Caption() { return main->windowTitle().toStdString(); }
    void Type(const QString& text) { QTest::keyClicks(&main->Script().Editor(), text); }
    std::string ScriptText() { return main->Script().Editor().WholeText(); }

    std::filesystem::path cwd = std::filesystem::current_path();
    TempDir program, work;
    ScriptedMessages msgs;
    ScriptedDialogs dialogs;
    FakeClipboard clipboard;
    RecordingLauncher launcher;
    std::unique_ptr<TFMain> main;
};

// ---- command wiring --------------------------------------------------------------------------

struct Command {
    const char* menu; // the menu that holds the item
    const char* name;
    const char* caption;
    const char* key;
};

const Command kCommands[] = {
    {"MMFile", "MMNew", "新規作成(&N)", "Ctrl+N"},
    {"MMFile", "MMOpen", "開く(&O)", "Ctrl+O"},
    {"MMFile", "MMSave", "保存(&S)", "Ctrl+S"},
    {"MMFile", "MMSaveAs", "名前を付けて保存(&A)", "Ctrl+W"},
    {"MMFile", "MMReload", "開きなおす(&R)", ""},
    {"MMFile", "MMEncode", "エンコード設定(&K)", ""},
    {"MMEncode", "MMAuto", "自動判別(&A)", ""},
    {"MMEncode", "MMSHIFTJIS", "SHIFT_JIS(&S)", ""},
    {"MMEncode", "MMEUC", "EUC(&E)", ""},
    {"MMEncode", "MMJIS", "JIS(&J)", ""},
    {"MMEncode", "MMUTF8", "UTF-8(&U)", ""},
    {"MMFile", "MMExit", "終了(&E)", "Alt+F4"},
    {"Edit1", "MMUndo", "元に戻す(&U)", "Ctrl+Z"},
    {"Edit1", "MMRedo", "やり直し(&R)", "Ctrl+Y"},
    {"Edit1", "MMCut", "切り取り(&T)", "Ctrl+X"},
    {"Edit1", "MMCopy", "コピー(&C)", "Ctrl+C"},
    {"Edit1", "MMPaste", "貼り付け(&P)", "Ctrl+V"},
    {"Edit1", "MMReadOnly", "編集禁止(&O)", ""},
    {"MMSearchMenu", "MMFind", "検索(&F)", "Ctrl+F"},
    {"MMSearchMenu", "MMFindNext", "次を検索(&S)", "F3"},
    {"MMSearchMenu", "MMFindPrev", "上を検索(&U)", "Shift+F3"},
    {"MMSearchMenu", "MMBack", "戻る(&B)", "Alt+Left"},
    {"MMSearchMenu", "MMForward", "進む(&O)", "Alt+Right"},
    {"MMView", "MMScriptWindow", "&Script Window", ""},
    {"MMView", "MMResultWindow", "&Result Window", ""},
    {"MMView", "MMErrorWindow", "&Error Window", ""},
    {"MMView", "MMFormEditor", "フォームエディタ(&F)", "F6"},
    {"Execute1", "MMExecuteScript", "スクリプトを実行(&R)", "F9"},
    {"Execute1", "MMExecToBrowser", "実行結果をブラウザへ出力(&B)", "F8"},
    {"Execute1", "MMExecToClip", "クリップボードから入力(&C)", "Shift+F8"},
    {"Execute1", "MMExecDOS", "DOS窓へ出力(&D)", "Ctrl+F8"},
    {"Execute1", "MMMemoryDroppedFiles", "ドロップファイルを記憶(&M)", ""},
    {"Execute1", "MMToBrowserAll", "常にブラウザへ(&B)", ""},
    {"Execute1", "MMNotClip", "クリップボードに出力しない(&N)", ""},
    {"Execute1", "MMUseCGI", "CGIデータを使う(&F)", ""},
    {"Execute1", "MMSaveAll", "常に結果をファイルに保存(&S)", ""},
    {"Execute1", "MMRunInTerminal", "端末モードで実行(&T)", ""},
    {"Execute1", "MMAutoRefresh", "オートリフレッシュ(&A)", ""},
    {"Execute1", "MMExecuteEditor", "外部エディタの実行(&E)", ""},
    {"Execute1", "MMChangeDir", "カレントディレクトリの変更(&U)", ""},
    {"Config1", "MMLanguage", "言語(&L)", ""},
    {"Config1", "MMEnvironmentSettings", "環境設定(&E)", "Ctrl+Shift+F11"},
    {"Config1", "MMLanguageSettings", "言語別の設定(&L)", "Ctrl+Shift+F12"},
    {"Config1", "MMNewLang", "新しい言語を追加(&N)", ""},
    {"Help1", "MMContents", "目次(&C)", ""},
    {"Help1", "MMSearchKeyword", "キーワード検索(&N)", "F1"},
    {"Help1", "MMVersion", "バージョン情報(&A)", ""},
};

const std::pair<const char*, const char*> kMenus[] = {
    {"MMFile", "ファイル(&F)"}, {"Edit1", "編集(&E)"},    {"MMSearchMenu", "検索(&S)"},
    {"MMView", "表示(&V)"},     {"Execute1", "実行(&R)"}, {"Config1", "設定(&C)"},
    {"Help1", "ヘルプ(&H)"},
};

struct ToolButton {
    const char* name;
    const char* item; // nullptr: a separator
    const char* hint;
};

const ToolButton kToolBar[] = {
    {"TBNew", "MMNew", "新規作成"},
    {"TBOpen", "MMOpen", "開く"},
    {"TBSave", "MMSave", "保存"},
    {nullptr, nullptr, nullptr},
    {"TBCut", "MMCut", "切り取り"},
    {"TBCopy", "MMCopy", "コピー"},
    {"TBPaste", "MMPaste", "貼り付け"},
    {"TBReadOnly", "MMReadOnly", "編集禁止"},
    {nullptr, nullptr, nullptr},
    {"TBExecuteScript", "MMExecuteScript", "スクリプトを実行"},
    {"TBExecToBrowser", "MMExecToBrowser", "ブラウザへ出力"},
    {"TBExecToClip", "MMExecToClip", "クリップボードから入力"},
    {"TBExecDOS", "MMExecDOS", "DOS窓へ実行"},
    {nullptr, nullptr, nullptr},
    {"TBMemoryDroppedFiles", "MMMemoryDroppedFiles", "ドロップファイルを記憶"},
    {"TBToBrowserAll", "MMToBrowserAll", "常にブラウザへ"},
    {"TBNotClip", "MMNotClip", "クリップボードへ出力しない"},
    {"TBUseCGI", "MMUseCGI", "CGIデータを使う"},
    {"TBSaveAll", "MMSaveAll", "常に結果をファイルに保存"},
    {"TBRunInTerminal", "MMRunInTerminal", "端末モードで実行"},
    {nullptr, nullptr, nullptr},
    {"TBAutoRefresh", "MMAutoRefresh", "オートリフレッシュ"},
    {"TBExecuteEditor", "MMExecuteEditor", "外部エディタの実行"},
    {nullptr, nullptr, nullptr},
    {"TBSeachKeyword", "MMSearchKeyword", "キーワード検索"},
};

const char* const kOnOffItems[] = {
    "MMReadOnly", "MMMemoryDroppedFiles", "MMToBrowserAll", "MMNotClip", "MMUseCGI",
    "MMSaveAll",  "MMRunInTerminal",      "MMAutoRefresh"};

TEST_F(MainWindow, EveryCommandHasItsCaptionShortcutAndMenu) {
    Start();
    for (const auto& [name, title] : kMenus) {
        auto* menu = main->findChild<QMenu*>(name);
        ASSERT_NE(menu, nullptr) << name;
        EXPECT_EQ(menu->title().toStdString(), title) << name;
    }
    for (const Command& c : kCommands) {
        QAction* a = main->Action(c.name);
        ASSERT_NE(a, nullptr) << c.name;
        EXPECT_EQ(a->text().toStdString(), c.caption) << c.name;
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromUtf8(c.key))) << c.name;
        auto* menu = main->findChild<QMenu*>(c.menu);
        ASSERT_NE(menu, nullptr) << c.menu;
        EXPECT_TRUE(menu->actions().contains(a)) << c.name << " is not in " << c.menu;
    }
    EXPECT_FALSE(Item("MMRedo")->isVisible());
    // The encoding items are one radio group, automatic detection marked at first.
    QActionGroup* encodings = Item("MMAuto")->actionGroup();
    ASSERT_NE(encodings, nullptr);
    EXPECT_TRUE(encodings->isExclusive());
    for (const char* name : {"MMSHIFTJIS", "MMEUC", "MMJIS", "MMUTF8"}) {
        EXPECT_EQ(Item(name)->actionGroup(), encodings) << name;
        EXPECT_FALSE(Item(name)->isChecked()) << name;
    }
    EXPECT_TRUE(Item("MMAuto")->isChecked());
    for (const char* name : kOnOffItems) {
        EXPECT_TRUE(Item(name)->isCheckable()) << name;
        EXPECT_FALSE(Item(name)->isChecked()) << name;
    }
    EXPECT_FALSE(Item("MMUndo")->isEnabled());
}

TEST_F(MainWindow, ToolButtonsInOrderInvokeTheirItemsAndShowTheirHints) {
    Start();
    auto* bar = main->findChild<QToolBar*>("ToolBar");
    ASSERT_NE(bar, nullptr);
    QList<QAction*> actions = bar->actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(std::size(kToolBar)));
    WhenModal resultFile("FOpenFile",
                         [](QWidget* w) { w->findChild<QPushButton*>("BtCancel")->click(); });
    for (size_t i = 0; i < std::size(kToolBar); ++i) {
        const ToolButton& b = kToolBar[i];
        if (!b.item) {
            EXPECT_TRUE(actions[i]->isSeparator()) << "place " << i;
            continue;
        }
        QToolButton* button = Button(b.name);
        ASSERT_NE(button, nullptr) << b.name;
        EXPECT_EQ(bar->widgetForAction(actions[i]), button) << b.name << " out of place";
        EXPECT_EQ(button->toolTip().toStdString(), b.hint) << b.name;
        EXPECT_FALSE(button->icon().isNull()) << b.name;

        QSignalSpy invoked(Item(b.item), &QAction::triggered);
        button->click();
        EXPECT_EQ(invoked.count(), 1) << b.name << " did not invoke " << b.item;
    }
    // TBOpen and TBSave went to the script window, whose dialogs were cancelled; TBSaveAll
    // asked for its file in the file-name dialog and was cancelled too.
    EXPECT_EQ(dialogs.Opens.size(), 1u);
    EXPECT_EQ(dialogs.Saves.size(), 1u);
    EXPECT_EQ(resultFile.Count(), 1);
}

TEST_F(MainWindow, OnOffButtonsAreDownExactlyWhileTheirItemIsChecked) {
    Start();
    WhenModal resultFile("FOpenFile", [this](QWidget* w) { // MMSaveAll asks for its file
        w->findChild<QLineEdit*>("EdText")->setText(Q(work.File("result.txt")));
        w->findChild<QPushButton*>("BtOK")->click();
    });
    for (const char* name : kOnOffItems) {
        std::string button = "TB" + std::string(name).substr(2);
        QToolButton* b = Button(button.c_str());
        ASSERT_NE(b, nullptr) << button;
        EXPECT_FALSE(b->isChecked()) << button;
        Item(name)->trigger();
        EXPECT_TRUE(Item(name)->isChecked()) << name;
        EXPECT_TRUE(b->isChecked()) << button;
        b->click();
        EXPECT_FALSE(Item(name)->isChecked()) << name;
        EXPECT_FALSE(b->isChecked()) << button;
    }
    // State changed elsewhere reaches the buttons with the next refresh.
    main->Config().AutoRefresh = true;
    main->Config().SetReadOnly(true);
    main->Config().UseCGI = true;
    main->RefreshView();
    for (const char* button : {"TBAutoRefresh", "TBReadOnly", "TBUseCGI"})
        EXPECT_TRUE(Button(button)->isChecked()) << button;
    EXPECT_TRUE(main->Script().Editor().isReadOnly());
}

TEST_F(MainWindow, PopupItemsInvokeCutCopyAndPaste) {
    Start();
    ShowActive();
    QMenu* popup = main->PopupMenu();
    ASSERT_NE(popup, nullptr);
    std::map<std::string, std::string> captions;
    for (QAction* a : popup->actions())
        captions[a->objectName().toStdString()] = a->text().toStdString();
    EXPECT_EQ(captions, (std::map<std::string, std::string>{{"PMCut", "切り取り(&X)"},
                                                            {"PMCopy", "コピー(&C)"},
                                                            {"PMPaste", "貼り付け(&P)"}}));

    Type("abc");
    main->Script().Editor().selectAll();
    for (auto [popupName, itemName] :
         {std::pair{"PMCopy", "MMCopy"}, {"PMCut", "MMCut"}, {"PMPaste", "MMPaste"}}) {
        QAction* a = nullptr;
        for (QAction* p : popup->actions())
            if (p->objectName() == popupName)
                a = p;
        ASSERT_NE(a, nullptr) << popupName;
        QSignalSpy invoked(Item(itemName), &QAction::triggered);
        a->trigger();
        EXPECT_EQ(invoked.count(), 1) << popupName;
        if (std::string(popupName) == "PMCopy") {
            EXPECT_EQ(clipboard.Text(), "abc"); // through the window's clipboard service
        }
        if (std::string(popupName) == "PMCut") {
            EXPECT_EQ(ScriptText(), "");
        }
    }
    EXPECT_EQ(ScriptText(), "abc");
}

// ---- saving with the result page current -----------------------------------------------------

TEST_F(MainWindow, CtrlSOnTheResultPageSavesTheResultNotTheScript) {
    Start();
    ShowActive();
    std::string script = work.Write("s.pl", "print 1;\n2;\n");
    main->Script().Open(script);
    Type("#");
    ASSERT_TRUE(main->Script().Modified);
    main->Result().Editor().SetWholeText("result text\r\n");

    main->Pages()->setCurrentIndex(1); // the user clicks the tab
    EXPECT_EQ(main->ActiveDocument(), &main->Result());
    std::string out = work.File("out.txt");
    dialogs.Answer(out);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : main.get(),
                    Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(dialogs.Saves.size(), 1u);
    EXPECT_EQ(dialogs.Saves[0].title, "実行結果を保存");
    EXPECT_EQ(ReadFileBytes(out), "result text\r\n");
    EXPECT_EQ(work.Read("s.pl"), "print 1;\n2;\n");
    EXPECT_TRUE(main->Script().Modified);

    // Back on the script page the same command saves the script.
    main->Pages()->setCurrentIndex(0);
    EXPECT_EQ(main->ActiveDocument(), &main->Script());
    Item("MMSave")->trigger();
    EXPECT_EQ(work.Read("s.pl"), "#print 1;\n2;\n");
    EXPECT_FALSE(main->Script().Modified);
    EXPECT_EQ(dialogs.Saves.size(), 1u);
    EXPECT_EQ(Caption(), "Vexil2 - " + script);
}

// ---- the view refresh ------------------------------------------------------------------------

TEST_F(MainWindow, CaptionAndStatusPanelsFollowTheScriptAndTheActiveWindow) {
    Start();
    ShowActive();
    EXPECT_EQ(Caption(), "Vexil2 * 新規スクリプト");
    QStatusBar* bar = main->findChild<QStatusBar*>("StatusBar");
    ASSERT_NE(bar, nullptr);
    const int widths[] = {80, 60, 60, 50};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(main->StatusPanel(i)->parentWidget(), bar) << i;
        EXPECT_EQ(main->StatusPanel(i)->width(), widths[i]) << i;
        EXPECT_EQ(main->StatusPanel(i)->minimumWidth(), widths[i]) << i;
        EXPECT_EQ(main->StatusPanel(i)->maximumWidth(), widths[i]) << i;
    }
    // The folder takes the rest of the bar and shows a long path shortened in the middle, the
    // whole path in its tool tip.
    auto* folder = static_cast<ElidedLabel*>(main->StatusPanel(4));
    EXPECT_GT(folder->width(), 200);
    const std::string deep = work.Path() + "/" + std::string(60, 'a') + "/" + std::string(60, 'b');
    std::filesystem::create_directories(deep);
    main->Script().SetFolder(deep);
    main->RefreshStatus();
    EXPECT_EQ(folder->toolTip().toStdString(), deep);
    QString shown = folder->ShownText();
    EXPECT_TRUE(shown.startsWith("/") && shown.endsWith("bbb") && shown.contains(QChar(0x2026)))
        << shown.toStdString();
    main->Script().SetFolder(work.Path());
    main->RefreshStatus();
    // Left to right in the bar.
    for (int i = 1; i < 5; ++i)
        EXPECT_GT(main->StatusPanel(i)->x(), main->StatusPanel(i - 1)->x()) << i;

    std::filesystem::create_directories(work.File("euc"));
    // EUC-JP "日本語" with LF line ends.
    std::string path = work.Write("euc/e.rb", "# \xC6\xFC\xCB\xDC\xB8\xEC\nputs 1\n");
    main->Script().Open(path);
    main->RefreshView();
    EXPECT_EQ(Caption(), "Vexil2 - " + path);
    EXPECT_EQ(Panel(0), " 1: 1");
    EXPECT_EQ(Panel(1), "Ruby");
    EXPECT_EQ(Panel(2), "EUC");
    EXPECT_EQ(Panel(3), "LF");
    EXPECT_EQ(Panel(4), work.File("euc"));

    Type("xy");
    EXPECT_EQ(Caption(), "Vexil2 * " + path);
    EXPECT_EQ(Panel(0), " 1: 3");

    // Panels 0 and 4 belong to the active window; 1 to 3 to the script whatever is active.
    main->Result().Editor().SetWholeText("a\r\nbc\r\n");
    main->ActivateDocument(1);
    EXPECT_EQ(main->Pages()->currentIndex(), 1);
    EXPECT_EQ(main->ActiveDocument(), &main->Result());
    EXPECT_EQ(Panel(0), " 1: 1");
    EXPECT_EQ(Panel(1), "Ruby");
    EXPECT_EQ(Panel(2), "EUC");
    EXPECT_EQ(Panel(4), main->Result().GetFolder());

    main->ActivateDocument(2);
    EXPECT_EQ(main->ActiveDocument(), &main->StdError());
    EXPECT_FALSE(main->ErrorPanel()->isHidden());
    EXPECT_EQ(Panel(0), "");
    EXPECT_EQ(Panel(4), std::filesystem::current_path().string());

    main->ActivateDocument(0);
    EXPECT_EQ(main->Pages()->currentIndex(), 0);
    EXPECT_EQ(main->ActiveDocument(), &main->Script());
    EXPECT_EQ(Panel(0), " 1: 3");
    EXPECT_EQ(Panel(4), work.File("euc"));
}

// The line-end menu: the item chosen is the one ticked, the panel names it, the script is
// changed, a save writes those line ends and a line typed after it follows them.
TEST_F(MainWindow, TheLineEndMenuConvertsTheScriptAndTheSaveKeepsIt) {
    const std::string path = work.Write("ends.pl", "a\nb\n");
    Start(VEXIL_BIN_DIR, path);
    ShowActive();
    const auto ticked = [&] {
        std::string names;
        for (const char* name : {"MMLineEndLF", "MMLineEndCRLF", "MMLineEndCR"})
            names += Item(name)->isChecked() ? name : "";
        return names;
    };
    EXPECT_EQ(ticked(), "MMLineEndLF");
    EXPECT_EQ(Panel(3), "LF");
    const struct {
        const char* item;
        const char* panel;
        const char* saved;
    } steps[] = {
        {"MMLineEndCRLF", "CRLF", "a\r\nb\r\n"},
        {"MMLineEndCR", "CR", "a\rb\r"},
        {"MMLineEndLF", "LF", "a\nb\n"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.item);
        Item(step.item)->trigger();
        EXPECT_EQ(ticked(), step.item);
        EXPECT_EQ(Panel(3), step.panel);
        EXPECT_EQ(Caption(), "Vexil2 * " + path);
        Item("MMSave")->trigger();
        EXPECT_EQ(work.Read("ends.pl"), step.saved);
        EXPECT_EQ(Caption(), "Vexil2 - " + path);
    }
    Item("MMLineEndCR")->trigger();
    main->Script().Editor().setFocus();
    QTest::keyClick(&main->Script().Editor(), Qt::Key_End, Qt::ControlModifier);
    Type("c");
    QTest::keyClick(&main->Script().Editor(), Qt::Key_Return);
    Type("d");
    Item("MMSave")->trigger();
    EXPECT_EQ(work.Read("ends.pl"), "a\rb\rc\rd");
}

TEST_F(MainWindow, CheckMarksFollowTheSettingsAndUndoFollowsTheActiveWindow) {
    Start();
    ShowActive();
    KVexilConfig& config = main->Config();
    Item("MMAutoRefresh")->trigger();
    EXPECT_TRUE(config.AutoRefresh);
    Item("MMReadOnly")->trigger();
    EXPECT_TRUE(config.ReadOnly);
    EXPECT_TRUE(main->Script().Editor().isReadOnly());
    Item("MMUseCGI")->trigger();
    EXPECT_TRUE(config.UseCGI);

    // Changed behind the menus' back: the marks follow at the next refresh, both ways.
    config.AutoRefresh = false;
    config.SetReadOnly(false);
    config.UseCGI = false;
    main->RefreshView();
    for (const char* name : {"MMAutoRefresh", "MMReadOnly", "MMUseCGI"})
        EXPECT_FALSE(Item(name)->isChecked()) << name;
    config.AutoRefresh = true;
    main->RefreshView();
    EXPECT_TRUE(Item("MMAutoRefresh")->isChecked());
    EXPECT_FALSE(Item("MMReadOnly")->isChecked());

    EXPECT_FALSE(Item("MMUndo")->isEnabled());
    Type("ab");
    EXPECT_TRUE(Item("MMUndo")->isEnabled());
    main->ActivateDocument(1); // the result window has nothing to undo
    main->RefreshView();
    EXPECT_FALSE(Item("MMUndo")->isEnabled());
    main->ActivateDocument(0);
    main->RefreshView();
    EXPECT_TRUE(Item("MMUndo")->isEnabled());
    Item("MMUndo")->trigger();
    EXPECT_EQ(ScriptText(), "");
    EXPECT_FALSE(Item("MMUndo")->isEnabled());
}

TEST_F(MainWindow, FormEditorKeyTurnsTheCgiModeOnAndLaterRefreshesKeepIt) {
    program.Write("VexilPro.cfg", "[Others]\nFEditorStayOnTop=1\n");
    Start();
    ShowActive();
    EXPECT_FALSE(main->FormEditorMade()) << "made when first wanted, not at start";
    QTest::keyClick(main.get(), Qt::Key_F6);
    EXPECT_TRUE(main->Config().UseCGI);
    ASSERT_TRUE(main->FormEditorMade());
    EXPECT_TRUE(main->FormEditor().isVisible());
    EXPECT_TRUE(main->FormEditor().StayOnTop()) << "the stored flag applies";
    EXPECT_TRUE(Item("MMUseCGI")->isChecked());
    EXPECT_TRUE(Button("TBUseCGI")->isChecked());
    // F6 again turns it on, not over.
    Item("MMFormEditor")->trigger();
    EXPECT_TRUE(main->Config().UseCGI);

    for (const char* name : {"MMAutoRefresh", "MMReadOnly", "MMReadOnly", "MMJIS", "MMAuto",
                             "LangMenu1", "MMNew", "MMResultWindow", "MMScriptWindow"}) {
        Item(name)->trigger();
        main->RefreshView();
        EXPECT_TRUE(Item("MMUseCGI")->isChecked()) << "after " << name;
        EXPECT_TRUE(Button("TBUseCGI")->isChecked()) << "after " << name;
        EXPECT_TRUE(main->Config().UseCGI) << "after " << name;
    }
    Item("MMUseCGI")->trigger();
    EXPECT_FALSE(main->Config().UseCGI);
    EXPECT_FALSE(Button("TBUseCGI")->isChecked());

    // Turning the mode on shows the editor again; its stay-on-top state is what is saved.
    main->FormEditor().hide();
    main->FormEditor().MMStayOnTop->trigger();
    Item("MMUseCGI")->trigger();
    EXPECT_TRUE(main->FormEditor().isVisible());
    main->Config().SaveWindow(false, 600, 400);
    EXPECT_NE(program.Read("VexilPro.cfg").find("FEditorStayOnTop=0"), std::string::npos);
}

// The form editor feeds runs: the main window's run keys and help key work while it has the
// keys; F6 brings it back from minimised; it opens beside the main window; its code is kept.
TEST_F(MainWindow, TheFormEditorTakesTheRunKeysOpensBesideAndKeepsItsCode) {
    program.Write("VexilPro.cfg", "[Others]\nFormCode=1\n");
    Start();
    ShowActive();
    main->setGeometry(10, 10, 200, 300);
    Type("print qq(from the editor);");
    QTest::keyClick(main.get(), Qt::Key_F6);
    TFEditor& editor = main->FormEditor();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &editor; }));
    EXPECT_FALSE(editor.frameGeometry().intersects(main->frameGeometry())) << "beside it";
    EXPECT_EQ(editor.frameGeometry().top(), main->frameGeometry().top());
    EXPECT_TRUE(editor.MMEUC->isChecked()) << "the stored code";
    EXPECT_EQ(main->CgiData().FormCode, 1);

    EXPECT_EQ(editor.focusWidget(), editor.EdTextName) << "the keys go to the name field";
    // Each key while the editor is the active window, as a user presses it there.
    auto fromEditor = [&](Qt::Key key) {
        editor.activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &editor; }));
        QTest::keyClick(editor.EdTextName, key);
    };
    fromEditor(Qt::Key_F9);
    EXPECT_EQ(main->Result().GetText(), "from the editor");
    fromEditor(Qt::Key_F8);
    EXPECT_EQ(launcher.Started.size(), 1u) << "the browser file went to the opener";
    fromEditor(Qt::Key_F1);
    ASSERT_EQ(msgs.Count(), 1u) << "the keyword help answered (no help file here)";
    EXPECT_NE(msgs.Texts()[0].find("見つかりません"), std::string::npos) << msgs.Texts()[0];
    msgs.Reset();
    EXPECT_TRUE(editor.isVisible());

    editor.showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.isMinimized(); }));
    main->activateWindow();
    // (The editor's owner counts as active while the editor is; the main window itself must be.)
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == main.get(); }));
    QTest::keyClick(main.get(), Qt::Key_F6);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !editor.isMinimized(); }));
    EXPECT_TRUE(editor.isVisible());
    // Moved by the user, it stays there when it is shown again.
    editor.move(300, 250);
    const QPoint moved = editor.pos();
    editor.hide();
    Item("MMFormEditor")->trigger();
    EXPECT_EQ(editor.pos(), moved);

    editor.MMUTF8->trigger();
    main->Config().SaveWindow(false, 600, 400);
    EXPECT_EQ(IniFile(program.File("VexilPro.cfg")).ReadString("Others", "FormCode", ""), "2");
}

// ---- the encoding menu -----------------------------------------------------------------------

TEST_F(MainWindow, ForcedJisKeepsItsMarkThroughEveryRefresh) {
    program.Write("VexilPro.cfg", "[Environment]\nDefaultCode=2\n");
    Start();
    EXPECT_TRUE(Item("MMEncode")->isEnabled());
    EXPECT_EQ(main->Script().GetCodeChoice(), 2);
    EXPECT_TRUE(Item("MMJIS")->isChecked());
    EXPECT_FALSE(Item("MMAuto")->isChecked());

    // ISO-2022-JP "日本" with CR LF.
    std::string path = work.Write("j.pl", "# \x1B$BF|K\\\x1B(B\r\n1;\r\n");
    main->Script().Open(path);
    main->RefreshView();
    EXPECT_TRUE(Item("MMJIS")->isChecked());
    EXPECT_EQ(Panel(2), "JIS");
    EXPECT_EQ(Panel(3), "CRLF");
    for (const char* name : {"MMAutoRefresh", "MMReadOnly", "MMReadOnly", "LangMenu1",
                             "MMResultWindow", "MMScriptWindow", "MMFormEditor", "MMNew"}) {
        Item(name)->trigger();
        main->RefreshView();
        EXPECT_TRUE(Item("MMJIS")->isChecked()) << "after " << name;
        EXPECT_EQ(main->Script().GetCodeChoice(), 2) << "after " << name;
    }

    // Choosing an item sets the script's code choice and moves the mark.
    Item("MMUTF8")->trigger();
    EXPECT_EQ(main->Script().GetCodeChoice(), 3);
    EXPECT_TRUE(Item("MMUTF8")->isChecked());
    EXPECT_FALSE(Item("MMJIS")->isChecked());
    Item("MMAuto")->trigger();
    EXPECT_EQ(main->Script().GetCodeChoice(), -1);
    main->Script().SetCodeChoice(1); // changed by the script window itself
    main->RefreshView();
    EXPECT_TRUE(Item("MMEUC")->isChecked());
}

TEST_F(MainWindow, EncodingMenuIsDisabledWithoutTheConverterLibrary) {
    TempDir libs; // the matcher library only
    ASSERT_EQ(::symlink((std::string(VEXIL_BIN_DIR) + "/libbregexp.so").c_str(),
                        libs.File("libbregexp.so").c_str()),
              0);
    Start(libs.Path());
    EXPECT_FALSE(Item("MMEncode")->isEnabled());
    EXPECT_EQ(msgs.Count(), 0u) << msgs.Texts()[0];
    // Everything else is still there.
    EXPECT_TRUE(Item("MMSave")->isEnabled());
    EXPECT_EQ(Caption(), "Vexil2 * 新規スクリプト");
    EXPECT_EQ(Panel(1), "Perl");

    // With the library the menu is available.
    main.reset();
    Start();
    EXPECT_TRUE(Item("MMEncode")->isEnabled());
}

// ---- the language menu -----------------------------------------------------------------------

TEST_F(MainWindow, LanguageMenuHoldsOneRadioItemPerLanguage) {
    Start();
    QMenu* menu = main->LanguageMenu();
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->objectName(), "LangMenu0");
    EXPECT_EQ(menu->actions()[0]->text(), "Perl");
    EXPECT_EQ(menu->actions()[1]->objectName(), "LangMenu1");
    EXPECT_EQ(menu->actions()[1]->text(), "Ruby");
    for (QAction* a : menu->actions()) {
        EXPECT_TRUE(a->isCheckable());
        EXPECT_TRUE(a->isEnabled());
        ASSERT_NE(a->actionGroup(), nullptr);
        EXPECT_TRUE(a->actionGroup()->isExclusive());
    }
    EXPECT_TRUE(Item("LangMenu0")->isChecked());
    EXPECT_FALSE(Item("LangMenu1")->isChecked());
    EXPECT_EQ(Panel(1), "Perl");

    Item("LangMenu1")->trigger();
    EXPECT_EQ(main->Config().Current->Name, "Ruby");
    EXPECT_EQ(Panel(1), "Ruby");
    EXPECT_TRUE(Item("LangMenu1")->isChecked());
    EXPECT_FALSE(Item("LangMenu0")->isChecked());

    // A language chosen elsewhere (an opened file) moves the mark at the next refresh.
    main->Config().SelectLanguageByName("PERL");
    main->RefreshView();
    EXPECT_TRUE(Item("LangMenu0")->isChecked());
    EXPECT_EQ(Panel(1), "Perl");

    main->Config().AddLanguage("Python", "/usr/bin/python3");
    main->BuildLanguageMenu();
    main->RefreshView();
    QApplication::processEvents();
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[2]->objectName(), "LangMenu2");
    EXPECT_EQ(menu->actions()[2]->text(), "Python");
    EXPECT_TRUE(Item("LangMenu2")->isChecked());
    EXPECT_FALSE(Item("LangMenu0")->isChecked());
    EXPECT_EQ(Item("LangMenu2")->actionGroup()->actions().size(), 3);
    EXPECT_EQ(Panel(1), "Python");

    // The rebuilt items still choose their own language.
    Item("LangMenu1")->trigger();
    EXPECT_EQ(main->Config().Current->Name, "Ruby");
    EXPECT_TRUE(Item("LangMenu1")->isChecked());
    EXPECT_FALSE(Item("LangMenu2")->isChecked());
}

// ---- the error panel and its splitter --------------------------------------------------------

TEST_F(MainWindow, ErrorPanelShowsAtSixtyKeepsTheHeightDraggedAndBelowFortyHides) {
    Start();
    ShowActive();
    QSplitter* splitter = main->Splitter();
    QWidget* panel = main->ErrorPanel();
    EXPECT_TRUE(panel->isHidden());
    ASSERT_EQ(splitter->count(), 2);
    EXPECT_EQ(splitter->widget(0), main->Pages());
    EXPECT_EQ(splitter->widget(1), panel);
    EXPECT_EQ(splitter->handleWidth(), 8);

    main->ShowErrorPanel();
    QApplication::processEvents();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(main->StdError().isVisible());
    EXPECT_TRUE(splitter->handle(1)->isVisible());
    EXPECT_EQ(panel->height(), 60);
    // Pages, splitter handle, panel, status bar from top to bottom.
    EXPECT_LE(main->Pages()->geometry().bottom(), splitter->handle(1)->geometry().top());
    EXPECT_LE(splitter->handle(1)->geometry().bottom(), panel->geometry().top());
    EXPECT_LT(panel->mapTo(main.get(), QPoint(0, panel->height())).y(),
              main->statusBar()->geometry().top() + 1);

    int total = splitter->height() - splitter->handleWidth();
    splitter->setSizes({total - 40, 40});
    emit splitter->splitterMoved(total - 40, 1);
    EXPECT_EQ(panel->height(), 40);
    EXPECT_FALSE(panel->isHidden()) << "a panel of 40 pixels stays";

    splitter->setSizes({total - 39, 39});
    emit splitter->splitterMoved(total - 39, 1);
    EXPECT_TRUE(panel->isHidden()) << "a panel of 39 pixels goes";
    QApplication::processEvents();
    EXPECT_FALSE(splitter->handle(1)->isVisible());

    // Shown again it comes back at the last height the user gave it, after a restart too.
    main->ShowErrorPanel();
    QApplication::processEvents();
    EXPECT_EQ(panel->height(), 40);
    main->HideErrorPanel();
    EXPECT_TRUE(panel->isHidden());
    QApplication::processEvents();
    EXPECT_FALSE(splitter->handle(1)->isVisible());
    main->ShowErrorPanel();
    splitter->setSizes({total - 150, 150});
    emit splitter->splitterMoved(total - 150, 1);
    main->Config().Save();
    Start();
    ShowActive();
    main->ShowErrorPanel();
    QApplication::processEvents();
    EXPECT_EQ(main->ErrorPanel()->height(), 150);
}

// ---- drops -----------------------------------------------------------------------------------

TEST_F(MainWindow, DroppingOneScriptOpensItInItsLanguage) {
    Start();
    ShowActive();
    std::string rb = work.Write("a.rb", "puts 1\n");
    main->DropFiles({rb});
    EXPECT_EQ(main->Script().GetFileName(), rb);
    EXPECT_EQ(main->Config().Current->Name, "Ruby");
    EXPECT_EQ(Caption(), "Vexil2 - " + rb);
    EXPECT_EQ(Panel(1), "Ruby");
    EXPECT_TRUE(Item("LangMenu1")->isChecked());
    EXPECT_EQ(main->Config().RememberedArgs, "");
    EXPECT_TRUE(main->acceptDrops());

    // Through the window's own drop event, with a name holding blanks.
    std::string pl = work.Write("my script.pl", "print 1;\n");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(pl))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main.get(), &drop);
    EXPECT_EQ(main->Script().GetFileName(), pl);
    EXPECT_EQ(main->Config().Current->Name, "Perl");
    EXPECT_EQ(ScriptText(), "print 1;\r\n");
    EXPECT_EQ(main->Config().RememberedArgs, "");
    EXPECT_TRUE(main->acceptDrops());
}

TEST_F(MainWindow, DroppingSeveralFilesOrAnUnknownOneRunsWithThemAsArguments) {
    Start();
    Type("print join '|', @ARGV;");
    std::string a = work.Write("a b.pl", "1;\n");
    std::string b = work.Write("b.pl", "2;\n");
    main->DropFiles({a, b});
    EXPECT_EQ(main->Result().GetText(), a + "|" + b);
    EXPECT_EQ(main->Config().RememberedArgs, "\"" + a + "\" " + b + " ");
    EXPECT_EQ(Item("TBMemoryDroppedFiles")->toolTip().toStdString(),
              "ドロップファイルを記憶\n\n 直前にドロップしたファイル\n" + a + "\n" + b);
    EXPECT_EQ(main->Script().GetFileName(), "");
    EXPECT_EQ(main->Config().Current->Name, "Perl");

    Item("LangMenu1")->trigger();
    std::string txt = work.Write("data.txt", "x\n");
    main->DropFiles({txt});
    EXPECT_EQ(main->Config().RememberedArgs, txt + " ");
    EXPECT_EQ(main->Script().GetFileName(), "");
    EXPECT_EQ(main->Config().Current->Name, "Ruby");
    EXPECT_TRUE(main->acceptDrops());
}

TEST_F(MainWindow, DroppedScriptAsksAboutUnsavedChangesFirst) {
    Start();
    Type("keep me");
    std::string pl = work.Write("c.pl", "3;\n");
    msgs.Answer(MessageAnswer::Cancel);
    main->DropFiles({pl});
    ASSERT_EQ(msgs.Count(), 1u);
    EXPECT_EQ(msgs.Shown()[0].text, kUnnamedQuestion);
    EXPECT_EQ(ScriptText(), "keep me");
    EXPECT_EQ(main->Script().GetFileName(), "");
    EXPECT_EQ(main->Config().RememberedArgs, "");

    msgs.Answer(MessageAnswer::No);
    main->DropFiles({pl});
    EXPECT_EQ(main->Script().GetFileName(), pl);
    EXPECT_EQ(ScriptText(), "3;\r\n");
}

// ---- the close query -------------------------------------------------------------------------

TEST_F(MainWindow, CloseQueryCancelKeepsTheWindowAndWritesNothing) {
    Start();
    ShowActive();
    Type("unsaved");
    main->ActivateDocument(1);
    msgs.Answer(MessageAnswer::Cancel);
    EXPECT_FALSE(main->close());
    ASSERT_EQ(msgs.Count(), 1u);
    EXPECT_EQ(msgs.Shown()[0].kind, ShownMessage::YesNoCancel);
    EXPECT_EQ(msgs.Shown()[0].text, kUnnamedQuestion);
    EXPECT_EQ(msgs.Shown()[0].caption, kSaveConfirmCaption);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->Pages()->currentIndex(), 0) << "the script page comes first";
    EXPECT_FALSE(FileExists(program.File("VexilPro.cfg")));
    EXPECT_EQ(ScriptText(), "unsaved");

    // The exit command goes through the same question.
    msgs.Answer(MessageAnswer::Cancel);
    Item("MMExit")->trigger();
    EXPECT_EQ(msgs.Count(), 2u);
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(FileExists(program.File("VexilPro.cfg")));
}

TEST_F(MainWindow, CloseQueryNoClosesAndSavesTheConfiguration) {
    Start();
    ShowActive();
    Item("LangMenu1")->trigger();
    Item("MMAutoRefresh")->trigger();
    Type("unsaved");
    msgs.Answer(MessageAnswer::No);
    EXPECT_TRUE(main->close());
    EXPECT_FALSE(main->isVisible());
    IniFile cfg(program.File("VexilPro.cfg"));
    for (const char* key : {"Maximized", "Width", "Height"})
        EXPECT_TRUE(cfg.HasKey("Window", key)) << key;
    EXPECT_EQ(cfg.ReadString("Window", "Maximized", ""), "0");
    EXPECT_EQ(cfg.ReadInteger("Window", "Width", 0), 600);
    EXPECT_EQ(cfg.ReadInteger("Window", "Height", 0), 400);
    EXPECT_EQ(cfg.ReadString("Environment", "Language", ""), "Ruby");
    EXPECT_EQ(cfg.ReadString("Environment", "AutoRefresh", ""), "1");
    IniFile ruby(program.File("defs/ruby.def"));
    EXPECT_TRUE(ruby.HasKey("Environment", "ExePath"));
    EXPECT_TRUE(dialogs.Saves.empty());
}

TEST_F(MainWindow, CloseQueryYesSavesTheScriptFirst) {
    Start();
    ShowActive();
    Type("print 2;");
    std::string path = work.File("saved.pl");
    // The save dialog cancelled: nothing saved, the window stays.
    msgs.Answer(MessageAnswer::Yes);
    dialogs.Answer(std::nullopt);
    EXPECT_FALSE(main->close());
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(FileExists(program.File("VexilPro.cfg")));

    msgs.Answer(MessageAnswer::Yes);
    dialogs.Answer(path);
    EXPECT_TRUE(main->close());
    ASSERT_EQ(dialogs.Saves.size(), 2u);
    EXPECT_EQ(work.Read("saved.pl"), "print 2;");
    EXPECT_TRUE(FileExists(program.File("VexilPro.cfg")));
    // The saved script is the first recent file.
    IniFile cfg(program.File("VexilPro.cfg"));
    EXPECT_EQ(cfg.ReadString("FileHistory", "File0", ""), path);
}

// ---- a second start's file -------------------------------------------------------------------

TEST_F(MainWindow, FileFromASecondStartRespectsTheSaveQuestion) {
    Start();
    ShowActive();
    std::string other = work.Write("other.pl", "other;\n");
    Type("mine");
    main->ActivateDocument(1);

    msgs.Answer(MessageAnswer::Cancel);
    main->OpenFromOtherInstance(other);
    EXPECT_EQ(msgs.Count(), 1u);
    EXPECT_EQ(main->Script().GetFileName(), "");
    EXPECT_EQ(ScriptText(), "mine");
    EXPECT_EQ(main->Pages()->currentIndex(), 0);

    msgs.Answer(MessageAnswer::No);
    main->OpenFromOtherInstance(other);
    EXPECT_EQ(main->Script().GetFileName(), other);
    EXPECT_EQ(ScriptText(), "other;\r\n");
    EXPECT_EQ(Caption(), "Vexil2 - " + other);
    EXPECT_TRUE(main->isVisible());

    // No file: nothing is asked, the script stays.
    Type("x");
    main->OpenFromOtherInstance("");
    EXPECT_EQ(msgs.Count(), 2u);
    EXPECT_EQ(main->Script().GetFileName(), other);
}

// ---- activation ------------------------------------------------------------------------------

TEST_F(MainWindow, ActivationReloadsAScriptChangedOnDisk) {
    Start();
    std::string path = work.Write("r.pl", "old;\n");
    main->Script().Open(path);
    Item("MMAutoRefresh")->trigger();
    ASSERT_TRUE(main->Config().AutoRefresh);

    QEvent unchanged(QEvent::ActivationChange);
    QApplication::sendEvent(main.get(), &unchanged);
    EXPECT_EQ(ScriptText(), "old;\r\n");

    WriteFileBytes(path, "new;\n");
    Touch(path, 5);
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(main.get(), &activation);
    EXPECT_EQ(ScriptText(), "new;\r\n");
    EXPECT_FALSE(main->Script().FileChanged());
    EXPECT_EQ(msgs.Count(), 0u);

    // Without AutoRefresh the user is asked; No keeps the text and is not asked again.
    Item("MMAutoRefresh")->trigger();
    WriteFileBytes(path, "newer;\n");
    Touch(path, 10);
    msgs.Answer(MessageAnswer::No);
    QEvent again(QEvent::ActivationChange);
    QApplication::sendEvent(main.get(), &again);
    EXPECT_EQ(msgs.Count(), 1u);
    EXPECT_EQ(ScriptText(), "new;\r\n");
    QEvent once(QEvent::ActivationChange);
    QApplication::sendEvent(main.get(), &once);
    EXPECT_EQ(msgs.Count(), 1u);
}

// ---- commands that show the script page -----------------------------------------------------

TEST_F(MainWindow, CommandsThatShowTheScriptPageMakeTheScriptActive) {
    Start();
    ShowActive();
    std::string script = work.Write("p.pl", "print 1;\n2;\n");
    main->Script().Open(script);
    main->Result().Editor().SetWholeText("r\r\n");

    main->ActivateDocument(1);
    Item("MMNew")->trigger();
    EXPECT_EQ(main->Pages()->currentIndex(), 0);
    EXPECT_EQ(main->ActiveDocument(), &main->Script());
    // Saving now is the script's save, under the script's dialog.
    Type("new");
    dialogs.Answer(std::nullopt);
    Item("MMSave")->trigger();
    ASSERT_EQ(dialogs.Saves.size(), 1u);
    EXPECT_NE(dialogs.Saves[0].title, "実行結果を保存");

    main->ActivateDocument(1);
    msgs.Answer(MessageAnswer::Cancel);
    main->OpenFromOtherInstance(script);
    EXPECT_EQ(main->ActiveDocument(), &main->Script());
    EXPECT_EQ(Panel(0), " 1: 4");

    main->ActivateDocument(1);
    msgs.Answer(MessageAnswer::Cancel);
    EXPECT_FALSE(main->close());
    EXPECT_EQ(main->ActiveDocument(), &main->Script());
    EXPECT_EQ(Panel(4), work.Path());
}

// ---- the settings and path commands -----------------------------------------------------------

TEST_F(MainWindow, SettingsAndPathCommandsOpenTheirDialogsAndTheWindowFollows) {
    Start();
    // A new language: listed last and marked, and the language dialog then opens on it.
    WhenModal add("FNewLang", [](QWidget* w) {
        w->findChild<QLineEdit*>("EdLangName")->setText("Lua");
        w->findChild<QLineEdit*>("EdLangPath")->setText("/bin/sh");
        w->findChild<QPushButton*>("BtOK")->click();
    });
    EXPECT_TRUE(main->Dispatch("MMNewLang"));
    ASSERT_EQ(main->LanguageMenu()->actions().size(), 3);
    EXPECT_EQ(main->LanguageMenu()->actions()[2]->text(), "Lua");
    EXPECT_TRUE(Item("LangMenu2")->isChecked());
    EXPECT_EQ(Panel(1), "Lua");
    WhenModal language("FLangConfig", [](QWidget* w) {
        EXPECT_EQ(w->findChild<QComboBox*>("CBLanguage")->currentText(), "Lua");
        w->findChild<QPushButton*>("BtCancel")->click();
    });
    Item("MMLanguageSettings")->trigger();
    EXPECT_EQ(language.Count(), 1);

    // The hot key does nothing while the environment dialog is up; OK applies at once.
    ShowActive();
    WhenModal environment("FConfig", [this](QWidget* w) {
        main->showMinimized();
        main->HotKeyPressed();
        EXPECT_TRUE(main->isMinimized());
        w->findChild<QCheckBox*>("CBChangeCurrentDirOnDrop")->click();
        w->findChild<QPushButton*>("BtOK")->click();
    });
    Item("MMEnvironmentSettings")->trigger();
    EXPECT_EQ(environment.Count(), 1);
    EXPECT_TRUE(main->Config().ChangeCurrentDirOnDrop);

    // The folder chosen becomes the script's, the result's and the process's.
    WhenModal folder("FOpenDir", [this](QWidget* w) {
        static_cast<TFOpenDir*>(w)->OpenFolder(work.Path());
        w->findChild<QPushButton*>("Button1")->click();
    });
    Item("MMChangeDir")->trigger();
    EXPECT_EQ(main->Script().Folder, work.Path());
    EXPECT_EQ(main->Result().Folder, work.Path());
    EXPECT_EQ(std::filesystem::current_path(), work.Path());
    EXPECT_EQ(main->StatusPanel(4)->toolTip().toStdString(), work.Path());
}

// ---- the hot key -----------------------------------------------------------------------------

TEST_F(MainWindow, HotKeyRestoresTheWindowUnlessASettingsDialogIsOpen) {
    Start();
    ShowActive();
    main->showMinimized();
    QApplication::processEvents();
    ASSERT_TRUE(main->isMinimized());
    QWidget dialog;
    main->AddHotKeyBlocker(&dialog);
    dialog.show();
    main->HotKeyPressed();
    EXPECT_TRUE(main->isMinimized()) << "the hot key acted while a settings dialog was open";
    dialog.hide();
    main->HotKeyPressed();
    EXPECT_FALSE(main->isMinimized());
    EXPECT_TRUE(main->isVisible());
    // A maximised window comes back maximised, by the hot key and by a file handed over.
    for (const auto& bring : {std::function<void()>([this] { main->HotKeyPressed(); }),
                              std::function<void()>([this] { main->OpenFromOtherInstance(""); })}) {
        main->showMaximized();
        QApplication::processEvents();
        main->showMinimized();
        QApplication::processEvents();
        ASSERT_TRUE(main->isMinimized());
        bring();
        QApplication::processEvents();
        EXPECT_FALSE(main->isMinimized());
        EXPECT_TRUE(main->isMaximized());
    }
}

// ---- start-up --------------------------------------------------------------------------------

TEST_F(MainWindow, StartFilesInEucJpOrUtf8OpenReadableAndEditableWithTheCaretInTheScript) {
    // 日本語 in EUC-JP and in UTF-8, behind a long ASCII header.
    const std::string header = "# " + std::string(1500, '-') + "\n";
    for (auto [name, bytes] :
         {std::pair<std::string, std::string>{"euc.pl", "\xC6\xFC\xCB\xDC\xB8\xEC\n"},
          {"utf8.pl", "日本語 é€〜−\n"}}) {
        std::string path = work.Write(name, header + bytes);
        Start(VEXIL_BIN_DIR, path);
        ShowActive();
        EXPECT_EQ(ScriptText().substr(header.size() - 1, 8), "\r\n\x93\xfa\x96\x7b\x8c\xea")
            << name;
        EXPECT_FALSE(main->Script().Editor().isReadOnly()) << name;
        EXPECT_TRUE(msgs.Texts().empty()) << name;
        EXPECT_EQ(QApplication::focusWidget(), &main->Script().Editor()) << name;
        main->Action("MMResultWindow")->trigger();
        main->Action("MMScriptWindow")->trigger();
        EXPECT_EQ(QApplication::focusWidget(), &main->Script().Editor()) << name;
        main.reset();
    }
}

TEST_F(MainWindow, OnlyTheReadOnlyOfALossyReadIsLiftedByAFaithfulOneAndOnlyItOffersARead) {
    const std::string path = work.Write("utf8.pl", "print \"日本語\";\n");
    const std::string japanese = "\x93\xfa\x96\x7b\x8c\xea"; // as the editor holds it
    auto readOnly = [&] { return main->Script().Editor().isReadOnly(); };
    Start();
    Item("MMSHIFTJIS")->trigger(); // no file yet: nothing to offer
    main->OpenFromOtherInstance(path);
    ASSERT_EQ(msgs.Count(), 1u); // the file cannot be held faithfully in Shift_JIS
    EXPECT_TRUE(readOnly());

    msgs.Answer(MessageAnswer::No);
    Item("MMAuto")->trigger();
    ASSERT_EQ(msgs.Count(), 2u);
    EXPECT_NE(msgs.Texts()[1].find("を自動判別で読み込みなおしますか"), std::string::npos);
    EXPECT_TRUE(readOnly());
    // 開きなおす now detects, reads faithfully, and the program's read-only goes with it.
    main->OpenFromOtherInstance(path);
    EXPECT_FALSE(readOnly());
    EXPECT_NE(ScriptText().find(japanese), std::string::npos);

    // The user's own 編集禁止 survives a lossy and a faithful read, and no read is offered.
    Item("MMReadOnly")->trigger();
    Item("MMSHIFTJIS")->trigger();
    main->OpenFromOtherInstance(path);
    Item("MMAuto")->trigger();
    main->OpenFromOtherInstance(path);
    EXPECT_EQ(msgs.Count(), 3u) << msgs.Texts().back();
    EXPECT_TRUE(readOnly());

    // An offer taken reads in the chosen code at once.
    Item("MMReadOnly")->trigger();
    Item("MMEUC")->trigger();
    main->OpenFromOtherInstance(path);
    ASSERT_EQ(msgs.Count(), 4u);
    EXPECT_TRUE(readOnly());
    msgs.Answer(MessageAnswer::Yes);
    Item("MMUTF8")->trigger();
    EXPECT_EQ(msgs.Count(), 5u);
    EXPECT_FALSE(readOnly());
    EXPECT_NE(ScriptText().find(japanese), std::string::npos);
    EXPECT_EQ(main->Script().GetCodeChoice(), kCodeUtf8);
}

// ---- runs ------------------------------------------------------------------------------------

TEST_F(MainWindow, ARunKeepsPaintingShowsItsProgressSwallowsInputAndCancels) {
    Start();
    ShowActive();
    Type("$| = 1; print qq(started\\n); print STDERR qq(oops at x line 1.\\n); sleep 20;");
    const std::string script = ScriptText();
    bool indicatorSeen = false, closeRefused = false;
    int paints = 0;
    std::string liveText;
    QString outcomeDuringRun;
    int livePage = -1, liveErrors = 0;
    QTimer::singleShot(600, [&] {
        outcomeDuringRun = main->RunOutcomePanel()->isVisible() ? main->RunOutcomePanel()->text()
                                                                : QStringLiteral("(hidden)");
        // What the script printed so far is shown while it still runs.
        liveText = std::string(main->Result().Editor().Utf8Text());
        livePage = main->Pages()->currentIndex();
        liveErrors = main->StdError().Count();
        indicatorSeen = main->Gate().Indicator()->isVisible();
        QString status = main->Gate().Status()->text();
        EXPECT_TRUE(status.startsWith("実行中 ")) << status.toStdString();
        EXPECT_TRUE(status.endsWith(" B")) << status.toStdString();
        // Typing, a menu key and the window manager's close reach nothing during the run.
        QTest::keyClicks(&main->Script().Editor(), "zz");
        QTest::keyClick(main.get(), Qt::Key_F9);
        closeRefused = !main->close();
        main->update();
        paints = 1;
        QTest::mouseClick(main->Gate().CancelButton(), Qt::LeftButton);
    });
    auto t0 = std::chrono::steady_clock::now();
    Item("MMExecuteScript")->trigger();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(seconds, 5.0);
    EXPECT_EQ(paints, 1) << "the window thread did not run during the run";
    EXPECT_TRUE(indicatorSeen);
    EXPECT_TRUE(closeRefused);
    EXPECT_FALSE(main->Gate().Indicator()->isVisible());
    EXPECT_FALSE(main->Gate().Running());
    EXPECT_EQ(ScriptText(), script);
    EXPECT_EQ(main->Result().GetText(), "started\n");
    EXPECT_EQ(main->StdError().Count(), 1);
    EXPECT_FALSE(main->ErrorPanel()->isHidden());
    EXPECT_EQ(main->Runs().LastExitCode(), -1);
    EXPECT_EQ(main->Pages()->currentIndex(), 0);
    EXPECT_EQ(msgs.Texts(), Strings{"処理は中断されました"});
    EXPECT_EQ(liveText, "started\n");
    EXPECT_EQ(livePage, 1) << "the result page comes forward as output arrives";
    EXPECT_EQ(liveErrors, 1);
    EXPECT_TRUE(main->RunOutcomePanel()->isVisible());
    EXPECT_TRUE(main->RunOutcomePanel()->text().startsWith("中止 · "));
    EXPECT_TRUE(outcomeDuringRun.startsWith("実行中 · ")) << outcomeDuringRun.toStdString();

    // A run that ends well shows the result page with the caret in the result.
    msgs.Reset();
    main->Script().Editor().SetWholeText("print qq(\\x93\\xfa);");
    Item("MMExecuteScript")->trigger();
    EXPECT_EQ(main->Result().GetText(), "\x93\xfa");
    EXPECT_EQ(main->Pages()->currentIndex(), 1);
    EXPECT_EQ(main->ActiveDocument(), &main->Result());
    EXPECT_TRUE(main->ErrorPanel()->isHidden());
    EXPECT_TRUE(msgs.Texts().empty());
    EXPECT_TRUE(main->RunOutcomePanel()->text().startsWith("終了 0 · "));
    EXPECT_TRUE(main->RunOutcomePanel()->toolTip().contains("作業フォルダ: "));
}

TEST_F(MainWindow, RunOptionsAreStateTheMenuAndButtonsRender) {
    Start();
    Item("MMNotClip")->trigger();
    Item("MMToBrowserAll")->trigger();
    EXPECT_TRUE(main->Runs().Options().NotClip);
    EXPECT_TRUE(Button("TBNotClip")->isChecked());
    WhenModal resultFile("FOpenFile", [this](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), "Vexil - 常に結果をファイルに保存");
        w->findChild<QLineEdit*>("EdText")->setText(Q(work.File("all.txt")));
        w->findChild<QPushButton*>("BtOK")->click();
    });
    Item("TBSaveAll")->trigger();
    EXPECT_TRUE(Button("TBSaveAll")->isChecked());
    EXPECT_EQ(Item("TBSaveAll")->toolTip().toStdString(),
              "常に結果をファイルに保存\n" + work.File("all.txt"));
    Item("MMSaveAll")->trigger();
    Item("MMToBrowserAll")->trigger();
    EXPECT_FALSE(Item("MMSaveAll")->isChecked());
    EXPECT_FALSE(main->Runs().Options().ToBrowserAll);
    EXPECT_FALSE(Button("TBToBrowserAll")->isChecked());
    WhenModal cancelled("FOpenFile", [](QWidget* w) { // cancelled: the option stays off
        w->findChild<QPushButton*>("BtCancel")->click();
    });
    Item("MMSaveAll")->trigger();
    EXPECT_EQ(cancelled.Count(), 1);
    EXPECT_FALSE(Item("MMSaveAll")->isChecked());
    EXPECT_FALSE(main->Runs().Options().SaveAll);
}

// ---- the script window's look ----------------------------------------------------------------

TEST_F(MainWindow, ScriptShowsNumbersAndItsLanguagesColoursUntilTheViewItemsTurnThemOff) {
    program.Write("defs/tools.def",
                  "[Language]\nName=Tools\nExt=awk\n[Environment]\nExePath=/usr/bin/awk\n");
    Start();
    ShowActive();
    ScintillaEditor& script = main->Script().Editor();
    auto language = [&] {
        return std::string(script.lexer() ? script.lexer()->language() : "plain");
    };
    // Both on by default, and not written while they are; the result and error windows stay
    // plain.
    EXPECT_TRUE(Item("MMLineNumbers")->isChecked());
    EXPECT_TRUE(Item("MMSyntaxColours")->isChecked());
    EXPECT_GT(script.marginWidth(0), 0);
    EXPECT_EQ(language(), "Perl");
    EXPECT_EQ(main->Result().Editor().lexer(), nullptr);
    EXPECT_EQ(main->Result().Editor().marginWidth(0), 0);
    main->Config().Save();
    EXPECT_FALSE(IniFile(program.File("VexilPro.cfg")).HasKey("View", "LineNumbers"));

    // The colours follow the language: the menu, a file of another language, one we have no
    // lexer for.
    Item("LangMenu1")->trigger();
    EXPECT_EQ(language(), "Ruby");
    main->Script().Open(work.Write("a.pl", "my $x = 1;\n"));
    EXPECT_EQ(language(), "Perl");
    Item("LangMenu2")->trigger();
    EXPECT_EQ(language(), "plain");
    Item("LangMenu1")->trigger();

    Item("MMLineNumbers")->trigger();
    EXPECT_FALSE(Item("MMLineNumbers")->isChecked());
    EXPECT_EQ(script.marginWidth(0), 0);
    EXPECT_EQ(language(), "Ruby");
    Item("MMSyntaxColours")->trigger();
    EXPECT_FALSE(Item("MMSyntaxColours")->isChecked());
    EXPECT_EQ(language(), "plain");
    Item("LangMenu0")->trigger();
    EXPECT_EQ(language(), "plain");

    // Remembered in the settings file and read at the next start.
    EXPECT_TRUE(main->close());
    IniFile cfg(program.File("VexilPro.cfg"));
    EXPECT_EQ(cfg.ReadString("View", "LineNumbers", ""), "0");
    EXPECT_EQ(cfg.ReadString("View", "SyntaxColours", ""), "0");
    main.reset();
    Start();
    EXPECT_FALSE(Item("MMLineNumbers")->isChecked());
    EXPECT_FALSE(Item("MMSyntaxColours")->isChecked());
    EXPECT_EQ(main->Script().Editor().marginWidth(0), 0);
    EXPECT_EQ(main->Script().Editor().lexer(), nullptr);
    Item("MMSyntaxColours")->trigger();
    EXPECT_STREQ(main->Script().Editor().lexer()->language(), "Perl");
    // A key once written stays, also back at its default.
    EXPECT_TRUE(main->close());
    IniFile again(program.File("VexilPro.cfg"));
    EXPECT_EQ(again.ReadString("View", "LineNumbers", ""), "0");
    EXPECT_EQ(again.ReadString("View", "SyntaxColours", ""), "1");
}

} // namespace

TEST_F(MainWindow, ATestFileRunsThroughItsRunnerAndCtrlF9NamesTheTestAtTheCaret) {
    if (std::system("/usr/bin/python3 -c 'import pytest' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "/usr/bin/python3 has no pytest (python3-pytest)";
    program.Write("defs/pytest.def", "[Language]\nName=Python (pytest)\nExt=test_*.py,*_test.py\n"
                                     "RegExpLang=\n[Environment]\nExePath=/usr/bin/python3\n"
                                     "Option=-m pytest -v\n");
    const std::string proj = work.Path() + "/proj dir";
    std::filesystem::create_directories(proj + "/tests");
    work.Write("proj dir/pyproject.toml", "");
    const std::string file =
        work.Write("proj dir/tests/test_parse.py", "def test_join():\n"
                                                   "    assert ','.join('ab') == 'a;b'\n"
                                                   "\n"
                                                   "class TestPairs:\n"
                                                   "    def test_pair(self):\n"
                                                   "        assert len([1, 2, 3]) == 2\n");
    Start(VEXIL_BIN_DIR, file);
    ASSERT_EQ(main->Config().Current->Name, "Python (pytest)");
    EXPECT_TRUE(Item("MMExecTestAtCaret")->isEnabled());
    EXPECT_EQ(Item("MMExecTestAtCaret")->shortcut(), QKeySequence("Ctrl+F9"));

    // The run menu names the test the caret is in as it opens.
    TextEditor& editor = main->Script().Editor();
    editor.SetSelection(editor.PositionFromLine(5), 0);
    QMenu* runMenu = main->findChild<QMenu*>("Execute1");
    ASSERT_NE(runMenu, nullptr);
    emit runMenu->aboutToShow();
    EXPECT_EQ(Item("MMExecTestAtCaret")->text(), "テスト TestPairs::test_pair を実行(&T)");
    editor.SetSelection(editor.PositionFromLine(2), 0);
    emit runMenu->aboutToShow();
    EXPECT_EQ(Item("MMExecTestAtCaret")->text(), "テスト test_join を実行(&T)");

    // Ctrl+F9 runs that test only: one failure, its entry with pytest's E lines as tool tip,
    // the panel amber with the failing test named.
    const std::filesystem::path folder = std::filesystem::current_path(); // the script's
    Item("MMExecTestAtCaret")->trigger();
    QLabel* panel = main->RunOutcomePanel();
    EXPECT_TRUE(panel->text().startsWith("0 成功 · 1 失敗 · 0 スキップ · "))
        << panel->text().toStdString();
    EXPECT_TRUE(panel->styleSheet().contains("#ffd54f"));
    EXPECT_TRUE(panel->toolTip().contains("tests/test_parse.py::test_join"));
    EXPECT_TRUE(panel->toolTip().contains("作業フォルダ: " + Q(proj)));
    ASSERT_EQ(main->StdError().Count(), 1);
    EXPECT_EQ(main->StdError().Entry(0), "tests/test_parse.py:2: AssertionError (test_join)");
    const QModelIndex row = main->StdError().Model().index(0);
    EXPECT_TRUE(main->StdError()
                    .Model()
                    .data(row, Qt::ToolTipRole)
                    .toString()
                    .startsWith("AssertionError: assert 'a,b' == 'a;b'"));
    EXPECT_FALSE(main->ErrorPanel()->isHidden());
    EXPECT_EQ(std::filesystem::current_path(), folder) << "the program's folder stays";

    // F9 runs the whole file.
    Item("MMExecuteScript")->trigger();
    EXPECT_TRUE(panel->text().startsWith("0 成功 · 2 失敗 · 0 スキップ · "));
    EXPECT_EQ(main->StdError().Count(), 2);

    // A script that is no test: the item is off.
    main->Config().SelectLanguageByName("Perl");
    main->RefreshView();
    EXPECT_FALSE(Item("MMExecTestAtCaret")->isEnabled());
    emit runMenu->aboutToShow();
    EXPECT_EQ(Item("MMExecTestAtCaret")->text(), "カーソル位置のテストを実行(&T)");
}
