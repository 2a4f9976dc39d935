#include "exec/Kexecproc.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Escape as a test wants it: held from a moment on, seen by both threads that ask, or only by
// the capture loop (the test's own thread) or only by the watcher.
enum class Seen { ByBoth, ByLoop, ByWatcher };

class FakeProbe : public KeyStateProbe {
public:
    explicit FakeProbe(std::chrono::milliseconds after = std::chrono::hours(1),
                       Seen seen = Seen::ByBoth)
        : from_(Clock::now() + after), seen_(seen), owner_(std::this_thread::get_id()) {}
    bool EscapeHeld() override {
        ++asked_;
        bool loop = std::this_thread::get_id() == owner_;
        if ((seen_ == Seen::ByWatcher && loop) || (seen_ == Seen::ByLoop && !loop))
            return false;
        return Clock::now() >= from_;
    }
    int Asked() const { return asked_; }

private:
    Clock::time_point from_;
    Seen seen_;
    std::thread::id owner_;
    std::atomic<int> asked_{0};
};

struct Ran {
    bool ok;
    int code;
    std::string out, err, error;
    double seconds;
};

Ran RunLine(const std::string& line, KeyStateProbe& probe, ScriptedMessages& messages,
            std::optional<std::string> env = std::nullopt) {
    KExecProc proc(line, messages, probe);
    if (env)
        proc.SetEnvironment(env);
    auto t0 = Clock::now();
    bool ok = proc.Run();
    double s = std::chrono::duration<double>(Clock::now() - t0).count();
    return {
        ok, proc.ExitCode(), proc.StdOut().ToString(), proc.StdErr().ToString(), proc.ErrorText(),
        s};
}

Ran RunLine(const std::string& line, std::optional<std::string> env = std::nullopt) {
    FakeProbe never;
    ScriptedMessages messages;
    Ran r = RunLine(line, never, messages, std::move(env));
    EXPECT_EQ(messages.Count(), 0u) << line;
    return r;
}

bool ProcessGone(pid_t pid) {
    for (int i = 0; i < 100; ++i) {
        if (::kill(pid, 0) != 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

} // namespace

TEST(KExecProc, ExitCodesAndSilentChild) {
    Ran r = RunLine("perl -e \"\"");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.error, "");
    for (int code : {3, 255}) {
        r = RunLine("perl -e \"exit " + std::to_string(code) + "\"");
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.code, code);
        EXPECT_EQ(r.error, ""); // a nonzero exit is no failure of the runner
    }
    r = RunLine("perl -e \"$| = 1; print 'x'; kill 'TERM', $$; sleep 5\"");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, 128 + SIGTERM);
    EXPECT_EQ(r.out, "x");
}

TEST(KExecProc, HiddenChildReadsEmptyInputAndLeadsItsOwnGroup) {
    Ran r = RunLine(
        "perl -e \"print defined(<STDIN>) ? 'data' : 'eof'; "
        "print getpgrp() == $$ ? ' leader' : ' member'; print -t STDOUT ? ' tty' : ' pipe'\"");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.out, "eof leader pipe");
}

TEST(KExecProc, InputArrivesWholeWhileOutputFlowsAndIsNeverWaitedFor) {
    std::string body(1 << 20, '\0');
    unsigned sum = 0;
    for (size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<char>('a' + (i * 7919) % 26);
        sum += static_cast<unsigned char>(body[i]);
    }
    struct Case {
        const char* line;
        std::string out;
    } cases[] = {
        // 2 MB of output before the first read: the input must not wait for it, nor it for
        // the input.
        {"perl -e \"print 'x' x (2 << 20); local $/; my $in = <STDIN>; "
         "print length($in), ' ', unpack('%32C*', $in)\"",
         std::string(2 << 20, 'x') + std::to_string(body.size()) + " " + std::to_string(sum)},
        {"perl -e \"print 'never read'\"", "never read"},
        {"perl -e \"close STDIN; sleep 1; print 'closed'\"", "closed"},
    };
    for (const Case& c : cases) {
        FakeProbe never;
        ScriptedMessages messages;
        KExecProc proc(c.line, messages, never);
        proc.SetInput(body);
        auto t0 = Clock::now();
        EXPECT_TRUE(proc.Run()) << c.line;
        EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 20.0) << c.line;
        EXPECT_EQ(proc.StdOut().ToString(), c.out) << c.line;
        EXPECT_EQ(messages.Count(), 0u);
    }
}

// More input than the pipe holds, for a child that reads it late: the rest waits for room and
// none of it is dropped.
TEST(KExecProc, InputBeyondThePipesRoomWaitsForTheChildToRead) {
    const std::string body(4 << 20, 'i');
    FakeProbe never;
    ScriptedMessages messages;
    KExecProc proc("perl -e \"select undef, undef, undef, 0.3; local $/; print length <STDIN>\"",
                   messages, never);
    proc.SetInput(body);
    EXPECT_TRUE(proc.Run());
    EXPECT_EQ(proc.StdOut().ToString(), std::to_string(body.size()));
}

TEST(KExecProc, StreamsStayApartInOrderWithZeroBytesAndInvalidUtf8) {
    const int n = 20000;
    Ran r = RunLine("perl -e \"$| = 1; select STDERR; $| = 1; select STDOUT; "
                    "for $i (0..." +
                    std::to_string(n - 1) +
                    ") { print STDOUT qq(o$i\\0\\xff\\xfe\\n); "
                    "print STDERR qq(e$i\\x00\\xc3\\n); } close STDERR; "
                    "select undef, undef, undef, 0.3; print STDOUT qq(after\\n)\"");
    ASSERT_TRUE(r.ok) << r.err.substr(0, 200);
    std::string out, err;
    for (int i = 0; i < n; ++i) {
        out += "o" + std::to_string(i) + std::string("\0\xff\xfe\n", 4);
        err += "e" + std::to_string(i) + std::string("\0\xc3\n", 3);
    }
    out += "after\n";
    EXPECT_EQ(r.out.size(), out.size());
    EXPECT_TRUE(r.out == out);
    EXPECT_TRUE(r.err == err);
}

TEST(KExecProc, LargeStandardErrorWhileStandardOutputStaysOpen) {
    Ran r = RunLine("perl -e \"print STDERR 'x' x (64*1024*1024); print 'done'\"");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.err.size(), 64u * 1024 * 1024);
    EXPECT_EQ(r.err.find_first_not_of('x'), std::string::npos);
    EXPECT_EQ(r.out, "done");
}

TEST(KExecProc, WaitsForAGrandchildThatHoldsThePipes) {
    Ran r = RunLine("perl -e \"$| = 1; print 'parent '; if (fork) { exit 0 } "
                    "select undef, undef, undef, 0.7; print 'late'; print STDERR 'gone'\"");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.out, "parent late");
    EXPECT_EQ(r.err, "gone");
}

TEST(KExecProc, EscapeInTheCaptureLoopEndsChildAndGrandchild) {
    TempDir dir;
    FakeProbe probe(std::chrono::milliseconds(400), Seen::ByLoop);
    ScriptedMessages messages;
    Ran r = RunLine("perl -e \"$| = 1; print 'start'; if (!fork) { open F, '>', '" +
                        dir.File("pid") + "'; print F $$; close F; sleep 30; exit } sleep 30\"",
                    probe, messages);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, -1);
    EXPECT_EQ(r.out, "start"); // what came before the cancel stays
    EXPECT_EQ(r.error, "");
    EXPECT_LT(r.seconds, 10.0); // far below the 30 s either process would sleep
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"処理は中断されました"});
    pid_t grandchild = std::atoi(dir.Read("pid").c_str());
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(ProcessGone(grandchild));
}

TEST(KExecProc, TheWatcherAloneCancelsSilently) {
    FakeProbe probe(std::chrono::milliseconds(200), Seen::ByWatcher);
    ScriptedMessages messages;
    Ran r =
        RunLine("perl -e \"if (!fork) { sleep 30; exit } print 'p'; sleep 30\"", probe, messages);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, -1);
    EXPECT_LT(r.seconds, 10.0);
    EXPECT_EQ(messages.Count(), 0u);
}

TEST(KExecProc, EnvironmentReplacedExactlyOrInherited) {
    const std::string dump = "perl -e \"print join ',', map { qq($_=$ENV{$_}) } sort keys %ENV\"";
    Ran r = RunLine(dump, std::string("FOO=bar\0REQUEST_METHOD=GET\0EMPTY=\0\0", 36));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.out, "EMPTY=,FOO=bar,REQUEST_METHOD=GET");

    ::setenv("VEXIL_INHERITED_MARK", "yes", 1);
    r = RunLine(dump);
    EXPECT_NE(r.out.find("VEXIL_INHERITED_MARK=yes"), std::string::npos);
    EXPECT_NE(r.out.find("PATH="), std::string::npos);
    ::unsetenv("VEXIL_INHERITED_MARK");
}

TEST(KExecProc, SecondEnvironmentIsComplainedAboutAndUsed) {
    ScriptedMessages messages;
    FakeProbe never;
    KExecProc proc("perl -e \"print $ENV{WHICH}\"", messages, never);
    proc.SetEnvironment(std::string("WHICH=first\0\0", 13));
    EXPECT_EQ(messages.Count(), 0u);
    proc.SetEnvironment(std::string("WHICH=second\0\0", 14));
    EXPECT_EQ(messages.Texts(),
              std::vector<std::string>{"KExecProc::SetEnvironment\nAsertionFailed."});
    ASSERT_TRUE(proc.Run());
    EXPECT_EQ(proc.StdOut().ToString(), "second");
}

TEST(KExecProc, UnterminatedQuoteAndMissingPrograms) {
    Ran r = RunLine("perl -e \"print 'a  b'");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.out, "a  b");
    for (const char* line : {"", "   ", "/nonexistent/perl -e 1", "vexil-no-such-program arg"}) {
        r = RunLine(line);
        EXPECT_FALSE(r.ok) << line;
        EXPECT_EQ(r.error, "Cannot create a proccess.") << line;
        EXPECT_NE(r.code, 0) << line;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
    }
}

TEST(KExecProc, BuffersComeBackRewound) {
    ScriptedMessages messages;
    FakeProbe never;
    KExecProc proc("perl -e \"print 'abc'; print STDERR 'de'\"", messages, never);
    ASSERT_TRUE(proc.Run());
    char c[2];
    EXPECT_EQ(proc.StdOut().Read(c, 2), 2u);
    EXPECT_EQ(proc.StdOut().Position(), 0u);
    EXPECT_EQ(proc.StdErr().Position(), 0u);
}

TEST(KExecProc, EscapeEndsAGrandchildThatOutlivedTheChild) {
    FakeProbe probe(std::chrono::milliseconds(300));
    ScriptedMessages messages;
    Ran r = RunLine("perl -e \"if (fork) { exit 0 } sleep 30\"", probe, messages);
    EXPECT_FALSE(r.ok); // cancelled, even though the child itself had ended with 0
    EXPECT_EQ(r.code, -1);
    EXPECT_LT(r.seconds, 10.0);
}

TEST(KExecProc, ARunLastsUntilTheChildIsReapedAndStaysCancellableThroughout) {
    TempDir dir;
    // Outputs closed early, then the child goes on: its exit code still counts.
    Ran r =
        RunLine("perl -e \"close STDOUT; close STDERR; select undef, undef, undef, 0.4; exit 4\"");
    EXPECT_EQ(r.code, 4);
    EXPECT_GE(r.seconds, 0.35);

    // The same child, cancelled by Escape while nothing holds the pipes any more.
    FakeProbe probe(std::chrono::milliseconds(300), Seen::ByLoop);
    ScriptedMessages messages;
    r = RunLine("perl -e \"open STDOUT, '>', '" + dir.File("log") + "'; close STDERR; sleep 6\"",
                probe, messages);
    EXPECT_EQ(r.code, -1);
    EXPECT_LT(r.seconds, 2.0);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"処理は中断されました"});

    // A grandchild that left the group keeps the pipes: a cancel by the watcher ends the run
    // at once all the same.
    FakeProbe watcher(std::chrono::milliseconds(300), Seen::ByWatcher);
    ScriptedMessages quiet;
    r = RunLine("perl -e \"use POSIX; if (!fork) { POSIX::setsid(); sleep 5; exit } sleep 30\"",
                watcher, quiet);
    EXPECT_EQ(r.code, -1);
    EXPECT_LT(r.seconds, 2.0);
}

TEST(KExecProc, ProgressIsReportedWhileTheChildIsSilentAndCanCancelTheRun) {
    ScriptedMessages messages;
    FakeProbe never;
    KExecProc proc("perl -e \"$| = 1; print 'abc'; sleep 30\"", messages, never);
    std::vector<RunProgress> seen;
    proc.Progress = [&seen](const RunProgress& p) {
        seen.push_back(p);
        return p.seconds >= 0.5;
    };
    auto t0 = Clock::now();
    EXPECT_FALSE(proc.Run());
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 2.0);
    EXPECT_EQ(proc.ExitCode(), -1);
    EXPECT_EQ(proc.StdOut().ToString(), "abc");
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"処理は中断されました"});
    ASSERT_GE(seen.size(), 6u) << "reports stop while the child is silent";
    EXPECT_EQ(seen.back().bytes, 3u);
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_LT(seen[i].seconds - seen[i - 1].seconds, 0.2);
}

namespace {

// The folders this process holds open files in, as the kernel names them.
std::vector<std::string> OpenFiles() {
    std::vector<std::string> links;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        links.push_back(std::filesystem::read_symlink(entry.path(), ec).string());
    }
    return links;
}

} // namespace

// Output beyond the spill size moves into an unnamed file in TMPDIR and comes back whole (into
// a named one, removed at once, where unnamed files are refused); where TMPDIR cannot take it
// the output stays whole in memory; past the capture's limit the rest is read (the child never
// blocks) and counted, not kept.
TEST(KExecProc, LargeOutputSpillsIntoTmpdirOrStaysWholeAndOverflowIsCounted) {
    TempDir dir;
    const std::string script =
        "perl -e \"print map { sprintf qq(%07d \\x{e9}\\n), $_ } 1..400000\"";
    std::string expected;
    for (int i = 1; i <= 400000; ++i) {
        char line[16];
        std::snprintf(line, sizeof line, "%07d \xe9\n", i);
        expected += line;
    }
    const struct {
        std::string tmpdir;
        std::size_t limit;
        bool spilled;
        bool named = false;
    } cases[] = {
        {dir.Path(), SIZE_MAX, true},
        {dir.File("missing"), SIZE_MAX, false},
        {dir.Path(), 3000000, true},
        {dir.Path(), SIZE_MAX, true, true},
    };
    const char* saved = std::getenv("TMPDIR");
    const std::string before = saved ? saved : "";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tmpdir + " limit " + std::to_string(c.limit) + (c.named ? " named" : ""));
        ::setenv("TMPDIR", c.tmpdir.c_str(), 1);
        if (c.named)
            ::setenv("VEXIL_NO_O_TMPFILE", "1", 1);
        else
            ::unsetenv("VEXIL_NO_O_TMPFILE");
        FakeProbe never;
        ScriptedMessages messages;
        KExecProc proc(script, messages, never);
        proc.SpillAbove(1 << 20);
        proc.LimitCapture(c.limit);
        EXPECT_TRUE(proc.Run());
        const std::size_t kept = std::min(c.limit, expected.size());
        EXPECT_TRUE(proc.StdOut().View() == std::string_view(expected).substr(0, kept));
        EXPECT_EQ(proc.DroppedOut(), expected.size() - kept);
        EXPECT_EQ(proc.StdOut().Spilled(), c.spilled);
        const auto files = OpenFiles();
        EXPECT_EQ(std::any_of(files.begin(), files.end(),
                              [&](const std::string& f) { return f.rfind(dir.Path(), 0) == 0; }),
                  c.spilled)
            << "the unnamed file lies in TMPDIR";
        EXPECT_EQ(std::any_of(files.begin(), files.end(),
                              [&](const std::string& f) {
                                  return f.find("/vexil-output-") != std::string::npos;
                              }),
                  c.named)
            << "a named file only where unnamed ones are refused";
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << "nothing visible is left";
    }
    ::unsetenv("VEXIL_NO_O_TMPFILE");
    if (saved)
        ::setenv("TMPDIR", before.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}
