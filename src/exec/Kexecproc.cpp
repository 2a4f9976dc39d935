#include "exec/Kexecproc.h"

#include "exec/CaptureThread.h"
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
#include <utility>
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

} // namespace

std::size_t KExecProc::DefaultSpill() {
    // A capture in a file lets its pages go as it grows and as the windows take it in, where
    // one in memory is held beside the windows' copies: 73 MB of output with 16 MB of errors
    // peaked 20 to 30 MB higher with the errors in memory. Below this, a run's output is
    // small enough that memory is the quicker place.
    return std::size_t{8} << 20;
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

std::unique_lock<std::mutex> KExecProc::PinOutput() {
    return live_ ? live_->Pin() : std::unique_lock<std::mutex>();
}

void KExecProc::TakenUpTo(std::size_t output, std::size_t errors) {
    if (live_) {
        live_->TakenUpTo(0, output);
        live_->TakenUpTo(1, errors);
    }
}

bool KExecProc::Ended(int stream) const {
    return !live_ || live_->Ended(stream);
}

std::string_view KExecProc::OutputSoFar() const {
    return live_ ? live_->Captured(0) : out_.View();
}

std::string_view KExecProc::ErrorsSoFar() const {
    return live_ ? live_->Captured(1) : err_.View();
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
    if (input_)
        ::fcntl(inPipe.write, F_SETFL, O_NONBLOCK);
    // Declared after the clean-up above, so that whatever escapes stops the reads before the
    // child is killed and reaped.
    CaptureThread capture({outPipe.read, errPipe.read, std::exchange(inPipe.write, -1)}, out_, err_,
                          input_ ? &*input_ : nullptr);
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
    // The capture's news, and once the outputs have ended the child's end.
    pollfd fds[2] = {{capture.NewsFd(), POLLIN, 0}, {-1, POLLIN, 0}};

    for (;;) {
        const bool pipesOpen = !capture.Finished();
        if (!pipesOpen)
            capture.Rethrow();
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
                                 capture.Kept(), pid};
            reportedQuiet = progress.bytes == reportedBytes;
            reportedBytes = progress.bytes;
            if (reportedQuiet)
                capture.AskForOutput();
            live_ = &capture;
            OnUnwind leave([this] { live_ = nullptr; });
            const bool cancel = Progress(progress);
            live_ = nullptr;
            if (cancel) {
                cancelRequested = true;
                nextProbe = now;
                continue;
            }
        }
        // Wait for news, the next look at Escape or the next report, whichever comes first.
        auto until = nextProbe;
        if (Progress)
            until = std::min(until, nextReport);
        int timeout = static_cast<int>(
            std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count());
        if (!pipesOpen)
            // no descriptor tells when the child ends: look often
            timeout = childFd >= 0 ? KThread::kPollMilliseconds : 5;
        if (reportedQuiet && capture.Kept() > reportedBytes) {
            nextReport = now;
            timeout = 0;
        }
        fds[1].fd = pipesOpen ? -1 : childFd;
        int ready = ::poll(fds, 2, std::max(timeout, 0));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && fds[0].revents != 0)
            capture.TakeNews();
        if (reportedQuiet && capture.Kept() > reportedBytes)
            nextReport = started;
    }

    capture.Stop();
    capture.Rethrow();
    dropped_[0] = capture.Dropped(0);
    dropped_[1] = capture.Dropped(1);
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
