#pragma once
// The desktop clipboard, spoken in CP932.

#include "platform/ClipboardService.h"

class QtClipboardService : public ClipboardService {
public:
    std::string Text() override;
    void SetText(const std::string& cp932) override;
    std::string Utf8Text() override;
    void SetUtf8Text(const std::string& utf8) override;
};
