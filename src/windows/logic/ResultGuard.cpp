#include "windows/logic/ResultGuard.h"

#include "platform/FileFacts.h"

#include <sys/stat.h>

bool WouldOverwriteScript(const std::string& scriptFile, const std::string& target) {
    if (scriptFile.empty())
        return false;
    if (Trim(LowerAscii(scriptFile)) == Trim(LowerAscii(target)))
        return true;
    struct stat script {};
    struct stat other {};
    return ::stat(scriptFile.c_str(), &script) == 0 && ::stat(target.c_str(), &other) == 0 &&
           script.st_dev == other.st_dev && script.st_ino == other.st_ino;
}
