#include "config/Settingsdir.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string WithSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

// A home folder that can hold settings: absolute, and not the root (whose .config would be
// a folder for everybody, and not the user's).
bool UsableHome(const std::string& home) {
    return home.size() > 1 && home.front() == '/' &&
           home.find_first_not_of('/') != std::string::npos;
}

std::string WithoutSlash(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

} // namespace

std::string UserHomeFolder() {
    if (const char* home = std::getenv("HOME"); home && UsableHome(home))
        return WithoutSlash(home);
    // HOME unset or emptied (a service, "env -i", a sudo configuration): the password
    // database still knows the user's home, as the C library's own lookups do.
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && UsableHome(found->pw_dir))
        return WithoutSlash(found->pw_dir);
    return {};
}

std::string SettingsFolderFor(const std::string& programDir,
                              const std::function<bool(const std::string&)>& writable) {
    if (writable(programDir))
        return WithSlash(programDir);
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    // A relative XDG_CONFIG_HOME is to be ignored, as the base directory rules say.
    if (config && config[0] == '/')
        base = config;
    else if (std::string home = UserHomeFolder(); !home.empty())
        base = home + "/.config";
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
