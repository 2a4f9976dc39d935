#include "help/qt/Version.h"

#include "platform/Launcher.h"
#include "platform/qt/Icons.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace {

QFont Font(int pixels, bool bold = false, bool italic = false, bool underline = false) {
    QFont f("Noto Sans CJK JP");
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

} // namespace

TFVersion::TFVersion(Launcher& launcher, QWidget* parent) : QDialog(parent), launcher_(launcher) {
    setObjectName("FVersion");
    setWindowTitle("Vexil2 - Version");
    // A fixed dialog border: a title and a close box, nothing to minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(282, 183);
    setFont(Font(12));

    auto* panel = new QFrame(this);
    panel->setObjectName("Panel1");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setGeometry(8, 8, 64, 64);
    auto* image = new QLabel(panel);
    image->setObjectName("Image1");
    image->setPixmap(AppIcon().pixmap(32, 32));
    image->setGeometry(16, 16, 32, 32);

    auto label = [this](const char* name, const QString& text, const QFont& font, int x, int y,
                        int w) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setFont(font);
        l->setGeometry(x, y, w, font.pixelSize() + 8);
        return l;
    };
    Label1 = label("Label1", {}, Font(16), 84, 10, 190);
    Label1->setText(kVersionText);
    Label2 = label("Label2", "Linux 版  (C) VexilPro project", Font(12), 84, 34, 190);
    Label6 = label("Label6", kProjectName, Font(12, true), 84, 54, 190);
    Label3 = label("Label3", "Mail Address", Font(12, false, true, true), 12, 84, 90);
    EdAddress = new QLineEdit(kProjectMail, this);
    EdAddress->setObjectName("EdAddress");
    EdAddress->setReadOnly(true);
    EdAddress->setFrame(false);
    // The background of the dialog: it reads as text, yet can be selected and copied.
    EdAddress->setStyleSheet("QLineEdit { background: transparent; }");
    EdAddress->setGeometry(100, 82, 176, 20);
    EdAddress->setCursorPosition(0);
    Label4 = label("Label4", "URL", Font(12, false, true, true), 12, 108, 36);
    Label5 = label("Label5", kProjectHomePage, Font(12, false, false, true), 50, 108, 226);
    Label5->setStyleSheet("QLabel { color: blue; }");
    Label5->setToolTip("ホームページを開きます");
    Label5->setCursor(Qt::PointingHandCursor);
    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(104, 146, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    // The box sees every key first, whichever control has the focus.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

void TFVersion::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Ready to be copied. Once more after the events of the showing: the line edit drops its
    // selection when the focus leaves it at the previous hide.
    auto select = [this] {
        EdAddress->setFocus();
        // Selected from the end back to the start, so the start is what shows.
        EdAddress->setSelection(EdAddress->text().size(), -EdAddress->text().size());
    };
    select();
    QMetaObject::invokeMethod(this, select, Qt::QueuedConnection);
}

bool TFVersion::CloseOnKey(QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape)
        return false;
    event->accept();
    if (event->type() == QEvent::KeyPress)
        accept();
    return true;
}

void TFVersion::keyPressEvent(QKeyEvent* event) {
    if (!CloseOnKey(event))
        QDialog::keyPressEvent(event);
}

bool TFVersion::eventFilter(QObject* watched, QEvent* event) {
    if (CloseOnKey(event))
        return event->type() == QEvent::KeyPress;
    if (watched == Label5 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        Label5->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        launcher_.StartDetached(OpenerCommand(kProjectHomePage));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
