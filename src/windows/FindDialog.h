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
    void SetFindText(const std::string& cp932) override;
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
