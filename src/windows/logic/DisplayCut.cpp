#include "windows/logic/DisplayCut.h"

#include <algorithm>

namespace {

// The nearest character start at or before at: UTF-8 steps back over continuation bytes;
// CP932 walks the characters from the line's start, the last place known to begin one.
std::size_t CharStart(std::string_view bytes, std::size_t at, TextCode code) {
    if (at >= bytes.size())
        return bytes.size();
    if (code == TextCode::Utf8) {
        std::size_t p = at;
        while (p > 0 && at - p < 3 && (static_cast<unsigned char>(bytes[p]) & 0xC0) == 0x80)
            --p;
        return (static_cast<unsigned char>(bytes[p]) & 0xC0) == 0x80 ? at : p;
    }
    std::size_t line = at == 0 ? std::string_view::npos : bytes.rfind('\n', at - 1);
    std::size_t p = line == std::string_view::npos ? 0 : line + 1;
    while (p < at) {
        std::size_t next = p + (IsCp932LeadByte(static_cast<unsigned char>(bytes[p])) ? 2 : 1);
        if (next > at)
            break;
        p = next;
    }
    return p;
}

// The nearest character start at or after at, so a tail from there holds no more than asked.
std::size_t NextCharStart(std::string_view bytes, std::size_t at, TextCode code) {
    const std::size_t p = CharStart(bytes, at, code);
    if (p >= at)
        return p;
    const auto lead = static_cast<unsigned char>(bytes[p]);
    std::size_t width = IsCp932LeadByte(lead) ? 2 : 1;
    if (code == TextCode::Utf8)
        width = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return std::min(p + width, bytes.size());
}

std::string Grouped(std::size_t n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

} // namespace

std::size_t DisplayCap(std::size_t availableMemory) {
    constexpr std::size_t kLeast = std::size_t{64} << 20, kMost = std::size_t{1} << 30;
    return availableMemory == 0 ? kMost : std::clamp(availableMemory / 3, kLeast, kMost);
}

std::optional<DisplayPieces> CutPieces(std::string_view bytes, std::size_t cap, TextCode code,
                                       bool wholeKept) {
    if (bytes.size() <= cap)
        return std::nullopt;
    const std::size_t half = cap / 2;
    // The head ends after its last line end, the tail starts after a line end; a line longer
    // than half the cap is cut between two characters instead.
    std::size_t headEnd = bytes.rfind('\n', half - 1);
    headEnd = headEnd == std::string_view::npos || headEnd == 0 ? CharStart(bytes, half, code)
                                                                : headEnd + 1;
    const std::size_t tailFrom = bytes.size() - half;
    std::size_t tailStart = bytes.find('\n', tailFrom);
    tailStart = tailStart == std::string_view::npos || tailStart + 1 == bytes.size()
                    ? NextCharStart(bytes, tailFrom, code)
                    : tailStart + 1;
    tailStart = std::max(tailStart, headEnd);
    const std::string_view left = bytes.substr(headEnd, tailStart - headEnd);
    const std::size_t lines = static_cast<std::size_t>(std::count(left.begin(), left.end(), '\n'));

    const bool crlf = headEnd >= 2 && bytes.substr(headEnd - 2, 2) == "\r\n";
    const std::string lineEnd = crlf ? "\r\n" : "\n";
    std::string note = "――― 出力が大きいため、ここで " + Grouped(lines) + " 行 (" +
                       Grouped(left.size()) + " バイト) を省略しています。";
    if (wholeKept)
        note += "保存とコピーには全体が渡されます。";
    note += " ―――";
    if (code == TextCode::Cp932)
        note = Utf8ToCp932(note).text;

    DisplayPieces pieces;
    pieces.headEnd = headEnd;
    pieces.tailStart = tailStart;
    if (headEnd > 0 && bytes[headEnd - 1] != '\n')
        pieces.note = lineEnd;
    pieces.note += note + lineEnd;
    return pieces;
}

std::optional<std::string> CutForDisplay(std::string_view bytes, std::size_t cap, TextCode code,
                                         bool wholeKept) {
    const std::optional<DisplayPieces> pieces = CutPieces(bytes, cap, code, wholeKept);
    if (!pieces)
        return std::nullopt;
    std::string shown;
    shown.reserve(pieces->headEnd + pieces->note.size() + bytes.size() - pieces->tailStart);
    shown.append(bytes.substr(0, pieces->headEnd));
    shown += pieces->note;
    shown.append(bytes.substr(pieces->tailStart));
    return shown;
}
