#include "windows/logic/UnsavedText.h"

#include "platform/FileFacts.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kName = "VexilPro.unsaved";

// The first line names the file, the second the code and line ends; the rest is the text. A
// file name with a line break in it is not kept (the text still is).
std::string Format(const KeptScript& s) {
    const std::string name =
        s.fileName.find_first_of("\r\n") == std::string::npos ? s.fileName : "";
    return name + "\n" + std::to_string(s.code) + " " + std::to_string(s.lineEnd) + "\n" + s.utf8;
}

} // namespace

bool KeepUnsavedText(const std::string& settingsDir, const KeptScript& script) {
    const std::string path = settingsDir + kName;
    // Made 0600 first: the atomic write keeps the mode of the file it replaces.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    ::fchmod(fd, 0600);
    ::close(fd);
    return WriteFileAtomic(path, Format(script), nullptr, Links::Replace);
}

std::optional<KeptScript> TakeUnsavedText(const std::string& settingsDir) {
    const std::string path = settingsDir + kName;
    std::string text;
    if (!FileExists(path) || !ReadWholeFile(path, text))
        return std::nullopt;
    ::unlink(path.c_str());
    const size_t first = text.find('\n');
    const size_t second = first == std::string::npos ? first : text.find('\n', first + 1);
    if (second == std::string::npos)
        return std::nullopt;
    KeptScript kept;
    kept.fileName = text.substr(0, first);
    const std::string numbers = text.substr(first + 1, second - first - 1);
    if (std::sscanf(numbers.c_str(), "%d %d", &kept.code, &kept.lineEnd) != 2)
        return std::nullopt;
    kept.utf8 = text.substr(second + 1);
    return kept;
}
