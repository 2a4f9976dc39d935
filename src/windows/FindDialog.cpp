#include "windows/FindDialog.h"

#include "platform/Cp932.h"
#include "regex/Kregexp.h"

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
    CbRegExp = MakeRegExpBox(this);
    CbWrap = new QCheckBox(QStringLiteral("折り返し検索(&R)"), this);

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
    auto* boxes = new QVBoxLayout;
    boxes->addWidget(CbWholeWord);
    boxes->addWidget(CbMatchCase);
    boxes->addWidget(CbRegExp);
    boxes->addWidget(CbWrap);
    grid->addLayout(boxes, 1, 0, 2, 1);
    grid->addWidget(direction, 1, 1, 1, 1, Qt::AlignTop);
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

SearchOptions FindDialog::Options() const {
    return {CbMatchCase->isChecked(), CbRegExp->isEnabled() && CbRegExp->isChecked(),
            CbWrap->isChecked()};
}

QCheckBox* MakeRegExpBox(QWidget* parent) {
    auto* box = new QCheckBox(QStringLiteral("正規表現(&E)"), parent);
    box->setObjectName("CbRegExp");
    if (!RegExpLoaded()) {
        box->setEnabled(false);
        box->setToolTip(
            QStringLiteral("libbregexp.so が読み込まれていないため、正規表現は使えません。"));
    } else {
        box->setToolTip(QStringLiteral("Perl の正規表現で検索します。"));
    }
    return box;
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
