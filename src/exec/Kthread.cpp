#include "exec/Kthread.h"

#include <chrono>
#include <csignal>

void KillProcessGroup(pid_t leader) {
    if (leader > 0)
        ::kill(-leader, SIGKILL);
}

KThread::KThread(KeyStateProbe& probe) : probe_(probe) {}

KThread::~KThread() {
    Terminate();
}

void KThread::Resume() {
    if (!thread_.joinable() && !terminated_)
        thread_ = std::thread([this] { Execute(); });
}

void KThread::Terminate() {
    {
        std::lock_guard lock(mutex_);
        terminated_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void KThread::Execute() {
    std::unique_lock lock(mutex_);
    while (!terminated_) {
        lock.unlock();
        bool held = probe_.EscapeHeld();
        lock.lock();
        if (held && !terminated_) {
            cancelled_ = true;
            KillProcessGroup(process_);
            return;
        }
        wake_.wait_for(lock, std::chrono::milliseconds(kPollMilliseconds),
                       [this] { return terminated_.load(); });
    }
}
