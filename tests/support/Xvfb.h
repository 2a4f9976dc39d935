#pragma once
// A private X server for tests that need a real display: started on a free display number,
// DISPLAY pointed at it while the object lives, stopped at the end.

#include <string>
#include <sys/types.h>

class XvfbServer {
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool Running() const { return pid_ > 0 && !display_.empty(); }
    const std::string& Display() const { return display_; }
    // Runs xdotool with the given arguments on this display; true when it succeeded.
    bool Xdotool(const std::string& args) const;

private:
    pid_t pid_ = -1;
    std::string display_;
    std::string savedDisplay_;
    bool hadDisplay_ = false;
};
