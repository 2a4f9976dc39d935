#include "shell/Main.h"

#include "config/qt/QtHistoryMenu.h"
#include "encoding/Codeconv.h"
#include "platform/FileFacts.h"
#include "platform/IniFile.h"
#include "regex/Kregexp.h"
#include "shell/logic/View.h"
#include "shell/qt/Icons.h"
#include "windows/FindDialog.h"
#include "windows/Result.h"
#include "windows/Script.h"
#include "windows/Stderror.h"

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
#include <QToolBar>
#include <QVBoxLayout>

namespace {

constexpr int kSplitterHeight = 8;
constexpr int kErrorPanelShown = 60;
constexpr int kErrorPanelMinimum = 40;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// The run commands and the other commands whose dialogs come later are wired to their items
// now; until their parts exist they do nothing visible.
void NotYet() {}

} // namespace

TFMain::TFMain(const std::string& appDir, MainServices services, QWidget* parent)
    : QMainWindow(parent) {
    setObjectName("FMain");
    ownMessages_ = std::make_unique<QtMessageService>(this);
    ownDialogs_ = std::make_unique<QtDialogService>(this);
    ownClipboard_ = std::make_unique<QtClipboardService>();
    ownLauncher_ = std::make_unique<PosixLauncher>();
    messages_ = services.messages ? services.messages : ownMessages_.get();
    dialogs_ = services.dialogs ? services.dialogs : ownDialogs_.get();
    clipboard_ = services.clipboard ? services.clipboard : ownClipboard_.get();
    launcher_ = services.launcher ? services.launcher : ownLauncher_.get();

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
    config_ = std::make_unique<KVexilConfig>(appDir, *messages_, history_.get(), callbacks);
    config_->LoadDefFiles();
    config_->Load();
    BuildLanguageMenu();

    BuildDocuments();
    // The caption is right from the first frame, not only after the initial refresh.
    SetCaption(FScript->GetTitle());
}

TFMain::~TFMain() {
    // The document windows call back into the history and configuration while they go.
    delete pageControl_;
    pageControl_ = nullptr;
    delete errorPanel_;
    errorPanel_ = nullptr;
    UnregisterGlobalHotKey();
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
    QMenuBar* bar = menuBar();
    auto onActive = [this](void (TFBase::*op)()) {
        return [this, op] {
            if (active_)
                (active_->*op)();
            RefreshView();
        };
    };

    QMenu* file = bar->addMenu("ファイル(&F)");
    file->setObjectName("MMFile");
    AddAction(file, "MMNew", "新規作成(&N)", QKeySequence("Ctrl+N"), [this] { MMNewClick(); });
    AddAction(file, "MMOpen", "開く(&O)", QKeySequence("Ctrl+O"), [this] { MMOpenClick(); });
    AddAction(file, "MMSave", "保存(&S)", QKeySequence("Ctrl+S"), onActive(&TFBase::Save));
    AddAction(file, "MMSaveAs", "名前を付けて保存(&A)", QKeySequence("Ctrl+W"),
              onActive(&TFBase::SaveAs));
    reloadMenu_ = file->addMenu("開きなおす(&R)");
    reloadMenu_->setObjectName("MMReload");
    actions_["MMReload"] = reloadMenu_->menuAction();
    encodeMenu_ = file->addMenu("エンコード設定(&K)");
    encodeMenu_->setObjectName("MMEncode");
    actions_["MMEncode"] = encodeMenu_->menuAction();
    encodingGroup_ = new QActionGroup(this);
    const char* encodingNames[] = {"MMAuto", "MMSHIFTJIS", "MMEUC", "MMJIS", "MMUTF8"};
    const char* encodingCaptions[] = {"自動判別(&A)", "SHIFT_JIS(&S)", "EUC(&E)", "JIS(&J)",
                                      "UTF-8(&U)"};
    for (int i = 0; i < 5; ++i) {
        QAction* a = AddAction(
            encodeMenu_, encodingNames[i], encodingCaptions[i], {},
            [this, i] { SetEncoding(i - 1); }, true);
        encodingGroup_->addAction(a);
    }
    Action("MMAuto")->setChecked(true);
    file->addSeparator();
    AddAction(file, "MMExit", "終了(&E)", QKeySequence("Alt+F4"), [this] { close(); });

    QMenu* edit = bar->addMenu("編集(&E)");
    edit->setObjectName("Edit1");
    AddAction(edit, "MMUndo", "元に戻す(&U)", QKeySequence("Ctrl+Z"), onActive(&TFBase::Undo));
    AddAction(edit, "MMRedo", "やり直し(&R)", QKeySequence("Ctrl+Y"), [] {})->setVisible(false);
    edit->addSeparator();
    AddAction(edit, "MMCut", "切り取り(&T)", QKeySequence("Ctrl+X"), onActive(&TFBase::Cut));
    AddAction(edit, "MMCopy", "コピー(&C)", QKeySequence("Ctrl+C"), onActive(&TFBase::Copy));
    AddAction(edit, "MMPaste", "貼り付け(&P)", QKeySequence("Ctrl+V"), onActive(&TFBase::Paste));
    edit->addSeparator();
    AddAction(
        edit, "MMReadOnly", "編集禁止(&O)", {}, [this] { MMReadOnlyClick(); }, true);

    QMenu* search = bar->addMenu("検索(&S)");
    search->setObjectName("MMSearchMenu");
    AddAction(search, "MMFind", "検索(&F)", QKeySequence("Ctrl+F"), onActive(&TFBase::Find));
    AddAction(search, "MMFindNext", "次を検索(&S)", QKeySequence("F3"),
              onActive(&TFBase::FindNext));
    AddAction(search, "MMFindPrev", "上を検索(&U)", QKeySequence("Shift+F3"),
              onActive(&TFBase::FindPrevious));

    QMenu* view = bar->addMenu("表示(&V)");
    view->setObjectName("MMView");
    AddAction(view, "MMScriptWindow", "&Script Window", {}, [this] { ActivateDocument(0); });
    AddAction(view, "MMResultWindow", "&Result Window", {}, [this] { ActivateDocument(1); });
    AddAction(view, "MMErrorWindow", "&Error Window", {}, [this] { ActivateDocument(2); });
    view->addSeparator();
    AddAction(view, "MMFormEditor", "フォームエディタ(&F)", QKeySequence("F6"),
              [this] { MMFormEditorClick(); });

    QMenu* run = bar->addMenu("実行(&R)");
    run->setObjectName("Execute1");
    AddAction(run, "MMExecuteScript", "スクリプトを実行(&R)", QKeySequence("F9"), NotYet);
    AddAction(run, "MMExecToBrowser", "実行結果をブラウザへ出力(&B)", QKeySequence("F8"), NotYet);
    AddAction(run, "MMExecToClip", "クリップボードから入力(&C)", QKeySequence("Shift+F8"), NotYet);
    AddAction(run, "MMExecDOS", "DOS窓へ出力(&D)", QKeySequence("Ctrl+F8"), NotYet);
    run->addSeparator();
    AddAction(run, "MMMemoryDroppedFiles", "ドロップファイルを記憶(&M)", {}, NotYet, true);
    AddAction(run, "MMToBrowserAll", "常にブラウザへ(&B)", {}, NotYet, true);
    AddAction(run, "MMNotClip", "クリップボードに出力しない(&N)", {}, NotYet, true);
    AddAction(
        run, "MMUseCGI", "CGIデータを使う(&F)", {}, [this] { MMUseCGIClick(); }, true);
    AddAction(run, "MMSaveAll", "常に結果をファイルに保存(&S)", {}, NotYet, true);
    run->addSeparator();
    AddAction(
        run, "MMAutoRefresh", "オートリフレッシュ(&A)", {}, [this] { MMAutoRefreshClick(); }, true);
    AddAction(run, "MMExecuteEditor", "外部エディタの実行(&E)", {},
              [this] { MMExecuteEditorClick(); });
    AddAction(run, "MMChangeDir", "カレントディレクトリの変更(&U)", {}, NotYet);

    QMenu* settings = bar->addMenu("設定(&C)");
    settings->setObjectName("Config1");
    languageMenu_ = settings->addMenu("言語(&L)");
    languageMenu_->setObjectName("MMLanguage");
    actions_["MMLanguage"] = languageMenu_->menuAction();
    languageGroup_ = new QActionGroup(this);
    AddAction(settings, "MMEnvironmentSettings", "環境設定(&E)", QKeySequence("Ctrl+Shift+F11"),
              NotYet);
    AddAction(settings, "MMLanguageSettings", "言語別の設定(&L)", QKeySequence("Ctrl+Shift+F12"),
              NotYet);
    AddAction(settings, "MMNewLang", "新しい言語を追加(&N)", {}, NotYet);

    QMenu* help = bar->addMenu("ヘルプ(&H)");
    help->setObjectName("Help1");
    AddAction(help, "MMContents", "目次(&C)", {}, NotYet);
    AddAction(help, "MMSearchKeyword", "キーワード検索(&N)", QKeySequence("F1"), NotYet);
    help->addSeparator();
    AddAction(help, "MMVersion", "バージョン情報(&A)", {}, NotYet);

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

void TFMain::BuildToolBar() {
    toolBar_ = addToolBar("ToolBar");
    toolBar_->setObjectName("ToolBar");
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(20, 20));
    struct Button {
        const char* name;
        const char* item;
        const char* hint;
    };
    const Button buttons[] = {
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
        {nullptr, nullptr, nullptr},
        {"TBAutoRefresh", "MMAutoRefresh", "オートリフレッシュ"},
        {"TBExecuteEditor", "MMExecuteEditor", "外部エディタの実行"},
        {nullptr, nullptr, nullptr},
        {"TBSeachKeyword", "MMSearchKeyword", "キーワード検索"},
    };
    for (const Button& b : buttons) {
        if (!b.name) {
            toolBar_->addSeparator();
            continue;
        }
        // The button is the menu item itself: it invokes the same command, and the button of
        // an on/off item is down exactly while the item is checked.
        QAction* item = Action(b.item);
        item->setIcon(ToolIcon(b.name));
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
        statusPanels_[i] = new QLabel(bar);
        statusPanels_[i]->setFixedWidth(kStatusPanelWidths[i]);
        statusPanels_[i]->setFrameShape(QFrame::Panel);
        statusPanels_[i]->setFrameShadow(QFrame::Sunken);
        bar->addWidget(statusPanels_[i]);
    }
}

void TFMain::BuildDocuments() {
    findDialog_ = new FindDialog(this);
    findDialog_->setObjectName("FindDialog");

    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName("Splitter");
    splitter_->setHandleWidth(kSplitterHeight);
    splitter_->setChildrenCollapsible(true);
    pageControl_ = new QTabWidget(splitter_);
    pageControl_->setObjectName("PageControl");
    pageControl_->setMinimumHeight(80);
    errorPanel_ = new QWidget(splitter_);
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
    setCentralWidget(splitter_);

    FScript = new TFScript(*this, history_.get());
    FScript->setObjectName("FScript");
    FScript->Config = config_.get();
    pageControl_->addTab(FScript, FScript->windowTitle());
    FResult = new TFResult(*this);
    FResult->setObjectName("FResult");
    FResult->SetScript(FScript);
    FResult->SetConfig(config_.get());
    pageControl_->addTab(FResult, FResult->windowTitle());
    FStdError = new TFStdError(*this);
    FStdError->setObjectName("FStdError");
    FStdError->SetScript(FScript);
    FStdError->SetConfig(config_.get());
    panelLayout->addWidget(FStdError);
    active_ = FScript;

    connect(pageControl_, &QTabWidget::currentChanged, this, [this](int index) {
        if (!activating_)
            ActivateDocument(index == 0 ? 0 : 1);
    });
    connect(splitter_, &QSplitter::splitterMoved, this, [this] { SplitterMoved(); });
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
            [this, i] {
                if (i < config_->Languages.size())
                    config_->Current = config_->Languages[i].get();
                RefreshView();
            },
            true);
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
    if (!startFile.empty())
        FScript->Open(startFile);
    if (!NkfLoad(libraryDir))
        encodeMenu_->menuAction()->setEnabled(false);
    RegExpLoad(*messages_, libraryDir);
    FScript->SetCodeChoice(config_->DefaultCode);
    RefreshView();
}

void TFMain::ShowScriptPage() {
    activating_ = true;
    pageControl_->setCurrentIndex(0);
    activating_ = false;
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
    setWindowTitle(Q(caption));
}

static ViewInputs Inputs(TFScript& script, TFBase* active, KVexilConfig& config) {
    ViewInputs in;
    in.scriptTitle = script.GetTitle();
    in.positionText = active ? active->GetPositionText() : std::string();
    in.languageName = config.Current ? config.Current->Name : std::string();
    in.codeName = CodeName(script.GetCode());
    in.lineEndName = LineEndName(script.GetLineEnd());
    in.activeFolder = active ? active->GetFolder() : std::string();
    in.autoRefresh = config.AutoRefresh;
    in.readOnly = config.ReadOnly;
    in.useCgi = config.UseCGI;
    in.canUndo = active && active->CanUndo();
    in.codeChoice = script.GetCodeChoice();
    for (const auto& l : config.Languages)
        in.languageNames.push_back(l->Name);
    return in;
}

void TFMain::RefreshView() {
    if (!FScript)
        return;
    ApplyView(ComputeView(Inputs(*FScript, active_, *config_)));
}

void TFMain::RefreshStatus() {
    if (!FScript)
        return;
    ApplyStatus(ComputeView(Inputs(*FScript, active_, *config_)));
}

void TFMain::ApplyStatus(const ViewState& v) {
    for (int i = 0; i < 5; ++i) {
        QString text = Q(v.panels[i]);
        if (statusPanels_[i]->text() != text)
            statusPanels_[i]->setText(text);
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
    if (Action("MMUndo")->isEnabled() != v.undoEnabled)
        Action("MMUndo")->setEnabled(v.undoEnabled);
    QAction* encoding = encodingGroup_->actions().value(v.encodingItem);
    if (encoding && !encoding->isChecked())
        encoding->setChecked(true);
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
    int total = splitter_->height();
    splitter_->setSizes(
        {std::max(0, total - kErrorPanelShown - kSplitterHeight), kErrorPanelShown});
}

void TFMain::SplitterMoved() {
    if (!errorPanel_->isHidden() && errorPanel_->height() < kErrorPanelMinimum)
        HideErrorPanel();
}

FindDialogService& TFMain::SharedFindDialog() {
    return *findDialog_;
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
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void TFMain::OpenFromOtherInstance(const std::string& path) {
    ShowScriptPage();
    if (!path.empty()) {
        if (!FScript->ConfirmDiscard())
            return;
        FScript->Open(path);
    }
    BringToFront();
}

void TFMain::OpenFromHistory(int index) {
    ShowScriptPage();
    if (index < 0 || index >= static_cast<int>(history_->Count()))
        return;
    std::string path = history_->Path(index);
    if (FScript->ConfirmDiscard())
        FScript->Open(path);
}

void TFMain::MMNewClick() {
    ShowScriptPage();
    if (FScript->ConfirmDiscard())
        FScript->NewScript();
}

void TFMain::MMOpenClick() {
    ShowScriptPage();
    if (FScript->ConfirmDiscard())
        FScript->OpenWithDialog();
}

void TFMain::MMReadOnlyClick() {
    config_->SetReadOnly(!config_->ReadOnly);
    RefreshView();
}

void TFMain::MMAutoRefreshClick() {
    config_->AutoRefresh = !config_->AutoRefresh;
    RefreshView();
}

void TFMain::MMUseCGIClick() {
    config_->UseCGI = !config_->UseCGI;
    RefreshView();
}

void TFMain::MMFormEditorClick() {
    config_->UseCGI = true;
    RefreshView();
}

void TFMain::MMExecuteEditorClick() {
    if (FScript->OpenInEditor() && config_->AutoRefresh && config_->ReadOnlyWhenAutoRefresh)
        config_->SetReadOnly(true);
    RefreshView();
}

void TFMain::SetEncoding(int codeChoice) {
    FScript->SetCodeChoice(codeChoice);
    RefreshView();
}

void TFMain::DropFiles(const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    setAcceptDrops(false);
    BringToFront();
    std::string args, dropped;
    for (const auto& p : paths) {
        args += (p.find(' ') != std::string::npos ? "\"" + p + "\"" : p) + " ";
        dropped += "\n" + p;
    }
    if (paths.size() == 1 && config_->SelectLanguageByExtension(Trim(paths[0]))) {
        if (FScript->ConfirmDiscard())
            FScript->Open(paths[0]);
    } else if (RunDroppedFiles) {
        RunDroppedFiles(args, dropped);
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
        FScript->FileChanged())
        FScript->Reload();
}

void TFMain::closeEvent(QCloseEvent* event) {
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
