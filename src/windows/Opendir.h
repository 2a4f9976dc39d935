#pragma once
// The change-directory dialog: a selector of the file-system root and mounted volumes over a
// folder tree. Browsing moves the process's current directory along; Cancel or Esc puts it
// back (DirectoryPrompt).

#include "windows/logic/PathPrompts.h"

#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QModelIndex;
class QPushButton;
class QTreeView;

class TFOpenDir : public QDialog {
    Q_OBJECT
public:
    explicit TFOpenDir(QWidget* parent = nullptr);

    // Shows the dialog at the current directory; true when closed with OK. SelectedDir() is
    // then the folder the list shows.
    bool Prompt();
    const std::string& SelectedDir() const { return prompt_.SelectedDir; }
    // The list opens a folder (as a click or the keys there do).
    void OpenFolder(const std::string& folder);
    // The folder the list shows.
    std::string ShownFolder() const;

    QComboBox* DriveComboBox;
    QTreeView* DirectoryListBox;
    QPushButton* Button1;
    QPushButton* Button2;

private:
    void ShowFolder(const std::string& folder);
    void CurrentChanged(const QModelIndex& index);
    void DriveChosen(int index);

    DirectoryPrompt prompt_;
    QFileSystemModel* model_;
    bool showing_ = false;
};
