#pragma once
// Helpers of the tests that look at the program as it is installed: shell commands with their
// output, and the keys of a desktop entry.

#include <string>

struct CommandResult {
    int status = -1;    // the exit code; -1 when the command did not end normally
    std::string output; // standard output and standard error together
};

// Runs a shell command; answers its exit code and everything it printed.
CommandResult RunCommand(const std::string& command);

// The value of a key of the desktop entry's [Desktop Entry] group, or "" when it has none.
std::string DesktopKey(const std::string& desktopFile, const std::string& key);

// The shell's single-quoted form of a word.
std::string Quoted(const std::string& word);
