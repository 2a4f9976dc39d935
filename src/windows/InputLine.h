#pragma once
// The line under the result window where a terminal-mode run's input is typed: Enter sends
// the line, Ctrl+D ends the input. Shown only while such a run lasts.

#include <QLineEdit>

class TerminalInput;

class InputLine : public QLineEdit {
    Q_OBJECT
public:
    explicit InputLine(QWidget* parent = nullptr);

    // The run's input (null: the run is over, the line goes).
    void Open(TerminalInput* input);
    bool IsOpen() const { return input_ != nullptr; }

signals:
    // What the output shows of what was sent, UTF-8, as a terminal echoes it.
    void Sent(const std::string& echo);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TerminalInput* input_ = nullptr;
};

inline constexpr const char* kInputPlaceholder = "入力 (Enter で送る、Ctrl+D で入力終了)";
inline constexpr const char* kInputEnded = "入力は終了しました";
