// The launcher's side of a start: a desktop's start-up notification (busy cursor, "starting"
// task entry) ends with a remove message for the start's DESKTOP_STARTUP_ID, seen here as a
// launcher sees it, by a property watcher on the root window. A first start ends it when its
// window shows; a start that hands its file over ends it before it exits. The command line's
// "--" makes a file whose name begins with '-' the one handed over.
#include "e2e/Program.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <poll.h>
#include <vector>

// Last: Xlib defines macros (None, Bool) that gtest's headers would trip over.
#include <X11/Xlib.h>

namespace {

// Listens on the root window for the pieces of start-up messages and joins them per sender.
class StartupWatch {
public:
    explicit StartupWatch(const std::string& display) {
        display_ = XOpenDisplay(display.c_str());
        if (!display_)
            return;
        begin_ = XInternAtom(display_, "_NET_STARTUP_INFO_BEGIN", False);
        more_ = XInternAtom(display_, "_NET_STARTUP_INFO", False);
        XSelectInput(display_, DefaultRootWindow(display_), PropertyChangeMask);
        XSync(display_, False);
    }
    ~StartupWatch() {
        if (display_)
            XCloseDisplay(display_);
    }
    bool Watching() const { return display_ != nullptr; }

    // Waits until the whole message arrived; every message seen stays in Seen().
    bool WaitFor(const std::string& message, int seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (display_) {
            for (const auto& m : seen_)
                if (m == message)
                    return true;
            if (std::chrono::steady_clock::now() > end)
                return false;
            if (XPending(display_) == 0) {
                pollfd fd{ConnectionNumber(display_), POLLIN, 0};
                ::poll(&fd, 1, 100);
                continue;
            }
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type != ClientMessage || event.xclient.format != 8)
                continue;
            const Atom type = event.xclient.message_type;
            if (type != begin_ && type != more_)
                continue;
            std::string& text = partial_[event.xclient.window];
            if (type == begin_)
                text.clear();
            text.append(event.xclient.data.b, 20);
            if (size_t nul = text.find('\0'); nul != std::string::npos) {
                seen_.push_back(text.substr(0, nul));
                partial_.erase(event.xclient.window);
            }
        }
        return false;
    }
    const std::vector<std::string>& Seen() const { return seen_; }

private:
    Display* display_ = nullptr;
    Atom begin_ = 0, more_ = 0;
    std::map<Window, std::string> partial_;
    std::vector<std::string> seen_;
};

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& l : lines)
        all += l + "\n";
    return all;
}

} // namespace

TEST(EndToEndStartup, AHandOverEndsTheLaunchersNotificationAsAFirstStartDoes) {
    Program p;
    TempDir work;
    StartupWatch watch(p.X().Display());
    ASSERT_TRUE(watch.Watching());
    std::filesystem::create_directories(p.Folder() + "/defs");
    WriteFileBytes(p.Folder() + "/defs/perl.def",
                   "[Language]\nName=Perl\nExt=pl\n[Environment]\nExePath=/usr/bin/perl\n");

    p.SetEnv("DESKTOP_STARTUP_ID=vexilpro-first_TIME100");
    pid_t first = p.Start({}, work.Path());
    ASSERT_FALSE(p.WaitForWindow("^Vexil2").empty());
    EXPECT_TRUE(watch.WaitFor("remove: ID=vexilpro-first_TIME100", 20)) << Joined(watch.Seen());

    // The second start: its file, named like an option, after "--"; it hands it over, ends
    // with 1 and completes its own notification.
    work.Write("-dash.pl", "print 1;\n");
    p.SetEnv("DESKTOP_STARTUP_ID=vexilpro-second-start-with-a-long-id_TIME200");
    pid_t second = p.Start({"--", "-dash.pl"}, work.Path());
    EXPECT_EQ(p.Wait(second), 1);
    EXPECT_TRUE(watch.WaitFor("remove: ID=vexilpro-second-start-with-a-long-id_TIME200", 10))
        << Joined(watch.Seen());
    EXPECT_FALSE(p.WaitForWindow("^Vexil2 - .*-dash\\.pl").empty())
        << "the first instance did not open the file handed over";

    // An unknown option is refused before any window or hand-over.
    pid_t refused = p.Start({"-dash.pl"}, work.Path());
    EXPECT_EQ(p.Wait(refused), 2);
    EXPECT_EQ(::kill(first, 0), 0) << "the first instance is still there";
}
