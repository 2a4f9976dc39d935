#include "platform/FileJournal.h"

#include "platform/FileFacts.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<const FileJournal*> current{nullptr};

// One entry: "pid boot dev ino size mtime path" ended by a zero byte, which no path holds; a path
// may hold blanks and line feeds.
struct Entry {
    long long pid = 0;
    std::string boot;
    unsigned long long dev = 0, ino = 0;
    long long size = 0;
    long long mtime = 0; // nanoseconds: an inode freed and handed to a new file at once
                         // (ext4 and tmpfs do) is told apart by it
    std::string path;
};

std::string Format(const Entry& e) {
    return std::to_string(e.pid) + ' ' + e.boot + ' ' + std::to_string(e.dev) + ' ' +
           std::to_string(e.ino) + ' ' + std::to_string(e.size) + ' ' + std::to_string(e.mtime) +
           ' ' + e.path + '\0';
}

bool Parse(std::string_view text, Entry& e) {
    std::string fields[6];
    for (std::string& field : fields) {
        const size_t blank = text.find(' ');
        if (blank == std::string_view::npos || blank == 0)
            return false;
        field = std::string(text.substr(0, blank));
        text.remove_prefix(blank + 1);
    }
    if (text.empty() || text.front() != '/')
        return false;
    try {
        e.pid = std::stoll(fields[0]);
        e.boot = fields[1];
        e.dev = std::stoull(fields[2]);
        e.ino = std::stoull(fields[3]);
        e.size = std::stoll(fields[4]);
        e.mtime = std::stoll(fields[5]);
    } catch (const std::exception&) {
        return false;
    }
    e.path = std::string(text);
    return e.pid > 0;
}

long long MtimeOf(const struct stat& st) {
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

bool OwnerAlive(const Entry& e, const std::string& boot) {
    if (e.boot != boot)
        return false; // noted before the last boot: no process of then runs now
    return ::kill(static_cast<pid_t>(e.pid), 0) == 0 || errno == EPERM;
}

// The journal open and locked against the other instances' records and sweeps.
class Locked {
public:
    Locked(const std::string& path, int flags) {
        fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0600);
        if (fd_ >= 0)
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~Locked() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

bool WriteAllAt(int fd, std::string_view bytes, off_t at) {
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(n));
        at += n;
    }
    return true;
}

} // namespace

FileJournal::FileJournal(std::string path) : path_(std::move(path)), bootId_(BootId()) {
    if (bootId_.empty())
        bootId_ = "-";
}

std::string FileJournal::BootId() {
    std::string id;
    if (!ReadWholeFile("/proc/sys/kernel/random/boot_id", id))
        return {};
    while (!id.empty() && (id.back() == '\n' || id.back() == ' '))
        id.pop_back();
    return id.find_first_of(" \0", 0, 2) == std::string::npos ? id : std::string();
}

void FileJournal::Record(const std::string& file) const {
    struct stat st {};
    if (file.empty() || file.front() != '/' || file.find('\0') != std::string::npos ||
        ::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    const Entry e{::getpid(),
                  bootId_,
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino),
                  static_cast<long long>(st.st_size),
                  MtimeOf(st),
                  file};
    Locked journal(path_, O_WRONLY | O_APPEND | O_CREAT);
    if (journal.fd() < 0)
        return;
    const std::string line = Format(e);
    // O_APPEND: each write lands at the end, whoever else appends.
    std::string_view rest = line;
    while (!rest.empty()) {
        const ssize_t n = ::write(journal.fd(), rest.data(), rest.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        rest.remove_prefix(static_cast<size_t>(n));
    }
}

std::size_t FileJournal::Sweep() const {
    return Clean(false);
}

std::size_t FileJournal::RemoveOwn() const {
    return Clean(true);
}

std::size_t FileJournal::Clean(bool ownOnly) const {
    Locked journal(path_, O_RDWR);
    if (journal.fd() < 0)
        return 0;
    std::string text;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(journal.fd(), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buf, static_cast<size_t>(n));
    }
    std::string kept;
    std::size_t removed = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\0', start);
        if (end == std::string::npos)
            break; // an entry cut short by a crash: it noted nothing whole
        Entry e;
        const std::string_view raw(text.data() + start, end - start);
        start = end + 1;
        if (!Parse(raw, e))
            continue;
        const bool own = e.pid == ::getpid() && e.boot == bootId_;
        if (ownOnly ? !own : OwnerAlive(e, bootId_)) {
            kept += Format(e);
            continue;
        }
        struct stat st {};
        if (::lstat(e.path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            static_cast<unsigned long long>(st.st_dev) == e.dev &&
            static_cast<unsigned long long>(st.st_ino) == e.ino &&
            static_cast<long long>(st.st_size) == e.size && MtimeOf(st) == e.mtime &&
            st.st_uid == ::geteuid() && ::unlink(e.path.c_str()) == 0)
            ++removed;
    }
    if (::ftruncate(journal.fd(), 0) == 0 && !kept.empty())
        WriteAllAt(journal.fd(), kept, 0);
    return removed;
}

void SetFileJournal(const FileJournal* journal) {
    current.store(journal);
}

void RecordMadeFile(const std::string& file) {
    if (const FileJournal* journal = current.load())
        journal->Record(file);
}

std::string AsideFolder() {
    const FileJournal* journal = current.load();
    return journal ? ExtractFileDir(journal->Path()) : TempFolder();
}
