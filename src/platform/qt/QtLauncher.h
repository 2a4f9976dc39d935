#pragma once
// The launcher of the running program: a shown document's opener is watched on the event loop
// for a while, so a desktop without a browser is told, not silent.

#include "platform/Launcher.h"

#include <QObject>
#include <chrono>

class QtLauncher : public QObject, public PosixLauncher {
public:
    explicit QtLauncher(QObject* parent = nullptr) : QObject(parent) {}
    bool StartShowing(const std::vector<std::string>& argv, std::function<void()> failed) override;

    // An opener still running after this has shown something (xdg-open waits for some
    // browsers to close): it is no longer watched.
    static constexpr std::chrono::seconds kWatchFor{20};
};
