#include "platform/CommandLine.h"

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::string current;
    bool inArg = false, quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
            current += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
            inArg = true; // "" is an empty argument of its own
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inArg)
                args.push_back(std::move(current));
            current.clear();
            inArg = false;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg)
        args.push_back(std::move(current));
    return args;
}

std::string QuoteArgument(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

ShellWords SplitShellWords(std::string_view line) {
    ShellWords result;
    if (line.find('\0') != std::string_view::npos) {
        result.error = "引数に NUL 文字は使えません。";
        return result;
    }
    std::string word;
    bool inWord = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord)
                result.words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (i + 1 < line.size()) {
                if (line[i + 1] != '\n') // a backslash and a line break join two lines
                    word += line[i + 1];
                ++i;
            }
            continue;
        }
        if (c == '\'') {
            const size_t end = line.find('\'', i + 1);
            if (end == std::string_view::npos) {
                result.error = "引数の ' が閉じていません。";
                return result;
            }
            word.append(line.substr(i + 1, end - i - 1));
            i = end;
            continue;
        }
        if (c == '"') {
            size_t j = i + 1;
            for (; j < line.size() && line[j] != '"'; ++j) {
                if (line[j] == '\\' && j + 1 < line.size() &&
                    std::string_view("\"\\$`\n").find(line[j + 1]) != std::string_view::npos) {
                    if (line[j + 1] != '\n')
                        word += line[j + 1];
                    ++j;
                    continue;
                }
                word += line[j];
            }
            if (j >= line.size()) {
                result.error = "引数の \" が閉じていません。";
                return result;
            }
            i = j;
            continue;
        }
        word += c;
    }
    if (inWord)
        result.words.push_back(std::move(word));
    return result;
}

std::string JoinQuoted(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& w : words)
        line += (line.empty() ? "" : " ") + QuoteArgument(w);
    return line;
}
