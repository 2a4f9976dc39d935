#pragma once
// The cancel watcher of one captured run: while the child runs it looks at the Escape key
// every 50 ms and, when it is held, kills the child's whole process group, so that a
// grandchild holding the output pipes cannot keep a cancelled run alive.

#include "platform/KeyStateProbe.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <sys/types.h>
#include <thread>

class KThread {
public:
    static constexpr int kPollMilliseconds = 50;

    // Made suspended: nothing runs until Resume.
    explicit KThread(KeyStateProbe& probe);
    // Sets the terminated request and waits for the body to end.
    ~KThread();
    KThread(const KThread&) = delete;
    KThread& operator=(const KThread&) = delete;

    // The child to end: it leads a process group of its own, which is what gets killed.
    void SetProcess(pid_t process) { process_ = process; }
    void Resume();
    // Asks the body to stop and waits until it has.
    void Terminate();
    bool Terminated() const { return terminated_.load(); }
    // Whether the watcher killed the child.
    bool Cancelled() const { return cancelled_.load(); }

private:
    void Execute();

    KeyStateProbe& probe_;
    pid_t process_ = 0;
    std::thread thread_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> cancelled_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
};

// Ends a process group at once; the one way a run is cancelled.
void KillProcessGroup(pid_t leader);
