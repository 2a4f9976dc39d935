#include "platform/Launcher.h"

#include "platform/FileFacts.h"
#include "platform/ProgramOutput.h"
#include "platform/SpawnAttributes.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

std::string FindOnPath(const std::string& program) {
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos)
        return FileExists(program) && ::access(program.c_str(), X_OK) == 0 ? program
                                                                           : std::string();
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t colon = dirs.find(':', start);
        std::string dir =
            dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
        if (FileExists(candidate) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    return {};
}

namespace {
std::vector<char*> ArgumentPointers(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    return args;
}

// In a child of ours: starts the program on /dev/null, with the signal state a fresh program
// expects. Zero when it started.
int SpawnUnattached(std::vector<char*>& args, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attr;
    InitChildSpawnAttributes(attr);
    return ::posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
}
} // namespace

bool PosixLauncher::StartDetached(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty())
        return false;
    std::vector<char*> args = ArgumentPointers(argv);

    // An intermediate child starts the program in a new session and ends at once, so the
    // program is nobody's zombie and outlives us; its exit status says whether exec worked.
    pid_t middle = ::fork();
    if (middle < 0)
        return false;
    if (middle == 0) {
        ::setsid();
        pid_t pid;
        ::_exit(SpawnUnattached(args, pid) == 0 ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int PosixLauncher::StartReporting(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty())
        return -1;
    std::vector<char*> args = ArgumentPointers(argv);
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return -1;

    // The middle child ends at once, as for StartDetached; a watcher it leaves behind, in a
    // session of its own, waits for the program and writes its status. The program itself
    // never holds the pipe (close-on-exec), so a browser it starts cannot keep it open.
    pid_t middle = ::fork();
    if (middle < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return -1;
    }
    if (middle == 0) {
        ::setsid();
        if (::fork() != 0)
            ::_exit(0);
        // Nobody may be reading any more when the status is ready.
        ::signal(SIGPIPE, SIG_IGN);
        pid_t pid;
        unsigned char status = 127;
        if (SpawnUnattached(args, pid) == 0) {
            int raw = 0;
            while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
            }
            status = static_cast<unsigned char>(
                WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0));
        }
        while (::write(ends[1], &status, 1) < 0 && errno == EINTR) {
        }
        ::_exit(0);
    }
    ::close(ends[1]);
    int raw = 0;
    while (::waitpid(middle, &raw, 0) < 0 && errno == EINTR) {
    }
    return ends[0];
}

std::vector<std::string> OpenerCommand(const std::string& document) {
    const char* opener = std::getenv("VEXIL_OPENER");
    return {opener && *opener ? opener : "xdg-open", document};
}

bool DesktopHasProgramFor(const std::string& document) {
    const char* opener = std::getenv("VEXIL_OPENER");
    if (opener && *opener)
        return true;
    constexpr std::chrono::seconds kTimeout{5};
    auto type = ReadProgramOutput({"xdg-mime", "query", "filetype", document}, kTimeout);
    if (!type || Trim(*type).empty())
        return false;
    auto program = ReadProgramOutput({"xdg-mime", "query", "default", Trim(*type)}, kTimeout);
    return program && !Trim(*program).empty();
}

std::vector<std::string> TerminalCommand(const std::string& script) {
    const char* terminal = std::getenv("VEXIL_TERMINAL");
    std::string program = terminal && *terminal ? terminal : "";
    if (program.empty())
        program = FindOnPath("x-terminal-emulator").empty() ? "xterm" : "x-terminal-emulator";
    return {program, "-e", "sh", script};
}
