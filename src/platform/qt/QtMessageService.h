#pragma once
// Message boxes on the screen, for the running program.

#include "platform/MessageService.h"

class QWidget;

class QtMessageService : public MessageService {
public:
    explicit QtMessageService(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void Show(const std::string& text, const std::string& caption, MessageIcon icon) override;
    MessageAnswer AskYesNo(const std::string& text, const std::string& caption,
                           MessageIcon icon) override;
    MessageAnswer AskYesNoDefaultNo(const std::string& text, const std::string& caption,
                                    MessageIcon icon) override;
    MessageAnswer AskYesNoCancel(const std::string& text, const std::string& caption,
                                 MessageIcon icon) override;

private:
    QWidget* parent_;
};
