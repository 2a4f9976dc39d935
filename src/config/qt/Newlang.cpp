#include "config/qt/Newlang.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFNewLang::TFNewLang(MessageService& messages, DialogService& dialogs, QWidget* parent)
    : QDialog(parent), form_(messages, dialogs) {
    setObjectName("FNewLang");
    setWindowTitle(kNewLanguageCaption);
    resize(417, 213);
    QFont f = font();
    f.setPixelSize(16);
    setFont(f);

    auto* label = new QLabel("言語の名前と実行ファイルへのパスを指定してください", this);
    label->setObjectName("Label1");
    auto* nameBox = new QGroupBox("言語名(半角英数字のみ)", this);
    nameBox->setObjectName("GroupBox1");
    EdLangName = new QLineEdit(nameBox);
    EdLangName->setObjectName("EdLangName");
    // Names are typed in half-width letters: no input method here.
    EdLangName->setAttribute(Qt::WA_InputMethodEnabled, false);
    (new QHBoxLayout(nameBox))->addWidget(EdLangName);
    auto* pathBox = new QGroupBox("実行ファイルへのパス(フルパスで指定)", this);
    pathBox->setObjectName("GroupBox2");
    EdLangPath = new QLineEdit(pathBox);
    EdLangPath->setObjectName("EdLangPath");
    BtBrowse = new QPushButton("参照", pathBox);
    BtBrowse->setObjectName("BtBrowse");
    BtBrowse->setAutoDefault(false);
    auto* pathRow = new QHBoxLayout(pathBox);
    pathRow->addWidget(EdLangPath, 1);
    pathRow->addWidget(BtBrowse);

    BtOK = new QPushButton("OK", this);
    BtOK->setObjectName("BtOK");
    BtOK->setDefault(true);
    BtCancel = new QPushButton("CANCEL", this);
    BtCancel->setObjectName("BtCancel");
    BtCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtOK);
    buttons->addWidget(BtCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(nameBox);
    layout->addWidget(pathBox);
    layout->addLayout(buttons);

    connect(BtOK, &QPushButton::clicked, this, [this] { BtOKClick(); });
    connect(BtCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtBrowse, &QPushButton::clicked, this, [this] { BtBrowseClick(); });
}

bool TFNewLang::Run() {
    EdLangName->setFocus();
    return exec() == QDialog::Accepted;
}

void TFNewLang::BtOKClick() {
    if (form_.Confirm(EdLangName->text().toStdString(), EdLangPath->text().toStdString()))
        accept();
}

void TFNewLang::BtBrowseClick() {
    if (auto path = form_.Browse(EdLangPath->text().toStdString()))
        EdLangPath->setText(QString::fromStdString(*path));
}
