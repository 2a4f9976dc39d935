#pragma once
// A click on a status-bar panel opens what the panel shows a choice of (the code, the line
// ends): the panel is a plain label, so its release is caught here.

#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <functional>

class PanelClick : public QObject {
public:
    PanelClick(QObject* panel, std::function<void()> clicked)
        : QObject(panel), clicked_(std::move(clicked)) {
        panel->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            clicked_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> clicked_;
};
