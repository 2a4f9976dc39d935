#include "platform/IniFile.h"

#include "platform/FileFacts.h"

#include <algorithm>
#include <charconv>

namespace {

std::string_view TrimView(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

// "[name]" with optional blanks; answers the name.
bool SectionName(std::string_view line, std::string_view& name) {
    std::string_view t = TrimView(line);
    if (t.size() < 2 || t.front() != '[')
        return false;
    size_t close = t.find(']');
    if (close == std::string_view::npos)
        return false;
    name = TrimView(t.substr(1, close - 1));
    return true;
}

bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    std::string_view t = TrimView(line);
    if (t.empty() || t.front() == ';')
        return false;
    size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = TrimView(t.substr(0, eq));
    value = TrimView(t.substr(eq + 1));
    return true;
}

} // namespace

bool ParseIniInteger(std::string_view text, long& value) {
    std::string_view t = TrimView(text);
    if (t.empty())
        return false;
    const char* b = t.data();
    const char* e = b + t.size();
    std::from_chars_result r;
    if (t.size() >= 3 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        r = std::from_chars(b + 2, e, value, 16);
    } else {
        if (*b == '+')
            ++b;
        r = std::from_chars(b, e, value, 10);
    }
    return r.ec == std::errc() && r.ptr == e;
}

IniFile::IniFile(std::string fileName) : fileName_(std::move(fileName)) {
    std::string bytes;
    if (!ReadWholeFile(fileName_, bytes))
        return;
    // A byte-order mark (an editor's UTF-8) would hide the first section; an editor that added
    // one to a file that had one leaves two.
    size_t start = 0;
    while (bytes.compare(start, 3, "\xEF\xBB\xBF") == 0)
        start += 3;
    // LF, CR LF and a lone CR (old Mac editors) all end a line; a file of CR-only lines would
    // otherwise be one line, every value in it lost and the next save appended after it.
    while (start < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines_.emplace_back(bytes, start);
            break;
        }
        lines_.emplace_back(bytes, start, end - start);
        start = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
}

bool IniFile::FindSection(std::string_view section, Range& range) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        std::string_view name;
        if (SectionName(lines_[i], name) && SameTextAscii(name, section)) {
            size_t j = i + 1;
            while (j < lines_.size() && !SectionName(lines_[j], name))
                ++j;
            range = {i, j};
            return true;
        }
    }
    return false;
}

bool IniFile::FindKey(const Range& range, std::string_view key, size_t& line) const {
    for (size_t i = range.header + 1; i < range.end; ++i) {
        std::string_view k, v;
        if (KeyValue(lines_[i], k, v) && SameTextAscii(k, key)) {
            line = i;
            return true;
        }
    }
    return false;
}

bool IniFile::HasKey(std::string_view section, std::string_view key) const {
    Range r{};
    size_t line = 0;
    return FindSection(section, r) && FindKey(r, key, line);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    Range r{};
    size_t line = 0;
    if (!FindSection(section, r) || !FindKey(r, key, line))
        return std::string(defaultValue.substr(0, kMaxValue));
    std::string_view k, v;
    KeyValue(lines_[line], k, v);
    return std::string(v.substr(0, kMaxValue));
}

std::string IniFile::ReadWholeString(std::string_view section, std::string_view key) const {
    Range r{};
    size_t line = 0;
    if (!FindSection(section, r) || !FindKey(r, key, line))
        return {};
    std::string_view k, v;
    KeyValue(lines_[line], k, v);
    return std::string(v);
}

long IniFile::ReadInteger(std::string_view section, std::string_view key, long defaultValue) const {
    Range r{};
    size_t line = 0;
    if (!FindSection(section, r) || !FindKey(r, key, line))
        return defaultValue;
    long value = 0;
    return ParseIniInteger(ReadString(section, key, ""), value) ? value : defaultValue;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (value.find_first_of("\r\n") != std::string_view::npos) {
        if (std::find(refused_.begin(), refused_.end(), key) == refused_.end())
            refused_.emplace_back(key);
        return false;
    }
    std::string line = std::string(key) + "=" + std::string(value);
    modified_ = true;
    Range r{};
    if (!FindSection(section, r)) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::move(line));
        return true;
    }
    size_t at = 0;
    if (FindKey(r, key, at)) {
        lines_[at] = std::move(line);
        return true;
    }
    // A new key goes after the section's last non-blank line, so blank lines that separate
    // sections stay between them.
    size_t insert = r.end;
    while (insert > r.header + 1 && TrimView(lines_[insert - 1]).empty())
        --insert;
    lines_.insert(lines_.begin() + static_cast<long>(insert), std::move(line));
    return true;
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, long value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

std::string IniFile::Text() const {
    std::string text;
    for (const auto& line : lines_) {
        text += line;
        text += '\n';
    }
    return text;
}

void IniFile::UpdateFile() {
    // A value that could not be written must not pass for saved: nothing of this file is
    // written, and the error names the keys.
    if (!refused_.empty()) {
        std::string keys;
        for (const std::string& key : refused_)
            keys += (keys.empty() ? "" : ", ") + key;
        throw IniError(fileName_,
                       "Cannot write \"" + fileName_ + "\": a line break in the value of " + keys);
    }
    if (!modified_)
        return;
    std::string error;
    if (!WriteFileAtomic(fileName_, Text(), &error))
        throw IniError(fileName_, error);
    modified_ = false;
}
