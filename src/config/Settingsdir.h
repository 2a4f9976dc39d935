#pragma once
// Where a user's settings live. A portable program (a marker file beside it, as the build folder
// has) keeps everything beside itself when its folder may be written; any other program, an
// installed one above all, keeps its settings file, defs/ and default temporary folder in
// $XDG_CONFIG_HOME/VexilPro/ (else ~/.config/VexilPro/), root included: root never writes into
// the program folder, where a package's removal would leave them behind.

#include <string>

// The file beside the program that makes it portable. The build writes it into the build
// folder; an install never ships it.
inline constexpr const char* kPortableMarker = "VexilPro.portable";

// Who runs the program, as far as the settings folder cares.
struct SettingsUser {
    bool root = false;        // the effective user is root
    std::string databaseHome; // the home the password database gives that user ("" for none)
};
SettingsUser CurrentSettingsUser();

// The user's home folder, without a trailing '/': HOME when it is an absolute folder other than
// "/", else the password database's home (with the same rule), else empty. Root's home is always
// the database's: "sudo -E" keeps the caller's HOME, and root's files must not land there.
std::string UserHomeFolder(const SettingsUser& user);

// Whether the program folder holds the portable marker (a regular file, after links).
bool IsPortableProgram(const std::string& programDir);

// The folder, with a trailing '/'. keepBeside: the program is portable and its folder writable.
// Otherwise $XDG_CONFIG_HOME (absolute only; for root only a folder root owns), else the home's
// .config. Without either, the program folder: its save then fails with a message, rather than
// settings landing in "/.config".
std::string SettingsFolderFor(const std::string& programDir, bool keepBeside,
                              const SettingsUser& user);
std::string SettingsFolderFor(const std::string& programDir);

// Makes settingsDir, private to the user, when it is not the program folder and does not exist
// yet (its definitions come with the first start, KVexilConfig::LoadDefFiles). Answers it.
std::string PrepareSettingsFolder(const std::string& programDir, const std::string& settingsDir);
