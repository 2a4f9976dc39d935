#pragma once
// The pipe a terminal-mode run reads its standard input from. What the user types is queued
// and written as the pipe takes it, so a program that reads nothing never holds the window
// up; closing it is the end of input the program reads (Ctrl+D in a terminal).

#include "exec/TerminalInput.h"

#include <string>
#include <string_view>
#include <sys/types.h>

class InputPipe : public InputSink {
public:
    InputPipe() = default;
    ~InputPipe() override;
    InputPipe(const InputPipe&) = delete;
    InputPipe& operator=(const InputPipe&) = delete;

    bool Open();
    // The child's end, for the run to hand over and close; the pipe keeps only its own.
    int TakeReadEnd();
    // The pipe's inode, as /proc names it ("pipe:[N]").
    ino_t Inode() const { return inode_; }

    void Send(std::string_view bytes) override;
    // Closes once what is queued has been written.
    void Close() override;
    // Writes what is queued as far as the pipe takes it now.
    void Flush();
    bool Closed() const { return write_ < 0; }
    std::size_t Queued() const { return queued_.size(); }

private:
    int read_ = -1;
    int write_ = -1;
    ino_t inode_ = 0;
    bool closing_ = false;
    std::string queued_;
};
