#pragma once
// The main window: frames the script and result pages and the error panel, carries menus,
// tool bar and status bar, keeps which document window is active, and dispatches every command.

#include "cgi/Kcgidata.h"
#include "config/Kfilehistory.h"
#include "config/Kvexilconfig.h"
#include "exec/Exec.h"
#include "platform/HotKey.h"
#include "platform/KeyStateProbe.h"
#include "platform/Launcher.h"
#include "platform/qt/QtClipboardService.h"
#include "platform/qt/QtDialogService.h"
#include "platform/qt/QtMessageService.h"
#include "shell/MainRunWindows.h"
#include "shell/logic/Commands.h"
#include "windows/FindDialog.h"
#include "windows/MainWindowHost.h"
#include "windows/ReplaceDialog.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QSocketNotifier;
class QSplitter;
class QTabWidget;
class QToolBar;
class FileJournal;
class KHelp;
class LazyHelpViewer;
class TFArguments;
class TFBase;
class TFConfig;
class TFLangConfig;
class TFNewLang;
class TFOpenDir;
class TFOpenFile;
class TFEditor;
class TFResult;
class TFScript;
class TFStdError;
class TFVersion;
class QtHistoryMenu;
class FileJumps;
class RunGate;
struct ViewState;

// The side effects the main window hands to its parts; the program uses the desktop's, widget
// tests hand in scripted ones.
struct MainServices {
    MessageService* messages = nullptr;
    DialogService* dialogs = nullptr;
    ClipboardService* clipboard = nullptr;
    Launcher* launcher = nullptr;
    KeyStateProbe* probe = nullptr;
    // Where VexilPro.cfg and defs/ live (config/Settingsdir decides it at start-up); empty: the
    // program folder.
    std::string settingsDir{};
};

class TFMain : public QMainWindow, public MainWindowHost {
    Q_OBJECT
public:
    // Builds the window, the history, the configuration from appDir (definitions, then
    // VexilPro.cfg) and the three document windows, in that order. Services left null are the
    // desktop's own.
    explicit TFMain(const std::string& appDir, MainServices services = {},
                    QWidget* parent = nullptr);
    ~TFMain() override;

    // After construction: applies the stored state, opens the start file, loads the run-time
    // libraries from libraryDir (the program folder) and shows the window.
    void InitialSetup(const std::string& startFile, const std::string& libraryDir);
    // A second start handed its file over.
    void OpenFromOtherInstance(const std::string& path);
    // The program is being ended from outside (a logout's SIGTERM, SIGHUP, SIGINT), where no
    // question can be answered: the run's processes end, a modified script is kept in the
    // settings folder for the next start, the settings are saved as at a close, and the files
    // this program made are removed. The caller then ends the process.
    void LeaveBySignal();

    // MainWindowHost
    void ActivateDocument(int which) override;
    void SetCaption(const std::string& caption) override;
    void RefreshView() override;
    void RefreshStatus() override;
    void Notice(const std::string& text) override;
    void HideErrorPanel() override;
    void ShowErrorPanel() override;
    FindDialogService& SharedFindDialog() override;
    ReplaceDialogService* SharedReplaceDialog() override;
    DialogService& Dialogs() override { return *dialogs_; }
    MessageService& Messages() override { return *messages_; }
    ClipboardService& Clipboard() override { return *clipboard_; }
    Launcher& Programs() override { return *launcher_; }
    QMenu* PopupMenu() override { return popupMenu_; }

    void RegisterGlobalHotKey(uint16_t shortcut);
    void UnregisterGlobalHotKey();
    // The hot key: brings the window forward unless a settings dialog is open.
    void HotKeyPressed();

    // Files dropped on the window, as paths (UTF-8).
    void DropFiles(const std::vector<std::string>& paths);
    // Dialogs during which the hot key does nothing (the settings dialogs register here).
    void AddHotKeyBlocker(QWidget* dialog) { hotKeyBlockers_.push_back(dialog); }

    // Named parts, for the commands' users and tests.
    QAction* Action(const QString& name) const;
    KVexilConfig& Config() { return *config_; }
    KFileHistory& History() { return *history_; }
    TFScript& Script() { return *FScript; }
    TFResult& Result() { return *FResult; }
    TFStdError& StdError() { return *FStdError; }
    // The jumps from the error list into other files, and the script the runs mean meanwhile.
    FileJumps& Jumps() { return *jumps_; }
    TFBase* ActiveDocument() const { return active_; }
    QTabWidget* Pages() const { return pageControl_; }
    QSplitter* Splitter() const { return splitter_.get(); }
    QWidget* ErrorPanel() const { return errorPanel_; }
    QLabel* StatusPanel(int i) const { return statusPanels_[i]; }
    // How the last run ended, until the next one ends.
    void ShowRunOutcome(const RunOutcome& outcome);
    void ShowRunGoing();
    QLabel* RunOutcomePanel() const { return runOutcome_; }
    QMenu* LanguageMenu() const { return languageMenu_; }
    Exec& Runs() { return *exec_; }
    KCgiData& CgiData() { return *cgi_; }
    // The form editor, made the first time it is wanted: most runs never need it, and start-up
    // should not pay for it.
    TFEditor& FormEditor();
    bool FormEditorMade() const { return formEditor_ != nullptr; }
    // The form editor in front, made first when it is not yet.
    void ShowFormEditor();
    RunGate& Gate() { return *runGate_; }
    KHelp& Help() { return *help_; }
    LazyHelpViewer& HelpViewerWindow() { return *helpViewer_; }
    // The About box, once it has been shown.
    TFVersion* VersionBox() const { return FVersion.get(); }
    // The settings and path dialogs, each made the first time it is wanted.
    TFConfig& ConfigDialog();
    TFLangConfig& LangConfigDialog();
    TFNewLang& NewLangDialog();
    TFOpenDir& OpenDirDialog();
    TFOpenFile& OpenFileDialog();
    // The language settings dialog for the configuration (also the Yes of F9's question).
    void OpenLanguageSettings();
    // The file-name dialog under caption, starting with current; the confirmed text or nothing.
    std::optional<std::string> PromptResultFile(const std::string& caption,
                                                const std::string& current);
    // Runs a command through the one dispatch point, as its menu item, key and button do.
    bool Dispatch(const std::string& command) { return commands_->Dispatch(command); }

    // Rebuilds the language menu from the configuration's languages.
    void BuildLanguageMenu();
    // The splitter was moved: a panel lower than 40 pixels is hidden.
    void SplitterMoved();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void BuildDocuments();
    void RegisterCommands();
    QAction* AddAction(QMenu* menu, const QString& name, const QString& caption,
                       const QKeySequence& key, std::function<void()> handler,
                       bool checkable = false);
    void ApplyView(const ViewState& state);
    void ApplyStatus(const ViewState& state);
    void ShowScriptPage();
    void BringToFront();
    void OpenFromHistory(int index);
    void TakePendingOpen();
    void ShutDown();
    // The text kept at an end from outside, offered once at start-up.
    void OfferKeptText();

    // Commands
    void MMNewClick();
    void MMOpenClick();
    void MMReadOnlyClick();
    void MMAutoRefreshClick();
    void MMFormEditorClick();
    void MMExecuteEditorClick();
    void MMChangeDirClick();
    void MMNewLangClick();
    // Every change of settings ends here: the language menu when the list changed, the view.
    void SettingsChanged(bool languageListChanged);
    void MMVersionClick();
    void SetEncoding(int codeChoice);
    // A run command: while a file reached by a jump is shown, its changes are asked about first.
    bool ReadyToRun();
    // The pytest test the script's caret is in (FILE::TEST's TEST), empty for the whole file.
    std::string CaretTest();
    // open is a way the user opens a file (or a new script): when it shows another file, the
    // jumps so far are over.
    void OpenByHand(const std::function<void()>& open);

    std::unique_ptr<QtMessageService> ownMessages_;
    std::unique_ptr<QtDialogService> ownDialogs_;
    std::unique_ptr<QtClipboardService> ownClipboard_;
    std::unique_ptr<PosixLauncher> ownLauncher_;
    MessageService* messages_;
    DialogService* dialogs_;
    ClipboardService* clipboard_;
    Launcher* launcher_;
    KeyStateProbe* probe_;
    std::unique_ptr<CommandDispatcher> commands_;

    std::map<QString, QAction*> actions_;
    QMenu* reloadMenu_ = nullptr;
    QMenu* encodeMenu_ = nullptr;
    QMenu* lineEndMenu_ = nullptr;
    QMenu* languageMenu_ = nullptr;
    QMenu* popupMenu_ = nullptr;
    QActionGroup* encodingGroup_ = nullptr;
    QActionGroup* lineEndGroup_ = nullptr;
    QActionGroup* languageGroup_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QTabWidget* pageControl_ = nullptr;
    QWidget* errorPanel_ = nullptr;
    QLabel* statusPanels_[5] = {};
    QLabel* runOutcome_ = nullptr;
    // Which script F9 runs, while a file reached by a jump is shown.
    QLabel* runScriptPanel_ = nullptr;
    LazyFindDialog findDialog_{this};
    LazyReplaceDialog replaceDialog_{this};

    std::unique_ptr<QtHistoryMenu> historyMenu_;
    std::unique_ptr<KFileHistory> history_;
    std::unique_ptr<KVexilConfig> config_;
    // The files this program makes beside the user's, in the settings folder.
    std::unique_ptr<FileJournal> journal_;
    TFScript* FScript = nullptr;
    TFResult* FResult = nullptr;
    TFStdError* FStdError = nullptr;
    TFBase* active_ = nullptr;

    X11GlobalHotKey hotKey_;
    QSocketNotifier* hotKeyNotifier_ = nullptr;
    // The request of the CGI data mode, the runs and what they see of the windows.
    std::unique_ptr<KCgiData> cgi_;
    // A window of its own above this one; it goes before the request it edits.
    std::unique_ptr<TFEditor> formEditor_;
    RunGate* runGate_ = nullptr;
    std::unique_ptr<MainRunWindows> runWindows_;
    std::unique_ptr<Exec> exec_;
    // Help, and the About box made on first use.
    std::unique_ptr<LazyHelpViewer> helpViewer_;
    std::unique_ptr<KHelp> help_;
    std::unique_ptr<TFVersion> FVersion;
    // The settings and path dialogs; they go before the configuration they edit.
    std::unique_ptr<TFConfig> FConfig;
    std::unique_ptr<TFLangConfig> FLangConfig;
    std::unique_ptr<TFNewLang> FNewLang;
    std::unique_ptr<TFOpenDir> FOpenDir;
    std::unique_ptr<TFOpenFile> FOpenFile;
    // Shift+F9's dialog, made on first use; a child of this window.
    TFArguments* argumentsDialog_ = nullptr;
    // A file handed over by a second start while a run held the window.
    std::optional<std::string> pendingOpen_;
    // Goes after the windows it serves (below), which never call it while they go.
    std::unique_ptr<FileJumps> jumps_;
    // The central widget with the document windows, last: members go in reverse order, so the
    // windows, which call back into the history and the configuration while they go, go first.
    std::unique_ptr<QSplitter> splitter_;
    std::vector<QPointer<QWidget>> hotKeyBlockers_;
    bool activating_ = false;
    bool shutDown_ = false;
};
