#include "support/Xvfb.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

XvfbServer::XvfbServer() {
    int fds[2];
    if (::pipe(fds) != 0)
        return;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string fd = std::to_string(fds[1]);
        int devnull = ::open("/dev/null", 0);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                 "-noreset", "-nolisten", "tcp", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return;
    }
    pid_ = pid;
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c;
    while (::poll(&p, 1, 10000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(fds[0]);
    if (number.empty())
        return;
    display_ = ":" + number;
    const char* saved = std::getenv("DISPLAY");
    hadDisplay_ = saved != nullptr;
    savedDisplay_ = saved ? saved : "";
    ::setenv("DISPLAY", display_.c_str(), 1);
}

XvfbServer::~XvfbServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    if (!display_.empty()) {
        if (hadDisplay_)
            ::setenv("DISPLAY", savedDisplay_.c_str(), 1);
        else
            ::unsetenv("DISPLAY");
    }
}

bool XvfbServer::Xdotool(const std::string& args) const {
    std::string cmd = "DISPLAY=" + display_ + " xdotool " + args + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}
