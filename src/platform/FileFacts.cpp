#include "platform/FileFacts.h"

#include "platform/FileJournal.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ExtractFileDir(std::string_view path) {
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    if (slash == 0 || path[slash - 1] == '/')
        return std::string(path.substr(0, slash + 1));
    return std::string(path.substr(0, slash));
}

std::string ExtractFilePath(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string ExtractFileName(std::string_view path) {
    size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFileExt(std::string_view path) {
    size_t dot = path.rfind('.');
    size_t slash = path.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return std::string(path.substr(dot));
}

std::string Trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 0x20)
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 0x20)
        --e;
    return std::string(text.substr(b, e - b));
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && LowerAscii(a) == LowerAscii(b);
}

std::string ProgramDir() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return "./";
    return ExtractFilePath(std::string_view(buf, static_cast<size_t>(n)));
}

long long FileAgeOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        bytes.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            bytes.append(buf, static_cast<size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ok = false;
            break;
        }
    }
    ::close(fd);
    return ok;
}

bool ReadRegularFile(const std::string& path, std::size_t limit, std::string& bytes) {
    bytes.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    // Non-blocking, in case the name became a FIFO since: the open does not wait for a writer.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok)
        bytes.reserve(std::min(limit, static_cast<std::size_t>(st.st_size)));
    char buf[65536];
    while (ok && bytes.size() < limit) {
        ssize_t n = ::read(fd, buf, std::min(sizeof buf, limit - bytes.size()));
        if (n > 0)
            bytes.append(buf, static_cast<size_t>(n));
        else if (n == 0)
            break;
        else if (errno != EINTR)
            ok = false;
    }
    ::close(fd);
    return ok;
}

namespace {

bool Fail(std::string* error, const std::string& path, const char* what, int err) {
    if (error)
        *error = "Cannot write \"" + path + "\": " + what +
                 (err ? std::string(": ") + std::strerror(err) : "");
    return false;
}

} // namespace

namespace {

// 0, or the errno of the write that failed.
int WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        p += n;
        left -= static_cast<size_t>(n);
    }
    return 0;
}

} // namespace

namespace {

std::string CurrentFolder() {
    char buf[PATH_MAX];
    return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

// The longest name a folder entry may have (ext4, xfs, btrfs, tmpfs).
constexpr size_t kNameMax = NAME_MAX;

// A name beside the file for a temporary of ours: the file's name, cut where the whole would
// pass the longest name a folder takes (never inside a UTF-8 character), and a mark of ours
// with six places for mkostemp. The user's own name is never shortened; only ours is.
std::string TemporaryName(const std::string& name, const char* mark) {
    const std::string tail = std::string(mark) + "XXXXXX";
    size_t keep = std::min(name.size(), kNameMax - 1 - tail.size());
    while (keep > 0 && keep < name.size() &&
           (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep;
    return "." + name.substr(0, keep) + tail;
}

// Reads what fd holds from its start; false on a read error.
bool ReadAll(int fd, std::string& bytes) {
    char buf[65536];
    off_t at = 0;
    for (;;) {
        ssize_t n = ::pread(fd, buf, sizeof buf, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        bytes.append(buf, static_cast<size_t>(n));
        at += n;
    }
}

// 0, or the errno of the write that failed.
int WriteAllAt(int fd, std::string_view bytes) {
    off_t at = 0;
    while (!bytes.empty()) {
        ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        bytes.remove_prefix(static_cast<size_t>(n));
        at += n;
    }
    return 0;
}

// fd's whole content becomes bytes: written from the start, cut to its size, synced.
int Overwrite(int fd, std::string_view bytes) {
    if (int err = WriteAllAt(fd, bytes))
        return err;
    if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd) != 0)
        return errno;
    return 0;
}

// A writable file in a folder its saver may not write to can only be written in place, as
// QSaveFile's direct-write fallback does. So that neither a full disk nor a failure midway
// leaves it cut, the new size is reserved before a byte changes, and the old content is kept
// in a file of ours until the new one is whole (and written back when it cannot be).
bool WriteInPlace(const std::string& path, const std::string& target, std::string_view bytes,
                  std::string* error) {
    int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return Fail(error, path, "cannot create a temporary file beside it", errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    std::string old;
    if (!ReadAll(fd, old))
        return Fail(error, path, "cannot read the file to keep it", errno);
    if (bytes.size() > old.size()) {
        int err = ::posix_fallocate(fd, 0, static_cast<off_t>(bytes.size()));
        if (err != 0 && err != EOPNOTSUPP && err != EINVAL)
            return Fail(error, path, "no room for the new content; the file is unchanged", err);
    }
    std::string aside = AsideFolder();
    if (!aside.empty() && aside.back() != '/')
        aside += '/';
    aside += TemporaryName(ExtractFileName(target), ".vexil-aside-");
    int keep = ::mkostemp(aside.data(), O_CLOEXEC);
    if (keep < 0)
        return Fail(error, path, "cannot keep the old content aside; the file is unchanged", errno);
    int err = WriteAll(keep, old);
    if (!err && ::fsync(keep) != 0)
        err = errno;
    ::close(keep);
    if (err) {
        ::unlink(aside.c_str());
        return Fail(error, path, "cannot keep the old content aside; the file is unchanged", err);
    }
    if (int werr = Overwrite(fd, bytes)) {
        if (Overwrite(fd, old) == 0) {
            ::unlink(aside.c_str());
            return Fail(error, path, "write failed; the old content was written back", werr);
        }
        return Fail(error, path, ("write failed; the old content is kept in " + aside).c_str(),
                    werr);
    }
    ::unlink(aside.c_str());
    return true;
}

} // namespace

bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error,
                     Links links) {
    std::string target = path;
    char resolved[PATH_MAX];
    struct stat lst {};
    if (links == Links::Follow && ::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) &&
        ::realpath(path.c_str(), resolved))
        target = resolved;

    mode_t mode = 0666 & ~[] {
        mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    struct stat st {};
    bool exists = (links == Links::Follow ? ::stat(target.c_str(), &st)
                                          : ::lstat(target.c_str(), &st)) == 0 &&
                  !(links == Links::Replace && S_ISLNK(st.st_mode));
    if (exists) {
        if (!S_ISREG(st.st_mode))
            return Fail(error, path, "not a regular file", 0);
        if ((st.st_mode & 0222) == 0)
            return Fail(error, path, "the file is read-only", 0);
        mode = st.st_mode & 07777;
    }

    std::string dir = ExtractFilePath(target);
    std::string tmpl = (dir.empty() ? std::string("./") : dir) +
                       TemporaryName(ExtractFileName(target), ".vexil-save-");
    int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        if (exists && links == Links::Follow && (err == EACCES || err == EPERM))
            return WriteInPlace(path, target, bytes, error);
        return Fail(error, path, "cannot create a temporary file beside it", err);
    }

    if (int err = WriteAll(fd, bytes)) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        return Fail(error, path, "write failed", err);
    }
    // The file keeps its owner and group where the saver may give them (root may; a user may
    // give a group of its own), so a save by root does not hand a user's file to root.
    if (exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
        ::fchown(fd, st.st_uid, st.st_gid) != 0) [[maybe_unused]]
        int ignored = ::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
    // Noted before the rename, so a save killed in between leaves nothing unknown behind.
    RecordMadeFile(tmpl.front() == '/' ? tmpl : CurrentFolder() + "/" + tmpl);
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
        int err = errno;
        ::close(fd);
        ::unlink(tmpl.c_str());
        return Fail(error, path, "cannot finish the temporary file", err);
    }
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        return Fail(error, path, "cannot close the temporary file", err);
    }
    if (::rename(tmpl.c_str(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        return Fail(error, path, "cannot replace the file", err);
    }
    int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

std::string UserDesktopFolder() {
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        return {};
    const std::string homeDir = home;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string dirs =
        (config && *config ? std::string(config) : homeDir + "/.config") + "/user-dirs.dirs";
    std::string text;
    if (ReadWholeFile(dirs, text)) {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            std::string line =
                Trim(text.substr(start, end == std::string::npos ? end : end - start));
            start = end == std::string::npos ? text.size() : end + 1;
            const std::string key = "XDG_DESKTOP_DIR=";
            if (line.rfind(key, 0) != 0)
                continue;
            std::string value = line.substr(key.size());
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            if (value.rfind("$HOME", 0) == 0)
                value = homeDir + value.substr(5);
            while (value.size() > 1 && value.back() == '/')
                value.pop_back();
            if (!value.empty() && value.front() == '/')
                return value;
        }
    }
    return homeDir + "/Desktop";
}

std::string TempFolder() {
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

std::size_t AvailableMemory() {
    std::FILE* info = std::fopen("/proc/meminfo", "re");
    if (!info)
        return 0;
    char line[256];
    unsigned long long kb = 0;
    while (std::fgets(line, sizeof line, info))
        if (std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1)
            break;
    std::fclose(info);
    return static_cast<std::size_t>(kb) * 1024;
}
