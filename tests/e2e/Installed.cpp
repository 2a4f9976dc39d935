#include "e2e/Installed.h"
#include "support/TempDir.h"

#include <array>
#include <cstdio>
#include <sstream>
#include <sys/wait.h>

CommandResult RunCommand(const std::string& command) {
    CommandResult result;
    FILE* p = ::popen(("(" + command + ") 2>&1").c_str(), "r");
    if (!p)
        return result;
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        result.output.append(buf.data(), n);
    int status = ::pclose(p);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string DesktopKey(const std::string& desktopFile, const std::string& key) {
    std::istringstream in(ReadFileBytes(desktopFile));
    std::string line;
    bool inEntry = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[')
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    }
    return {};
}

std::string Quoted(const std::string& word) {
    std::string out = "'";
    for (char c : word)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}
