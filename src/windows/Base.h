#pragma once
// The base of the three document windows. The main window calls these operations on
// whichever window is active without knowing which of the three it is.

#include "windows/MainWindowHost.h"

#include <QWidget>
#include <string>

class TFBase : public QWidget {
    Q_OBJECT
public:
    enum Document { kScript = 0, kResult = 1, kError = 2 };

    TFBase(MainWindowHost& host, Document which, const QString& caption, QWidget* parent = nullptr);
    // Leaves the application's focus signal first: Qt would disconnect only in ~QObject, after
    // the derived windows are gone, and a focus change during teardown would reach them.
    ~TFBase() override;

    virtual void Copy() = 0;
    virtual void Paste() = 0;
    virtual void Cut() = 0;
    virtual void Undo() {}
    virtual void Redo() {}
    virtual bool CanUndo() const { return false; }
    virtual std::string GetPositionText() = 0;
    virtual std::string GetFolder() { return Folder; }
    virtual void FocusEditor() {}
    virtual void Save() {}
    virtual void SaveAs() {}
    virtual void Find() {}
    virtual void FindNext() {}
    virtual void FindPrevious() {}
    virtual void FindDialogFind() {}
    // The editing commands of the text windows; the error list has none of them.
    virtual void SelectAll() {}
    virtual void Replace() {}
    virtual void GoToLineDialog() {}
    virtual void ToggleComment() {}

    // The window's own folder, which also becomes the process's current folder.
    void SetFolder(const std::string& path);

    Document Which() const { return which_; }
    MainWindowHost& Host() { return host_; }

    // The folder offered by the window's file dialogs and shown in the status bar. Starts as
    // the process's current folder when the window is made.
    std::string Folder;

private:
    void FocusChanged(QWidget* old, QWidget* now);

    MainWindowHost& host_;
    Document which_;
};
