#pragma once
// A message service for tests: records every box and answers questions from a script.
// A question with no scripted answer fails the test.

#include "platform/MessageService.h"

#include <deque>
#include <string>
#include <vector>

struct ShownMessage {
    enum Kind { Info, YesNo, YesNoCancel } kind;
    std::string text;
    std::string caption;
    MessageIcon icon;
    bool defaultNo = false; // a Yes/No question whose default button is No
};

class ScriptedMessages : public MessageService {
public:
    void Answer(MessageAnswer answer) { answers_.push_back(answer); }

    void Show(const std::string& text, const std::string& caption, MessageIcon icon) override;
    MessageAnswer AskYesNo(const std::string& text, const std::string& caption,
                           MessageIcon icon) override;
    MessageAnswer AskYesNoDefaultNo(const std::string& text, const std::string& caption,
                                    MessageIcon icon) override;
    MessageAnswer AskYesNoCancel(const std::string& text, const std::string& caption,
                                 MessageIcon icon) override;

    const std::vector<ShownMessage>& Shown() const { return shown_; }
    std::vector<std::string> Texts() const;
    size_t Count() const { return shown_.size(); }
    size_t PendingAnswers() const { return answers_.size(); }
    void Reset() {
        shown_.clear();
        answers_.clear();
    }

private:
    MessageAnswer Next(MessageAnswer fallback);
    std::vector<ShownMessage> shown_;
    std::deque<MessageAnswer> answers_;
};
