#include "windows/logic/ErrorLines.h"

#include "platform/CommandLine.h"
#include "regex/Kregexp.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

void ErrorLines::Load(std::string_view bytes, TextCode code) {
    Clear();
    Append(bytes, code);
}

void ErrorLines::Append(std::string_view bytes, TextCode code) {
    code_ = code;
    std::size_t start = text_.size();
    text_.append(bytes);
    const char* p = text_.data();
    const std::size_t n = text_.size();
    std::size_t longestLength = starts_.empty() ? 0 : ends_[longest_] - starts_[longest_];
    while (start < n) {
        std::size_t end = start;
        while (end < n && p[end] != '\n' && p[end] != '\r')
            ++end;
        if (end - start > longestLength) {
            longestLength = end - start;
            longest_ = starts_.size();
        }
        starts_.push_back(start);
        ends_.push_back(end);
        if (end < n && p[end] == '\r' && end + 1 < n && p[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
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
