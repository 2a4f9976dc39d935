#pragma once
// The file-name dialog: one path in an edit box with a browse button. Callers set their own
// caption; OK hands back the text exactly as typed (FilePrompt).

#include "windows/logic/PathPrompts.h"

#include <QDialog>

class DialogService;
class QLabel;
class QLineEdit;
class QPushButton;

class TFOpenFile : public QDialog {
    Q_OBJECT
public:
    explicit TFOpenFile(DialogService& dialogs, QWidget* parent = nullptr);

    // Shows the dialog starting with initial; true when closed with OK, ChosenPath() then the
    // text of the edit box.
    bool Prompt(const std::string& initial);
    const std::string& ChosenPath() const { return prompt_.ChosenPath; }

    void BtBrouseClick();

    QLabel* LbMessage;
    QLineEdit* EdText;
    QPushButton* BtBrouse;
    QPushButton* BtOK;
    QPushButton* BtCancel;

private:
    DialogService& dialogs_;
    FilePrompt prompt_;
};
