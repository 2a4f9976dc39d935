#pragma once
// The reading side of a run, in a thread of its own: it drains the child's two output pipes
// into their streams and writes the child's input while the caller's thread shows what came,
// so the child never waits on a full pipe while a window appends or paints.
//
// The caller may look at what was captured while it holds a Pin. A stream that must grow (and
// so may move) while the caller looks reads on into a buffer of the thread's own instead, and
// moves that into the stream once the pin is let go: the reads never wait for the caller.

#include "platform/ByteStream.h"

#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

class CaptureThread {
public:
    // The read ends of the output pipes, non-blocking, which stay the caller's; and the write
    // end of the input pipe (-1: no input), which the thread takes over and closes once input
    // is all written, the child stopped reading, or the thread ends.
    struct Pipes {
        int out = -1;
        int err = -1;
        int in = -1;
    };
    CaptureThread(Pipes pipes, ByteStream& out, ByteStream& err, const std::string* input);
    // Stops the thread and waits for it, whatever state it is in.
    ~CaptureThread();
    CaptureThread(const CaptureThread&) = delete;
    CaptureThread& operator=(const CaptureThread&) = delete;

    // Readable (poll) when there is news for the caller: both outputs ended, the first output
    // after AskForOutput, or a failure. Read it empty with TakeNews.
    int NewsFd() const { return news_; }
    void TakeNews();
    // The next bytes captured are news at once.
    void AskForOutput() { wantOutput_.store(true); }
    // Stream 0 (output) or 1 (errors) has ended: what Captured holds is all of it.
    bool Ended(int stream) const { return streams_[stream].ended.load(); }
    // Both outputs have ended, or the thread failed (Rethrow tells).
    bool Finished() const { return finished_.load(); }
    // Throws what ended the thread, if anything did.
    void Rethrow();
    // Stops reading and waits for the thread; what was read so far is in the streams.
    void Stop();

    // Bytes kept from both outputs so far.
    std::size_t Kept() const { return kept_[0].load() + kept_[1].load(); }
    // Bytes read and not kept (no room in memory, on disk or under the limit).
    std::size_t Dropped(int stream) const { return dropped_[stream].load(); }

    // The caller has taken the bytes of a stream before upTo: a stream in a file lets their
    // pages leave memory (they stay in the file), so the output is not held twice. Called
    // while the pin is held.
    void TakenUpTo(int stream, std::size_t upTo);

    // Held while the caller looks at the captured bytes: the streams do not move meanwhile.
    [[nodiscard]] std::unique_lock<std::mutex> Pin() { return std::unique_lock(pin_); }
    // What stream 0 (output) or 1 (errors) holds so far; valid while the pin is held.
    std::string_view Captured(int stream) const;

private:
    struct Stream {
        Stream(int fd, ByteStream& bytes) : fd(fd), bytes(bytes) {}
        int fd;
        ByteStream& bytes;
        // Where the caller finds the bytes, and whether they are in a file; changed under
        // the pin.
        const char* data = nullptr;
        bool spilled = false;
        std::string pending; // read while the stream could not grow
        std::atomic<std::size_t> committed{0};
        std::atomic<bool> ended{false}; // set after the last bytes were committed
        std::size_t forgotten = 0;      // taken bytes whose pages were let go (the caller's)
    };
    void Body();
    bool Drain(Stream& stream, int index);
    // Room for want bytes in the stream itself; nullptr with aside set when the bytes must go
    // to the pending ones (the stream would have to grow while pinned, or bytes wait there
    // already), nullptr alone when no room is to be had.
    char* StreamRoom(Stream& stream, int index, std::size_t want, bool& aside);
    // Moves the pending bytes into the stream; false while the pin keeps it from growing,
    // unless told to wait for the pin.
    bool Fold(Stream& stream, int index, bool wait);
    void Publish(Stream& stream);
    // Takes the stream's place after it may have moved; under the pin.
    void Repoint(Stream& stream);
    void Tell();

    Stream streams_[2];
    int in_;
    const std::string* input_;
    std::size_t inputWritten_ = 0;
    int wake_ = -1; // the caller asks the thread to stop
    int news_ = -1; // the thread tells the caller
    std::mutex pin_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> wantOutput_{false};
    std::atomic<std::size_t> kept_[2] = {0, 0};
    std::atomic<std::size_t> dropped_[2] = {0, 0};
    std::exception_ptr failure_;
    std::thread thread_;
};
