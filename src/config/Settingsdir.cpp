#include "config/Settingsdir.h"

#include "config/Seedlangs.h"
#include "platform/FileFacts.h"
#include "platform/Launcher.h"

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

bool HasDefinitions(const std::string& defsDir) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(defsDir, ec))
        if (entry.is_regular_file() && LowerAscii(entry.path().extension().string()) == ".def")
            return true;
    return false;
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
    if (WithSlash(programDir) == settingsDir)
        return settingsDir;
    std::error_code ec;
    const std::string defs = settingsDir + "defs/";
    if (HasDefinitions(defs))
        return settingsDir;
    fs::create_directories(defs, ec);
    fs::permissions(settingsDir, fs::perms::owner_all, ec);
    for (const auto& entry : fs::directory_iterator(WithSlash(programDir) + "defs", ec))
        if (entry.is_regular_file())
            fs::copy_file(entry.path(), defs + entry.path().filename().string(),
                          fs::copy_options::skip_existing, ec);
    // An installed definition of a language stands; the others are written for what PATH has.
    SeedLanguages(defs, [&defs](const std::string& program) {
        for (const LanguageSeed& seed : LanguageSeeds())
            if (seed.program == program && fs::exists(defs + seed.fileName + std::string(".def")))
                return std::string();
        return FindOnPath(program);
    });
    return settingsDir;
}
