#include "windows/FindDialog.h"

#include "platform/Cp932.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

FindDialog::FindDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("検索"));
    setModal(false);

    auto* label = new QLabel(QStringLiteral("検索する文字列(&N):"), this);
    EdFindText = new QLineEdit(this);
    label->setBuddy(EdFindText);
    CbWholeWord = new QCheckBox(QStringLiteral("単語単位で探す(&W)"), this);
    CbMatchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"), this);
    CbMatchCase->setChecked(true);
    CbWholeWord->hide();
    CbMatchCase->hide();

    auto* direction = new QGroupBox(QStringLiteral("方向"), this);
    RbUp = new QRadioButton(QStringLiteral("上へ(&U)"), direction);
    RbDown = new QRadioButton(QStringLiteral("下へ(&D)"), direction);
    RbDown->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(RbUp);
    directionLayout->addWidget(RbDown);

    BtFind = new QPushButton(QStringLiteral("次を検索(&F)"), this);
    BtFind->setDefault(true);
    BtCancel = new QPushButton(QStringLiteral("キャンセル"), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(EdFindText, 0, 1);
    grid->addWidget(BtFind, 0, 2);
    grid->addWidget(CbWholeWord, 1, 0, 1, 2);
    grid->addWidget(CbMatchCase, 2, 0, 1, 2);
    grid->addWidget(direction, 1, 1, 2, 1);
    grid->addWidget(BtCancel, 1, 2);

    connect(BtFind, &QPushButton::clicked, this, [this] {
        if (handler_)
            handler_();
    });
    connect(BtCancel, &QPushButton::clicked, this, &QDialog::hide);
}

void FindDialog::SetFindText(const std::string& utf8) {
    EdFindText->setText(QString::fromStdString(utf8));
}

std::string FindDialog::FindText() const {
    return EdFindText->text().toStdString();
}

bool FindDialog::SearchDown() const {
    return RbDown->isChecked();
}

void FindDialog::ShowDialog() {
    show();
    raise();
    activateWindow();
    EdFindText->selectAll();
    EdFindText->setFocus();
}

FindDialog& LazyFindDialog::Dialog() {
    if (!dialog_) {
        dialog_ = new FindDialog(parent_);
        dialog_->setObjectName("FindDialog");
        if (handler_)
            dialog_->SetFindHandler(handler_);
    }
    return *dialog_;
}

void LazyFindDialog::SetFindHandler(std::function<void()> handler) {
    if (dialog_)
        dialog_->SetFindHandler(std::move(handler));
    else
        handler_ = std::move(handler);
}
