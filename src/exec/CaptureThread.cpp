#include "exec/CaptureThread.h"

#include "platform/QuietWrite.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace {

// Requests per read, as the capture has always made them.
constexpr std::size_t kReadSize = 4097;
// Reads from one pipe before the other and a stop request get their turn.
constexpr int kReadsPerTurn = 256;
// Bytes read aside are kept room for up to this size.
constexpr std::size_t kKeptAside = std::size_t{1} << 20;
// Taken bytes of a stream in a file leave memory in steps of this size.
constexpr std::size_t kForgetStep = std::size_t{4} << 20;
// How soon bytes read aside are tried again while the caller still looks.
constexpr int kFoldRetryMilliseconds = 2;

// Writes what the pipe takes now; false once all is written or the child stopped reading.
bool Feed(int fd, const std::string& bytes, std::size_t& written) {
    return WriteQuietly(fd, bytes, written) == WriteEnd::Full;
}

void Signal(int fd) {
    const std::uint64_t one = 1;
    while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

} // namespace

CaptureThread::CaptureThread(Pipes pipes, ByteStream& out, ByteStream& err,
                             const std::string* input)
    : streams_{{pipes.out, out}, {pipes.err, err}}, in_(pipes.in), input_(input) {
    for (Stream& stream : streams_) {
        Repoint(stream);
        stream.committed = stream.bytes.Size();
    }
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    news_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0 || news_ < 0) {
        for (int fd : {wake_, news_, in_})
            if (fd >= 0)
                ::close(fd);
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    thread_ = std::thread([this] { Body(); });
}

CaptureThread::~CaptureThread() {
    Stop();
    ::close(wake_);
    ::close(news_);
}

void CaptureThread::Stop() {
    stop_.store(true);
    Signal(wake_);
    if (thread_.joinable())
        thread_.join();
}

void CaptureThread::TakeNews() {
    std::uint64_t count = 0;
    while (::read(news_, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

void CaptureThread::Tell() {
    Signal(news_);
}

void CaptureThread::Rethrow() {
    if (finished_.load() && failure_)
        std::rethrow_exception(failure_);
}

std::string_view CaptureThread::Captured(int stream) const {
    const Stream& s = streams_[stream];
    return {s.data ? s.data : "", s.committed.load(std::memory_order_acquire)};
}

void CaptureThread::Publish(Stream& stream) {
    stream.committed.store(stream.bytes.Size(), std::memory_order_release);
}

void CaptureThread::Repoint(Stream& stream) {
    stream.data = stream.bytes.Data();
    stream.spilled = stream.bytes.Spilled();
}

void CaptureThread::TakenUpTo(int index, std::size_t upTo) {
    // Done here, not by the thread: a stream that has ended gets no more writes that would
    // let its pages go, yet the caller may still be reading it in (the output ends, the errors
    // go on). The pin keeps data and spilled as they are.
    Stream& stream = streams_[index];
    if (stream.spilled && upTo >= stream.forgotten + kForgetStep) {
        ForgetFilePages(stream.data, ForgottenFrom(stream.forgotten), upTo);
        stream.forgotten = upTo;
    }
}

bool CaptureThread::Fold(Stream& stream, int index, bool wait) {
    if (stream.pending.empty())
        return true;
    const std::size_t count = stream.pending.size();
    std::unique_lock lock(pin_, std::defer_lock);
    if (stream.bytes.Capacity() - stream.bytes.Size() < count) {
        if (wait)
            lock.lock();
        else if (!lock.try_lock())
            return false;
    }
    char* room = stream.bytes.TryReserve(count);
    if (lock.owns_lock())
        Repoint(stream);
    if (room) {
        std::memcpy(room, stream.pending.data(), count);
        stream.bytes.Commit(count);
        Publish(stream);
    } else {
        dropped_[index] += count;
        kept_[index] -= count;
    }
    // A long look leaves a large buffer behind: it goes, not to be held beside the stream.
    if (stream.pending.capacity() > kKeptAside)
        std::string().swap(stream.pending);
    else
        stream.pending.clear();
    return true;
}

char* CaptureThread::StreamRoom(Stream& stream, int index, std::size_t want, bool& aside) {
    aside = false;
    if (!Fold(stream, index, false)) {
        aside = true; // after what waits aside, never before it
        return nullptr;
    }
    // The stream grows while a quarter of its room is left, when the caller does not look:
    // so it seldom has to grow at the moment the caller looks, and bytes seldom go aside.
    const std::size_t free = stream.bytes.Capacity() - stream.bytes.Size();
    if (free < want || free < stream.bytes.Capacity() / 4) {
        std::unique_lock lock(pin_, std::try_to_lock);
        if (lock.owns_lock()) {
            char* room = stream.bytes.TryReserve(std::max(want, free + 1));
            Repoint(stream);
            if (room || free < want)
                return room ? stream.bytes.TryReserve(want) : nullptr;
        } else if (free < want) {
            aside = true;
            return nullptr;
        }
    }
    // Room that is there already: nothing moves, so the caller may go on looking.
    return stream.bytes.TryReserve(want);
}

// Moves what a pipe holds into the stream; false once every write end is closed. What the
// stream has no room for is still read, so the child never blocks, and counted as dropped.
bool CaptureThread::Drain(Stream& stream, int index) {
    static thread_local char overflow[kReadSize];
    for (int turn = 0; turn < kReadsPerTurn && !stop_.load(std::memory_order_relaxed); ++turn) {
        const std::size_t allowed = stream.bytes.Room();
        const std::size_t free =
            allowed > stream.pending.size() ? allowed - stream.pending.size() : 0;
        const std::size_t want = std::min(kReadSize, free);
        bool aside = false;
        char* at = want ? StreamRoom(stream, index, want, aside) : nullptr;
        const std::size_t before = stream.pending.size();
        if (aside) {
            stream.pending.resize(before + want);
            at = stream.pending.data() + before;
        }
        const ssize_t n = ::read(stream.fd, at ? at : overflow, at ? want : kReadSize);
        if (aside)
            stream.pending.resize(before + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        if (n > 0) {
            const auto count = static_cast<std::size_t>(n);
            if (!at) {
                dropped_[index] += count;
            } else {
                if (!aside) {
                    stream.bytes.Commit(count);
                    Publish(stream);
                }
                kept_[index] += count;
                if (wantOutput_.load(std::memory_order_relaxed) && wantOutput_.exchange(false))
                    Tell();
            }
            if (count < kReadSize)
                return true; // most likely empty now; poll tells when there is more
            continue;
        }
        if (n == 0)
            return false;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
    return true;
}

void CaptureThread::Body() {
    try {
        pollfd fds[4] = {{streams_[0].fd, POLLIN, 0},
                         {streams_[1].fd, POLLIN, 0},
                         {in_, POLLOUT, 0},
                         {wake_, POLLIN, 0}};
        const auto inputDone = [&] {
            ::close(in_);
            in_ = fds[2].fd = -1;
        };
        if (in_ >= 0 && !Feed(in_, *input_, inputWritten_))
            inputDone();
        bool outputsOpen = true;
        while (!stop_.load() && (outputsOpen || in_ >= 0)) {
            const bool aside = !streams_[0].pending.empty() || !streams_[1].pending.empty();
            // Negative descriptors (an ended output, input done) are skipped by poll.
            const int ready = ::poll(fds, 4, aside ? kFoldRetryMilliseconds : -1);
            if (ready < 0 && errno != EINTR)
                break;
            if (stop_.load())
                break;
            if (ready > 0 && fds[2].fd >= 0 && fds[2].revents != 0 &&
                !Feed(in_, *input_, inputWritten_))
                inputDone();
            for (int i = 0; i < 2; ++i) {
                if (ready > 0 && fds[i].fd >= 0 && fds[i].revents != 0 && !Drain(streams_[i], i))
                    fds[i].fd = -1; // ended; poll skips negative descriptors
                if (Fold(streams_[i], i, false) && fds[i].fd < 0)
                    streams_[i].ended.store(true);
            }
            if (outputsOpen && fds[0].fd < 0 && fds[1].fd < 0) {
                outputsOpen = false;
                for (int i = 0; i < 2; ++i) {
                    Fold(streams_[i], i, true);
                    streams_[i].ended.store(true);
                }
                finished_.store(true);
                Tell();
            }
        }
    } catch (...) {
        failure_ = std::current_exception();
    }
    for (int i = 0; i < 2; ++i) {
        try {
            Fold(streams_[i], i, true);
        } catch (...) {
        }
        std::string().swap(streams_[i].pending);
    }
    if (in_ >= 0)
        ::close(in_);
    in_ = -1;
    if (!finished_.exchange(true))
        Tell();
}
