// pydoc away from the window, on real programs: a real Python documents `antigravity` and
// opens no browser although the program's own environment offers a display, a terminal and
// one; a module beside the program is never imported; a lookup that hangs leaves the window
// working and Escape ends it, its program and its folder.

#include "help/DocLookup.h"
#include "help/qt/QtDocLookup.h"
#include "platform/Launcher.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Sets variables for the test's life and puts them back.
struct Environment {
    std::vector<std::pair<std::string, std::optional<std::string>>> kept;
    void Set(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        kept.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    ~Environment() {
        for (auto it = kept.rbegin(); it != kept.rend(); ++it)
            it->second ? ::setenv(it->first.c_str(), it->second->c_str(), 1)
                       : ::unsetenv(it->first.c_str());
    }
};

void Executable(TempDir& dir, const std::string& name, const std::string& script) {
    dir.Write(name, script);
    ::chmod(dir.File(name).c_str(), 0755);
}

// Waits, taking the window's events, until the condition holds or a minute has gone.
bool WaitFor(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > 60000)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

} // namespace

TEST(DocLookup, PydocOpensNoBrowserAndImportsNothingFromTheProgramsFolder) {
    const std::string python = FindOnPath("python3");
    if (python.empty())
        GTEST_SKIP() << "no python3 on PATH";
    // Every way a browser could start leaves a mark.
    TempDir bin, planted, tmp;
    const std::string opened = bin.File("opened");
    const std::string browser = "#!/bin/sh\necho \"$0 $*\" >> '" + opened + "'\n";
    for (const char* name : {"www-browser", "x-www-browser", "xdg-open", "sensible-browser", "lynx",
                             "w3m", "links", "elinks", "firefox", "browser"})
        Executable(bin, name, browser);
    const std::string marker = planted.File("imported");
    planted.Write("vexilplanted.py", "open('" + marker + "', 'w')\n");
    Environment env;
    env.Set("PATH", bin.Path() + ":" + std::getenv("PATH"));
    env.Set("DISPLAY", ":0");
    env.Set("WAYLAND_DISPLAY", "wayland-0");
    env.Set("TERM", "xterm");
    env.Set("BROWSER", bin.File("browser"));
    env.Set("PYTHONPATH", planted.Path());
    env.Set("TMPDIR", tmp.Path());
    const std::string cwd = std::filesystem::current_path();
    std::filesystem::current_path(planted.Path());

    QtDocLookup lookup;
    std::vector<std::optional<std::string>> answers;
    for (const char* name : {"antigravity", "vexilplanted", "len"}) {
        bool done = false;
        lookup.Start(PydocCall(python, name), [&](std::optional<std::string> output) {
            answers.push_back(PydocEntry(std::move(output)));
            done = true;
        });
        EXPECT_TRUE(lookup.Busy());
        ASSERT_TRUE(WaitFor([&] { return done; })) << name;
        EXPECT_FALSE(lookup.Busy());
    }
    std::filesystem::current_path(cwd);
    ASSERT_EQ(answers.size(), 3u);
    ASSERT_TRUE(answers[0].has_value());
    EXPECT_NE(answers[0]->find("antigravity"), std::string::npos) << *answers[0];
    EXPECT_FALSE(answers[1].has_value()) << *answers[1];
    ASSERT_TRUE(answers[2].has_value());
    EXPECT_NE(answers[2]->find("len(obj"), std::string::npos) << *answers[2];
    EXPECT_FALSE(std::filesystem::exists(opened));
    EXPECT_FALSE(std::filesystem::exists(marker));
    // The folders pydoc ran in are gone.
    EXPECT_TRUE(QDir(QDir::tempPath()).entryList({"vexil-doc-*"}).isEmpty());
}

TEST(DocLookup, AHangingLookupLeavesTheWindowWorkingAndEscapeEndsIt) {
    TempDir bin, tmp;
    Environment env;
    env.Set("TMPDIR", tmp.Path());
    const std::string pidFile = bin.File("pid");
    // A lookup that never ends by itself, and tells where it runs.
    Executable(bin, "hang",
               "#!/bin/sh\npwd > '" + pidFile + ".dir'\necho $$ > '" + pidFile + ".tmp'\nmv '" +
                   pidFile + ".tmp' '" + pidFile + "'\nexec sleep 600\n");
    QLineEdit field;
    field.show();
    field.activateWindow();
    QtDocLookup lookup;
    int answered = 0;
    DocCall call;
    call.argv = {bin.File("hang")};
    lookup.Start(call, [&](std::optional<std::string>) { ++answered; });
    // The window takes keys while the program runs.
    QTest::keyClicks(&field, "abc");
    EXPECT_EQ(field.text(), "abc");
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(pidFile); }));
    pid_t pid = 0;
    std::ifstream(pidFile) >> pid;
    std::string folder;
    std::ifstream(pidFile + ".dir") >> folder;
    ASSERT_GT(pid, 0);
    EXPECT_EQ(::kill(pid, 0), 0);
    EXPECT_EQ(folder.rfind(tmp.Path(), 0), 0u) << folder;
    QTest::keyClick(&field, Qt::Key_Escape);
    EXPECT_FALSE(lookup.Busy());
    // Ended and reaped, its folder gone, and nothing answered.
    EXPECT_TRUE(WaitFor([&] { return ::kill(pid, 0) != 0; }));
    EXPECT_FALSE(std::filesystem::exists(folder));
    QApplication::processEvents();
    EXPECT_EQ(answered, 0);

    // One that outlasts its time answers nothing found.
    std::filesystem::remove(pidFile);
    std::optional<std::string> answer = "unset";
    call.timeout = std::chrono::milliseconds(300);
    lookup.Start(call, [&](std::optional<std::string> output) {
        answer = std::move(output);
        ++answered;
    });
    ASSERT_TRUE(WaitFor([&] { return answered == 1; }));
    EXPECT_FALSE(answer.has_value());
}
