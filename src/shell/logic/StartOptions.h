#pragma once
// The command line a user types: --help and --version answer and end; "--" ends the options, so
// a file whose name begins with '-' can be opened; any other option is refused rather than
// taken for a file to create. The words that remain name the start file.

#include <string>
#include <vector>

struct StartOptions {
    enum class Action { Start, Help, Version, Refuse };
    Action action = Action::Start;
    std::string fileTail; // Start: the file words joined by blanks, as one command-line tail
    std::string refused;  // Refuse: the option that is not known
};

// args: the arguments after the program's name.
StartOptions ParseStartOptions(const std::vector<std::string>& args);

// What --help prints, and --version; each ends with a line end.
std::string UsageText();
std::string VersionText(const std::string& version);
// What a refused option prints on standard error.
std::string RefusalText(const std::string& option);
