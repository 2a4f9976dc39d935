#include "platform/Launcher.h"
#include "support/TempDir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <thread>

namespace {
std::string WaitForFile(const std::string& path) {
    for (int i = 0; i < 250; ++i) {
        std::string text = ReadFileBytes(path);
        if (!text.empty() && text.back() == '\n')
            return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ReadFileBytes(path);
}
} // namespace

TEST(Launcher, StartsDetachedWithExactArgumentsAndNoShell) {
    TempDir dir;
    std::string out = dir.File("args.txt");
    std::string tool =
        dir.Write("recorder", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > '" +
                                  out + ".tmp'\nps -o sid= -p $$ >> '" + out + ".tmp'\nmv '" + out +
                                  ".tmp' '" + out + "'\n");
    ::chmod(tool.c_str(), 0755);
    PosixLauncher launcher;
    ASSERT_TRUE(launcher.StartDetached({tool, "a b", "$HOME", "x;y", ""}));
    std::string got = WaitForFile(out);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.substr(0, got.find(']', got.rfind('[')) + 1), "[a b][$HOME][x;y][]");
    // A session of its own: not ours.
    long sid = std::atol(got.substr(got.rfind(']') + 1).c_str());
    EXPECT_NE(sid, static_cast<long>(::getsid(0)));

    EXPECT_FALSE(launcher.StartDetached({dir.File("missing-program")}));
    EXPECT_FALSE(launcher.StartDetached({}));
}

TEST(Launcher, FindsProgramsOnPathAndHonoursOverrides) {
    EXPECT_EQ(FindOnPath("sh").empty(), false);
    EXPECT_EQ(FindOnPath("vexil-no-such-program"), "");
    EXPECT_EQ(FindOnPath("/bin/sh"), "/bin/sh");
    TempDir dir;
    EXPECT_EQ(FindOnPath(dir.Path()), ""); // a folder is not a program

    ::setenv("VEXIL_OPENER", "/opt/fake-open", 1);
    EXPECT_EQ(OpenerCommand("/tmp/a b.html"),
              (std::vector<std::string>{"/opt/fake-open", "/tmp/a b.html"}));
    ::unsetenv("VEXIL_OPENER");
    EXPECT_EQ(OpenerCommand("x")[0], "xdg-open");
    ::setenv("VEXIL_TERMINAL", "/opt/term", 1);
    EXPECT_EQ(TerminalCommand("/tmp/t.sh"),
              (std::vector<std::string>{"/opt/term", "-e", "sh", "/tmp/t.sh"}));
    ::unsetenv("VEXIL_TERMINAL");
}

namespace {
// The byte the watcher writes, and whether the pipe then ends, within five seconds each.
std::pair<int, bool> Report(int fd) {
    auto next = [fd]() -> int {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) != 1)
            return -2;
        unsigned char byte;
        ssize_t n = ::read(fd, &byte, 1);
        return n == 1 ? byte : n == 0 ? -1 : -3;
    };
    int status = next();
    bool ended = next() == -1;
    ::close(fd);
    return {status, ended};
}
} // namespace

// A background child of the opener (a browser it starts) must not hold the report back: the
// pipe ends with the opener itself.
TEST(Launcher, ReportsTheShowingProgramsStatusOnceItEndsNotWhenItsChildrenDo) {
    using Result = std::pair<int, bool>;
    EXPECT_EQ(Report(PosixLauncher::StartReporting({"sh", "-c", "sleep 30 & exit 3"})),
              Result(3, true));
    EXPECT_EQ(Report(PosixLauncher::StartReporting({"true"})), Result(0, true));
    EXPECT_EQ(Report(PosixLauncher::StartReporting({"sh", "-c", "kill -TERM $$"})),
              Result(128 + SIGTERM, true));
    EXPECT_EQ(Report(PosixLauncher::StartReporting({"/nonexistent/opener", "x"})),
              Result(127, true));
    EXPECT_EQ(PosixLauncher::StartReporting({}), -1);
}
