#pragma once
// This process's resident memory in kB (VmRSS), -1 where it cannot be read.

#include <cstdlib>
#include <fstream>
#include <string>

inline long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}
