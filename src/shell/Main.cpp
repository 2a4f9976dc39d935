#include "shell/Main.h"

#include "exec/Kexecproc.h"
#include "exec/TestRun.h"
#include "platform/FileJournal.h"
#include "windows/logic/UnsavedText.h"

#include "cgi/qt/Editor.h"
#include "config/qt/Config.h"
#include "config/qt/Langconfig.h"
#include "config/qt/Newlang.h"
#include "config/qt/QtHistoryMenu.h"
#include "encoding/Codeconv.h"
#include "help/Khelp.h"
#include "help/qt/Hhelp.h"
#include "help/qt/QtDocLookup.h"
#include "help/qt/Version.h"
#include "platform/Cp932.h"
#include "platform/FileFacts.h"
#include "platform/IniFile.h"
#include "platform/qt/Icons.h"
#include "platform/qt/QtLauncher.h"
#include "regex/Kregexp.h"
#include "shell/logic/View.h"
#include "shell/qt/ElidedLabel.h"
#include "shell/qt/PanelClick.h"
#include "shell/qt/RunGate.h"
#include "windows/Arguments.h"
#include "windows/FindDialog.h"
#include "windows/Opendir.h"
#include "windows/Openfile.h"
#include "windows/ReplaceDialog.h"
#include "windows/Result.h"
#include "windows/Script.h"
#include "windows/Stderror.h"
#include "windows/logic/FileJump.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QSocketNotifier>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

constexpr int kSplitterHeight = 8;
constexpr int kErrorPanelShown = 60;
constexpr int kErrorPanelMinimum = 40;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

constexpr const char* kEncodingItems[] = {"MMAuto", "MMSHIFTJIS", "MMEUC", "MMJIS", "MMUTF8"};
// In the order of ViewState::lineEndItem, with the line end each stands for.
constexpr std::pair<const char*, int> kLineEndItems[] = {
    {"MMLineEndLF", kLineEndLf}, {"MMLineEndCRLF", kLineEndCrLf}, {"MMLineEndCR", kLineEndCr}};

} // namespace

TFMain::TFMain(const std::string& appDir, MainServices services, QWidget* parent)
    : QMainWindow(parent) {
    setObjectName("FMain");
    ownMessages_ = std::make_unique<QtMessageService>(this);
    ownDialogs_ = std::make_unique<QtDialogService>(this);
    ownClipboard_ = std::make_unique<QtClipboardService>();
    ownLauncher_ = std::make_unique<QtLauncher>();
    messages_ = services.messages ? services.messages : ownMessages_.get();
    dialogs_ = services.dialogs ? services.dialogs : ownDialogs_.get();
    clipboard_ = services.clipboard ? services.clipboard : ownClipboard_.get();
    launcher_ = services.launcher ? services.launcher : ownLauncher_.get();
    probe_ = services.probe ? services.probe : &DefaultKeyStateProbe();
    commands_ = std::make_unique<CommandDispatcher>(*messages_);

    QFont font("Noto Sans CJK JP");
    font.setPixelSize(12);
    setFont(font);
    setWindowIcon(AppIcon());
    resize(587, 412);
    setAcceptDrops(true);

    BuildMenus();
    BuildToolBar();
    BuildStatusBar();

    // The history lives on MMReload; the configuration loads it in the middle of its own file.
    historyMenu_ = std::make_unique<QtHistoryMenu>(reloadMenu_);
    history_ = std::make_unique<KFileHistory>(*historyMenu_, *messages_,
                                              [this](int index) { OpenFromHistory(index); });
    KVexilConfigCallbacks callbacks;
    callbacks.SetMainWidth = [this](int w) { resize(w, height()); };
    callbacks.SetMainHeight = [this](int h) { resize(width(), h); };
    callbacks.RegisterGlobalHotKey = [this](uint16_t key) { RegisterGlobalHotKey(key); };
    callbacks.UnregisterGlobalHotKey = [this] { UnregisterGlobalHotKey(); };
    callbacks.SetEditorReadOnly = [this](bool on) {
        if (FScript)
            FScript->Editor().SetReadOnly(on);
    };
    callbacks.CurrentCode = [this] { return FScript ? FScript->GetCodeChoice() : -1; };
    callbacks.SettingsChanged = [this](bool languageListChanged) {
        SettingsChanged(languageListChanged);
    };
    // Until the form editor is made, the stored flag is still its state.
    callbacks.FormEditorStayOnTop = [this] {
        return formEditor_ ? formEditor_->StayOnTop() : config_->FEditorStayOnTop;
    };
    callbacks.FormEditorCode = [this] { return cgi_ ? cgi_->FormCode : config_->FormCode; };
    config_ = std::make_unique<KVexilConfig>(appDir, *messages_, history_.get(), callbacks,
                                             services.settingsDir);
    config_->LoadDefFiles();
    config_->Load();
    journal_ = std::make_unique<FileJournal>(config_->SettingsDir + "VexilPro.files");
    SetFileJournal(journal_.get());
    BuildLanguageMenu();

    BuildDocuments();
    cgi_ = std::make_unique<KCgiData>(*messages_);
    cgi_->FormCode = config_->FormCode;
    runGate_ = new RunGate(statusBar());
    runWindows_ = std::make_unique<MainRunWindows>(*this, *runGate_);
    exec_ = std::make_unique<Exec>(ExecContext{*config_, *runWindows_, *messages_, *dialogs_,
                                               *clipboard_, *launcher_, *probe_, cgi_.get(),
                                               UserDesktopFolder});
    helpViewer_ = std::make_unique<LazyHelpViewer>(*messages_, *launcher_, this);
    auto wordAtCaret = [this] { return Cp932ToUtf8(FScript->GetWordAtCaret()).text; };
    help_ = std::make_unique<KHelp>(
        *config_,
        KHelpServices{
            *messages_, *helpViewer_, *launcher_, wordAtCaret, {}, {}, new QtDocLookup(this)});
    RegisterCommands();
    // The caption is right from the first frame, not only after the initial refresh.
    SetCaption(FScript->GetTitle());
}

TFMain::~TFMain() {
    UnregisterGlobalHotKey();
    SetFileJournal(nullptr);
}

void TFMain::LeaveBySignal() {
    KillRunningGroup();
    if (!shutDown_) {
        if (FScript->Modified)
            KeepUnsavedText(config_->SettingsDir, FScript->Kept());
        ShutDown();
    }
    journal_->RemoveOwn();
}

void TFMain::OfferKeptText() {
    std::optional<KeptScript> kept = TakeUnsavedText(config_->SettingsDir);
    if (!kept)
        return;
    const std::string name =
        kept->fileName.empty() ? std::string("新規スクリプト") : kept->fileName;
    if (messages_->AskYesNo("前回の終了時に保存されていなかった " + name +
                                " の内容があります。復元しますか？",
                            kSaveConfirmCaption, MessageIcon::Question) != MessageAnswer::Yes)
        return;
    if (!FScript->ConfirmDiscard())
        return;
    FScript->Restore(*kept);
}

TFEditor& TFMain::FormEditor() {
    if (!formEditor_) {
        formEditor_ = std::make_unique<TFEditor>(*cgi_, *messages_, this);
        formEditor_->SetStayOnTop(config_->FEditorStayOnTop);
        // The editor exists to feed runs: the run keys and help work from it as from here.
        for (const char* name : {"MMExecuteScript", "MMExecWithArgs", "MMExecToBrowser",
                                 "MMExecToClip", "MMExecDOS", "MMSearchKeyword"})
            formEditor_->addAction(Action(name));
    }
    return *formEditor_;
}

void TFMain::ShowFormEditor() {
    FormEditor().ShowBeside(this);
}

QAction* TFMain::Action(const QString& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

QAction* TFMain::AddAction(QMenu* menu, const QString& name, const QString& caption,
                           const QKeySequence& key, std::function<void()> handler, bool checkable) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    action->setShortcut(key);
    // Main-menu keys act only while the main window (or a window docked in it) is active.
    action->setShortcutContext(Qt::WindowShortcut);
    action->setCheckable(checkable);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    if (menu)
        menu->addAction(action);
    actions_[name] = action;
    return action;
}

void TFMain::BuildMenus() {
    std::map<QString, QMenu*> menus;
    for (const MenuRow& m : MenuTable()) {
        QMenu* menu = menuBar()->addMenu(m.caption);
        menu->setObjectName(m.name);
        menus[m.name] = menu;
    }
    for (const CommandRow& row : CommandTable()) {
        QMenu* menu = menus.at(row.menu);
        if (std::string_view(row.name) == "-") {
            menu->addSeparator();
            continue;
        }
        if (row.submenu) {
            QMenu* sub = menu->addMenu(row.caption);
            sub->setObjectName(row.name);
            menus[row.name] = sub;
            actions_[row.name] = sub->menuAction();
            continue;
        }
        const std::string name = row.name;
        QAction* a = AddAction(
            menu, row.name, row.caption, QKeySequence(QString::fromUtf8(row.shortcut)),
            [this, name] { commands_->Dispatch(name); }, row.checkable);
        if (row.hidden)
            a->setVisible(false);
    }
    reloadMenu_ = menus.at("MMReload");
    // Ctrl+F9's item names the test it runs, as the caret stands when the menu opens.
    connect(menus.at("Execute1"), &QMenu::aboutToShow, this, [this] {
        const TestRunner runner =
            config_->Current ? RunnerOf(config_->Current->ExePath, config_->Current->Option)
                             : TestRunner::None;
        Action("MMExecTestAtCaret")->setText(Q(TestCommandCaption(runner, CaretTest())));
    });
    encodeMenu_ = menus.at("MMEncode");
    languageMenu_ = menus.at("MMLanguage");
    encodingGroup_ = new QActionGroup(this);
    for (const char* name : kEncodingItems)
        encodingGroup_->addAction(Action(name));
    Action("MMAuto")->setChecked(true);
    lineEndMenu_ = menus.at("MMLineEnd");
    lineEndGroup_ = new QActionGroup(this);
    for (const auto& [name, lineEnd] : kLineEndItems)
        lineEndGroup_->addAction(Action(name));
    languageGroup_ = new QActionGroup(this);

    popupMenu_ = new QMenu(this);
    popupMenu_->setObjectName("PopupMenu");
    auto addPopup = [this](const char* name, const char* caption, const char* target) {
        auto* a = popupMenu_->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [this, target] { Action(target)->trigger(); });
    };
    addPopup("PMCut", "切り取り(&X)", "MMCut");
    addPopup("PMCopy", "コピー(&C)", "MMCopy");
    addPopup("PMPaste", "貼り付け(&P)", "MMPaste");
}

void TFMain::RegisterCommands() {
    auto onActive = [this](void (TFBase::*op)()) {
        return [this, op] {
            if (active_)
                (active_->*op)();
            RefreshView();
        };
    };
    CommandDispatcher& c = *commands_;
    c.Register("MMNew", [this] { MMNewClick(); });
    c.Register("MMOpen", [this] { MMOpenClick(); });
    c.Register("MMSave", onActive(&TFBase::Save));
    c.Register("MMSaveAs", onActive(&TFBase::SaveAs));
    for (int i = 0; i < 5; ++i)
        c.Register(kEncodingItems[i], [this, i] { SetEncoding(i - 1); });
    for (const auto& [name, lineEnd] : kLineEndItems)
        c.Register(name, [this, lineEnd = lineEnd] {
            FScript->ConvertLineEnds(lineEnd);
            RefreshView();
        });
    c.Register("MMExit", [this] { close(); });
    c.Register("MMUndo", onActive(&TFBase::Undo));
    c.Register("MMRedo", onActive(&TFBase::Redo));
    c.Register("MMCut", onActive(&TFBase::Cut));
    c.Register("MMCopy", onActive(&TFBase::Copy));
    c.Register("MMPaste", onActive(&TFBase::Paste));
    c.Register("MMReadOnly", [this] { MMReadOnlyClick(); });
    c.Register("MMFind", onActive(&TFBase::Find));
    c.Register("MMFindNext", onActive(&TFBase::FindNext));
    c.Register("MMFindPrev", onActive(&TFBase::FindPrevious));
    // The text windows' editing commands; from the error list they act on the script.
    auto onText = [this](void (TFBase::*op)()) {
        return [this, op] {
            TFBase* target = active_ == FStdError ? FScript : active_;
            if (target != active_)
                ActivateDocument(0);
            if (target)
                (target->*op)();
        };
    };
    c.Register("MMSelectAll", onText(&TFBase::SelectAll));
    c.Register("MMToggleComment", onText(&TFBase::ToggleComment));
    c.Register("MMReplace", onText(&TFBase::Replace));
    c.Register("MMGoToLine", onText(&TFBase::GoToLineDialog));
    c.Register("MMBack", [this] {
        jumps_->Back();
        RefreshView();
    });
    c.Register("MMForward", [this] {
        jumps_->Forward();
        RefreshView();
    });
    auto zoom = [this](int steps) {
        ScintillaEditor::SetZoomAll(steps);
        config_->Zoom = ScintillaEditor::Zoom();
    };
    c.Register("MMZoomIn", [zoom] { zoom(ScintillaEditor::Zoom() + 1); });
    c.Register("MMZoomOut", [zoom] { zoom(ScintillaEditor::Zoom() - 1); });
    c.Register("MMZoomReset", [zoom] { zoom(0); });
    for (TFTextBase* window :
         {static_cast<TFTextBase*>(FScript), static_cast<TFTextBase*>(FResult)})
        connect(&window->Editor(), &ScintillaEditor::Zoomed, this,
                [this](int steps) { config_->Zoom = steps; });
    ScintillaEditor::SetZoomAll(config_->Zoom);
    // Plus wants Shift on most keyboards: Ctrl and the = key zoom in too.
    Action("MMZoomIn")
        ->setShortcuts(
            {QKeySequence(QStringLiteral("Ctrl++")), QKeySequence(QStringLiteral("Ctrl+="))});
    // Every key that changes or moves text goes through the window's commands, the
    // editor's alternative keys too; redo's item is not in the menu, its keys still work.
    Action("MMUndo")->setShortcuts(
        {QKeySequence(QStringLiteral("Ctrl+Z")), QKeySequence(QStringLiteral("Alt+Backspace"))});
    Action("MMCut")->setShortcuts(
        {QKeySequence(QStringLiteral("Ctrl+X")), QKeySequence(QStringLiteral("Shift+Del"))});
    Action("MMCopy")->setShortcuts(
        {QKeySequence(QStringLiteral("Ctrl+C")), QKeySequence(QStringLiteral("Ctrl+Ins"))});
    Action("MMPaste")->setShortcuts(
        {QKeySequence(QStringLiteral("Ctrl+V")), QKeySequence(QStringLiteral("Shift+Ins"))});
    auto* redoKeys = new QAction(this);
    redoKeys->setObjectName("RedoKeys");
    redoKeys->setShortcuts(
        {QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))});
    connect(redoKeys, &QAction::triggered, this, [this] { commands_->Dispatch("MMRedo"); });
    addAction(redoKeys);
    c.Register("MMScriptWindow", [this] { ActivateDocument(0); });
    c.Register("MMResultWindow", [this] { ActivateDocument(1); });
    c.Register("MMErrorWindow", [this] { ActivateDocument(2); });
    c.Register("MMFormEditor", [this] { MMFormEditorClick(); });
    c.Register("MMLineNumbers", [this] {
        config_->LineNumbers = !config_->LineNumbers;
        RefreshView();
    });
    c.Register("MMSyntaxColours", [this] {
        config_->SyntaxColours = !config_->SyntaxColours;
        RefreshView();
    });
    c.Register("MMRunInTerminal", [this] {
        config_->RunInTerminal = !config_->RunInTerminal;
        RefreshView();
    });
    c.Register("MMAutoRefresh", [this] { MMAutoRefreshClick(); });
    c.Register("MMExecuteEditor", [this] { MMExecuteEditorClick(); });
    c.Register("MMChangeDir", [this] { MMChangeDirClick(); });
    c.Register("MMEnvironmentSettings", [this] { ConfigDialog().Open(*config_); });
    c.Register("MMLanguageSettings", [this] { OpenLanguageSettings(); });
    c.Register("MMNewLang", [this] { MMNewLangClick(); });

    // The runs and their options.
    auto run = [this](void (Exec::*command)()) {
        return [this, command] {
            if (!ReadyToRun())
                return;
            (exec_.get()->*command)();
            RefreshView();
            TakePendingOpen();
        };
    };
    c.Register("MMExecuteScript", run(&Exec::RunScriptCommand));
    c.Register("MMExecWithArgs", [this] {
        if (!argumentsDialog_)
            argumentsDialog_ = new TFArguments(this);
        if (std::optional<std::string> line = argumentsDialog_->Ask(config_->Arguments.Lines());
            line && ReadyToRun()) {
            exec_->RunWithArguments(*line);
            RefreshView();
            TakePendingOpen();
        }
    });
    c.Register("MMExecTestAtCaret", [this] {
        if (!ReadyToRun())
            return;
        exec_->RunTestCommand(CaretTest());
        RefreshView();
        TakePendingOpen();
    });
    c.Register("MMNextError", [this] { FStdError->StepError(true); });
    c.Register("MMPrevError", [this] { FStdError->StepError(false); });
    c.Register("MMExecToBrowser", run(&Exec::RunToBrowserCommand));
    c.Register("MMExecToClip", run(&Exec::RunFromClipboardCommand));
    c.Register("MMExecDOS", run(&Exec::RunInConsoleCommand));
    c.Register("MMMemoryDroppedFiles", run(&Exec::ToggleMemoryDroppedFiles));
    c.Register("MMToBrowserAll", run(&Exec::ToggleToBrowserAll));
    c.Register("MMNotClip", run(&Exec::ToggleNotClip));
    c.Register("MMSaveAll", run(&Exec::ToggleSaveAll));
    c.Register("MMUseCGI", run(&Exec::ToggleUseCGI));

    c.Register("MMContents", [this] { help_->ShowHelpContents(); });
    c.Register("MMSearchKeyword", [this] { help_->ShowKeywordHelp(); });
    c.Register("MMVersion", [this] { MMVersionClick(); });
}

void TFMain::BuildToolBar() {
    toolBar_ = addToolBar("ToolBar");
    toolBar_->setObjectName("ToolBar");
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(20, 20));
    for (const ButtonRow& b : ToolBarTable()) {
        if (std::string_view(b.name) == "-") {
            toolBar_->addSeparator();
            continue;
        }
        // The button is the menu item itself: it invokes the same command, and the button of
        // an on/off item is down exactly while the item is checked.
        QAction* item = Action(b.command);
        // Our own pictures first; the desktop theme's are looked up once the window is up.
        item->setIcon(BundledToolIcon(b.name));
        item->setToolTip(b.hint);
        toolBar_->addAction(item);
        if (QWidget* w = toolBar_->widgetForAction(item))
            w->setObjectName(b.name);
        actions_[b.name] = item;
    }
}

void TFMain::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName("StatusBar");
    bar->setSizeGripEnabled(true);
    for (int i = 0; i < 5; ++i) {
        // The folder takes what the others leave, shortened in the middle when it must be.
        const bool folder = i == 4;
        statusPanels_[i] = folder ? new ElidedLabel(bar) : new QLabel(bar);
        if (!folder)
            statusPanels_[i]->setFixedWidth(kStatusPanelWidths[i]);
        statusPanels_[i]->setFrameShape(QFrame::Panel);
        statusPanels_[i]->setFrameShadow(QFrame::Sunken);
        bar->addWidget(statusPanels_[i], folder ? 1 : 0);
    }
    // The code and line-end panels open their choices where they are.
    const auto popUnder = [](QLabel* panel, QMenu* menu) {
        new PanelClick(panel, [panel, menu] {
            menu->popup(panel->mapToGlobal(QPoint(0, 0)) - QPoint(0, menu->sizeHint().height()));
        });
    };
    popUnder(statusPanels_[2], encodeMenu_);
    popUnder(statusPanels_[3], lineEndMenu_);
    runOutcome_ = new QLabel(bar);
    runOutcome_->setObjectName("RunOutcome");
    runOutcome_->setFrameShape(QFrame::Panel);
    runOutcome_->setFrameShadow(QFrame::Sunken);
    runOutcome_->hide();
    bar->addPermanentWidget(runOutcome_);
    runScriptPanel_ = new QLabel(bar);
    runScriptPanel_->setObjectName("RunScript");
    runScriptPanel_->setFrameShape(QFrame::Panel);
    runScriptPanel_->setFrameShadow(QFrame::Sunken);
    runScriptPanel_->hide();
    bar->addPermanentWidget(runScriptPanel_);
}

void TFMain::ShowRunGoing() {
    // The last run's end must not pass for this one's while it lasts.
    runOutcome_->setText(Q("実行中 · " + ClockNow() + " 開始"));
    runOutcome_->setToolTip(QString());
    runOutcome_->setStyleSheet(QString());
    runOutcome_->show();
}

void TFMain::ShowRunOutcome(const RunOutcome& outcome) {
    runOutcome_->setText(Q(RunOutcomeText(outcome)));
    runOutcome_->setToolTip(Q(RunOutcomeDetails(outcome)));
    // A failed run stands out in a warning's amber, readable in light and dark themes.
    runOutcome_->setStyleSheet(RunOutcomeWarns(outcome)
                                   ? QStringLiteral("QLabel { background: #ffd54f; color: #000; }")
                                   : QString());
    runOutcome_->show();
}

void TFMain::BuildDocuments() {

    splitter_.reset(new QSplitter(Qt::Vertical, this));
    splitter_->setObjectName("Splitter");
    splitter_->setHandleWidth(kSplitterHeight);
    splitter_->setChildrenCollapsible(true);
    pageControl_ = new QTabWidget(splitter_.get());
    pageControl_->setObjectName("PageControl");
    pageControl_->setMinimumHeight(80);
    errorPanel_ = new QWidget(splitter_.get());
    errorPanel_->setObjectName("PStdError");
    // The error list's own minimum (about 70 pixels) would otherwise hold the panel above the
    // height it is shown at and above the height below which dragging hides it.
    errorPanel_->setMinimumHeight(1);
    auto* panelLayout = new QVBoxLayout(errorPanel_);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    splitter_->addWidget(pageControl_);
    splitter_->addWidget(errorPanel_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    setCentralWidget(splitter_.get());

    FScript = new TFScript(*this, config_.get(), history_.get());
    FScript->setObjectName("FScript");
    pageControl_->addTab(FScript, FScript->windowTitle());
    FResult = new TFResult(*this, FScript, config_.get());
    FResult->setObjectName("FResult");
    pageControl_->addTab(FResult, FResult->windowTitle());
    FStdError = new TFStdError(*this, FScript, config_.get());
    FStdError->setObjectName("FStdError");
    panelLayout->addWidget(FStdError);
    active_ = FScript;
    jumps_ = std::make_unique<FileJumps>(
        *FScript, [this](const std::string& text) { Notice(text); },
        [this](bool otherFile) {
            ActivateDocument(0);
            if (otherFile) {
                FStdError->RefreshMarks();
                RefreshView();
            }
        });
    FStdError->SetJumps(jumps_.get());

    connect(pageControl_, &QTabWidget::currentChanged, this, [this](int index) {
        if (!activating_)
            ActivateDocument(index == 0 ? 0 : 1);
    });
    connect(splitter_.get(), &QSplitter::splitterMoved, this, [this] { SplitterMoved(); });
    errorPanel_->hide();
}

void TFMain::BuildLanguageMenu() {
    for (QAction* a : languageGroup_->actions()) {
        languageGroup_->removeAction(a);
        actions_.erase(a->objectName());
        a->deleteLater();
    }
    languageMenu_->clear();
    const auto& languages = config_->Languages;
    for (size_t i = 0; i < languages.size(); ++i) {
        QString name = "LangMenu" + QString::number(i);
        QAction* a = AddAction(
            languageMenu_, name, Q(languages[i]->Name), {},
            [this, i] { config_->SelectLanguage(i); }, true);
        languageGroup_->addAction(a);
    }
    if (!languageGroup_->actions().isEmpty())
        languageGroup_->actions().first()->setChecked(true);
}

void TFMain::InitialSetup(const std::string& startFile, const std::string& libraryDir) {
    active_ = FScript;
    HideErrorPanel();
    ShowScriptPage();
    if (config_->Maximized)
        showMaximized();
    else
        show();
    // The libraries first: the start file may be in any code, and only the converter reads
    // anything but Shift_JIS.
    if (!NkfLoad(libraryDir))
        encodeMenu_->menuAction()->setEnabled(false);
    RegExpLoad(*messages_, libraryDir);
    // What a killed instance left beside the user's files goes; a live one's stays.
    journal_->Sweep();
    if (!startFile.empty())
        FScript->Open(startFile);
    // The caret is in the script from the first moment: typing goes there.
    FScript->FocusEditor();
    FScript->SetCodeChoice(config_->DefaultCode);
    OfferKeptText();
    RefreshView();
    QTimer::singleShot(0, this, [this] {
        for (const ButtonRow& b : ToolBarTable())
            if (std::string_view(b.name) != "-" && !ThemeIconName(b.name).isEmpty())
                Action(b.command)->setIcon(ToolIcon(b.name));
    });
}

void TFMain::ShowScriptPage() {
    activating_ = true;
    pageControl_->setCurrentIndex(0);
    activating_ = false;
    FScript->FocusEditor();
    // With the script page in front, the script is what Save and the status bar must mean,
    // not the result window that may have been active behind it.
    if (active_ != FScript) {
        active_ = FScript;
        RefreshStatus();
    }
}

void TFMain::ActivateDocument(int which) {
    if (activating_)
        return;
    activating_ = true;
    switch (which) {
    case 0:
        pageControl_->setCurrentIndex(0);
        active_ = FScript;
        FScript->FocusEditor();
        break;
    case 1:
        pageControl_->setCurrentIndex(1);
        FResult->FocusEditor();
        active_ = FResult;
        break;
    default:
        active_ = FStdError;
        ShowErrorPanel();
        FStdError->setFocus();
        break;
    }
    activating_ = false;
    RefreshStatus();
}

void TFMain::SetCaption(const std::string& caption) {
    // The script window names the file it shows; while that is a file reached by a jump, the
    // caption also says which script the runs mean.
    if (jumps_ && jumps_->Visiting())
        setWindowTitle(Q(caption + RunScriptCaption(jumps_->RunScript())));
    else
        setWindowTitle(Q(caption));
}

static ViewInputs Inputs(TFScript& script, TFBase* active, KVexilConfig& config, const Exec* exec,
                         const FileJumps* jumps) {
    ViewInputs in;
    in.scriptTitle = script.GetTitle();
    if (jumps && jumps->Visiting())
        in.scriptTitle += RunScriptCaption(jumps->RunScript());
    in.positionText = active ? active->GetPositionText() : std::string();
    in.languageName = config.Current ? config.Current->Name : std::string();
    in.codeName = CodeName(script.GetCode());
    in.lineEndName = LineEndName(script.GetLineEnd());
    in.activeFolder = active ? active->GetFolder() : std::string();
    in.autoRefresh = config.AutoRefresh;
    in.readOnly = config.ReadOnly;
    in.useCgi = config.UseCGI;
    if (exec)
        in.run = exec->Options();
    in.canUndo = active && active->CanUndo();
    in.codeChoice = script.GetCodeChoice();
    in.lineEnd = script.GetLineEnd();
    for (const auto& l : config.Languages)
        in.languageNames.push_back(l->Name);
    return in;
}

void TFMain::RefreshView() {
    if (!FScript)
        return;
    // The language may have changed anywhere (menu, open, drop, settings): the colours follow.
    FScript->FollowLook();
    ApplyView(ComputeView(Inputs(*FScript, active_, *config_, exec_.get(), jumps_.get())));
    const bool visiting = jumps_ && jumps_->Visiting();
    if (visiting) {
        runScriptPanel_->setText(Q(RunScriptPanel(jumps_->RunScript())));
        runScriptPanel_->setToolTip(Q(RunScriptHint(jumps_->RunScript())));
    }
    runScriptPanel_->setVisible(visiting);
    Action("MMExecTestAtCaret")
        ->setEnabled(config_->Current && RunnerOf(config_->Current->ExePath,
                                                  config_->Current->Option) != TestRunner::None);
    Action("MMBack")->setEnabled(jumps_ && jumps_->CanGoBack());
    Action("MMForward")->setEnabled(jumps_ && jumps_->CanGoForward());
    for (auto [name, on] : {std::pair{"MMLineNumbers", config_->LineNumbers},
                            std::pair{"MMSyntaxColours", config_->SyntaxColours},
                            std::pair{"MMRunInTerminal", config_->RunInTerminal}})
        if (Action(name)->isChecked() != on)
            Action(name)->setChecked(on);
}

std::string TFMain::CaretTest() {
    // A file reached by a jump is not what runs: its caret names no test of the script.
    if (!config_->Current || (jumps_ && jumps_->Visiting()) ||
        RunnerOf(config_->Current->ExePath, config_->Current->Option) != TestRunner::Pytest)
        return {};
    TextEditor& editor = FScript->Editor();
    return TestAtLine([&](long line) { return editor.LineUtf8(line); },
                      static_cast<long>(editor.LineFromPosition(editor.SelectionStart())));
}

void TFMain::RefreshStatus() {
    if (!FScript)
        return;
    ApplyStatus(ComputeView(Inputs(*FScript, active_, *config_, exec_.get(), jumps_.get())));
}

void TFMain::Notice(const std::string& text) {
    // A notice covers the status panels: long enough to read, short enough to give the
    // line and column back soon.
    statusBar()->showMessage(Q(text), 3000);
}

void TFMain::ApplyStatus(const ViewState& v) {
    for (int i = 0; i < 5; ++i) {
        QString text = Q(v.panels[i]);
        if (statusPanels_[i]->text() != text) {
            statusPanels_[i]->setText(text);
            if (i == 4)
                statusPanels_[i]->setToolTip(text);
        }
    }
}

void TFMain::ApplyView(const ViewState& v) {
    QString caption = Q(v.caption);
    if (windowTitle() != caption)
        setWindowTitle(caption);
    ApplyStatus(v);
    auto check = [this](const char* name, bool on) {
        QAction* a = Action(name);
        if (a->isChecked() != on)
            a->setChecked(on);
    };
    check("MMAutoRefresh", v.autoRefresh);
    check("MMReadOnly", v.readOnly);
    check("MMUseCGI", v.useCgi);
    check("MMMemoryDroppedFiles", v.run.MemoryDroppedFiles);
    check("MMToBrowserAll", v.run.ToBrowserAll);
    check("MMNotClip", v.run.NotClip);
    check("MMSaveAll", v.run.SaveAll);
    auto hint = [this](const char* name, const std::string& text) {
        QAction* a = Action(name);
        if (a->toolTip() != Q(text))
            a->setToolTip(Q(text));
    };
    hint("MMMemoryDroppedFiles", v.run.MemoryDroppedFilesHint);
    hint("MMSaveAll", v.run.SaveAllHint);
    if (Action("MMUndo")->isEnabled() != v.undoEnabled)
        Action("MMUndo")->setEnabled(v.undoEnabled);
    QAction* encoding = encodingGroup_->actions().value(v.encodingItem);
    if (encoding && !encoding->isChecked())
        encoding->setChecked(true);
    QAction* lineEnd = lineEndGroup_->actions().value(v.lineEndItem);
    if (lineEnd && !lineEnd->isChecked())
        lineEnd->setChecked(true);
    if (v.languageItem >= 0) {
        QAction* language = languageGroup_->actions().value(v.languageItem);
        if (language && !language->isChecked())
            language->setChecked(true);
    }
}

void TFMain::HideErrorPanel() {
    if (errorPanel_->isVisible() || !errorPanel_->isHidden())
        errorPanel_->hide();
}

void TFMain::ShowErrorPanel() {
    if (!errorPanel_->isHidden())
        return;
    errorPanel_->show();
    const int total = splitter_->height();
    // The height the user dragged it to, kept across runs and starts, as long as the pages
    // keep some room.
    int shown = config_->ErrorPanelHeight > 0 ? config_->ErrorPanelHeight : kErrorPanelShown;
    shown = std::max(kErrorPanelMinimum, std::min(shown, total - kSplitterHeight - 40));
    splitter_->setSizes({std::max(0, total - shown - kSplitterHeight), shown});
}

void TFMain::SplitterMoved() {
    if (errorPanel_->isHidden())
        return;
    if (errorPanel_->height() < kErrorPanelMinimum)
        HideErrorPanel();
    else
        config_->ErrorPanelHeight = errorPanel_->height();
}

FindDialogService& TFMain::SharedFindDialog() {
    return findDialog_;
}

ReplaceDialogService* TFMain::SharedReplaceDialog() {
    return &replaceDialog_;
}

void TFMain::RegisterGlobalHotKey(uint16_t shortcut) {
    if (!hotKey_.Register(shortcut))
        return; // a key the desktop refuses simply does nothing
    if (!hotKeyNotifier_ && hotKey_.Fd() >= 0) {
        hotKeyNotifier_ = new QSocketNotifier(hotKey_.Fd(), QSocketNotifier::Read, this);
        connect(hotKeyNotifier_, &QSocketNotifier::activated, this, [this] {
            if (hotKey_.TakePressed())
                HotKeyPressed();
        });
    }
}

void TFMain::UnregisterGlobalHotKey() {
    hotKey_.Unregister();
}

void TFMain::HotKeyPressed() {
    for (const auto& dialog : hotKeyBlockers_)
        if (dialog && dialog->isVisible())
            return;
    BringToFront();
}

void TFMain::BringToFront() {
    // Restored to the state it had before it was minimised: a maximised window comes back
    // maximised.
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TFMain::OpenFromOtherInstance(const std::string& path) {
    if (runGate_->Running()) {
        pendingOpen_ = path; // opened when the run has ended
        return;
    }
    ShowScriptPage();
    if (!path.empty()) {
        if (!FScript->ConfirmDiscard())
            return;
        OpenByHand([&] { FScript->Open(path); });
    }
    BringToFront();
}

void TFMain::TakePendingOpen() {
    if (!pendingOpen_)
        return;
    std::string path = std::move(*pendingOpen_);
    pendingOpen_.reset();
    OpenFromOtherInstance(path);
}

void TFMain::OpenFromHistory(int index) {
    ShowScriptPage();
    if (index < 0 || index >= static_cast<int>(history_->Count()))
        return;
    std::string path = history_->Path(index);
    if (FScript->ConfirmDiscard())
        OpenByHand([&] { FScript->Open(path); });
}

void TFMain::MMNewClick() {
    ShowScriptPage();
    if (FScript->ConfirmDiscard())
        OpenByHand([this] { FScript->NewScript(); });
}

void TFMain::MMOpenClick() {
    ShowScriptPage();
    if (FScript->ConfirmDiscard())
        OpenByHand([this] { FScript->OpenWithDialog(); });
}

bool TFMain::ReadyToRun() {
    const bool ready = jumps_->BeforeRun();
    RefreshView();
    return ready;
}

void TFMain::OpenByHand(const std::function<void()>& open) {
    const unsigned long long loads = FScript->Loads();
    open();
    // Whatever the user opened is the script now, and what F9 runs (a dialog cancelled, a
    // new file declined opened nothing).
    if (FScript->Loads() != loads) {
        jumps_->End();
        RefreshView();
    }
}

void TFMain::MMReadOnlyClick() {
    config_->SetReadOnly(!config_->ReadOnly);
    FScript->ReadOnlyTakenOver();
    RefreshView();
}

void TFMain::MMAutoRefreshClick() {
    config_->AutoRefresh = !config_->AutoRefresh;
    RefreshView();
}

void TFMain::MMFormEditorClick() {
    config_->UseCGI = true;
    RefreshView();
    ShowFormEditor();
}

void TFMain::MMExecuteEditorClick() {
    if (FScript->OpenInEditor() && config_->AutoRefresh && config_->ReadOnlyWhenAutoRefresh) {
        config_->SetReadOnly(true);
        FScript->ReadOnlyTakenOver();
    }
    RefreshView();
}

void TFMain::MMVersionClick() {
    if (!FVersion)
        FVersion = std::make_unique<TFVersion>(*launcher_, this);
    FVersion->exec();
}

TFConfig& TFMain::ConfigDialog() {
    if (!FConfig) {
        FConfig = std::make_unique<TFConfig>(*dialogs_, this);
        AddHotKeyBlocker(FConfig.get());
    }
    return *FConfig;
}

TFLangConfig& TFMain::LangConfigDialog() {
    if (!FLangConfig) {
        FLangConfig = std::make_unique<TFLangConfig>(*messages_, *dialogs_, this);
        AddHotKeyBlocker(FLangConfig.get());
    }
    return *FLangConfig;
}

TFNewLang& TFMain::NewLangDialog() {
    if (!FNewLang) {
        FNewLang = std::make_unique<TFNewLang>(*messages_, *dialogs_, this);
        AddHotKeyBlocker(FNewLang.get());
    }
    return *FNewLang;
}

TFOpenDir& TFMain::OpenDirDialog() {
    if (!FOpenDir)
        FOpenDir = std::make_unique<TFOpenDir>(this);
    return *FOpenDir;
}

TFOpenFile& TFMain::OpenFileDialog() {
    if (!FOpenFile)
        FOpenFile = std::make_unique<TFOpenFile>(*dialogs_, this);
    return *FOpenFile;
}

void TFMain::OpenLanguageSettings() {
    LangConfigDialog().Open(*config_);
}

std::optional<std::string> TFMain::PromptResultFile(const std::string& caption,
                                                    const std::string& current) {
    TFOpenFile& dialog = OpenFileDialog();
    dialog.setWindowTitle(Q(caption));
    if (!dialog.Prompt(current))
        return std::nullopt;
    return dialog.ChosenPath();
}

void TFMain::MMChangeDirClick() {
    TFOpenDir& dialog = OpenDirDialog();
    if (dialog.Prompt()) {
        FScript->SetFolder(dialog.SelectedDir());
        FResult->SetFolder(dialog.SelectedDir());
    }
    RefreshView();
}

void TFMain::MMNewLangClick() {
    TFNewLang& dialog = NewLangDialog();
    if (dialog.Run())
        config_->AddLanguage(dialog.LanguageName(), dialog.LanguagePath());
}

void TFMain::SettingsChanged(bool languageListChanged) {
    if (languageListChanged)
        BuildLanguageMenu();
    RefreshView();
}

void TFMain::SetEncoding(int codeChoice) {
    OpenByHand([&] { FScript->ChooseCode(codeChoice); });
    RefreshView();
}

void TFMain::DropFiles(const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    setAcceptDrops(false);
    BringToFront();
    if (paths.size() == 1 && config_->SelectLanguageByExtension(Trim(paths[0]))) {
        if (FScript->ConfirmDiscard())
            OpenByHand([&] { FScript->Open(paths[0]); });
    } else if (ReadyToRun()) {
        commands_->Guard("RunDroppedFiles", [&] { exec_->RunDroppedFiles(paths); });
        TakePendingOpen();
    }
    RefreshView();
    setAcceptDrops(true);
}

void TFMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TFMain::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    event->acceptProposedAction();
    DropFiles(paths);
}

void TFMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Activation and deactivation alike: a script changed on disk meanwhile is reloaded.
    if (event->type() == QEvent::ActivationChange && FScript && !shutDown_ &&
        !runGate_->Running() && FScript->FileChanged()) {
        // A file reached by a jump, changed on disk, is read again in the language of the
        // script the errors came from.
        KDefConfig* language = config_->Current;
        FScript->Reload();
        if (jumps_->Visiting() && config_->Current != language) {
            config_->Current = language;
            RefreshView();
        }
    }
}

void TFMain::closeEvent(QCloseEvent* event) {
    // A run holds the window: it ends first (Escape or the cancel button).
    if (runGate_->Running()) {
        event->ignore();
        return;
    }
    ShowScriptPage();
    if (!FScript->ConfirmDiscard()) {
        event->ignore();
        return;
    }
    ShutDown();
    event->accept();
}

void TFMain::ShutDown() {
    shutDown_ = true;
    bool maximized = isMaximized();
    QRect normal = maximized ? normalGeometry() : geometry();
    if (maximized)
        showNormal();
    try {
        config_->SaveWindow(maximized, normal.width(), normal.height());
    } catch (const IniError& e) {
        messages_->Show(e.what(), kErrorCaption, MessageIcon::Error);
    }
    UnregisterGlobalHotKey();
    RegExpUnload();
    NkfUnload();
}
