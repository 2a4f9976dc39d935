#pragma once
// Which file and line an error line leads to.

#include <optional>
#include <string>
#include <string_view>

class KVexilConfig;

struct ErrorTarget {
    std::string file; // absolute path (UTF-8); empty when the entry names no file (= the script)
    int line = 0;     // from 1
};

// The file and line the entry (UTF-8) names through the current language's expressions; a name
// relative to runFolder is made absolute against it, and the copy a run executed stands for
// scriptFile. Nothing when the entry names no line.
std::optional<ErrorTarget> ResolveErrorEntry(std::string_view entry, const KVexilConfig& config,
                                             const std::string& runFolder,
                                             const std::string& scriptFile);
