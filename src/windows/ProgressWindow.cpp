#include "windows/ProgressWindow.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>

namespace {

// Events (the window's paint, Escape, the button) are taken this often while the work runs.
constexpr qint64 kEventsEveryMs = 50;
constexpr int kSteps = 1000;

} // namespace

ProgressWindow::ProgressWindow(QWidget* parent, QString label, int showAfterMs)
    : parent_(parent), label_(std::move(label)), showAfterMs_(showAfterMs) {
    started_.start();
    lastEvents_.start();
}

ProgressWindow::~ProgressWindow() {
    delete dialog_;
}

bool ProgressWindow::Continue(double done) {
    if (stopped_)
        return false;
    if (!dialog_) {
        if (started_.elapsed() < showAfterMs_)
            return true;
        dialog_ = new QProgressDialog(label_, QStringLiteral("中止 (Esc)"), 0, kSteps, parent_);
        // Application-modal: neither the text nor the replace dialog may be used meanwhile.
        dialog_->setWindowModality(Qt::ApplicationModal);
        dialog_->setMinimumDuration(0);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        // Escape closes the window through its cancel key; however it goes, the work stops.
        QObject::connect(dialog_, &QProgressDialog::canceled, [this] { stopped_ = true; });
        QObject::connect(dialog_, &QDialog::rejected, [this] { stopped_ = true; });
        dialog_->show();
        lastEvents_.invalidate();
    }
    if (lastEvents_.isValid() && lastEvents_.elapsed() < kEventsEveryMs)
        return true;
    lastEvents_.start();
    dialog_->setValue(std::clamp(static_cast<int>(done * kSteps), 0, kSteps - 1));
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    stopped_ = stopped_ || dialog_->wasCanceled();
    return !stopped_;
}
