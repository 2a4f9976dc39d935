#pragma once
// What the document windows need from the main window that frames them. The main window
// implements it; widget tests hand in a recording stand-in.

#include "platform/ClipboardService.h"
#include "platform/DialogService.h"
#include "platform/Launcher.h"
#include "platform/MessageService.h"
#include "windows/logic/FindDialogService.h"
#include "windows/logic/ReplaceDialogService.h"

class QMenu;

class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;

    // 0 script, 1 result, 2 error: makes it the active document window, brings its page or
    // the error panel forward, focuses it and refreshes the status bar.
    virtual void ActivateDocument(int which) = 0;
    // The main window's caption (UTF-8).
    virtual void SetCaption(const std::string& caption) = 0;
    // Caption, status bar, check and radio marks.
    virtual void RefreshView() = 0;
    virtual void RefreshStatus() = 0;
    // A passing word in the status bar (a search that wrapped, an error in another file).
    virtual void Notice(const std::string& text) = 0;
    virtual void HideErrorPanel() = 0;
    // Shows the error panel at 60 px when it is hidden.
    virtual void ShowErrorPanel() = 0;

    // The shared services of the windows.
    virtual FindDialogService& SharedFindDialog() = 0;
    // The shared replace dialog; null where there is none (the text windows then offer no
    // replace).
    virtual ReplaceDialogService* SharedReplaceDialog() { return nullptr; }
    virtual DialogService& Dialogs() = 0;
    virtual MessageService& Messages() = 0;
    virtual ClipboardService& Clipboard() = 0;
    virtual Launcher& Programs() = 0;
    // The pop-up menu the script and result windows share; may be null.
    virtual QMenu* PopupMenu() = 0;
};
