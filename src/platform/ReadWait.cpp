#include "platform/ReadWait.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::string ReadSmallFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    char buffer[1024];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

bool IsReadCall(long number) {
    switch (number) {
    case SYS_read:
    case SYS_readv:
    case SYS_pread64:
    case SYS_preadv:
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<int> ReadingDescriptor(std::string_view line) {
    // "NR arg1 arg2 ... sp pc" with the arguments in hexadecimal; "running" or "-1 sp pc"
    // when the process is in no call.
    const std::string text(line);
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || !IsReadCall(number))
        return std::nullopt;
    char* after = nullptr;
    const unsigned long fd = std::strtoul(end, &after, 16);
    if (after == end || fd > 0x7FFFFFFF)
        return std::nullopt;
    return static_cast<int>(fd);
}

pid_t GroupOfStat(std::string_view line) {
    // "pid (name) state ppid pgrp ...": the name ends at the last ')'.
    const std::size_t close = line.rfind(')');
    if (close == std::string_view::npos)
        return -1;
    const std::string rest(line.substr(close + 1));
    char state = 0;
    long ppid = 0, pgrp = 0;
    if (std::sscanf(rest.c_str(), " %c %ld %ld", &state, &ppid, &pgrp) != 3)
        return -1;
    return static_cast<pid_t>(pgrp);
}

bool GroupWaitsOnPipe(pid_t group, ino_t pipeInode) {
    if (group <= 0)
        return false;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return false;
    const std::string pipe = "pipe:[" + std::to_string(pipeInode) + "]";
    bool waits = false;
    while (const dirent* entry = ::readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
            continue;
        const std::string dir = std::string("/proc/") + entry->d_name;
        if (GroupOfStat(ReadSmallFile(dir + "/stat")) != group)
            continue;
        const std::optional<int> fd = ReadingDescriptor(ReadSmallFile(dir + "/syscall"));
        if (!fd)
            continue;
        char target[64];
        const std::string link = dir + "/fd/" + std::to_string(*fd);
        const ssize_t n = ::readlink(link.c_str(), target, sizeof target);
        if (n > 0 && std::string_view(target, static_cast<std::size_t>(n)) == pipe) {
            waits = true;
            break;
        }
    }
    ::closedir(proc);
    return waits;
}
