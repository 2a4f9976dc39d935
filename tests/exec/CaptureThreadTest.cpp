#include "exec/CaptureThread.h"
#include "exec/Kexecproc.h"
#include "support/Resident.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

// A perl child whose two outputs go to pipes of the system's default size, read ends
// non-blocking as the capture wants them.
struct Child {
    pid_t pid = -1;
    int out = -1, err = -1;
    explicit Child(const std::string& program) {
        int o[2], e[2];
        if (::pipe2(o, O_CLOEXEC) != 0 || ::pipe2(e, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, o[1], 1);
        posix_spawn_file_actions_adddup2(&actions, e[1], 2);
        const char* argv[] = {"perl", "-e", program.c_str(), nullptr};
        ::posix_spawnp(&pid, "perl", &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(o[1]);
        ::close(e[1]);
        out = o[0];
        err = e[0];
        ::fcntl(out, F_SETFL, O_NONBLOCK);
        ::fcntl(err, F_SETFL, O_NONBLOCK);
    }
    // Whether the child ended within the deadline (it cannot while its output is not read).
    bool EndsWithin(int milliseconds) {
        const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
        pollfd p{fd, POLLIN, 0};
        const bool ended = ::poll(&p, 1, milliseconds) == 1;
        ::close(fd);
        return ended;
    }
    ~Child() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        ::close(out);
        ::close(err);
    }
};

// The lines the children below write: numbered, so a byte out of order shows.
std::string Numbered(const char* mark, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += mark + std::to_string(i) + " " + std::string(40, 'x') + "\n";
    return text;
}

constexpr const char* kWriter = "$| = 1; select STDERR; $| = 1; select STDOUT;"
                                "for (0 .. 99999) { print qq(o$_ ), 'x' x 40, qq(\\n);"
                                "  print STDERR qq(e$_ ), 'x' x 40, qq(\\n) unless $_ % 5 }";

std::string ExpectedErrors() {
    std::string text;
    for (int i = 0; i < 100000; i += 5)
        text += "e" + std::to_string(i) + " " + std::string(40, 'x') + "\n";
    return text;
}

class NeverHeld : public KeyStateProbe {
public:
    bool EscapeHeld() override { return false; }
};

bool FinishedWithin(CaptureThread& capture, int milliseconds) {
    for (int waited = 0; !capture.Finished() && waited < milliseconds; waited += 100) {
        pollfd p{capture.NewsFd(), POLLIN, 0};
        if (::poll(&p, 1, 100) == 1)
            capture.TakeNews();
    }
    return capture.Finished();
}

} // namespace

// The caller holds the pin from before the first byte (the streams cannot grow meanwhile) until
// the child has written everything and ended: the reads went on aside, and the bytes come out
// whole and in order once the pin is let go.
TEST(CaptureThread, TheChildWritesOnWhileTheCallerLooksAndNothingMovesUnderIt) {
    const std::string out = Numbered("o", 100000), err = ExpectedErrors();
    ByteStream outBytes, errBytes;
    Child child(kWriter);
    ASSERT_GT(child.pid, 0);
    CaptureThread capture({child.out, child.err, -1}, outBytes, errBytes, nullptr);
    {
        auto pin = capture.Pin();
        const std::string_view seen = capture.Captured(0);
        ASSERT_TRUE(child.EndsWithin(20000)) << "the child waited for the caller";
        // The last bytes may still sit in the pipes when the child ends.
        for (int waited = 0; capture.Kept() < out.size() + err.size() && waited < 20000;
             waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(capture.Kept(), out.size() + err.size());
        // What the caller was shown stays where it was, as it was.
        EXPECT_EQ(capture.Captured(0).data(), seen.data());
        EXPECT_EQ(out.compare(0, capture.Captured(0).size(), capture.Captured(0)), 0);
        EXPECT_LT(capture.Captured(0).size(), out.size());
    }
    ASSERT_TRUE(FinishedWithin(capture, 20000));
    capture.Stop();
    EXPECT_NO_THROW(capture.Rethrow());
    EXPECT_TRUE(outBytes.View() == out);
    EXPECT_TRUE(errBytes.View() == err);
    EXPECT_EQ(capture.Dropped(0) + capture.Dropped(1), 0u);
}

// Bytes read aside count against the limit like those in the stream: what is kept is the start
// of the output, the rest counted as dropped.
TEST(CaptureThread, BytesReadAsideStayWithinTheLimit) {
    const std::string out = Numbered("o", 100000);
    constexpr std::size_t kLimit = 3000000;
    ByteStream outBytes, errBytes;
    outBytes.SetLimit(kLimit);
    Child child(kWriter);
    ASSERT_GT(child.pid, 0);
    CaptureThread capture({child.out, child.err, -1}, outBytes, errBytes, nullptr);
    {
        auto pin = capture.Pin();
        ASSERT_TRUE(child.EndsWithin(20000));
    }
    ASSERT_TRUE(FinishedWithin(capture, 20000));
    capture.Stop();
    EXPECT_TRUE(outBytes.View() == std::string_view(out).substr(0, kLimit));
    EXPECT_EQ(capture.Dropped(0), out.size() - kLimit);
    EXPECT_EQ(capture.Dropped(1), 0u);
}

// A stop while the child still writes ends the thread; the child is not the thread's to end.
TEST(CaptureThread, StopsWhileTheChildWritesOn) {
    ByteStream outBytes, errBytes;
    Child child("$| = 1; print 'y' x 1000 while 1");
    ASSERT_GT(child.pid, 0);
    CaptureThread capture({child.out, child.err, -1}, outBytes, errBytes, nullptr);
    capture.AskForOutput();
    pollfd news{capture.NewsFd(), POLLIN, 0};
    ASSERT_EQ(::poll(&news, 1, 20000), 1) << "the first output is news";
    capture.TakeNews();
    EXPECT_FALSE(capture.Finished());
    capture.Stop();
    EXPECT_TRUE(capture.Finished());
    EXPECT_GT(outBytes.Size(), 0u);
    EXPECT_EQ(outBytes.View().find_first_not_of('y'), std::string_view::npos);
    EXPECT_EQ(::kill(child.pid, 0), 0) << "still running";
}

// What the progress callback is shown while the run lasts is always a start of the final
// output, also while the capture moves into a file and grows there.
TEST(CaptureThread, ProgressSeesAStartOfTheOutputWhileItSpills) {
    const std::string out = Numbered("o", 100000), err = ExpectedErrors();
    ScriptedMessages messages;
    NeverHeld never;
    KExecProc proc(std::string("perl -e \"") + kWriter + "\"", messages, never);
    proc.SpillAbove(1 << 20);
    std::size_t looks = 0, wrong = 0, last = 0, shrank = 0;
    proc.Progress = [&](const RunProgress&) {
        const auto pin = proc.PinOutput();
        const std::string_view o = proc.OutputSoFar(), e = proc.ErrorsSoFar();
        ++looks;
        wrong += out.compare(0, o.size(), o) != 0 || err.compare(0, e.size(), e) != 0;
        shrank += o.size() < last;
        last = o.size();
        return false;
    };
    ASSERT_TRUE(proc.Run());
    EXPECT_GT(looks, 0u);
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(shrank, 0u);
    EXPECT_TRUE(proc.StdOut().Spilled());
    EXPECT_TRUE(proc.OutputSoFar() == out);
    EXPECT_TRUE(proc.StdErr().View() == err);
}

// Output that has ended while the errors go on: the caller is told so only once every byte of it
// is in the stream (not while some wait aside behind the caller's pin), and once it has read
// it in and says so, its pages leave memory, with no more writes to that output that would let
// them go.
TEST(CaptureThread, AnEndedOutputIsWholeAndItsPagesGoWhenTheCallerHasTakenThem) {
    constexpr std::size_t kTotal = 40000000;
    TempDir dir;
    ByteStream outBytes, errBytes;
    outBytes.SpillAbove(1 << 20, dir.Path());
    Child child("print 'x' x 99, qq(\\n) for 1 .. 400000; close STDOUT; sleep 60");
    ASSERT_GT(child.pid, 0);
    CaptureThread capture({child.out, child.err, -1}, outBytes, errBytes, nullptr);
    {
        // Pinned from the start: the stream cannot grow, so the output is read aside.
        auto pin = capture.Pin();
        for (int waited = 0; capture.Kept() < kTotal && waited < 20000; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(capture.Kept(), kTotal);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_TRUE(!capture.Ended(0) || capture.Captured(0).size() == kTotal)
            << "told ended with bytes aside";
    }
    for (int waited = 0; !capture.Ended(0) && waited < 20000; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(capture.Ended(0));
    EXPECT_FALSE(capture.Ended(1));
    EXPECT_FALSE(capture.Finished());
    auto pin = capture.Pin();
    const std::string_view out = capture.Captured(0);
    ASSERT_EQ(out.size(), kTotal) << "told ended before its last bytes";
    ASSERT_TRUE(outBytes.Spilled());
    // Read in, as the result window reads it: its pages are back in memory.
    EXPECT_EQ(out.find_first_not_of("x\n"), std::string_view::npos);
    const long read = ResidentKb();
    capture.TakenUpTo(0, out.size());
    EXPECT_LT(ResidentKb(), read - 30000) << "the pages taken stayed";
    EXPECT_EQ(out.substr(out.size() - 100), std::string(99, 'x') + "\n");
}
