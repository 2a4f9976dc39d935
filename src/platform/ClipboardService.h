#pragma once
// The clipboard's text. Document text is CP932, so the service speaks CP932; the desktop
// implementation converts to and from the desktop's Unicode.

#include "platform/Cp932.h"

#include <string>

class ClipboardService {
public:
    virtual ~ClipboardService() = default;
    virtual std::string Text() = 0; // empty when the clipboard holds no text
    virtual void SetText(const std::string& cp932) = 0;
    // The same as UTF-8, for the editors, which hold Unicode: a service that can should answer
    // without passing through CP932, so copy and paste lose nothing.
    virtual std::string Utf8Text() { return Cp932ToUtf8(Text()).text; }
    virtual void SetUtf8Text(const std::string& utf8) { SetText(Utf8ToCp932(utf8).text); }
};
