#pragma once
// Reading what a small helper program prints: started directly from an argument list (no
// shell sees the arguments), standard input /dev/null, standard error discarded, and killed
// when it takes longer than allowed, so a hanging helper never holds the window.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// The program's standard output when it could be started and ended with exit code 0 within
// the time allowed; nothing otherwise. Output beyond maxBytes is read and dropped. With a
// workDir the program starts there (nothing when it cannot), else in the current folder.
std::optional<std::string> ReadProgramOutput(const std::vector<std::string>& argv,
                                             std::chrono::milliseconds timeout,
                                             std::size_t maxBytes = 4 << 20,
                                             const std::string& workDir = {});
