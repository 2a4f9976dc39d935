#include "windows/logic/ErrorTarget.h"

#include "config/Kvexilconfig.h"
#include "platform/FileFacts.h"
#include "regex/Kregexp.h"
#include "windows/logic/ErrorLines.h"

#include <cctype>
#include <filesystem>
#include <system_error>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Whether a and b are one file: the same text, or the same name in one folder reached by two
// paths (a link). Interpreters print real paths (Node, Python) or the path they were given, and
// the run's copy is gone by the time its errors are read, so the folders are compared, not the
// files. Only a name already equal costs a look at the disk.
bool SameFile(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    if (a.empty() || b.empty() || ExtractFileName(a) != ExtractFileName(b))
        return false;
    std::error_code ec;
    return std::filesystem::equivalent(ExtractFileDir(a), ExtractFileDir(b), ec) && !ec;
}

// The copy of the script the last run executed, or the language's temporary file, which an
// error line names in place of the script. The temporary file is compared without regard to
// case, as the tag jump has always done.
bool NamesTheRunCopy(const std::string& file, const KVexilConfig& config,
                     const std::string& runFolder) {
    // A relative TempDir makes a relative copy name: it was relative to the run's folder too.
    if (!config.LastRunCopy.empty() &&
        SameFile(file, AbsolutePathFrom(runFolder, config.LastRunCopy)))
        return true;
    const std::string temp = config.GetTempFilePath();
    return !temp.empty() && LowerAscii(file) == LowerAscii(AbsolutePathFrom(runFolder, temp));
}

} // namespace

std::string PathOfFileUrl(std::string_view name) {
    constexpr std::string_view kScheme = "file://";
    if (name.size() < kScheme.size() || LowerAscii(std::string(name.substr(0, 7))) != kScheme)
        return std::string(name);
    std::string_view rest = name.substr(kScheme.size());
    // file://host/path: the host (localhost, as a rule) names this machine.
    if (rest.empty() || rest.front() != '/') {
        const std::size_t slash = rest.find('/');
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    }
    std::string path;
    path.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 &&
            HexValue(rest[i + 2]) >= 0) {
            path += static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
            i += 2;
        } else {
            path += rest[i];
        }
    }
    return path;
}

bool NamesNoFile(std::string_view name) {
    if (name.empty())
        return false;
    // <string>, <stdin>, <frozen runpy>, <anonymous>, <internal:kernel>, evalmachine.<anonymous>
    if (name.front() == '<' || name.back() == '>')
        return true;
    // Perl's (eval 5) and (re_eval 1), Ruby's (eval) and (irb)
    if (name.front() == '(' && name.back() == ')')
        return true;
    // A scheme other than file: node:internal/modules/cjs/loader, node:fs. Two letters at
    // least, so that no one-letter folder name of a relative path is taken for one.
    std::size_t i = 0;
    while (i < name.size() && (std::isalnum(static_cast<unsigned char>(name[i])) ||
                               name[i] == '+' || name[i] == '-' || name[i] == '.'))
        ++i;
    return i >= 2 && i < name.size() && name[i] == ':' &&
           std::isalpha(static_cast<unsigned char>(name[0])) &&
           LowerAscii(std::string(name.substr(0, i))) != "file";
}

std::string AbsolutePathFrom(const std::string& folder, const std::string& name) {
    if (name.empty())
        return {};
    std::filesystem::path path(name);
    if (!path.is_absolute()) {
        std::filesystem::path base(folder);
        if (folder.empty()) {
            std::error_code ec;
            base = std::filesystem::current_path(ec);
        }
        path = base / path;
    }
    return path.lexically_normal().string();
}

std::optional<NamedLine> ReadErrorEntry(std::string_view entry, const KDefConfig& language) {
    const std::string text(entry);
    const int line = ErrorLineNumber(text, language.RegExpErr);
    if (line < 0)
        return std::nullopt;
    NamedLine named{{}, line};
    // The group texts belong to the whole program: read right after the match.
    if (!language.RegExpFile.empty() && RegExpMatchUtf8(text, language.RegExpFile))
        named.name = PathOfFileUrl(RegExpGroups[1]);
    if (NamesNoFile(named.name))
        return std::nullopt;
    return named;
}

std::optional<ErrorTarget> ResolveErrorEntry(std::string_view entry, const KVexilConfig& config,
                                             const std::string& runFolder,
                                             const std::string& scriptFile) {
    if (!config.Current)
        return std::nullopt;
    std::optional<NamedLine> named = ReadErrorEntry(entry, *config.Current);
    if (!named)
        return std::nullopt;
    ErrorTarget target{{}, named->line};
    if (named->name.empty())
        return target;
    const std::string file = AbsolutePathFrom(runFolder, named->name);
    const bool script =
        !scriptFile.empty() && SameFile(file, AbsolutePathFrom(runFolder, scriptFile));
    target.file = script || NamesTheRunCopy(file, config, runFolder) ? scriptFile : file;
    return target;
}
