#include "windows/Openfile.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFOpenFile::TFOpenFile(DialogService& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
    setObjectName("FOpenFile");
    setWindowTitle(kOpenFileCaption);
    resize(417, 84);

    LbMessage = new QLabel("ファイル名を指定してください", this);
    LbMessage->setObjectName("LbMessage");
    EdText = new QLineEdit(this);
    EdText->setObjectName("EdText");
    EdText->setMinimumWidth(337);
    BtBrouse = new QPushButton("参照", this);
    BtBrouse->setObjectName("BtBrouse");
    BtBrouse->setAutoDefault(false);
    BtOK = new QPushButton("OK", this);
    BtOK->setObjectName("BtOK");
    BtOK->setDefault(true);
    BtCancel = new QPushButton("Cancel", this);
    BtCancel->setObjectName("BtCancel");
    BtCancel->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(LbMessage, 0, 0, 1, 2);
    grid->addWidget(EdText, 1, 0);
    grid->addWidget(BtBrouse, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtOK);
    buttons->addWidget(BtCancel);
    grid->addLayout(buttons, 2, 0, 1, 2);

    connect(BtOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtBrouse, &QPushButton::clicked, this, [this] { BtBrouseClick(); });
}

bool TFOpenFile::Prompt(const std::string& initial) {
    return prompt_.Prompt(initial, [this](const std::string& text) -> std::optional<std::string> {
        EdText->setText(QString::fromStdString(text));
        EdText->setFocus();
        if (exec() != QDialog::Accepted)
            return std::nullopt;
        return EdText->text().toStdString();
    });
}

void TFOpenFile::BtBrouseClick() {
    if (auto path = FilePrompt::Browse(dialogs_, EdText->text().toStdString())) {
        EdText->setText(QString::fromStdString(*path));
        EdText->setFocus();
    }
}
