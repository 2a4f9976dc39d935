#pragma once
// One VexilPro per user and desktop. The first instance holds a lock file and listens on a
// Unix-domain socket beside it; a second start sends its file path (0 to 255 bytes) there and
// ends. Both live in $XDG_RUNTIME_DIR, else in a private 0700 folder under /tmp, so no other
// user can hand a file over.

#include <string>

// Where the lock and the endpoint of one desktop live.
struct InstancePaths {
    std::string lock;
    std::string endpoint;
};
// For a display name such as ":0" (empty: no display). Creates the private folder if needed;
// empty paths when no safe folder can be had.
InstancePaths InstancePathsFor(const std::string& display);

// The named lock "VexilProMutex": held from TryAcquire until the object goes.
class InstanceLock {
public:
    explicit InstanceLock(std::string path) : path_(std::move(path)) {}
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    // True when this process is the first instance.
    bool TryAcquire();

private:
    std::string path_;
    int fd_ = -1;
};

// The first instance's endpoint "TFVexilProMain". The owner of the event loop watches Fd()
// and calls Receive when it becomes readable.
class InstanceEndpoint {
public:
    static constexpr size_t kMaxPath = 255;

    explicit InstanceEndpoint(std::string path) : path_(std::move(path)) {}
    ~InstanceEndpoint();
    InstanceEndpoint(const InstanceEndpoint&) = delete;
    InstanceEndpoint& operator=(const InstanceEndpoint&) = delete;

    // Binds and listens; call only while holding the lock (a stale socket file is replaced).
    bool Listen();
    int Fd() const { return fd_; }
    // Takes one hand-over: true with the path (possibly empty) when a sender delivered one.
    bool Receive(std::string& path);

private:
    std::string path_;
    int fd_ = -1;
};

enum class HandOver { Sent, NoEndpoint, SendFailed };
// The second instance's side: hands the path over (a path longer than 255 bytes travels as
// an empty one, so the first instance only comes forward).
HandOver SendToFirstInstance(const std::string& endpoint, const std::string& path);

// The start file from the command-line arguments: joined by blanks as one tail, a bare file
// relative path made absolute with the current folder, trimmed, and quotes around it dropped.
std::string NormaliseCommandLine(const std::string& tail, const std::string& currentDir);
