#include "exec/TerminalSession.h"

#include "exec/Exec.h"
#include "exec/Kexecproc.h"
#include "exec/RunTerminal.h"
#include "platform/ReadWait.h"

extern char** environ;

TerminalSession::TerminalSession(RunWindows& windows, int scriptCode,
                                 std::function<std::string(std::string_view, int)> encode)
    : windows_(windows), input_(pipe_, scriptCode, std::move(encode)) {}

TerminalSession::~TerminalSession() {
    if (!open_)
        return;
    if (waiting_)
        windows_.InputWaiting(false);
    windows_.OpenInput(nullptr);
}

bool TerminalSession::Prepare(KExecProc& proc) {
    if (!pipe_.Open())
        return false;
    proc.SetInputDescriptor(pipe_.TakeReadEnd());
    const TerminalSize size = windows_.ResultTerminalSize();
    proc.SetTerminal(size.columns, size.rows);
    proc.SetEnvironment(TerminalEnvironment(environ));
    open_ = true;
    windows_.OpenInput(&input_);
    return true;
}

void TerminalSession::Tick(const RunProgress& progress) {
    pipe_.Flush();
    if (progress.seconds < nextLook_)
        return;
    nextLook_ = progress.seconds + kWaitLookSeconds;
    const bool waiting = !pipe_.Closed() && GroupWaitsOnPipe(progress.group, pipe_.Inode());
    if (waiting != waiting_)
        windows_.InputWaiting(waiting);
    waiting_ = waiting;
}
