#include "config/Settingsdir.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
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

// Root's XDG_CONFIG_HOME counts only when root owns that folder: "sudo -E" keeps the caller's
// value, which names the caller's own ~/.config.
bool OwnedByRoot(const std::string& dir) {
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == 0;
}

} // namespace

SettingsUser CurrentSettingsUser() {
    SettingsUser user;
    const uid_t uid = ::geteuid();
    user.root = uid == 0;
    // HOME unset or emptied (a service, "env -i", a sudo configuration): the password
    // database still knows the user's home, as the C library's own lookups do.
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir)
        user.databaseHome = found->pw_dir;
    return user;
}

std::string UserHomeFolder(const SettingsUser& user) {
    if (!user.root) {
        if (const char* home = std::getenv("HOME"); home && UsableHome(home))
            return WithoutSlash(home);
    }
    if (UsableHome(user.databaseHome))
        return WithoutSlash(user.databaseHome);
    return {};
}

bool IsPortableProgram(const std::string& programDir) {
    std::error_code ec;
    return fs::is_regular_file(WithSlash(programDir) + kPortableMarker, ec);
}

std::string SettingsFolderFor(const std::string& programDir, bool keepBeside,
                              const SettingsUser& user) {
    if (keepBeside)
        return WithSlash(programDir);
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    // A relative XDG_CONFIG_HOME is to be ignored, as the base directory rules say.
    if (config && config[0] == '/' && (!user.root || OwnedByRoot(config)))
        base = config;
    else if (std::string home = UserHomeFolder(user); !home.empty())
        base = home + "/.config";
    else
        return WithSlash(programDir); // nowhere else to go: fail later, loudly, at the save
    return WithSlash(base) + "VexilPro/";
}

std::string SettingsFolderFor(const std::string& programDir) {
    // A portable copy in a folder the user may not write (another user's, read-only media) keeps
    // its settings where it could save them, like an installed program.
    const bool keepBeside =
        IsPortableProgram(programDir) && ::access(programDir.c_str(), W_OK) == 0;
    return SettingsFolderFor(programDir, keepBeside, CurrentSettingsUser());
}

std::string PrepareSettingsFolder(const std::string& programDir, const std::string& settingsDir) {
    std::error_code ec;
    if (WithSlash(programDir) != settingsDir && !fs::exists(settingsDir, ec)) {
        fs::create_directories(settingsDir, ec); // a failure shows at the first save
        fs::permissions(settingsDir, fs::perms::owner_all, ec);
    }
    return settingsDir;
}
