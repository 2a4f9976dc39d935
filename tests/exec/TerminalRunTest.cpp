#include "exec/InputPipe.h"
#include "exec/Kexecproc.h"
#include "exec/RunTerminal.h"
#include "exec/TerminalInput.h"
#include "platform/ReadWait.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <csignal>
#include <gtest/gtest.h>

namespace {

class NoKeys : public KeyStateProbe {
public:
    bool EscapeHeld() override { return false; }
};

struct Sent : InputSink {
    std::string bytes;
    bool closed = false;
    void Send(std::string_view b) override { bytes += b; }
    void Close() override { closed = true; }
};

struct TerminalRun : ::testing::Test {
    TempDir dir;
    ScriptedMessages messages;
    NoKeys probe;

    std::string Perl(const std::string& name, const std::string& source) {
        return "/usr/bin/perl " + dir.Write(name, source);
    }
};

} // namespace

// The child writes to a terminal of the size asked for, raw (a line feed stays one byte), that
// is not its controlling one, leading a session of its own (so no terminal of this program's
// is its controlling one either); standard error stays a pipe apart.
TEST_F(TerminalRun, OutputGoesToARawTerminalThatIsNobodysControllingOne) {
    KExecProc proc(Perl("tty.pl",
                        "print -t STDOUT ? \"tty\\n\" : \"pipe\\n\";\n"
                        "print -t STDERR ? \"tty\\n\" : \"pipe\\n\";\n"
                        "print open(my $t, '<', '/dev/tty') ? \"ctty\\n\" : \"none\\n\";\n"
                        "print STDERR \"apart\\n\";\n"
                        "open(my $s, '<', '/proc/self/stat'); my @f = split ' ', <$s>;\n"
                        "print $f[5] == $$ ? \"leader\\n\" : \"member\\n\";\n"
                        "system('stty size <&1');\n"),
                   messages, probe);
    proc.SetTerminal(100, 30);
    ASSERT_TRUE(proc.Run()) << proc.ErrorText();
    EXPECT_EQ(proc.StdOut().ToString(), "tty\npipe\nnone\nleader\n30 100\n");
    EXPECT_EQ(proc.StdErr().ToString(), "apart\n");
}

TEST_F(TerminalRun, WithoutTheTerminalOutputStaysAPipe) {
    KExecProc proc(Perl("pipe.pl", "print -t STDOUT ? \"tty\" : \"pipe\";"), messages, probe);
    ASSERT_TRUE(proc.Run());
    EXPECT_EQ(proc.StdOut().ToString(), "pipe");
}

// A line typed reaches a child that waits for it, the wait is seen only while the child reads,
// and closing the pipe ends its input.
TEST_F(TerminalRun, TypedLinesReachTheChildAndClosingEndsItsInput) {
    InputPipe pipe;
    ASSERT_TRUE(pipe.Open());
    KExecProc proc(Perl("lines.pl", "$| = 1; print \"ready\\n\"; my $n = 0;\n"
                                    "while (my $l = <STDIN>) { $n++; print \"got $l\"; }\n"
                                    "print \"n=$n\\n\";\n"),
                   messages, probe);
    proc.SetInputDescriptor(pipe.TakeReadEnd());
    proc.SetTerminal(80, 24);
    TerminalInput typing(pipe, 3);
    int waits = 0;
    proc.Progress = [&](const RunProgress& p) {
        pipe.Flush();
        if (p.seconds > 20)
            return true;
        if (!pipe.Closed() && GroupWaitsOnPipe(p.group, pipe.Inode())) {
            ++waits;
            if (waits == 1)
                typing.Enter("一行目");
            else if (waits == 2)
                typing.EndInput("last");
        }
        return false;
    };
    ASSERT_TRUE(proc.Run());
    EXPECT_FALSE(proc.Cancelled());
    EXPECT_EQ(proc.StdOut().ToString(), "ready\ngot 一行目\ngot lastn=2\n");
    EXPECT_TRUE(pipe.Closed());
}

// A child that sleeps, or reads something else, does not wait for the user.
TEST_F(TerminalRun, ASleepingChildIsNotWaitingForInput) {
    InputPipe pipe;
    ASSERT_TRUE(pipe.Open());
    KExecProc proc(Perl("sleep.pl", "open(my $f, '<', '/dev/null'); my $x = <$f>;\n"
                                    "select(undef, undef, undef, 0.6); print \"slept\";\n"),
                   messages, probe);
    proc.SetInputDescriptor(pipe.TakeReadEnd());
    bool seenWaiting = false;
    int looks = 0;
    proc.Progress = [&](const RunProgress& p) {
        if (p.seconds > 0.1) {
            ++looks;
            seenWaiting = seenWaiting || GroupWaitsOnPipe(p.group, pipe.Inode());
        }
        return false;
    };
    ASSERT_TRUE(proc.Run());
    EXPECT_GT(looks, 3);
    EXPECT_FALSE(seenWaiting);
    EXPECT_EQ(proc.StdOut().ToString(), "slept");
}

// Cancelling a terminal run still ends what the child started: it leads its own session,
// and its group is the one killed.
TEST_F(TerminalRun, ACancelEndsTheWholeGroup) {
    const std::string pidFile = dir.File("child.pid");
    KExecProc proc("/bin/sh -c \"sleep 30 & echo $! > " + pidFile + "; wait\"", messages, probe);
    proc.SetTerminal(80, 24);
    proc.Progress = [&](const RunProgress& p) {
        return p.seconds > 0.3 && !ReadFileBytes(pidFile).empty();
    };
    proc.Run();
    EXPECT_TRUE(proc.Cancelled());
    const pid_t grandchild = std::stoi(ReadFileBytes(pidFile));
    // Reaped by init at some point; a zombie or nothing, never a sleeping process.
    const std::string stat = ReadFileBytes("/proc/" + std::to_string(grandchild) + "/stat");
    EXPECT_TRUE(stat.empty() || stat.find(") Z") != std::string::npos) << stat;
}

TEST(TerminalInputLine, EnterSendsTheLineInTheScriptsCodeAndEchoesIt) {
    Sent utf8;
    TerminalInput typing(utf8, 3);
    EXPECT_EQ(typing.Enter("日本語"), "日本語\n");
    EXPECT_EQ(utf8.bytes, "日本語\n");
    // A pasted line break is a blank: one Enter, one line.
    EXPECT_EQ(typing.Enter("a\nb"), "a b\n");
    Sent sjis;
    TerminalInput cp932(sjis, 0);
    cp932.Enter("あ");
    EXPECT_EQ(sjis.bytes, "\x82\xa0\n");
    Sent euc;
    TerminalInput converted(euc, 1, [](std::string_view text, int code) {
        return "<" + std::to_string(code) + std::string(text) + ">";
    });
    converted.Enter("x");
    EXPECT_EQ(euc.bytes, "<1x>\n");
}

TEST(TerminalInputLine, EndOfInputSendsWhatIsTypedWithoutALineEndAndNothingAfter) {
    Sent sink;
    TerminalInput typing(sink, 3);
    EXPECT_EQ(typing.EndInput("tail"), "tail");
    EXPECT_TRUE(sink.closed);
    EXPECT_TRUE(typing.Ended());
    EXPECT_EQ(typing.Enter("late"), "");
    EXPECT_EQ(sink.bytes, "tail");
}

TEST(TerminalInputLine, AClosedPipeWritesWhatWasQueuedFirst) {
    InputPipe pipe;
    ASSERT_TRUE(pipe.Open());
    const int read = pipe.TakeReadEnd();
    pipe.Send("one\n");
    pipe.Close();
    EXPECT_TRUE(pipe.Closed());
    char buffer[16];
    EXPECT_EQ(::read(read, buffer, sizeof buffer), 4);
    EXPECT_EQ(::read(read, buffer, sizeof buffer), 0); // the end of input
    ::close(read);
}

TEST(TerminalInputLine, AReaderThatWentAwayDoesNotEndTheProgram) {
    InputPipe pipe;
    ASSERT_TRUE(pipe.Open());
    ::close(pipe.TakeReadEnd());
    pipe.Send("nobody reads this\n"); // SIGPIPE would end the test here
    EXPECT_EQ(pipe.Queued(), 0u);
    sigset_t pending;
    sigpending(&pending);
    EXPECT_FALSE(sigismember(&pending, SIGPIPE));
}

TEST(TerminalEnvironmentBlock, TermAndPagersAreSetOnce) {
    const char* environment[] = {"HOME=/h", "TERM=dumb", "PAGER=less", "GIT_PAGERX=keep", nullptr};
    static const char kWanted[] = "HOME=/h\0GIT_PAGERX=keep\0TERM=xterm-256color\0PAGER=cat\0"
                                  "GIT_PAGER=cat\0";
    EXPECT_EQ(TerminalEnvironment(environment), std::string(kWanted, sizeof kWanted));
}
