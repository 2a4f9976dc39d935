#include "windows/logic/TextSearch.h"

#include "windows/logic/TextWindow.h"

namespace {

RegExpSpans Span(std::size_t start, std::size_t length) {
    RegExpSpans spans;
    spans.start[0] = start;
    spans.end[0] = start + length;
    return spans;
}

} // namespace

std::string FoldCase(std::string_view utf8) {
    std::string folded(utf8);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        auto c = static_cast<unsigned char>(folded[i]);
        if (c >= 'A' && c <= 'Z') {
            folded[i] = static_cast<char>(c + ('a' - 'A'));
        } else if (c == 0xEF && i + 2 < folded.size() &&
                   static_cast<unsigned char>(folded[i + 1]) == 0xBC) {
            // U+FF21..U+FF3A (EF BC A1..BA) to U+FF41..U+FF5A (EF BD 81..9A).
            auto t = static_cast<unsigned char>(folded[i + 2]);
            if (t >= 0xA1 && t <= 0xBA) {
                folded[i + 1] = static_cast<char>(0xBD);
                folded[i + 2] = static_cast<char>(t - 0x20);
            }
            i += 2;
        }
    }
    return folded;
}

LineMatcher::LineMatcher(std::string needle, SearchOptions options)
    : needle_(std::move(needle)), options_(options) {
    folded_ = options_.matchCase || options_.regex ? needle_ : FoldCase(needle_);
}

std::optional<RegExpSpans> LineMatcher::FirstIn(std::string_view line, std::string_view folded,
                                                std::size_t from) const {
    trouble_ = Trouble::None;
    if (needle_.empty() || from > line.size())
        return std::nullopt;
    if (options_.regex) {
        RegExpSpans spans;
        switch (RegExpSearchUtf8(line, from, needle_, !options_.matchCase, spans)) {
        case RegExpResult::Match:
            return spans;
        case RegExpResult::Invalid:
            trouble_ = Trouble::Invalid;
            break;
        case RegExpResult::Limit:
            trouble_ = Trouble::Limit;
            break;
        case RegExpResult::Miss:
            break;
        }
        return std::nullopt;
    }
    const std::size_t k = FindInLine(options_.matchCase ? line : folded, folded_, from);
    if (k == std::string_view::npos)
        return std::nullopt;
    return Span(k, needle_.size());
}

std::optional<RegExpSpans> LineMatcher::First(std::string_view line, std::size_t from) const {
    const bool fold = !options_.matchCase && !options_.regex;
    return FirstIn(line, fold ? FoldCase(line) : std::string(), from);
}

bool LineMatcher::Each(std::string_view line, std::size_t from,
                       const std::function<bool(const RegExpSpans&)>& hit) const {
    trouble_ = Trouble::None;
    const bool fold = !options_.matchCase && !options_.regex;
    const std::string folded = fold ? FoldCase(line) : std::string();
    while (from <= line.size()) {
        std::optional<RegExpSpans> found = FirstIn(line, folded, from);
        if (!found)
            return trouble_ == Trouble::None;
        if (!hit(*found))
            return false;
        const std::size_t a = found->start[0], b = found->end[0];
        std::size_t next = b > a ? b : b + Utf8CharLength(line, b);
        // Every search moves on, whatever the engine answered (\K may end a hit early).
        if (next <= from)
            next = from + Utf8CharLength(line, from);
        if (next > line.size() && b >= line.size())
            break;
        from = next;
    }
    return true;
}

std::optional<RegExpSpans> LineMatcher::Last(std::string_view line, std::size_t limit) const {
    trouble_ = Trouble::None;
    line = line.substr(0, limit);
    if (!options_.regex) {
        const std::string folded = options_.matchCase ? std::string() : FoldCase(line);
        const std::size_t k = FindLastInText(options_.matchCase ? line : folded, folded_);
        if (k == std::string_view::npos)
            return std::nullopt;
        return Span(k, needle_.size());
    }
    // Every hit, each search one character past the last hit's start, keeping the last.
    std::optional<RegExpSpans> last;
    for (std::size_t from = 0; from <= line.size();) {
        std::optional<RegExpSpans> hit = First(line, from);
        if (!hit)
            break;
        last = hit;
        if (hit->start[0] >= line.size())
            break;
        from = hit->start[0] + Utf8CharLength(line, hit->start[0]);
    }
    // A limit hides what lies after; the last hit before it would not be the last.
    if (trouble_ != Trouble::None)
        return std::nullopt;
    return last;
}

std::string ExpandReplacement(std::string_view replacement, std::string_view line,
                              const RegExpSpans& hit, bool expand) {
    if (!expand)
        return std::string(replacement);
    auto group = [&](std::size_t i) {
        if (hit.start[i] == RegExpSpans::npos)
            return std::string_view();
        return line.substr(hit.start[i], hit.end[i] - hit.start[i]);
    };
    std::string out;
    for (std::size_t i = 0; i < replacement.size(); ++i) {
        const char c = replacement[i];
        const char next = i + 1 < replacement.size() ? replacement[i + 1] : '\0';
        if (c == '\\' && (next == '$' || next == '\\')) {
            out += next;
            ++i;
        } else if (c == '$' && next >= '1' && next <= '9') {
            out += group(static_cast<std::size_t>(next - '0'));
            ++i;
        } else if (c == '$' && next == '&') {
            out += group(0);
            ++i;
        } else if (c == '$' && next == '{' && i + 3 < replacement.size() &&
                   replacement[i + 2] >= '1' && replacement[i + 2] <= '9' &&
                   replacement[i + 3] == '}') {
            out += group(static_cast<std::size_t>(replacement[i + 2] - '0'));
            i += 3;
        } else {
            out += c;
        }
    }
    return out;
}
