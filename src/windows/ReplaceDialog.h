#pragma once
// The main window's non-modal replace dialog: the text to find, its replacement, match case and
// regular expression, and replace, replace all and close. Its buttons call whichever text
// window opened it last; what they did shows in the dialog.

#include "windows/logic/ReplaceDialogService.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class ReplaceDialog : public QDialog, public ReplaceDialogService {
    Q_OBJECT
public:
    explicit ReplaceDialog(QWidget* parent = nullptr);

    void SetHandlers(std::function<void()> replace, std::function<void()> replaceAll) override;
    void SetFindText(const std::string& utf8) override;
    std::string FindText() const override;
    std::string ReplaceText() const override;
    SearchOptions Options() const override;
    void ShowResult(const std::string& utf8) override;
    void ShowDialog() override;

    QLineEdit* EdFindText;
    QLineEdit* EdReplaceText;
    QCheckBox* CbMatchCase;
    QCheckBox* CbRegExp;
    QPushButton* BtReplace;
    QPushButton* BtReplaceAll;
    QPushButton* BtClose;
    QLabel* LbResult;

private:
    std::function<void()> replace_;
    std::function<void()> replaceAll_;
};

// The replace dialog as the main window holds it from the start: made the first time it is used.
class LazyReplaceDialog : public ReplaceDialogService {
public:
    explicit LazyReplaceDialog(QWidget* parent) : parent_(parent) {}

    ReplaceDialog& Dialog();
    bool Made() const { return dialog_ != nullptr; }

    void SetHandlers(std::function<void()> replace, std::function<void()> replaceAll) override {
        Dialog().SetHandlers(std::move(replace), std::move(replaceAll));
    }
    void SetFindText(const std::string& utf8) override { Dialog().SetFindText(utf8); }
    std::string FindText() const override { return dialog_ ? dialog_->FindText() : std::string(); }
    std::string ReplaceText() const override {
        return dialog_ ? dialog_->ReplaceText() : std::string();
    }
    SearchOptions Options() const override {
        return dialog_ ? dialog_->Options() : SearchOptions{};
    }
    void ShowResult(const std::string& utf8) override { Dialog().ShowResult(utf8); }
    void ShowDialog() override { Dialog().ShowDialog(); }

private:
    QWidget* parent_;
    ReplaceDialog* dialog_ = nullptr; // owned by the parent
};

// Asks for a line number between 1 and last, offering current; nothing when cancelled. The
// dialog is made for the question and gone after it.
std::optional<long long> AskLineNumber(QWidget* parent, long long current, long long last);
