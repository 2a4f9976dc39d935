#include "platform/CommandLine.h"

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::string current;
    bool inArg = false, quoted = false;
    for (char c : line) {
        if (c == '"') {
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
