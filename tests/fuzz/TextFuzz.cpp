// Texts the program takes apart: the command-line splitter, the error lines, the line number
// an error line names and the tag-jump template.
#include "FuzzSupport.h"
#include "platform/CommandLine.h"
#include "regex/Kregexp.h"
#include "windows/logic/ErrorLines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QuietMessages messages;
    static const bool loaded = RegExpLoad(messages, LibraryFolder());
    FUZZ_CHECK(loaded);
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::vector<std::string> split = SplitCommandLine(bytes);
    FUZZ_CHECK(split.size() <= bytes.size());
    // Whatever a file name holds, quoted it comes back as one argument, unchanged.
    const std::vector<std::string> alone = SplitCommandLine(QuoteArgument(bytes));
    FUZZ_CHECK(alone.size() == 1 && alone[0] == bytes);

    ErrorLines lines;
    lines.Load(bytes);
    size_t total = 0;
    for (size_t i = 0; i < lines.Count() && i < 64; ++i) {
        std::string_view line = lines.Line(i);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string_view::npos);
        total += line.size();
        ErrorLineNumber(std::string(line), "line [0-9]+");
    }
    FUZZ_CHECK(total <= bytes.size());
    lines.JoinAll();

    std::string expanded = ExpandTagJumpText(bytes, "/w/a b.pl", static_cast<int>(size));
    FUZZ_CHECK(bytes.find('%') != std::string::npos || expanded == bytes);
    // A file name with blanks and quotes never adds an argument to the editor's.
    FUZZ_CHECK(TagJumpArguments(bytes, "/w/\"a b.pl", 3).size() == split.size());
    return 0;
}
