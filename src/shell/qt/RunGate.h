#pragma once
// Keeps the program alive to the desktop while a captured run holds the window thread: the
// windows repaint and answer the window manager, but no typing, click or drop reaches them
// until the run has ended, as if the thread were blocked. From a third of a second on, the
// status bar shows that the script runs, for how long and how much it wrote, with a button
// that cancels the run; Escape cancels it too.

#include <QObject>

class QLabel;
class QPushButton;
class QStatusBar;
class QWidget;

class RunGate : public QObject {
    Q_OBJECT
public:
    // The indicator shows after this long.
    static constexpr double kShowAfterSeconds = 0.33;

    explicit RunGate(QStatusBar* bar);
    ~RunGate() override;

    void Begin();
    // Lets the windows paint and updates the indicator; true once the user asked to cancel.
    bool Tick(double seconds, std::size_t bytes);
    void End();
    bool Running() const { return running_; }
    // The one widget that takes typing while a run lasts (the terminal mode's input line;
    // null: none). Escape there still cancels.
    void AllowInputTo(QWidget* widget) { typing_ = widget; }
    // The program waits for a line typed: the status bar says so.
    void SetWaiting(bool waiting);

    QWidget* Indicator() const { return box_; }
    QPushButton* CancelButton() const { return cancel_; }
    QLabel* Status() const { return label_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* box_;
    QLabel* label_;
    QPushButton* cancel_;
    bool running_ = false;
    bool cancelRequested_ = false;
    bool waiting_ = false;
    QWidget* typing_ = nullptr;
};

// "実行中 2.4 秒  15.3 MB", and "  入力待ち" after it while the program waits for a line.
QString RunStatusText(double seconds, std::size_t bytes, bool waiting = false);
inline constexpr const char* kWaitingForInput = "入力待ち";
