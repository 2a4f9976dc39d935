#include "PerlPattern.h"

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAsciiAlnum(char c) {
    return IsAsciiLetter(c) || (c >= '0' && c <= '9');
}

char ClosingPartner(char open) {
    switch (open) {
    case '(':
        return ')';
    case '[':
        return ']';
    case '{':
        return '}';
    case '<':
        return '>';
    default:
        return open;
    }
}

} // namespace

bool ParsePerlPattern(std::string_view pattern, PerlPattern& out, std::string& error) {
    out = PerlPattern{};
    size_t open = 0;
    if (!pattern.empty() && pattern[0] == 'm')
        open = 1;
    if (open >= pattern.size()) {
        error = "pattern must have the form m/expression/flags";
        return false;
    }
    char delimiter = pattern[open];
    if (IsAsciiAlnum(delimiter) || delimiter == ' ' || delimiter == '\\' ||
        static_cast<unsigned char>(delimiter) >= 0x80 || (open == 0 && delimiter != '/')) {
        error = "pattern must have the form m/expression/flags";
        return false;
    }
    size_t close = pattern.size();
    while (close > open + 1 && IsAsciiLetter(pattern[close - 1]))
        --close;
    // close is now one past the closing delimiter.
    if (close <= open + 1 || pattern[close - 1] != ClosingPartner(delimiter)) {
        error = "pattern lacks its closing delimiter";
        return false;
    }
    out.expression.assign(pattern.substr(open + 1, close - 1 - (open + 1)));
    for (char flag : pattern.substr(close)) {
        switch (flag) {
        case 'k':
            out.cp932 = true;
            break;
        case 'i':
            out.caseless = true;
            break;
        case 'm':
            out.multiline = true;
            break;
        case 's':
            out.dotAll = true;
            break;
        case 'x':
            out.extended = true;
            break;
        default:
            error = std::string("unknown flag '") + flag + "'";
            return false;
        }
    }
    return true;
}
