#pragma once
// The main window's small non-modal find dialog: a text, up or down, and a find button that
// calls whichever text window opened it last. Match case is always on and whole word unused,
// so both boxes stay hidden.

#include "windows/logic/FindDialogService.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class FindDialog : public QDialog, public FindDialogService {
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent = nullptr);

    void SetFindHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    void SetFindText(const std::string& utf8) override;
    std::string FindText() const override;
    bool SearchDown() const override;
    void ShowDialog() override;
    void CloseDialog() override { hide(); }

    QLineEdit* EdFindText;
    QRadioButton* RbUp;
    QRadioButton* RbDown;
    QPushButton* BtFind;
    QPushButton* BtCancel;
    QCheckBox* CbMatchCase;
    QCheckBox* CbWholeWord;

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
