#include "exec/InputPipe.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

InputPipe::~InputPipe() {
    if (read_ >= 0)
        ::close(read_);
    if (write_ >= 0)
        ::close(write_);
}

bool InputPipe::Open() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    read_ = fds[0];
    write_ = fds[1];
    ::fcntl(write_, F_SETFL, O_NONBLOCK);
    struct stat st {};
    if (::fstat(write_, &st) == 0)
        inode_ = st.st_ino;
    return true;
}

int InputPipe::TakeReadEnd() {
    const int fd = read_;
    read_ = -1;
    return fd;
}

void InputPipe::Send(std::string_view bytes) {
    if (write_ < 0 || closing_)
        return;
    queued_ += bytes;
    Flush();
}

void InputPipe::Close() {
    closing_ = true;
    Flush();
}

void InputPipe::Flush() {
    if (write_ < 0)
        return;
    // A program that has stopped reading must not end this one with SIGPIPE: the signal is
    // blocked while writing and a pending one taken back.
    sigset_t pipeOnly, old;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &old);
    bool broken = false;
    std::size_t written = 0;
    while (written < queued_.size()) {
        const ssize_t n = ::write(write_, queued_.data() + written, queued_.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n < 0 && errno == EPIPE) {
                timespec none{};
                ::sigtimedwait(&pipeOnly, nullptr, &none);
                broken = true;
            }
            break;
        }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    queued_.erase(0, written);
    if (broken)
        queued_.clear(); // nobody reads any more
    if (closing_ && queued_.empty()) {
        ::close(write_);
        write_ = -1;
    }
}
