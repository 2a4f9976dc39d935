#include "shell/qt/RunGate.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

QString RunStatusText(double seconds, std::size_t bytes, bool waiting) {
    QString amount;
    if (bytes < 1024)
        amount = QString("%1 B").arg(bytes);
    else if (bytes < 1024 * 1024)
        amount = QString("%1 KB").arg(bytes / 1024.0, 0, 'f', 1);
    else
        amount = QString("%1 MB").arg(bytes / (1024.0 * 1024.0), 0, 'f', 1);
    QString text = QString("実行中 %1 秒  %2").arg(seconds, 0, 'f', 1).arg(amount);
    if (waiting)
        text += QStringLiteral("  ") + QString::fromUtf8(kWaitingForInput);
    return text;
}

RunGate::RunGate(QStatusBar* bar) : QObject(bar) {
    box_ = new QWidget(bar);
    box_->setObjectName("RunIndicator");
    auto* layout = new QHBoxLayout(box_);
    layout->setContentsMargins(4, 0, 0, 0);
    label_ = new QLabel(box_);
    label_->setObjectName("RunStatus");
    cancel_ = new QPushButton("中止 (Esc)", box_);
    cancel_->setObjectName("RunCancel");
    cancel_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(label_);
    layout->addWidget(cancel_);
    bar->addPermanentWidget(box_);
    box_->hide();
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelRequested_ = true; });
}

RunGate::~RunGate() {
    if (running_)
        qApp->removeEventFilter(this);
}

void RunGate::Begin() {
    running_ = true;
    cancelRequested_ = false;
    qApp->installEventFilter(this);
}

bool RunGate::Tick(double seconds, std::size_t bytes) {
    if (seconds >= kShowAfterSeconds) {
        label_->setText(RunStatusText(seconds, bytes, waiting_));
        if (box_->isHidden())
            box_->show();
    }
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    return cancelRequested_;
}

void RunGate::SetWaiting(bool waiting) {
    waiting_ = waiting;
    // Said at once, also before the indicator would show by itself.
    if (running_ && waiting && box_->isHidden())
        box_->show();
}

void RunGate::End() {
    qApp->removeEventFilter(this);
    running_ = false;
    waiting_ = false;
    typing_ = nullptr;
    box_->hide();
}

namespace {

// Whether the event goes to the modal window of the moment (the notice that the run was
// cancelled), which must answer as usual.
bool ForModalWindow(QObject* watched) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return false;
    auto* w = qobject_cast<QWidget*>(watched);
    return w && w->window() == modal;
}

bool IsInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TabletPress:
    case QEvent::TouchBegin:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return true;
    default:
        return false;
    }
}

} // namespace

bool RunGate::eventFilter(QObject* watched, QEvent* event) {
    // Input reaches a native window first and its widget after; it is stopped at the widget,
    // so that the one control that takes a click still gets it.
    if (!IsInput(event->type()) || watched->isWindowType() || ForModalWindow(watched))
        return false;
    if (watched == cancel_ && event->type() != QEvent::KeyPress &&
        event->type() != QEvent::KeyRelease)
        return false; // the one control that takes a click
    const bool escape =
        (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    if (escape && event->type() == QEvent::KeyPress)
        cancelRequested_ = true;
    // What the program reads is typed there: keys, the input method, clicks.
    if (typing_ && watched == typing_ && !escape && event->type() != QEvent::Shortcut)
        return false;
    return true;
}
