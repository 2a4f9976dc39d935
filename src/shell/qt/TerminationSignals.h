#pragma once
// SIGTERM (a logout), SIGHUP (the terminal it was started from closed) and SIGINT turned into a
// call on the window thread, wherever that thread is waiting: in the event loop, a message box
// or a run's own loop. The handler itself only writes a byte into a pipe.

#include <QObject>
#include <functional>

class QSocketNotifier;

class TerminationSignals : public QObject {
public:
    // onSignal gets the signal's number; it is expected not to return.
    explicit TerminationSignals(std::function<void(int)> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};
