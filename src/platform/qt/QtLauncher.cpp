#include "platform/qt/QtLauncher.h"

#include <QSocketNotifier>
#include <QTimer>
#include <unistd.h>

bool QtLauncher::StartShowing(const std::vector<std::string>& argv, std::function<void()> failed) {
    const int fd = StartReporting(argv);
    if (fd < 0)
        return false;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    auto* patience = new QTimer(notifier);
    // Either ends the watch; the notifier owns the timer, and the descriptor goes with both.
    auto end = [notifier, fd] {
        if (!notifier->isEnabled())
            return;
        notifier->setEnabled(false);
        notifier->deleteLater();
        ::close(fd);
    };
    connect(notifier, &QSocketNotifier::activated, notifier, [fd, end, failed = std::move(failed)] {
        unsigned char status = 0;
        ssize_t n;
        while ((n = ::read(fd, &status, 1)) < 0 && errno == EINTR) {
        }
        end();
        if (n == 1 && status != 0 && failed)
            failed();
    });
    patience->setSingleShot(true);
    connect(patience, &QTimer::timeout, notifier, end);
    patience->start(kWatchFor);
    return true;
}
