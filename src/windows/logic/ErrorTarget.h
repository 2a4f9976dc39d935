#pragma once
// Where an error line leads: the one rule behind the tag jump (in the program and in the external
// editor), F4's walk and the margin marks. The current language's RegExpErr gives the line (the
// first digits of its match), RegExpFile's group 1 the file; what the name then stands for is
// decided here, the same way for every caller.

#include <optional>
#include <string>
#include <string_view>

class KDefConfig;
class KVexilConfig;

struct ErrorTarget {
    std::string file; // absolute path (UTF-8); empty when the entry names no file (= the script)
    int line = 0;     // from 1 (0 when the entry itself says line 0)
};

// Where an error line (UTF-8) leads: nothing when it names no line, or names only a frame that is
// no file on disk (node:internal/..., <string>, (eval), <anonymous>, ...). A name of the hidden
// run copy maps back to the script's own path (scriptFile). file:// URLs decoded. Relative names
// are taken against runFolder.
std::optional<ErrorTarget> ResolveErrorEntry(std::string_view entry, const KVexilConfig& config,
                                             const std::string& runFolder,
                                             const std::string& scriptFile);

// The line and the name as the entry gives them, before any folder is asked: what F4 needs to
// know whether a row leads anywhere. The name is decoded from a file:// URL and empty when the
// entry names no file; nothing as for ResolveErrorEntry.
struct NamedLine {
    std::string name;
    int line = 0;
};
std::optional<NamedLine> ReadErrorEntry(std::string_view entry, const KDefConfig& language);

// Whether a name from error output stands for no file on disk: an interpreter's own frames and
// evaluated strings (<string>, <frozen runpy>, evalmachine.<anonymous>, (eval 5), (eval),
// node:internal/modules/cjs/loader, node:fs).
bool NamesNoFile(std::string_view name);

// The path a file:// URL names, percent escapes decoded (file:///a%20b, file://localhost/a b);
// any other text as it is.
std::string PathOfFileUrl(std::string_view name);

// name made absolute against folder (the current folder when folder is empty) and cleared of
// "." and ".." steps, so that two names of one file compare equal as text.
std::string AbsolutePathFrom(const std::string& folder, const std::string& name);
