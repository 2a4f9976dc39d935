#include "config/qt/Langconfig.h"

#include "config/qt/DialogLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string S(const QString& s) {
    return s.toStdString();
}

} // namespace

using namespace DialogLayout;

TFLangConfig::TFLangConfig(MessageService& messages, DialogService& dialogs, QWidget* parent)
    : QDialog(parent), form_(messages, dialogs) {
    setObjectName("FLangConfig");
    setWindowTitle(kLanguageSettingsCaption);
    setMinimumWidth(377);

    CBLanguage = new QComboBox(this);
    CBLanguage->setObjectName("CBLanguage");
    CBLanguage->setEditable(false);
    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");

    TSEnvironment = Page(PageControl, "TSEnvironment", "環境設定");
    QGroupBox* run = Group(TSEnvironment, "実行", "GroupBox1");
    EdExePath = LabelledEdit(run, "実行ファイル(フルパスで指定)", "EdExePath");
    BtBrouseExepath = BrowseBeside(run, EdExePath, "BtBrouseExepath");
    EdOption = LabelledEdit(run, "実行時オプション", "EdOption");
    EdExt = LabelledEdit(run, "拡張子リスト", "EdExt");
    EdExt->setToolTip("二つ以上ある場合はカンマ「,」で区切って登録");
    EdTempFile = LabelledEdit(run, "テンポラリファイル名", "EdTempFile");
    EdTempDir = LabelledEdit(run, "テンポラリフォルダ名", "EdTempDir");

    TSEditor = Page(PageControl, "TSEditor", "エディタ");
    QGroupBox* help = Group(TSEditor, "ヘルプファイル", "GroupBox2");
    CBUseHelpFile = Add(help, new QCheckBox("ヘルプファイルを使う", help), "CBUseHelpFile");
    CBUseHtmlHelp = Add(help, new QCheckBox("Html Help", help), "CBUseHtmlHelp");
    EdHelpFile = LabelledEdit(help, "ヘルプファイル(フルパスで指定)", "EdHelpFile");
    BtBrouseHelpFile = BrowseBeside(help, EdHelpFile, "BtBrouseHelpFile");

    TSDebug = Page(PageControl, "TSDebug", "デバッグ");
    QGroupBox* errors = Group(TSDebug, "エラー表示", "GroupBox4");
    CBShowError = Add(errors, new QCheckBox("エラーコードを表示する", errors), "CBShowError");
    QGroupBox* line = Group(TSDebug, "エラー行ジャンプ", "GroupBox3");
    EdRegExpErr = LabelledEdit(line, "エラー行取得用の正規表現", "EdRegExpErr");
    QGroupBox* tag = Group(TSDebug, "タグジャンプ", "GroupBox5");
    CBUseTagJumpToOtherFile =
        Add(tag, new QCheckBox("別のファイルにタグジャンプを行う", tag), "CBUseTagJumpToOtherFile");
    EdRegExpFile = LabelledEdit(
        tag, "エラーファイル名取得用の正規表現($1がファイル名を表すようにする)", "EdRegExpFile");
    for (QWidget* page : {TSEnvironment, TSEditor, TSDebug})
        static_cast<QVBoxLayout*>(page->layout())->addStretch();

    BtOK = new QPushButton("OK", this);
    BtOK->setObjectName("BtOK");
    BtSet = new QPushButton("Set", this);
    BtSet->setObjectName("BtSet");
    BtCancel = new QPushButton("Cancel", this);
    BtCancel->setObjectName("BtCancel");
    for (QPushButton* b : {BtOK, BtSet, BtCancel})
        b->setAutoDefault(false); // Enter is the form's, whichever button has the focus
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtOK);
    buttons->addWidget(BtSet);
    buttons->addWidget(BtCancel);
    auto* layout = new QVBoxLayout(this);
    // A fixed border: the dialog keeps the size its controls need.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(CBLanguage, 0, Qt::AlignLeft);
    layout->addWidget(PageControl, 1);
    layout->addLayout(buttons);

    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);

    connect(CBLanguage, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_)
            CBLanguageChange(index);
    });
    connect(BtOK, &QPushButton::clicked, this, [this] { BtOKClick(); });
    connect(BtSet, &QPushButton::clicked, this, [this] { BtSetClick(); });
    connect(BtCancel, &QPushButton::clicked, this, [this] { BtCancelClick(); });
    connect(BtBrouseExepath, &QPushButton::clicked, this, [this] { BtBrouseExepathClick(); });
    connect(BtBrouseHelpFile, &QPushButton::clicked, this, [this] { BtBrouseHelpFileClick(); });
}

void TFLangConfig::Fill(KVexilConfig& config) {
    form_.Open(config);
    filling_ = true;
    CBLanguage->clear();
    for (const std::string& name : form_.Names())
        CBLanguage->addItem(Q(name));
    CBLanguage->setCurrentIndex(form_.Selected());
    filling_ = false;
    Show(form_.Fill());
    if (PageControl->currentWidget() == TSEnvironment)
        EdExePath->setFocus();
    else
        CBLanguage->setFocus();
}

void TFLangConfig::Open(KVexilConfig& config) {
    Fill(config);
    exec();
}

void TFLangConfig::Show(const KLanguageSettings& s) {
    EdExePath->setText(Q(s.ExePath));
    EdOption->setText(Q(s.Option));
    EdExt->setText(Q(s.Ext));
    CBUseHelpFile->setChecked(s.UseHelpFile);
    CBUseHtmlHelp->setChecked(s.UseHtmlHelp);
    EdHelpFile->setText(Q(s.HelpFile));
    EdTempFile->setText(Q(s.TempFile));
    EdTempDir->setText(Q(s.TempDir));
    CBShowError->setChecked(s.ShowError);
    EdRegExpErr->setText(Q(s.RegExpErr));
    CBUseTagJumpToOtherFile->setChecked(s.UseTagJumpToOtherFile);
    EdRegExpFile->setText(Q(s.RegExpFile));
}

KLanguageSettings TFLangConfig::Shown() const {
    KLanguageSettings s;
    s.ExePath = S(EdExePath->text());
    s.Option = S(EdOption->text());
    s.Ext = S(EdExt->text());
    s.UseHelpFile = CBUseHelpFile->isChecked();
    s.UseHtmlHelp = CBUseHtmlHelp->isChecked();
    s.HelpFile = S(EdHelpFile->text());
    s.TempFile = S(EdTempFile->text());
    s.TempDir = S(EdTempDir->text());
    s.ShowError = CBShowError->isChecked();
    s.RegExpErr = S(EdRegExpErr->text());
    s.UseTagJumpToOtherFile = CBUseTagJumpToOtherFile->isChecked();
    s.RegExpFile = S(EdRegExpFile->text());
    return s;
}

void TFLangConfig::CBLanguageChange(int index) {
    Show(form_.Choose(index));
}

void TFLangConfig::BtSetClick() {
    KLanguageSettings s = Shown();
    form_.Apply(s);
    Show(s);
}

void TFLangConfig::BtOKClick() {
    auto show = [this](const LangConfigForm::Check& check) {
        PageControl->setCurrentWidget(check.page == LangConfigForm::kDebugPage ? TSDebug
                                                                               : TSEnvironment);
        (check.focus == LangConfigForm::kRegExpFileField ? EdRegExpFile : EdExePath)->setFocus();
    };
    if (!form_.Validate(Shown(), show).valid)
        return;
    KLanguageSettings s = Shown();
    bool saved = form_.Apply(s);
    Show(s);
    if (saved)
        accept();
}

void TFLangConfig::BtBrouseExepathClick() {
    if (auto path = form_.BrowseExePath(S(EdExePath->text())))
        EdExePath->setText(Q(*path));
}

void TFLangConfig::BtBrouseHelpFileClick() {
    if (auto path = form_.BrowseHelpFile(S(EdHelpFile->text())))
        EdHelpFile->setText(Q(*path));
}

bool TFLangConfig::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && isVisible()) {
        int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            BtOKClick();
            return true;
        }
        if (key == Qt::Key_Escape) {
            BtCancelClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
