#include "platform/QuietWrite.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <pthread.h>
#include <unistd.h>

WriteEnd WriteQuietly(int fd, std::string_view bytes, std::size_t& written) {
    sigset_t pipeOnly, old;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &old);
    WriteEnd end = WriteEnd::Done;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            end = WriteEnd::Full;
        } else if (n < 0 && errno == EPIPE) {
            timespec none{};
            ::sigtimedwait(&pipeOnly, nullptr, &none);
            end = WriteEnd::Broken;
        } else {
            end = WriteEnd::Failed;
        }
        break;
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return end;
}
