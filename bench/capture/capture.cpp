// Captures one command line through KExecProc and reports what it held: the bytes of both
// streams and the process's peak resident memory, for the capture benchmark's driver.
#include "exec/Kexecproc.h"
#include "support/QuietMessages.h"

#include <cstdio>
#include <sys/resource.h>

namespace {
class NeverHeld : public KeyStateProbe {
public:
    bool EscapeHeld() override { return false; }
};
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_capture COMMAND-LINE\n");
        return 2;
    }
    QuietMessages messages;
    NeverHeld probe;
    KExecProc proc(argv[1], messages, probe);
    bool ok = proc.Run();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%d %zu %zu %ld\n", ok ? 1 : 0, proc.StdOut().Size(), proc.StdErr().Size(),
                usage.ru_maxrss);
    return ok ? 0 : 1;
}
