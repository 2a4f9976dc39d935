#include "windows/logic/ErrorLines.h"

#include "platform/CommandLine.h"
#include "regex/Kregexp.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

void ErrorLines::Load(std::string_view bytes, TextCode code) {
    Clear();
    Append(bytes, code, LiveAhead{0, true});
}

namespace {

// Calls line(start, end) for each line of text from the offset from on, end before its break.
template <typename Line> void EachLine(std::string_view text, std::size_t from, Line line) {
    const char* p = text.data();
    const std::size_t n = text.size();
    std::size_t start = from;
    while (start < n) {
        std::size_t end = start;
        while (end < n && p[end] != '\n' && p[end] != '\r')
            ++end;
        line(start, end);
        if (end < n && p[end] == '\r' && end + 1 < n && p[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
}

} // namespace

std::size_t ErrorLines::CountLines(std::string_view bytes) {
    std::size_t count = 0;
    EachLine(bytes, 0, [&](std::size_t, std::size_t) { ++count; });
    return count;
}

void ErrorLines::Append(std::string_view bytes, TextCode code, LiveAhead ahead) {
    code_ = code;
    std::size_t start = text_.size();
    if (const std::size_t room = GrownRoom(start + bytes.size(), text_.capacity(), ahead)) {
        // The entries' bounds grow in step, by the lines' length so far.
        const std::size_t lines = starts_.size() + CountLines(bytes);
        const std::size_t bounds = lines + (room - start - bytes.size()) * lines /
                                               std::max<std::size_t>(start + bytes.size(), 1);
        text_.reserve(room);
        starts_.reserve(bounds);
        ends_.reserve(bounds);
    }
    text_.append(bytes);
    std::size_t longestLength = starts_.empty() ? 0 : ends_[longest_] - starts_[longest_];
    EachLine(text_, start, [&](std::size_t from, std::size_t end) {
        if (end - from > longestLength) {
            longestLength = end - from;
            longest_ = starts_.size();
        }
        starts_.push_back(from);
        ends_.push_back(end);
    });
}

std::string ErrorLines::LineUtf8(std::size_t i) const {
    if (code_ == TextCode::Utf8)
        return std::string(Line(i));
    return Cp932ToUtf8(Line(i)).text;
}

std::size_t ErrorLines::LineAt(std::size_t offset) const {
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
    return after == starts_.begin() ? 0 : static_cast<std::size_t>(after - starts_.begin()) - 1;
}

void ErrorLines::Clear() {
    text_.clear();
    starts_.clear();
    ends_.clear();
    longest_ = 0;
}

std::string ErrorLines::Join(std::vector<std::size_t> rows) const {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::string joined;
    for (std::size_t row : rows) {
        if (row >= Count())
            continue;
        joined += Line(row);
        joined += "\r\n";
    }
    return joined;
}

std::string ErrorLines::JoinAll() const {
    std::string joined;
    joined.reserve(text_.size() + Count() * 2);
    for (std::size_t i = 0; i < Count(); ++i) {
        joined += Line(i);
        joined += "\r\n";
    }
    return joined;
}

int ErrorLineNumber(const std::string& entry, const std::string& regExpErr) {
    if (!RegExpMatchUtf8(entry, regExpErr))
        return -1;
    // The first run of [0-9] in the match, found here rather than by a second expression: the
    // library keeps one compiled expression, and every line would compile RegExpErr again.
    const std::string& matched = RegExpGroups[0];
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto first = std::find_if(matched.begin(), matched.end(), isDigit);
    if (first == matched.end())
        return -1;
    const auto last = std::find_if_not(first, matched.end(), isDigit);
    std::int32_t value = 0;
    auto [end, error] = std::from_chars(&*first, &*first + (last - first), value);
    if (error != std::errc() || end != &*first + (last - first))
        return -1;
    return value;
}

std::string ExpandTagJumpText(std::string_view tmpl, std::string_view file, int line) {
    std::string text;
    std::size_t i = 0;
    while (i < tmpl.size()) {
        const char c = tmpl[i];
        if (c != '%' || i + 1 == tmpl.size()) {
            text += c;
            ++i;
            continue;
        }
        const char next = tmpl[i + 1];
        if (next == 'F') {
            text += file;
            i += 2;
        } else if (next == 'L') {
            text += std::to_string(line);
            i += 2;
        } else {
            ++i; // the percent sign goes; what follows is read as usual
        }
    }
    return text;
}

std::vector<std::string> TagJumpArguments(std::string_view tmpl, std::string_view file, int line) {
    std::vector<std::string> arguments = SplitCommandLine(tmpl);
    for (std::string& argument : arguments)
        argument = ExpandTagJumpText(argument, file, line);
    return arguments;
}
