#pragma once
// The first instance's endpoint for second starts ("TFVexilProMain"): a socket watched by the
// event loop; each hand-over opens its file in the main window and brings it forward.

#include "platform/SingleInstance.h"

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

class TFVexilProMain : public QObject {
    Q_OBJECT
public:
    TFVexilProMain(const std::string& endpoint, std::function<void(const std::string&)> onOpen,
                   QObject* parent = nullptr);
    bool Listening() const { return listening_; }

private:
    InstanceEndpoint endpoint_;
    std::function<void(const std::string&)> onOpen_;
    QSocketNotifier* notifier_ = nullptr;
    bool listening_ = false;
};
