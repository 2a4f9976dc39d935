#include "platform/SingleInstance.h"

#include "platform/FileFacts.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::string PrivateFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && DirectoryExists(runtime))
        return runtime;
    std::string dir = "/tmp/vexilpro-" + std::to_string(::getuid());
    ::mkdir(dir.c_str(), 0700);
    struct stat st {};
    // Someone else's folder, or one others can write to, is not ours to trust.
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 077) != 0)
        return {};
    return dir;
}

std::string Sanitise(const std::string& display) {
    std::string out;
    for (char c : display)
        out += (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-') ? c : '_';
    return out.empty() ? "nodisplay" : out;
}

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, path.data(), path.size());
    return true;
}

} // namespace

InstancePaths InstancePathsFor(const std::string& display) {
    std::string dir = PrivateFolder();
    if (dir.empty())
        return {};
    std::string tag = Sanitise(display);
    return {dir + "/VexilProMutex-" + tag + ".lock", dir + "/TFVexilProMain-" + tag + ".sock"};
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool InstanceLock::TryAcquire() {
    if (fd_ >= 0)
        return true;
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

InstanceEndpoint::~InstanceEndpoint() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
}

bool InstanceEndpoint::Listen() {
    sockaddr_un addr{};
    if (!FillAddress(path_, addr))
        return false;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    ::unlink(path_.c_str());
    mode_t old = ::umask(077);
    bool ok =
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && ::listen(fd, 8) == 0;
    ::umask(old);
    if (!ok) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool InstanceEndpoint::Receive(std::string& path) {
    path.clear();
    int conn = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (conn < 0)
        return false;
    // Only the same user may hand a file over.
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(conn, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != ::getuid()) {
        ::close(conn);
        return false;
    }
    char buf[kMaxPath + 1];
    size_t got = 0;
    bool ok = true;
    while (got <= kMaxPath) {
        pollfd p{conn, POLLIN, 0};
        if (::poll(&p, 1, 1000) <= 0) { // a sender that stalls is dropped
            ok = false;
            break;
        }
        ssize_t n = ::read(conn, buf + got, sizeof buf - got);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        got += static_cast<size_t>(n);
    }
    ::close(conn);
    if (!ok || got > kMaxPath)
        return false;
    path.assign(buf, got);
    return true;
}

HandOver SendToFirstInstance(const std::string& endpoint, const std::string& path) {
    sockaddr_un addr{};
    if (!FillAddress(endpoint, addr))
        return HandOver::NoEndpoint;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return HandOver::SendFailed;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return HandOver::NoEndpoint;
    }
    std::string text = path.size() > InstanceEndpoint::kMaxPath ? std::string() : path;
    const char* p = text.data();
    size_t left = text.size();
    bool ok = true;
    while (left > 0) {
        ssize_t n = ::send(fd, p, left, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    ok = ok && ::shutdown(fd, SHUT_WR) == 0;
    ::close(fd);
    return ok ? HandOver::Sent : HandOver::SendFailed;
}

std::string NormaliseCommandLine(const std::string& tail, const std::string& currentDir) {
    std::string path = Trim(tail);
    if (path.size() > 2 && path.find('"') != std::string::npos)
        path = path.substr(1, path.size() - 2);
    // Any relative path is made absolute, not only a bare name, and only once blanks and
    // quotes are gone: the first instance that may receive it runs in another folder.
    if (!path.empty() && path.front() != '/') {
        std::string dir = currentDir;
        if (dir.empty() || dir.back() != '/')
            dir += '/';
        path = dir + path;
    }
    return path;
}
