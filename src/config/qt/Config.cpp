#include "config/qt/Config.h"

#include "config/qt/DialogLayout.h"

#include "config/ConfigForm.h"
#include "platform/Browse.h"
#include "platform/HotKey.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
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

// The keypad has no Qt keys of its own: Qt marks its keys with a modifier.
unsigned KeypadVirtualKey(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return 0x60 + static_cast<unsigned>(key - Qt::Key_0);
    switch (key) {
    case Qt::Key_Asterisk:
        return 0x6A;
    case Qt::Key_Plus:
        return 0x6B;
    case Qt::Key_Minus:
        return 0x6D;
    case Qt::Key_Period:
        return 0x6E;
    case Qt::Key_Slash:
        return 0x6F;
    default:
        return 0;
    }
}

QString HotKeyText(uint16_t code) {
    if (code == 0)
        return QStringLiteral("なし");
    QString text;
    if (code & kHotKeyCtrl)
        text += "Ctrl+";
    if (code & kHotKeyShift)
        text += "Shift+";
    if (code & kHotKeyAlt)
        text += "Alt+";
    unsigned vk = code & 0xFF;
    if (int qtKey = VirtualKeyToQtKey(vk))
        return text + QKeySequence(qtKey).toString(QKeySequence::NativeText);
    if (vk >= 0x60 && vk <= 0x69)
        return text + "Num " + QString::number(vk - 0x60);
    return text + QString("0x%1").arg(vk, 2, 16, QChar('0'));
}

} // namespace

using namespace DialogLayout;

HotKeyEdit::HotKeyEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setText(HotKeyText(0));
}

void HotKeyEdit::SetCode(uint16_t code) {
    code_ = code;
    setText(HotKeyText(code));
}

void HotKeyEdit::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier, alt = mods & Qt::AltModifier;
    const int key = event->key();
    // Without Ctrl or Alt, Enter, Escape and Tab keep their work in the dialog.
    if (!ctrl && !alt &&
        (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
         key == Qt::Key_Tab || key == Qt::Key_Backtab)) {
        event->ignore();
        return;
    }
    if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
        key == Qt::Key_Meta || key == Qt::Key_AltGr || key == 0 || key == Qt::Key_unknown)
        return; // a modifier alone: wait for the key
    unsigned vk = (mods & Qt::KeypadModifier) ? KeypadVirtualKey(key) : 0;
    if (!vk)
        vk = QtKeyToVirtualKey(key);
    if (!vk && event->nativeVirtualKey())
        vk = KeySymToVirtualKey(event->nativeVirtualKey());
    SetCode(HotKeyCode(vk, mods & Qt::ShiftModifier, ctrl, alt));
}

TFConfig::TFConfig(DialogService& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs) {
    setObjectName("FConfig");
    setWindowTitle("Vexil - Environment");
    resize(367, 376);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");

    QWidget* page1 = Page(PageControl1, "TabSheet1", "環境設定");
    QGroupBox* cgi = Group(page1, "CGI設定");
    EdTempHtml = LabelledEdit(cgi, "一時的なHTMLファイルの名前");
    BtBrouseTempHtml = BrowseBeside(cgi, EdTempHtml);
    CBCutHead = Add(cgi, new QCheckBox("ヘッダ情報をカットする", cgi));
    QGroupBox* dos = Group(page1, "DOS窓での実行");
    EdTempBat = LabelledEdit(dos, "一時的なバッチファイルの名前");
    CBUsePause = Add(dos, new QCheckBox("最後に@PAUSEを出力する", dos));
    QGroupBox* hot = Group(page1, "ホットキー");
    CBUseHotKey = Add(hot, new QCheckBox("ホットキーを使う", hot));
    HotKey = Add(hot, new HotKeyEdit(hot));

    QWidget* page2 = Page(PageControl1, "TabSheet2", "エディタ");
    QGroupBox* editor = Group(page2, "エディタ");
    EdEditor = Add(editor, new QLineEdit(editor));
    BtBrouse = BrowseBeside(editor, EdEditor);
    CBUseDoubleQuotes = Add(editor, new QCheckBox("\"\"で囲ってファイルを渡す", editor));
    QGroupBox* tag = Group(page2, "タグジャンプ");
    CBUseTagJump = Add(tag, new QCheckBox("タグジャンプを使う", tag));
    EdTagJumpText = LabelledEdit(tag, "タグジャンプオプション");
    QGroupBox* refresh = Group(page2, "オートリフレッシュ");
    CBReadOnlyWhenAutoRefresh =
        Add(refresh, new QCheckBox("外部エディタでファイルを開いたら編集禁止とする", refresh));

    QWidget* page3 = Page(PageControl1, "TabSheet3", "その他");
    QGroupBox* tools = Group(page3, "ツールボタン");
    CBMemoryFileWhenDropped =
        Add(tools, new QCheckBox("ファイルドロップ時にドロップファイルを記憶する", tools));
    QGroupBox* folder = Group(page3, "カレントディレクトリ");
    CBChangeCurrentDirOnDrop =
        Add(folder, new QCheckBox("ファイルドロップ時にカレントディレクトリ変更", folder));
    // Indented under the box it depends on.
    CBDontChangeDirFromDesktop = new QCheckBox("デスクトップからのドロップは変更しない", folder);
    auto* indented = new QHBoxLayout;
    indented->addSpacing(20);
    indented->addWidget(CBDontChangeDirFromDesktop);
    static_cast<QVBoxLayout*>(folder->layout())->addLayout(indented);
    for (QWidget* page : {page1, page2, page3})
        static_cast<QVBoxLayout*>(page->layout())->addStretch();

    BtOK = new QPushButton("OK", this);
    BtOK->setDefault(true);
    BtCancel = new QPushButton("Cancel", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtOK);
    buttons->addWidget(BtCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);

    const std::pair<QWidget*, const char*> names[] = {
        {EdTempHtml, "EdTempHtml"},
        {BtBrouseTempHtml, "BtBrouseTempHtml"},
        {CBCutHead, "CBCutHead"},
        {EdTempBat, "EdTempBat"},
        {CBUsePause, "CBUsePause"},
        {CBUseHotKey, "CBUseHotKey"},
        {HotKey, "HotKey"},
        {EdEditor, "EdEditor"},
        {BtBrouse, "BtBrouse"},
        {CBUseDoubleQuotes, "CBUseDoubleQuotes"},
        {CBUseTagJump, "CBUseTagJump"},
        {EdTagJumpText, "EdTagJumpText"},
        {CBReadOnlyWhenAutoRefresh, "CBReadOnlyWhenAutoRefresh"},
        {CBMemoryFileWhenDropped, "CBMemoryFileWhenDropped"},
        {CBChangeCurrentDirOnDrop, "CBChangeCurrentDirOnDrop"},
        {CBDontChangeDirFromDesktop, "CBDontChangeDirFromDesktop"},
        {BtOK, "BtOK"},
        {BtCancel, "BtCancel"},
    };
    for (auto [widget, name] : names)
        widget->setObjectName(name);

    connect(BtOK, &QPushButton::clicked, this, [this] { BtOKClick(); });
    connect(BtCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtBrouse, &QPushButton::clicked, this, [this] { BtBrouseClick(); });
    connect(BtBrouseTempHtml, &QPushButton::clicked, this, [this] { BtBrouseTempHtmlClick(); });
    connect(CBUseHotKey, &QCheckBox::clicked, this, [this] { CBUseHotKeyClick(); });
    connect(CBChangeCurrentDirOnDrop, &QCheckBox::clicked, this,
            [this] { CBChangeCurrentDirOnDropClick(); });
}

void TFConfig::Fill(KVexilConfig& config) {
    config_ = &config;
    const KEnvironmentSettings s = config.Environment();
    EdEditor->setText(Q(s.Editor));
    CBUseDoubleQuotes->setChecked(s.UseDoubleQuotes);
    EdTempBat->setText(Q(s.TempBat));
    CBUsePause->setChecked(s.UsePause);
    EdTempHtml->setText(Q(s.TempHtml));
    CBCutHead->setChecked(s.CutHead);
    CBUseTagJump->setChecked(s.UseTagJump);
    EdTagJumpText->setText(Q(s.TagJumpText));
    CBReadOnlyWhenAutoRefresh->setChecked(s.ReadOnlyWhenAutoRefresh);
    CBMemoryFileWhenDropped->setChecked(s.MemoryFileWhenDropped);
    CBChangeCurrentDirOnDrop->setChecked(s.ChangeCurrentDirOnDrop);
    CBDontChangeDirFromDesktop->setChecked(s.DontChangeDirFromDesktop);
    CBDontChangeDirFromDesktop->setEnabled(DontChangeDirFromDesktopEnabled(s));
    CBUseHotKey->setChecked(s.UseHotKey);
    HotKey->SetCode(s.HotKey);
    HotKey->setEnabled(HotKeyFieldEnabled(s));
}

void TFConfig::Open(KVexilConfig& config) {
    Fill(config);
    exec();
}

KEnvironmentSettings TFConfig::Shown() const {
    KEnvironmentSettings s;
    s.Editor = S(EdEditor->text());
    s.UseDoubleQuotes = CBUseDoubleQuotes->isChecked();
    s.TempBat = S(EdTempBat->text());
    s.UsePause = CBUsePause->isChecked();
    s.UseHotKey = CBUseHotKey->isChecked();
    s.HotKey = HotKey->Code();
    s.TempHtml = S(EdTempHtml->text());
    s.CutHead = CBCutHead->isChecked();
    s.UseTagJump = CBUseTagJump->isChecked();
    s.TagJumpText = S(EdTagJumpText->text());
    s.ReadOnlyWhenAutoRefresh = CBReadOnlyWhenAutoRefresh->isChecked();
    s.MemoryFileWhenDropped = CBMemoryFileWhenDropped->isChecked();
    s.ChangeCurrentDirOnDrop = CBChangeCurrentDirOnDrop->isChecked();
    s.DontChangeDirFromDesktop = CBDontChangeDirFromDesktop->isChecked();
    return s;
}

void TFConfig::BtOKClick() {
    if (config_)
        config_->ApplyEnvironment(Shown());
    accept();
}

void TFConfig::BtBrouseClick() {
    FileDialogRequest request;
    request.filter = kExecutableFilter;
    request.fileName = S(EdEditor->text());
    if (auto path = BrowseForFile(dialogs_, request))
        EdEditor->setText(Q(*path));
}

void TFConfig::BtBrouseTempHtmlClick() {
    FileDialogRequest request;
    request.filter = kHtmlFilter;
    request.fileName = S(EdTempHtml->text());
    if (auto path = BrowseForFile(dialogs_, request))
        EdTempHtml->setText(Q(*path));
}

void TFConfig::CBUseHotKeyClick() {
    HotKey->setEnabled(HotKeyFieldEnabled(Shown()));
}

void TFConfig::CBChangeCurrentDirOnDropClick() {
    CBDontChangeDirFromDesktop->setEnabled(DontChangeDirFromDesktopEnabled(Shown()));
}
