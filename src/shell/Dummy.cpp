#include "shell/Dummy.h"

#include <QSocketNotifier>

TFVexilProMain::TFVexilProMain(const std::string& endpoint,
                               std::function<void(const std::string&)> onOpen, QObject* parent)
    : QObject(parent), endpoint_(endpoint), onOpen_(std::move(onOpen)) {
    setObjectName("FVexilProMain");
    listening_ = endpoint_.Listen();
    if (!listening_)
        return;
    notifier_ = new QSocketNotifier(endpoint_.Fd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        std::string path;
        while (endpoint_.Receive(path))
            onOpen_(path);
    });
}
