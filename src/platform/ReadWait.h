#pragma once
// Whether a run waits for its user: some process of the run's group is blocked reading the
// pipe its input comes through. Read from /proc/PID/syscall, which names the system call a
// process sleeps in and its arguments; a process that merely sleeps, or reads something
// else, does not wait for the user.

#include <optional>
#include <string_view>
#include <sys/types.h>

// The descriptor a /proc/PID/syscall line shows a read on (read, readv, pread, preadv), or
// nothing: running, another call, or no line.
std::optional<int> ReadingDescriptor(std::string_view syscallLine);
// The process group field of a /proc/PID/stat line (the name in parentheses may hold
// anything), or -1.
pid_t GroupOfStat(std::string_view statLine);
// True when a process of group is blocked reading a descriptor that is the pipe pipeInode.
bool GroupWaitsOnPipe(pid_t group, ino_t pipeInode);
