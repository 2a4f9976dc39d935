#include "platform/Launcher.h"
#include "support/TempDir.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
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
