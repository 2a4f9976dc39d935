#include "exec/LiveText.h"

#include "encoding/Codeconv.h"

namespace {

// Where a UTF-8 sequence that the text ends in before its last byte begins; the text's size
// when it ends with a whole character (or a stray byte, which never completes).
std::size_t CompleteUtf8(std::string_view text) {
    const std::size_t n = text.size();
    for (std::size_t back = 1; back <= 3 && back <= n; ++back) {
        const auto c = static_cast<unsigned char>(text[n - back]);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte: look further back for its lead
        const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return length > back ? n - back : n;
    }
    return n;
}

// The end of the last whole CP932 character, walking from the last line start.
std::size_t CompleteCp932(std::string_view text) {
    const std::size_t line = text.rfind('\n');
    std::size_t p = line == std::string_view::npos ? 0 : line + 1;
    while (p < text.size()) {
        const std::size_t width = IsCp932LeadByte(static_cast<unsigned char>(text[p])) ? 2 : 1;
        if (p + width > text.size())
            break;
        p += width;
    }
    return p;
}

} // namespace

LiveText::LiveText(int scriptCode, bool wholeLines,
                   std::function<std::string(std::string_view)> convert)
    : scriptCode_(scriptCode), wholeLines_(wholeLines), convert_(std::move(convert)),
      code_(scriptCode == kCodeUtf8 ? TextCode::Utf8 : TextCode::Cp932) {}

std::size_t LiveText::SafeEnd(std::string_view text) const {
    // Converted text, and the error list's entries, go a whole line at a time; a line end
    // is a character boundary in every code we read.
    if (wholeLines_ || converted_) {
        const std::size_t end = text.rfind('\n');
        return end == std::string_view::npos ? 0 : end + 1;
    }
    return code_ == TextCode::Utf8 ? CompleteUtf8(text) : CompleteCp932(text);
}

LiveText::Piece LiveText::Next(std::string_view captured) {
    if (abandoned_ || consumed_ >= captured.size())
        return {{}, code_, {}, false};
    std::string_view fresh = captured.substr(consumed_);
    if (!decided_) {
        // Judged without a character the capture has cut in two, which would read as stray.
        const std::string_view judged = fresh.substr(0, CompleteUtf8(fresh));
        switch (JudgeOutput(judged)) {
        case OutputKind::Ascii:
            if (wholeLines_)
                break;
            consumed_ += judged.size();
            return {judged, code_, {}, false};
        case OutputKind::Utf8:
            decided_ = true;
            code_ = TextCode::Utf8;
            break;
        case OutputKind::Other:
            decided_ = true;
            code_ = TextCode::Cp932;
            converted_ = scriptCode_ != kCodeSjis;
            break;
        }
    }
    fresh = fresh.substr(0, SafeEnd(fresh));
    consumed_ += fresh.size();
    if (converted_ && !fresh.empty())
        return {{}, code_, convert_(fresh), true};
    return {fresh, code_, {}, false};
}

bool LiveText::Holds(std::string_view final, TextCode code) const {
    // Before any output beyond ASCII the bytes read the same in either code.
    return !abandoned_ && !converted_ && consumed_ == final.size() && (!decided_ || code_ == code);
}
