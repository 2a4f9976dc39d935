#pragma once
// Answers a modal dialog of the program from inside its own event loop: the action runs once,
// as soon as a visible modal widget of that object name is up (within a few seconds), and the
// test goes on when the dialog has closed. Count() tells whether it ever came.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

class WhenModal {
public:
    WhenModal(const QString& objectName, std::function<void(QWidget*)> act)
        : state_(std::make_shared<State>()) {
        state_->name = objectName;
        state_->act = std::move(act);
        Poll(state_);
    }
    int Count() const { return state_->count; }

private:
    struct State {
        QString name;
        std::function<void(QWidget*)> act;
        int count = 0;
        int tries = 0;
    };
    static void Poll(const std::shared_ptr<State>& s) {
        QTimer::singleShot(10, qApp, [s] {
            QWidget* w = QApplication::activeModalWidget();
            if (w && w->isVisible() && w->objectName() == s->name) {
                ++s->count;
                s->act(w);
            } else if (++s->tries < 500) {
                Poll(s);
            }
        });
    }
    std::shared_ptr<State> state_;
};
