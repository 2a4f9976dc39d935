#include "windows/logic/ErrorTarget.h"

#include "config/Kvexilconfig.h"
#include "platform/FileFacts.h"
#include "regex/Kregexp.h"
#include "windows/logic/TagJump.h"

namespace {

std::string AbsoluteIn(const std::string& folder, const std::string& file) {
    if (file.empty() || file.front() == '/' || folder.empty())
        return file;
    return folder.back() == '/' ? folder + file : folder + "/" + file;
}

} // namespace

std::optional<ErrorTarget> ResolveErrorEntry(std::string_view entry, const KVexilConfig& config,
                                             const std::string& runFolder,
                                             const std::string& scriptFile) {
    const int line = TagJumpLineNumber(entry, config);
    if (line == -1)
        return std::nullopt;
    ErrorTarget target;
    target.line = line;
    if (config.Current && !config.Current->RegExpFile.empty() &&
        RegExpMatchUtf8(std::string(entry), config.Current->RegExpFile) &&
        !RegExpGroups[1].empty()) {
        target.file = AbsoluteIn(runFolder, RegExpGroups[1]);
        const bool copy =
            (!config.LastRunCopy.empty() && target.file == config.LastRunCopy) ||
            LowerAscii(target.file) == LowerAscii(AbsoluteIn(runFolder, config.GetTempFilePath()));
        if (copy || target.file == AbsoluteIn(runFolder, scriptFile))
            target.file = scriptFile;
    }
    return target;
}
