#pragma once
// The pseudo-terminal a terminal-mode run writes its standard output to: programs that ask
// whether they write to a terminal flush every line and may colour what they print. It is
// raw (the bytes read are the bytes written: no CR added before LF), sized to the window in
// characters, and never the child's controlling terminal, so nothing (sudo, ssh) can prompt
// for a password on it.

#include <string>

class RunTerminal {
public:
    RunTerminal() = default;
    ~RunTerminal();
    RunTerminal(const RunTerminal&) = delete;
    RunTerminal& operator=(const RunTerminal&) = delete;

    bool Open(int columns, int rows);
    int Master() const { return master_; }
    int Slave() const { return slave_; }
    // Once the child holds its end: the terminal then ends (reads fail) when the last process
    // writing to it has gone.
    void CloseSlave();

private:
    int master_ = -1;
    int slave_ = -1;
};

// The environment block (NAME=value\0...\0) of environment for a program writing to the run's
// terminal: TERM=xterm-256color, and PAGER and GIT_PAGER cat, since no one can page there.
std::string TerminalEnvironment(const char* const* environment);
