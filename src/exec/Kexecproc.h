#pragma once
// Runs one interpreter process for one run of a script: a hidden child (no terminal, stdin
// /dev/null, a process group of its own) with standard output and standard error captured
// apart into memory, its exit code kept, and Escape cancelling it. Standard input is
// /dev/null unless the run has bytes to send (a POST request).

#include "exec/Kthread.h"
#include "platform/ByteStream.h"
#include "platform/KeyStateProbe.h"
#include "platform/MessageService.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

class CaptureThread;

// How far a run has come, for whoever shows it while it lasts.
struct RunProgress {
    double seconds = 0;    // since the child started
    std::size_t bytes = 0; // captured from both outputs so far
    int group = 0;         // the child's process group
};

class KExecProc {
public:
    KExecProc(std::string commandLine, MessageService& messages,
              KeyStateProbe& probe = DefaultKeyStateProbe());
    ~KExecProc();
    KExecProc(const KExecProc&) = delete;
    KExecProc& operator=(const KExecProc&) = delete;

    // The child's complete environment: entries NAME=value, each ended by a zero byte, and one
    // more zero byte. None (the default) means the child inherits the program's environment.
    // Meant to be handed over once; a second block is complained about and used all the same.
    void SetEnvironment(std::optional<std::string> block);
    // Bytes the child reads on its standard input, written while its output is captured, so
    // a child that reads little or nothing never holds the run up. Without it stdin is
    // /dev/null.
    void SetInput(std::string bytes);
    // The folder the child starts in (a test runner's project folder); empty, the default,
    // means the program's current folder. The program's own folder never moves. A folder
    // that cannot be entered fails the start (SpawnError tells why).
    void SetWorkingFolder(std::string folder) { folder_ = std::move(folder); }
    // Standard input from fd instead (the run takes it over and closes it): input typed while
    // the run lasts.
    void SetInputDescriptor(int fd);
    // Standard output to a pseudo-terminal of that size instead of a pipe, the child leading
    // a session of its own without a controlling terminal (RunTerminal). Standard error stays
    // a pipe, apart.
    void SetTerminal(int columns, int rows);

    // Starts the child and captures its output until it and everything it started that holds
    // the pipes has ended. True exactly when the exit code is 0.
    bool Run();

    // Called on the thread that called Run at most every kProgressInterval while the child
    // runs, also while no output comes, so a window can keep painting; the output is read
    // meanwhile by a thread of its own. Answering true cancels the run as Escape does.
    std::function<bool(const RunProgress&)> Progress;
    static constexpr std::chrono::milliseconds kProgressInterval{40};

    // Output past this many bytes a stream moves into an unnamed file in TempFolder(), so a
    // script that prints more than memory holds cannot take the window down, and what the
    // windows have taken in leaves memory. The default is 8 MiB.
    void SpillAbove(std::size_t bytes) { spillAbove_ = bytes; }
    static std::size_t DefaultSpill();
    // No stream holds more than this; what comes beyond it is read and counted, not kept.
    void LimitCapture(std::size_t bytes) { limit_ = bytes; }
    // Bytes read and not kept, for want of memory or disk: the user must hear of them.
    std::size_t DroppedOut() const { return dropped_[0]; }
    std::size_t DroppedErr() const { return dropped_[1]; }

    // Inside Progress: what each output holds so far, while a pin from PinOutput is held (the
    // capture reads on meanwhile, but the bytes stay where they are); after Run the whole
    // buffer, pin or not.
    [[nodiscard]] std::unique_lock<std::mutex> PinOutput();
    std::string_view OutputSoFar() const;
    // No byte will come beyond what stream 0 (output) or 1 (errors) holds so far.
    bool Ended(int stream) const;
    std::string_view ErrorsSoFar() const;
    // Inside Progress, with the output pinned: the bytes of each output before these sizes
    // have been shown; a capture in a file lets them leave memory.
    void TakenUpTo(std::size_t output, std::size_t errors);
    // The buffers, rewound to position 0.
    ByteStream& StdOut();
    ByteStream& StdErr();
    // The exit code: the child's own, 128 + the signal that ended it, or -1 when the run was
    // cancelled or never started.
    int ExitCode() const { return exitCode_; }
    const std::string& ErrorText() const { return errorText_; }
    // How long the child ran: from its start to its end or its cancel, not counting a notice
    // shown after.
    double Seconds() const { return seconds_; }
    // The run was cancelled: Escape, the watcher, or the progress callback.
    bool Cancelled() const { return cancelled_; }
    // The errno with which the child could not be started (0 when it started or never got
    // that far).
    int SpawnError() const { return spawnError_; }

private:
    bool Fail(const char* text);

    ByteStream out_;
    ByteStream err_;
    std::string commandLine_;
    std::string errorText_;
    int spawnError_ = 0;
    int exitCode_ = -1;
    bool cancelled_ = false;
    double seconds_ = 0;
    std::size_t spillAbove_ = DefaultSpill();
    std::size_t limit_ = static_cast<std::size_t>(-1);
    std::size_t dropped_[2] = {0, 0};
    std::optional<std::string> environment_;
    std::optional<std::string> input_;
    std::string folder_;
    int inputFd_ = -1;
    std::optional<std::pair<int, int>> terminal_;
    KThread watcher_;
    CaptureThread* live_ = nullptr; // the run's capture while Progress looks at it
    MessageService& messages_;
    KeyStateProbe& probe_;
};

// Ends the process group of the child a run is waiting for, if one is: the program is being
// ended from outside and the run cannot be left to finish.
void KillRunningGroup();
