#pragma once
// The new-language dialog: a name and the interpreter's path. Its texts stay from one opening
// to the next; OK closes only when NewLangForm accepts them.

#include "config/NewLangForm.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

class TFNewLang : public QDialog {
    Q_OBJECT
public:
    TFNewLang(MessageService& messages, DialogService& dialogs, QWidget* parent = nullptr);

    // Shows the dialog modally; true when it closed with OK, the texts then in LanguageName()
    // and LanguagePath().
    bool Run();
    const std::string& LanguageName() const { return form_.LanguageName; }
    const std::string& LanguagePath() const { return form_.LanguagePath; }

    void BtOKClick();
    void BtBrowseClick();

    QLineEdit* EdLangName;
    QLineEdit* EdLangPath;
    QPushButton* BtBrowse;
    QPushButton* BtOK;
    QPushButton* BtCancel;

private:
    NewLangForm form_;
};
