#pragma once
// The clipboard's text. Document text is CP932, so the service speaks CP932; the desktop
// implementation converts to and from the desktop's Unicode.

#include <string>

class ClipboardService {
public:
    virtual ~ClipboardService() = default;
    virtual std::string Text() = 0; // empty when the clipboard holds no text
    virtual void SetText(const std::string& cp932) = 0;
};
