#pragma once
// WorkProgress for work on the window's thread: nothing is shown for the first half second, then
// a progress window the user cannot get past (so the text cannot change under the work), whose
// 中止 button or Escape stops the work at its next question.

#include "windows/logic/WorkProgress.h"

#include <QElapsedTimer>
#include <QString>

class QProgressDialog;
class QWidget;

class ProgressWindow : public WorkProgress {
public:
    // showAfterMs: how long the work runs before the window shows.
    ProgressWindow(QWidget* parent, QString label, int showAfterMs = 500);
    ~ProgressWindow() override;
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    bool Continue(double done) override;
    // Whether the window has been shown (the work was long).
    bool Shown() const { return dialog_ != nullptr; }

private:
    QWidget* parent_;
    QString label_;
    int showAfterMs_;
    QElapsedTimer started_;
    QElapsedTimer lastEvents_;
    QProgressDialog* dialog_ = nullptr;
    bool stopped_ = false;
};
