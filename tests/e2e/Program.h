#pragma once
// The built VexilPro started for real: a program folder of its own (a copy of the executable
// and its libraries, so /proc/self/exe points there), a private X server and a private runtime
// folder for the single-instance files.

#include "support/TempDir.h"
#include "support/Xvfb.h"

#include <functional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

class Program {
public:
    Program();
    ~Program();

    const std::string& Folder() const { return folder_; }
    XvfbServer& X() { return x_; }
    // Starts the program with arguments, in a working folder; answers its pid.
    pid_t Start(const std::vector<std::string>& args = {}, const std::string& workDir = "");
    // Waits for a started program to end; its exit code, or -1 on timeout.
    int Wait(pid_t pid, int seconds = 20);
    // Runs a command on the private display; answers its standard output.
    std::string Run(const std::string& command) const;
    // The id of the first visible window whose name matches the pattern, waiting up to seconds.
    std::string WaitForWindow(const std::string& namePattern, int seconds = 15) const;
    // Whether a visible window matches the pattern right now.
    bool HasWindow(const std::string& namePattern) const;
    // Gives the window the keyboard focus and types the keys (xdotool key syntax).
    bool Keys(const std::string& window, const std::string& keys) const;

    // Starts this executable instead of the copy in Folder() (an installed program).
    void SetExecutable(const std::string& path) { executable_ = path; }
    // An environment entry NAME=value for the programs started from now on (in place of an
    // earlier value of NAME).
    void SetEnv(const std::string& entry);
    // Runs openbox on the display, for the tests where focus and window management matter.
    bool StartWindowManager();
    // The window's inner size.
    std::pair<int, int> Size(const std::string& window) const;
    // Clicks (or double-clicks) at a point inside the window with real X input.
    void Click(const std::string& window, int x, int y, int count = 1) const;
    // The clipboard's text as X clients see it, and setting it (an xclip in the background owns
    // it).
    std::string Clipboard() const;
    // Selects and copies the page in front until it reads as expected: keys pressed while a
    // run lasts are swallowed, so a slow machine just takes more turns. What it read last.
    std::string CopiedPage(const std::string& expected) const;
    void SetClipboard(const std::string& text) const;
    // The window's pixels as PNG bytes.
    std::string Screenshot(const std::string& window) const;
    // How many of the window's pixels have exactly the colour 0xRRGGBB.
    long Pixels(const std::string& window, unsigned rgb) const;

private:
    TempDir dir_;
    std::string folder_;
    std::string runtime_;
    XvfbServer x_;
    std::vector<pid_t> started_;
    std::vector<std::string> env_;
    std::string executable_;
    pid_t windowManager_ = -1;
};

// Asks until the condition holds or the seconds are over; whether it held.
bool WaitFor(const std::function<bool()>& condition, int seconds = 20);
