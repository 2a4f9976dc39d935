#include "e2e/Program.h"

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;
namespace fs = std::filesystem;

Program::Program() {
    folder_ = dir_.File("bin");
    runtime_ = dir_.File("runtime");
    fs::create_directories(folder_);
    fs::create_directories(runtime_);
    fs::permissions(runtime_, fs::perms::owner_all, fs::perm_options::replace);
    // A portable copy, as the build folder is: its settings live beside it.
    for (const char* name : {"vexilpro", "libnkf32.so", "libbregexp.so", "VexilPro.portable"})
        fs::copy_file(fs::path(VEXIL_BIN_DIR) / name, fs::path(folder_) / name);
}

void Program::SetEnv(const std::string& entry) {
    const std::string name = entry.substr(0, entry.find('=') + 1);
    std::erase_if(env_, [&name](const std::string& e) { return e.rfind(name, 0) == 0; });
    env_.push_back(entry);
}

Program::~Program() {
    if (windowManager_ > 0) {
        ::kill(windowManager_, SIGTERM);
        ::waitpid(windowManager_, nullptr, 0);
    }
    // An xclip that owns the clipboard, or a drag source, ends with the X server.
    for (pid_t pid : started_) {
        if (::kill(pid, 0) == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
}

pid_t Program::Start(const std::vector<std::string>& args, const std::string& workDir) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        if (entry.rfind("DISPLAY=", 0) == 0 || entry.rfind("XDG_RUNTIME_DIR=", 0) == 0 ||
            entry.rfind("QT_QPA_PLATFORM=", 0) == 0)
            continue;
        env.push_back(entry);
    }
    env.push_back("DISPLAY=" + x_.Display());
    env.push_back("XDG_RUNTIME_DIR=" + runtime_);
    env.push_back("QT_QPA_PLATFORM=xcb");
    env.insert(env.end(), env_.begin(), env_.end());
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    std::string exe = executable_.empty() ? folder_ + "/vexilpro" : executable_;
    std::vector<std::string> all = {exe};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::string cwd = fs::current_path().string();
    if (!workDir.empty())
        fs::current_path(workDir);
    pid_t pid = -1;
    ::posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv.data(), envp.data());
    fs::current_path(cwd);
    if (pid > 0)
        started_.push_back(pid);
    return pid;
}

int Program::Wait(pid_t pid, int seconds) {
    for (int i = 0; i < seconds * 20; ++i) {
        int status = 0;
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
}

namespace {

// What a shell command prints, whole.
std::string Output(const std::string& command) {
    FILE* p = ::popen(command.c_str(), "r");
    if (!p)
        return {};
    std::string out;
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    ::pclose(p);
    return out;
}

} // namespace

std::string Program::Run(const std::string& command) const {
    std::string out = Output("DISPLAY=" + x_.Display() + " " + command + " 2>/dev/null");
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

bool Program::HasWindow(const std::string& namePattern) const {
    return !Run("xdotool search --onlyvisible --name '" + namePattern + "' | head -1").empty();
}

std::string Program::WaitForWindow(const std::string& namePattern, int seconds) const {
    for (int i = 0; i < seconds * 10; ++i) {
        std::string id = Run("xdotool search --onlyvisible --name '" + namePattern + "' | head -1");
        if (!id.empty())
            return id;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return {};
}

bool Program::Keys(const std::string& window, const std::string& keys) const {
    Run("xdotool windowfocus --sync " + window);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    return std::system(("DISPLAY=" + x_.Display() + " xdotool key --delay 60 " + keys).c_str()) ==
           0;
}

bool Program::StartWindowManager() {
    std::string display = "DISPLAY=" + x_.Display();
    std::vector<char*> envp;
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("DISPLAY=", 0) != 0)
            env.push_back(*e);
    env.push_back(display);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const char* argv[] = {"openbox", "--sm-disable", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    int r = ::posix_spawnp(&windowManager_, "openbox", &actions, nullptr, const_cast<char**>(argv),
                           envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (r != 0)
        return false;
    // Running once it has claimed the screen's window manager selection.
    for (int i = 0; i < 50; ++i) {
        if (!Run("xprop -root _NET_SUPPORTING_WM_CHECK | grep -o 'window id'").empty())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

std::pair<int, int> Program::Size(const std::string& window) const {
    std::string out = Run("xdotool getwindowgeometry --shell " + window);
    int w = 0, h = 0;
    size_t at = out.find("WIDTH=");
    if (at != std::string::npos)
        w = std::atoi(out.c_str() + at + 6);
    at = out.find("HEIGHT=");
    if (at != std::string::npos)
        h = std::atoi(out.c_str() + at + 7);
    return {w, h};
}

void Program::Click(const std::string& window, int x, int y, int count) const {
    Run("xdotool mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) +
        " click --repeat " + std::to_string(count) + " --delay 80 1");
}

std::string Program::Clipboard() const {
    return Output("DISPLAY=" + x_.Display() + " xclip -o -selection clipboard 2>/dev/null");
}

void Program::SetClipboard(const std::string& text) const {
    std::string file = dir_.Write("clipboard.txt", text);
    Run("xclip -selection clipboard -i '" + file + "' >/dev/null");
}

long Program::Pixels(const std::string& window, unsigned rgb) const {
    char colour[8];
    std::snprintf(colour, sizeof colour, "%06x", rgb & 0xffffffu);
    const std::string out = Run("QT_QPA_PLATFORM=xcb " VEXIL_SCREENSHOT " --count " +
                                std::string(colour) + " " + window);
    return out.empty() ? -1 : std::stol(out);
}

std::string Program::Screenshot(const std::string& window) const {
    std::string png = dir_.File("shot.png");
    ::unlink(png.c_str());
    Run("QT_QPA_PLATFORM=xcb " VEXIL_SCREENSHOT " '" + png + "' " + window);
    return ReadFileBytes(png);
}

bool WaitFor(const std::function<bool()>& condition, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

std::string Program::CopiedPage(const std::string& expected) const {
    std::string clip;
    for (int i = 0; i < 30 && clip != expected; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        Run("xdotool key ctrl+a ctrl+c");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        clip = Clipboard();
    }
    return clip;
}
