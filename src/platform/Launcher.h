#pragma once
// Starting other programs that live on their own: the external editor, the desktop's opener
// for documents and URLs, a terminal window. They are started detached (a session of their
// own, never waited for), directly from an argument list, so no shell interprets a path.

#include <functional>
#include <string>
#include <vector>

class Launcher {
public:
    virtual ~Launcher() = default;
    // True when the program could be executed.
    virtual bool StartDetached(const std::vector<std::string>& argv) = 0;
    // Starts a program that shows a document, as StartDetached does, and calls failed once,
    // later, on the caller's event loop, when it ends with a non-zero status soon after: an
    // opener finds no browser only after it has started. A launcher that cannot watch never
    // calls it.
    virtual bool StartShowing(const std::vector<std::string>& argv, std::function<void()> failed) {
        (void)failed;
        return StartDetached(argv);
    }
};

class PosixLauncher : public Launcher {
public:
    bool StartDetached(const std::vector<std::string>& argv) override;
    // Starts the program detached, and returns the reading end of a pipe (close-on-exec) on
    // which one byte arrives when it ends: its exit status, 128 + a signal, or 127 when it could
    // not be executed. -1 when nothing could be started.
    static int StartReporting(const std::vector<std::string>& argv);
};

// The full path of a program: itself when it holds a '/', else the first match on PATH;
// empty when there is none.
std::string FindOnPath(const std::string& program);

// The command that opens a document or URL with the desktop's associated program:
// $VEXIL_OPENER if set, else xdg-open.
std::vector<std::string> OpenerCommand(const std::string& document);

// Whether the desktop has a program that opens this file (xdg-mime names one for its type).
// With $VEXIL_OPENER set, that opener opens everything.
bool DesktopHasProgramFor(const std::string& document);

// The command that runs a shell script in a terminal window: $VEXIL_TERMINAL (a program taking
// "-e sh FILE") if set, else x-terminal-emulator, else xterm.
std::vector<std::string> TerminalCommand(const std::string& script);
