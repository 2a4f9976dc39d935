#include "exec/InputPipe.h"

#include "platform/QuietWrite.h"

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
    std::size_t written = 0;
    const bool broken = WriteQuietly(write_, queued_, written) == WriteEnd::Broken;
    queued_.erase(0, written);
    if (broken)
        queued_.clear(); // nobody reads any more
    if (closing_ && queued_.empty()) {
        ::close(write_);
        write_ = -1;
    }
}
