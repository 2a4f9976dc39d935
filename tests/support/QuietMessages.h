#pragma once
// A message service that shows nothing and answers No (or Cancel), for benchmarks and fuzz
// targets, where nobody reads and nothing may wait for an answer.

#include "platform/MessageService.h"

struct QuietMessages : MessageService {
    void Show(const std::string&, const std::string&, MessageIcon) override {}
    MessageAnswer AskYesNo(const std::string&, const std::string&, MessageIcon) override {
        return MessageAnswer::No;
    }
    MessageAnswer AskYesNoCancel(const std::string&, const std::string&, MessageIcon) override {
        return MessageAnswer::Cancel;
    }
};
