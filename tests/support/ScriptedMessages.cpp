#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

void ScriptedMessages::Show(const std::string& text, const std::string& caption, MessageIcon icon) {
    shown_.push_back({ShownMessage::Info, text, caption, icon});
}

MessageAnswer ScriptedMessages::Next(MessageAnswer fallback) {
    if (answers_.empty()) {
        ADD_FAILURE() << "unexpected question: " << shown_.back().text;
        return fallback;
    }
    MessageAnswer a = answers_.front();
    answers_.pop_front();
    return a;
}

MessageAnswer ScriptedMessages::AskYesNo(const std::string& text, const std::string& caption,
                                         MessageIcon icon) {
    shown_.push_back({ShownMessage::YesNo, text, caption, icon});
    return Next(MessageAnswer::No);
}

MessageAnswer ScriptedMessages::AskYesNoDefaultNo(const std::string& text,
                                                  const std::string& caption, MessageIcon icon) {
    shown_.push_back({ShownMessage::YesNo, text, caption, icon, true});
    return Next(MessageAnswer::No);
}

MessageAnswer ScriptedMessages::AskYesNoCancel(const std::string& text, const std::string& caption,
                                               MessageIcon icon) {
    shown_.push_back({ShownMessage::YesNoCancel, text, caption, icon});
    return Next(MessageAnswer::Cancel);
}

std::vector<std::string> ScriptedMessages::Texts() const {
    std::vector<std::string> texts;
    for (const auto& m : shown_)
        texts.push_back(m.text);
    return texts;
}
