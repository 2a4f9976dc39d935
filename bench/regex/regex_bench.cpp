// What the tag jump's matching costs: one expression against many error lines (the compiled
// pattern is reused) against two expressions taking turns (each call compiles afresh), and
// CP932 matching (converted to UTF-8 per call) against plain byte matching.

#include "Timing.h"
#include "bregexp/bregexp.h"
#include "platform/Tdll.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> ErrorLines(int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back("Global symbol \"$x" + std::to_string(i) +
                        "\" requires explicit package name at /home/user/\x95\x5C\x8E\xA6/s" +
                        std::to_string(i % 7) + ".pl line " + std::to_string(i + 1) + ".");
    return lines;
}

} // namespace

int main() {
    TDll dll(std::string(VEXIL_BIN_DIR) + "/libbregexp.so");
    auto match = dll.Proc<decltype(&BMatch)>("BMatch");
    auto release = dll.Proc<decltype(&BRegfree)>("BRegfree");
    if (!match || !release) {
        std::fprintf(stderr, "libbregexp.so not usable: %s\n", dll.LoadError().c_str());
        return 1;
    }
    const std::vector<std::string> lines = ErrorLines(20000);
    long hits = 0;
    auto run = [&](const std::string& a, const std::string& b) {
        char msg[256];
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string& pattern = i % 2 ? b : a;
            BREGEXP* rx = nullptr;
            hits += match(pattern.c_str(), lines[i].data(), lines[i].data() + lines[i].size(), &rx,
                          msg) > 0;
            release(rx);
        }
    };
    const std::string err = "m/line [0-9]+.?/k", file = "m/at (.+) line/k";
    const std::string errBytes = "m/line [0-9]+.?/";

    double same = Seconds([&] { run(err, err); });
    double alternating = Seconds([&] { run(err, file); });
    double bytes = Seconds([&] { run(errBytes, errBytes); });

    std::printf("%zu error lines, %ld matches\n", lines.size(), hits);
    std::printf("one expression (compiled once):  %8.2f ms\n", same * 1e3);
    std::printf("two expressions taking turns:    %8.2f ms  (%.1fx)\n", alternating * 1e3,
                alternating / same);
    std::printf("byte matching without k:         %8.2f ms  (k costs %.2fx)\n", bytes * 1e3,
                same / bytes);
    return 0;
}
