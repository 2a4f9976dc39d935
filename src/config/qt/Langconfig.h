#pragma once
// The language settings dialog: a language chosen in the combo (it becomes current at once)
// and its definition on three pages. Set and OK copy the controls into the current language
// and save everything; OK checks first. Enter in any control is OK, Esc is Cancel. The page
// last shown is shown again at the next opening.

#include "config/LangConfigForm.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

class TFLangConfig : public QDialog {
    Q_OBJECT
public:
    TFLangConfig(MessageService& messages, DialogService& dialogs, QWidget* parent = nullptr);

    // Fills the combo and the controls from config; Open then shows the dialog modally.
    void Fill(KVexilConfig& config);
    void Open(KVexilConfig& config);
    KLanguageSettings Shown() const;
    void Show(const KLanguageSettings& settings);

    void CBLanguageChange(int index);
    void BtSetClick();
    void BtOKClick();
    void BtCancelClick() { reject(); }
    void BtBrouseExepathClick();
    void BtBrouseHelpFileClick();

    QComboBox* CBLanguage;
    QTabWidget* PageControl;
    QWidget* TSEnvironment;
    QWidget* TSEditor;
    QWidget* TSDebug;
    QLineEdit* EdExePath;
    QPushButton* BtBrouseExepath;
    QLineEdit* EdOption;
    QLineEdit* EdExt;
    QLineEdit* EdTempFile;
    QLineEdit* EdTempDir;
    QCheckBox* CBUseHelpFile;
    QCheckBox* CBUseHtmlHelp;
    QLineEdit* EdHelpFile;
    QPushButton* BtBrouseHelpFile;
    QCheckBox* CBShowError;
    QLineEdit* EdRegExpErr;
    QCheckBox* CBUseTagJumpToOtherFile;
    QLineEdit* EdRegExpFile;
    QPushButton* BtOK;
    QPushButton* BtSet;
    QPushButton* BtCancel;

protected:
    // The form sees the keys before its controls: Enter and Esc act wherever the focus is.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    LangConfigForm form_;
    bool filling_ = false;
};
