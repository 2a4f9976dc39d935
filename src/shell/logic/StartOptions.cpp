#include "shell/logic/StartOptions.h"

StartOptions ParseStartOptions(const std::vector<std::string>& args) {
    StartOptions options;
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (optionsEnded || arg.size() < 2 || arg.front() != '-') {
            words.push_back(arg); // "-" alone is a name too
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            options.action = StartOptions::Action::Help;
            return options;
        } else if (arg == "--version") {
            options.action = StartOptions::Action::Version;
            return options;
        } else {
            options.action = StartOptions::Action::Refuse;
            options.refused = arg;
            return options;
        }
    }
    for (size_t i = 0; i < words.size(); ++i)
        options.fileTail += (i ? " " : "") + words[i];
    return options;
}

std::string UsageText() {
    return "Usage: vexilpro [OPTION]... [--] [FILE]\n"
           "Edit FILE (or a new script) and run it with its language's interpreter: F9 runs it,\n"
           "the output shows in the result window and the errors in the error list.\n"
           "When VexilPro already runs on this desktop, FILE opens there and this command ends.\n"
           "\n"
           "  -h, --help     show this help and exit\n"
           "      --version  show the version and exit\n"
           "  --             end of the options: what follows is the file, even if it begins\n"
           "                 with '-'\n"
           "\n"
           "Settings: $XDG_CONFIG_HOME/VexilPro/ (else ~/.config/VexilPro/); a portable copy\n"
           "(VexilPro.portable beside the program) keeps them beside itself.\n"
           "Manual: man vexilpro. The program's own help: ヘルプ > 目次 (Help > Contents).\n";
}

std::string VersionText(const std::string& version) {
    return "VexilPro " + version + "\n";
}

std::string RefusalText(const std::string& option) {
    return "vexilpro: unknown option '" + option + "'\n" +
           "Try 'vexilpro --help' for more information; 'vexilpro -- " + option +
           "' opens a file of that name.\n";
}
