#pragma once
// A run in the terminal mode, around its child: standard output on a terminal of the result
// window's size, standard input on a pipe fed by the input line, the input line open while
// the run lasts, and the status bar told while the program waits for a line.

#include "exec/InputPipe.h"
#include "exec/TerminalInput.h"

#include <chrono>
#include <functional>
#include <optional>

class KExecProc;
class RunWindows;
struct RunProgress;

class TerminalSession {
public:
    TerminalSession(RunWindows& windows, int scriptCode,
                    std::function<std::string(std::string_view, int)> encode);
    ~TerminalSession();
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    // Sets the child up; false when the pipe could not be made (the run then goes as usual).
    bool Prepare(KExecProc& proc);
    // From the capture loop: queued input goes on, and whether the program waits is looked
    // at a few times a second (each look reads /proc).
    void Tick(const RunProgress& progress);

    static constexpr double kWaitLookSeconds = 0.2;

private:
    RunWindows& windows_;
    InputPipe pipe_;
    TerminalInput input_;
    bool open_ = false;
    bool waiting_ = false;
    double nextLook_ = 0;
};
