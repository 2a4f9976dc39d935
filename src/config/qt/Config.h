#pragma once
// The environment settings dialog: the language-independent settings on three pages. It fills
// its controls from the configuration when it opens and hands them back through
// KVexilConfig::ApplyEnvironment on OK, which registers or releases the hot key at once; the
// file is written at the next save.

#include "config/Kvexilconfig.h"

#include <QDialog>
#include <QLineEdit>

class DialogService;
class QCheckBox;
class QPushButton;
class QTabWidget;

// A field that takes one key combination as the hot key's 16-bit code. A key pressed without
// Ctrl or Alt leaves the field at no key.
class HotKeyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit HotKeyEdit(QWidget* parent = nullptr);
    uint16_t Code() const { return code_; }
    void SetCode(uint16_t code);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    uint16_t code_ = 0;
};

class TFConfig : public QDialog {
    Q_OBJECT
public:
    explicit TFConfig(DialogService& dialogs, QWidget* parent = nullptr);

    // Remembers the configuration and fills the controls; Open then shows the dialog modally.
    void Fill(KVexilConfig& config);
    void Open(KVexilConfig& config);
    // The controls' values.
    KEnvironmentSettings Shown() const;

    void BtOKClick();
    void BtBrouseClick();
    void BtBrouseTempHtmlClick();
    void CBUseHotKeyClick();
    void CBChangeCurrentDirOnDropClick();

    QTabWidget* PageControl1;
    QLineEdit* EdTempHtml;
    QPushButton* BtBrouseTempHtml;
    QCheckBox* CBCutHead;
    QLineEdit* EdTempBat;
    QCheckBox* CBUsePause;
    QCheckBox* CBUseHotKey;
    HotKeyEdit* HotKey;
    QLineEdit* EdEditor;
    QPushButton* BtBrouse;
    QCheckBox* CBUseDoubleQuotes;
    QCheckBox* CBUseTagJump;
    QLineEdit* EdTagJumpText;
    QCheckBox* CBReadOnlyWhenAutoRefresh;
    QCheckBox* CBMemoryFileWhenDropped;
    QCheckBox* CBChangeCurrentDirOnDrop;
    QCheckBox* CBDontChangeDirFromDesktop;
    QPushButton* BtOK;
    QPushButton* BtCancel;

private:
    DialogService& dialogs_;
    KVexilConfig* config_ = nullptr;
};
