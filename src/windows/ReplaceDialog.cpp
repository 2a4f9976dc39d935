#include "windows/ReplaceDialog.h"

#include "windows/FindDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

ReplaceDialog::ReplaceDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("置換"));
    setModal(false);

    auto* findLabel = new QLabel(QStringLiteral("検索する文字列(&N):"), this);
    EdFindText = new QLineEdit(this);
    findLabel->setBuddy(EdFindText);
    auto* replaceLabel = new QLabel(QStringLiteral("置換後の文字列(&P):"), this);
    EdReplaceText = new QLineEdit(this);
    replaceLabel->setBuddy(EdReplaceText);
    CbMatchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"), this);
    CbMatchCase->setChecked(true);
    CbRegExp = MakeRegExpBox(this);
    if (CbRegExp->isEnabled())
        CbRegExp->setToolTip(
            QStringLiteral("Perl の正規表現で検索します。置換後の文字列では $1～$9 と $& が"
                           "グループと一致した文字列に、\\$ が $ になります。"));
    LbResult = new QLabel(this);

    BtReplace = new QPushButton(QStringLiteral("置換(&R)"), this);
    BtReplace->setDefault(true);
    BtReplaceAll = new QPushButton(QStringLiteral("すべて置換(&A)"), this);
    BtClose = new QPushButton(QStringLiteral("閉じる"), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(EdFindText, 0, 1);
    grid->addWidget(BtReplace, 0, 2);
    grid->addWidget(replaceLabel, 1, 0);
    grid->addWidget(EdReplaceText, 1, 1);
    grid->addWidget(BtReplaceAll, 1, 2);
    grid->addWidget(CbMatchCase, 2, 0, 1, 2);
    grid->addWidget(BtClose, 2, 2);
    grid->addWidget(CbRegExp, 3, 0, 1, 2);
    grid->addWidget(LbResult, 4, 0, 1, 3);

    connect(BtReplace, &QPushButton::clicked, this, [this] {
        if (replace_)
            replace_();
    });
    connect(BtReplaceAll, &QPushButton::clicked, this, [this] {
        if (replaceAll_)
            replaceAll_();
    });
    connect(BtClose, &QPushButton::clicked, this, &QDialog::hide);
}

void ReplaceDialog::SetHandlers(std::function<void()> replace, std::function<void()> replaceAll) {
    replace_ = std::move(replace);
    replaceAll_ = std::move(replaceAll);
}

void ReplaceDialog::SetFindText(const std::string& utf8) {
    EdFindText->setText(QString::fromStdString(utf8));
}

std::string ReplaceDialog::FindText() const {
    return EdFindText->text().toStdString();
}

std::string ReplaceDialog::ReplaceText() const {
    return EdReplaceText->text().toStdString();
}

SearchOptions ReplaceDialog::Options() const {
    return {CbMatchCase->isChecked(), CbRegExp->isEnabled() && CbRegExp->isChecked(), false};
}

void ReplaceDialog::ShowResult(const std::string& utf8) {
    LbResult->setText(QString::fromStdString(utf8));
}

void ReplaceDialog::ShowDialog() {
    LbResult->clear();
    show();
    raise();
    activateWindow();
    EdFindText->selectAll();
    EdFindText->setFocus();
}

ReplaceDialog& LazyReplaceDialog::Dialog() {
    if (!dialog_) {
        dialog_ = new ReplaceDialog(parent_);
        dialog_->setObjectName("ReplaceDialog");
    }
    return *dialog_;
}

std::optional<long long> AskLineNumber(QWidget* parent, long long current, long long last) {
    QDialog dialog(parent);
    dialog.setObjectName("GoToLineDialog");
    dialog.setWindowTitle(QStringLiteral("指定行へ移動"));
    auto* label = new QLabel(
        QStringLiteral("行番号 (1～%1)(&L):").arg(QString::number(std::max(1LL, last))), &dialog);
    auto* number = new QSpinBox(&dialog);
    number->setObjectName("EdLine");
    number->setRange(1, static_cast<int>(std::clamp(last, 1LL, 2147483647LL)));
    number->setValue(static_cast<int>(std::clamp(current, 1LL, 2147483647LL)));
    number->selectAll();
    label->setBuddy(number);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(number);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return number->value();
}
