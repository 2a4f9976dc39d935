#include "windows/Arguments.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <limits>

TFArguments::TFArguments(QWidget* parent)
    : QDialog(parent), CbArguments(new QComboBox(this)),
      Buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(QStringLiteral("Vexil - 引数を指定して実行"));
    auto* layout = new QVBoxLayout(this);
    auto* label =
        new QLabel(QStringLiteral("引数(&A)（空白で区切り、空白を含む引数は ' ' か \" \" で囲む）:"), this);
    label->setBuddy(CbArguments);
    layout->addWidget(label);
    CbArguments->setEditable(true);
    // No cut of what is typed or pasted (a line edit stops at 32,767 characters).
    CbArguments->lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    // The history is the run commands' to keep: Enter runs, it adds no item here.
    CbArguments->setInsertPolicy(QComboBox::NoInsert);
    CbArguments->setMaxVisibleItems(10);
    CbArguments->setMinimumContentsLength(40);
    CbArguments->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    layout->addWidget(CbArguments);
    layout->addWidget(Buttons);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(CbArguments->lineEdit(), &QLineEdit::returnPressed, this, &QDialog::accept);
}

void TFArguments::Prepare(const std::vector<std::string>& history) {
    CbArguments->clear();
    for (const std::string& line : history)
        CbArguments->addItem(QString::fromStdString(line));
    CbArguments->setCurrentIndex(history.empty() ? -1 : 0);
    if (history.empty())
        CbArguments->clearEditText();
    CbArguments->lineEdit()->selectAll();
    CbArguments->setFocus();
}

std::string TFArguments::Line() const {
    return CbArguments->currentText().toStdString();
}

std::optional<std::string> TFArguments::Ask(const std::vector<std::string>& history) {
    Prepare(history);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return Line();
}
