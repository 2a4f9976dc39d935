#pragma once
// The result window must never overwrite the script it ran.

#include <string>

// True when saving the result to target would overwrite scriptFile: the two names are equal
// once lower-cased and trimmed, or both name the same existing file (a symlink, another
// spelling, a hard link). A script that was never saved (empty name) is never in the way.
bool WouldOverwriteScript(const std::string& scriptFile, const std::string& target);

// What the user is told instead of the save.
inline constexpr const char* kResultOverwritesScript =
    "結果ファイルでスクリプトファイルを上書きしようとしています。\nファイル名を変えて保存してくださ"
    "い。";
