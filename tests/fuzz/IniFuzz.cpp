// The settings reader: parse, write, parse again gives the same values; a written value reads
// back as written (or is refused when it holds a line break).
#include "FuzzSupport.h"
#include "platform/IniFile.h"

#include <string_view>
#include <utility>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    IniFile first(ScratchFile(bytes));

    // The sections and keys the text seems to name, found by a scan of its own.
    std::vector<std::pair<std::string, std::string>> names;
    std::string section;
    size_t start = 0;
    while (start <= bytes.size() && names.size() < 64) {
        size_t end = bytes.find('\n', start);
        std::string_view line = std::string_view(bytes).substr(
            start, end == std::string::npos ? std::string::npos : end - start);
        size_t open = line.find('['), close = line.find(']');
        size_t eq = line.find('=');
        if (open != std::string_view::npos && close != std::string_view::npos && open < close)
            section = std::string(line.substr(open + 1, close - open - 1));
        else if (eq != std::string_view::npos)
            names.emplace_back(section, std::string(line.substr(0, eq)));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }

    // A value of the input's own written into it.
    std::string value = bytes.substr(0, std::min<size_t>(bytes.size(), 40));
    bool accepted = first.WriteString("Fuzz", "Key", value);
    FUZZ_CHECK(accepted == (value.find_first_of("\r\n") == std::string::npos));

    IniFile second(ScratchFile(first.Text()));
    for (const auto& [s, k] : names)
        FUZZ_CHECK(first.ReadString(s, k, "\x01none") == second.ReadString(s, k, "\x01none"));
    FUZZ_CHECK(second.ReadString("Fuzz", "Key", "\x01none") ==
               first.ReadString("Fuzz", "Key", "\x01none"));
    return 0;
}
