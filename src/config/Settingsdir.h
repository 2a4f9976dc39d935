#pragma once
// Where a user's settings live. A program folder the user may write to keeps everything beside
// the program (a portable install, as the program has always worked); an installed program's
// folder is not writable, so its settings file, defs/ and default temporary folder move to
// $XDG_CONFIG_HOME/VexilPro/ (else ~/.config/VexilPro/).

#include <functional>
#include <string>

// The user's home folder: HOME when it is an absolute folder other than "/", else the one the
// password database gives the user (with the same rule), else empty.
std::string UserHomeFolder();

// The folder, with a trailing '/'. writable answers whether the program folder may be written.
// Without a usable XDG_CONFIG_HOME or home folder, the program folder (its save then fails with
// a message, rather than settings landing in "/.config").
std::string SettingsFolderFor(const std::string& programDir,
                              const std::function<bool(const std::string&)>& writable);
std::string SettingsFolderFor(const std::string& programDir);

// Makes settingsDir, private to the user, when it is not the program folder and does not exist
// yet (its definitions come with the first start, KVexilConfig::LoadDefFiles). Answers it.
std::string PrepareSettingsFolder(const std::string& programDir, const std::string& settingsDir);
