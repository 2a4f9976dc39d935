#include "exec/RunTerminal.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

RunTerminal::~RunTerminal() {
    CloseSlave();
    if (master_ >= 0)
        ::close(master_);
}

bool RunTerminal::Open(int columns, int rows) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0)
        return false;
    char name[128];
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0)
        return false;
    // O_NOCTTY: opening it makes it nobody's controlling terminal, this program's included.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0)
        return false;
    termios mode{};
    if (::tcgetattr(slave_, &mode) == 0) {
        ::cfmakeraw(&mode);
        ::tcsetattr(slave_, TCSANOW, &mode);
    }
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns > 0 ? columns : 80);
    size.ws_row = static_cast<unsigned short>(rows > 0 ? rows : 24);
    ::ioctl(slave_, TIOCSWINSZ, &size);
    return true;
}

void RunTerminal::CloseSlave() {
    if (slave_ >= 0)
        ::close(slave_);
    slave_ = -1;
}

std::string TerminalEnvironment(const char* const* environment) {
    static const char* const kSet[] = {"TERM=xterm-256color", "PAGER=cat", "GIT_PAGER=cat"};
    std::string block;
    for (const char* const* e = environment; e && *e; ++e) {
        bool replaced = false;
        for (const char* set : kSet) {
            const std::size_t name = std::strchr(set, '=') - set + 1;
            replaced = replaced || std::strncmp(*e, set, name) == 0;
        }
        if (!replaced)
            block.append(*e).push_back('\0');
    }
    for (const char* set : kSet)
        block.append(set).push_back('\0');
    block.push_back('\0');
    return block;
}
