#pragma once
// The main window's small non-modal find dialog: a text, up or down, match case (on, as the
// find has always searched), regular expression and wrap (both off), and a find button that
// calls whichever text window opened it last. Whole word is unused and stays hidden.

#include "windows/logic/FindDialogService.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The regular-expression box of the find and replace dialogs: usable only while the regex
// library is loaded, and its tool tip says why not otherwise.
QCheckBox* MakeRegExpBox(QWidget* parent);

class FindDialog : public QDialog, public FindDialogService {
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent = nullptr);

    void SetFindHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    void SetFindText(const std::string& utf8) override;
    std::string FindText() const override;
    bool SearchDown() const override;
    SearchOptions Options() const override;
    void ShowDialog() override;
    void CloseDialog() override { hide(); }

    QLineEdit* EdFindText;
    QRadioButton* RbUp;
    QRadioButton* RbDown;
    QPushButton* BtFind;
    QPushButton* BtCancel;
    QCheckBox* CbMatchCase;
    QCheckBox* CbWholeWord;
    QCheckBox* CbRegExp;
    QCheckBox* CbWrap;

private:
    std::function<void()> handler_;
};

// The shared find dialog as the windows hold it from the start: the dialog itself is made the
// first time it is used, not while the program starts.
class LazyFindDialog : public FindDialogService {
public:
    explicit LazyFindDialog(QWidget* parent) : parent_(parent) {}

    FindDialog& Dialog();
    bool Made() const { return dialog_ != nullptr; }

    void SetFindHandler(std::function<void()> handler) override;
    void SetFindText(const std::string& utf8) override { Dialog().SetFindText(utf8); }
    std::string FindText() const override { return dialog_ ? dialog_->FindText() : std::string(); }
    bool SearchDown() const override { return !dialog_ || dialog_->SearchDown(); }
    SearchOptions Options() const override {
        return dialog_ ? dialog_->Options() : SearchOptions{};
    }
    void ShowDialog() override { Dialog().ShowDialog(); }
    void CloseDialog() override {
        if (dialog_)
            dialog_->CloseDialog();
    }

private:
    QWidget* parent_;
    FindDialog* dialog_ = nullptr; // owned by the parent
    std::function<void()> handler_;
};
