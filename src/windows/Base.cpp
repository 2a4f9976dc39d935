#include "windows/Base.h"

#include <QApplication>
#include <filesystem>
#include <unistd.h>

TFBase::TFBase(MainWindowHost& host, Document which, const QString& caption, QWidget* parent)
    : QWidget(parent), host_(host), which_(which) {
    setWindowTitle(caption);
    resize(400, 400);
    std::error_code ec;
    Folder = std::filesystem::current_path(ec).string();
    // A docked window gets no activation of its own: focus arriving from outside it is the
    // moment it becomes the active document window.
    connect(qApp, &QApplication::focusChanged, this, &TFBase::FocusChanged);
}

TFBase::~TFBase() {
    disconnect(qApp, &QApplication::focusChanged, this, &TFBase::FocusChanged);
}

void TFBase::SetFolder(const std::string& path) {
    Folder = path;
    [[maybe_unused]] int ignored = ::chdir(path.c_str());
}

void TFBase::FocusChanged(QWidget* old, QWidget* now) {
    if (now && isAncestorOf(now) && !(old && (old == this || isAncestorOf(old))))
        host_.ActivateDocument(which_);
}
