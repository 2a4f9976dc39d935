#pragma once
// What the fuzz targets share: a quiet message service, a scratch file, and a check that
// stops the run at the first broken property.

#include "support/QuietMessages.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

// A file of the process's own, rewritten for every input.
inline const std::string& ScratchFile(const std::string& bytes) {
    static const std::string path = [] {
        std::string p = "/tmp/vexilfuzzXXXXXX";
        int fd = ::mkstemp(p.data());
        if (fd >= 0)
            ::close(fd);
        return p;
    }();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<long>(bytes.size()));
    return path;
}

// The folder the run-time libraries were built into, with a trailing '/'.
inline std::string LibraryFolder() {
    return VEXIL_BIN_DIR "/";
}

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            __builtin_trap();                                                                      \
    } while (0)
