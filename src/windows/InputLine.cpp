#include "windows/InputLine.h"

#include "exec/TerminalInput.h"

#include <QKeyEvent>

InputLine::InputLine(QWidget* parent) : QLineEdit(parent) {
    setObjectName(QStringLiteral("InputLine"));
    setPlaceholderText(QString::fromUtf8(kInputPlaceholder));
    hide();
}

void InputLine::Open(TerminalInput* input) {
    input_ = input;
    clear();
    setEnabled(true);
    setPlaceholderText(QString::fromUtf8(kInputPlaceholder));
    setVisible(input != nullptr);
}

void InputLine::keyPressEvent(QKeyEvent* event) {
    if (!input_ || input_->Ended()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool endOfInput = event->key() == Qt::Key_D && (event->modifiers() & Qt::ControlModifier);
    if (!enter && !endOfInput) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const std::string typed = text().toStdString();
    const std::string echo = enter ? input_->Enter(typed) : input_->EndInput(typed);
    clear();
    if (endOfInput) {
        setPlaceholderText(QString::fromUtf8(kInputEnded));
        setEnabled(false);
    }
    if (!echo.empty())
        emit Sent(echo);
}
