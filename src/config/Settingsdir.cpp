#include "config/Settingsdir.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string WithSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

} // namespace

std::string SettingsFolderFor(const std::string& programDir,
                              const std::function<bool(const std::string&)>& writable) {
    if (writable(programDir))
        return WithSlash(programDir);
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    // A relative XDG_CONFIG_HOME is to be ignored, as the base directory rules say.
    if (config && config[0] == '/')
        base = config;
    else if (const char* home = std::getenv("HOME"); home && home[0])
        base = std::string(home) + "/.config";
    else
        return WithSlash(programDir); // nowhere else to go: fail later, loudly, at the save
    return WithSlash(base) + "VexilPro/";
}

std::string SettingsFolderFor(const std::string& programDir) {
    return SettingsFolderFor(
        programDir, [](const std::string& dir) { return ::access(dir.c_str(), W_OK) == 0; });
}

std::string PrepareSettingsFolder(const std::string& programDir, const std::string& settingsDir) {
    std::error_code ec;
    if (WithSlash(programDir) != settingsDir && !fs::exists(settingsDir, ec)) {
        fs::create_directories(settingsDir, ec); // a failure shows at the first save
        fs::permissions(settingsDir, fs::perms::owner_all, ec);
    }
    return settingsDir;
}
