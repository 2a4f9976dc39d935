#include "exec/Kexecproc.h"

#include "exec/RunTerminal.h"
#include "platform/OnUnwind.h"

#include "platform/CommandLine.h"
#include "platform/FileFacts.h"
#include "platform/SpawnAttributes.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// The group of the child that a run waits for, for an end that comes from outside (a logout's
// SIGTERM). Cleared before the child is reaped, so a recycled id is never killed.
std::atomic<pid_t> runningGroup{0};

struct RunningGroup {
    explicit RunningGroup(pid_t pid) { runningGroup.store(pid); }
    ~RunningGroup() { runningGroup.store(0); }
};

struct Pipe {
    int read = -1;
    int write = -1;
    bool Open() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        read = fds[0];
        write = fds[1];
        // Room for a megabyte, where the system allows it: the child writes on while the
        // window shows what came before.
        ::fcntl(read, F_SETPIPE_SZ, 1 << 20);
        return true;
    }
    static void Close(int& fd) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    ~Pipe() {
        Close(read);
        Close(write);
    }
};

// The entries of a NAME=value\0...\0\0 block, as exec wants them.
std::vector<char*> EnvironmentEntries(std::string& block) {
    std::vector<char*> entries;
    size_t p = 0;
    while (p < block.size() && block[p] != '\0') {
        entries.push_back(block.data() + p);
        size_t end = block.find('\0', p);
        if (end == std::string::npos) {
            block.push_back('\0'); // an unterminated last entry still counts
            break;
        }
        p = end + 1;
    }
    entries.push_back(nullptr);
    return entries;
}

// Moves what a pipe holds into the stream; false once every write end is closed. What the
// stream has no room for is still read, so the child never blocks, and counted in dropped.
bool Drain(int fd, ByteStream& stream, std::size_t& dropped) {
    static thread_local char overflow[KExecProc::kReadSize];
    for (;;) {
        const size_t want = std::min(KExecProc::kReadSize, stream.Room());
        char* room = want ? stream.TryReserve(want) : nullptr;
        char* at = room ? room : overflow;
        ssize_t n = ::read(fd, at, room ? want : KExecProc::kReadSize);
        if (n > 0) {
            if (room)
                stream.Commit(static_cast<size_t>(n));
            else
                dropped += static_cast<size_t>(n);
            if (static_cast<size_t>(n) < KExecProc::kReadSize)
                return true; // most likely empty now; poll tells when there is more
            continue;
        }
        if (n == 0)
            return false;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

// Writes what the pipe takes now; false once all is written or the child stopped reading.
// A child that closed its input must not end this program with SIGPIPE: the signal is
// blocked for this thread while writing and a pending one taken back, so nothing else in
// the program sees a change.
bool Feed(int fd, const std::string& bytes, size_t& written) {
    sigset_t pipeOnly, old;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &old);
    bool more = true;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break; // full: poll says when it takes more
        if (n < 0 && errno == EPIPE) {
            timespec none{};
            ::sigtimedwait(&pipeOnly, nullptr, &none);
        }
        more = false;
        break;
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return more && written < bytes.size();
}

} // namespace

std::size_t KExecProc::DefaultSpill() {
    // At most 256 MiB: beyond that a capture in a file lets its pages go as it grows and as
    // the result window takes it in, where one in memory would be held beside the window's
    // copy (a gigabyte of output peaked at twice its size).
    constexpr std::size_t kLeast = std::size_t{64} << 20, kMost = std::size_t{256} << 20;
    const std::size_t available = AvailableMemory();
    return available == 0 ? kMost : std::clamp(available / 4, kLeast, kMost);
}

KExecProc::KExecProc(std::string commandLine, MessageService& messages, KeyStateProbe& probe)
    : commandLine_(std::move(commandLine)), watcher_(probe), messages_(messages), probe_(probe) {}

KExecProc::~KExecProc() {
    if (inputFd_ >= 0)
        ::close(inputFd_);
}

void KExecProc::SetInputDescriptor(int fd) {
    if (inputFd_ >= 0)
        ::close(inputFd_);
    inputFd_ = fd;
}

void KExecProc::SetTerminal(int columns, int rows) {
    terminal_ = std::pair(columns, rows);
}

void KExecProc::SetEnvironment(std::optional<std::string> block) {
    if (environment_)
        messages_.Show("KExecProc::SetEnvironment\nAsertionFailed.");
    environment_ = std::move(block);
}

void KExecProc::SetInput(std::string bytes) {
    input_ = std::move(bytes);
}

ByteStream& KExecProc::StdOut() {
    out_.SetPosition(0);
    return out_;
}

ByteStream& KExecProc::StdErr() {
    err_.SetPosition(0);
    return err_;
}

bool KExecProc::Fail(const char* text) {
    errorText_ = text;
    return false;
}

bool KExecProc::Run() {
    errorText_.clear();
    spawnError_ = 0;
    cancelled_ = false;
    out_ = ByteStream();
    err_ = ByteStream();
    dropped_[0] = dropped_[1] = 0;
    seconds_ = 0;
    for (ByteStream* stream : {&out_, &err_}) {
        stream->SpillAbove(spillAbove_, TempFolder());
        stream->SetLimit(limit_);
    }

    Pipe outPipe, errPipe, inPipe;
    RunTerminal terminal;
    if (terminal_) {
        if (!terminal.Open(terminal_->first, terminal_->second))
            return Fail("Cannot create a terminal(StdOut)");
        // The master reads as the pipe's read end did; the slave is the child's.
        outPipe.read = ::fcntl(terminal.Master(), F_DUPFD_CLOEXEC, 0);
        outPipe.write = ::fcntl(terminal.Slave(), F_DUPFD_CLOEXEC, 0);
        terminal.CloseSlave();
        if (outPipe.read < 0 || outPipe.write < 0)
            return Fail("Cannot create a terminal(StdOut)");
    } else if (!outPipe.Open())
        return Fail("Cannot create a Pipe(StdOut)");
    if (!errPipe.Open())
        return Fail("Cannot create a Pipe(StdErr)");
    if (input_ && !inPipe.Open())
        return Fail("Cannot create a Pipe(StdIn)");

    std::vector<std::string> args = SplitCommandLine(commandLine_);
    if (args.empty())
        return Fail("Cannot create a proccess.");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string block;
    std::vector<char*> envp;
    if (environment_) {
        block = *environment_;
        envp = EnvironmentEntries(block);
    }

    // No terminal: stdin reads as empty (or the request body), the two outputs go to the
    // pipes. The child leads a group of its own so that cancelling reaches whatever it
    // starts, and gets the default signal handling whatever this program changed for itself.
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    if (input_)
        posix_spawn_file_actions_adddup2(&actions, inPipe.read, 0);
    else if (inputFd_ >= 0)
        posix_spawn_file_actions_adddup2(&actions, inputFd_, 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe.write, 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe.write, 2);
    if (!folder_.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder_.c_str());
    // On a terminal, a session of its own: its group is still the one a cancel ends, and
    // no terminal is its controlling one, so /dev/tty cannot be opened to ask for a password.
    InitChildSpawnAttributes(attr, terminal_ ? POSIX_SPAWN_SETSID : POSIX_SPAWN_SETPGROUP);
    if (!terminal_)
        posix_spawnattr_setpgroup(&attr, 0);
    pid_t pid = 0;
    int spawned = ::posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(),
                                 environment_ ? envp.data() : environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (spawned != 0) {
        // The reason is what the user can act on: a file that is not executable (EACCES), an
        // environment entry past the kernel's per-string limit (E2BIG), a missing file.
        spawnError_ = spawned;
        return Fail("Cannot create a proccess.");
    }

    // Only the child may hold the write ends now, so each pipe ends when the last process
    // that inherited it has gone.
    Pipe::Close(outPipe.write);
    Pipe::Close(errPipe.write);
    Pipe::Close(inPipe.read);
    Pipe::Close(inputFd_);

    watcher_.SetProcess(pid);
    watcher_.Resume();

    // Readable once the child has ended, so the wait after the pipes closed needs no timer.
    // Without it (older kernels) the loop looks at the child every 50 ms instead.
    int childFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    // Whatever escapes the capture (the window's progress callback running out of memory)
    // must not leave the child running, unreaped or watched.
    RunningGroup running(pid);
    OnUnwind endChild([&] {
        runningGroup.store(0);
        KillProcessGroup(pid);
        watcher_.Terminate();
        if (childFd >= 0)
            ::close(childFd);
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    });

    ::fcntl(outPipe.read, F_SETFL, O_NONBLOCK);
    ::fcntl(errPipe.read, F_SETFL, O_NONBLOCK);
    // The input is written as the child takes it; once all of it is in (or the child stopped
    // reading) the pipe closes, which the child reads as the end of its input.
    size_t inputWritten = 0;
    if (input_) {
        ::fcntl(inPipe.write, F_SETFL, O_NONBLOCK);
        if (!Feed(inPipe.write, *input_, inputWritten))
            Pipe::Close(inPipe.write);
    }
    pollfd fds[4] = {{outPipe.read, POLLIN, 0},
                     {errPipe.read, POLLIN, 0},
                     {childFd, POLLIN, 0},
                     {inPipe.write, POLLOUT, 0}};
    ByteStream* streams[2] = {&out_, &err_};
    bool cancelled = false;
    bool cancelRequested = false; // by the progress callback
    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    auto nextProbe = started;
    auto nextReport = started;
    // Output that comes after a report that saw none is reported at once: the first line of a
    // script that prints now and then shows as soon as it is written.
    std::size_t reportedBytes = 0;
    bool reportedQuiet = true;

    for (;;) {
        bool pipesOpen = fds[0].fd >= 0 || fds[1].fd >= 0;
        auto now = Clock::now();
        // Escape is read at most every 50 ms: asking the X server on every pass would cost
        // more than the reads themselves when output streams in. It is read until the child
        // is reaped, also after the child closed its outputs.
        if (now >= nextProbe || !pipesOpen) {
            nextProbe = now + std::chrono::milliseconds(KThread::kPollMilliseconds);
            siginfo_t info{};
            if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
                errorText_ = "Error:Fail to ExitCodeProcess\n";
                break;
            }
            bool active = info.si_pid == 0;
            if (!active && !pipesOpen)
                break;
            if (cancelRequested || (active && probe_.EscapeHeld())) {
                KillProcessGroup(pid);
                cancelled = true;
                // The run ended here, however long the notice stays open.
                seconds_ = std::chrono::duration<double>(Clock::now() - started).count();
                messages_.Show("処理は中断されました");
                break;
            }
            // The watcher killed the group; a process that left it may still hold the pipes,
            // and waiting for them would keep a cancelled run alive.
            if (watcher_.Cancelled())
                break;
        }
        if (Progress && now >= nextReport) {
            nextReport = now + kProgressInterval;
            RunProgress progress{std::chrono::duration<double>(now - started).count(),
                                 out_.Size() + err_.Size(), pid};
            reportedQuiet = progress.bytes == reportedBytes;
            reportedBytes = progress.bytes;
            if (Progress(progress)) {
                cancelRequested = true;
                nextProbe = now;
                continue;
            }
        }
        int timeout = KThread::kPollMilliseconds;
        if (!pipesOpen && childFd < 0)
            timeout = 5; // no descriptor tells when the child ends: look often
        // Negative descriptors (no pidfd, input done) are skipped by poll.
        int ready = ::poll(fds, 4, timeout);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && fds[3].fd >= 0 && fds[3].revents != 0 &&
            !Feed(fds[3].fd, *input_, inputWritten)) {
            Pipe::Close(inPipe.write);
            fds[3].fd = -1;
        }
        for (int i = 0; i < 2 && ready > 0; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            if (!Drain(fds[i].fd, *streams[i], dropped_[i]))
                fds[i].fd = -1; // ended; poll skips negative descriptors
        }
        if (ready > 0 && childFd >= 0 && fds[2].revents != 0 && (fds[0].fd >= 0 || fds[1].fd >= 0))
            fds[2].fd = -1; // ended while a process it started holds the pipes: stop asking
        if (reportedQuiet && out_.Size() + err_.Size() > reportedBytes)
            nextReport = started;
    }

    if (!cancelled)
        seconds_ = std::chrono::duration<double>(Clock::now() - started).count();
    if (childFd >= 0)
        ::close(childFd);
    Pipe::Close(inPipe.write);
    Pipe::Close(outPipe.read);
    Pipe::Close(errPipe.read);
    watcher_.Terminate();
    cancelled = cancelled || watcher_.Cancelled();

    runningGroup.store(0);
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited != pid)
        return Fail("Error:Fail to ExitCodeProcess\n");

    cancelled_ = cancelled;
    if (cancelled)
        exitCode_ = -1;
    else if (WIFEXITED(status))
        exitCode_ = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        exitCode_ = 128 + WTERMSIG(status);
    else
        exitCode_ = -1;
    return exitCode_ == 0;
}

void KillRunningGroup() {
    if (const pid_t group = runningGroup.load(); group > 0)
        KillProcessGroup(group);
}
