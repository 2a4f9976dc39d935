// Error lines and the tag jump: arbitrary standard error, with arbitrary expressions for the
// line number and the file name, and an arbitrary editor template. Whatever they hold, the
// lines split and add up again, a line number is one the entry holds, a jump in the script
// goes to that line, and an editor is only ever handed an absolute file where the template
// puts the file at the start of an argument, never something it could read as an option.
#include "../tests/support/HostDoubles.h"
#include "../tests/windows/RecordingScript.h"
#include "FuzzSupport.h"
#include "config/Kdefconfig.h"
#include "config/Kvexilconfig.h"
#include "platform/CommandLine.h"
#include "regex/Kregexp.h"
#include "windows/logic/ErrorLines.h"
#include "windows/logic/TagJump.h"

#include <string_view>
#include <vector>

namespace {

// The input's parts, separated by zero bytes: flags, RegExpErr, RegExpFile, TagJumpText, and
// the error output.
std::vector<std::string_view> Parts(std::string_view input) {
    std::vector<std::string_view> parts;
    for (int i = 0; i < 4; ++i) {
        const std::size_t end = input.find('\0');
        parts.push_back(input.substr(0, end));
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    }
    parts.push_back(input);
    return parts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QuietMessages messages;
    static const bool loaded = RegExpLoad(messages, LibraryFolder());
    FUZZ_CHECK(loaded);
    const std::vector<std::string_view> parts =
        Parts(std::string_view(reinterpret_cast<const char*>(data), size));
    const unsigned flags = parts[0].empty() ? 0 : static_cast<unsigned char>(parts[0][0]);
    const std::string_view output = parts[4];
    const TextCode code = flags & 1 ? TextCode::Utf8 : TextCode::Cp932;

    // The lines, and the same lines arriving in two pieces split after a line end.
    ErrorLines lines;
    lines.Load(output, code);
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        const std::string_view line = lines.Line(i);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string_view::npos);
        bytes += line.size();
    }
    FUZZ_CHECK(bytes <= output.size());
    const std::size_t cut = output.find('\n', output.size() / 2);
    if (cut != std::string_view::npos) {
        ErrorLines pieces;
        pieces.Load(output.substr(0, cut + 1), code);
        pieces.Append(output.substr(cut + 1), code);
        FUZZ_CHECK(pieces.JoinAll() == lines.JoinAll());
        FUZZ_CHECK(pieces.LongestLine() == lines.LongestLine() ||
                   pieces.Line(pieces.LongestLine()).size() ==
                       lines.Line(lines.LongestLine()).size());
    }

    KVexilConfig config("/nonexistent/", messages);
    KDefConfig language("/nonexistent/fuzz.def");
    language.Name = "Fuzz";
    language.ExePath = "/bin/true";
    language.RegExpErr = std::string(parts[1]);
    language.RegExpFile = std::string(parts[2]);
    language.UseTagJumpToOtherFile = flags & 2;
    config.Current = &language;
    config.UseTagJump = flags & 4;
    config.Editor = "/bin/true";
    config.TagJumpText = std::string(parts[3]);
    const std::vector<std::string> pieces = SplitCommandLine(config.TagJumpText);

    RecordingScript script;
    script.FileName = flags & 8 ? "" : "/home/user/script.pl";
    RecordingLauncher launcher;
    TagJumpContext context{script, config, messages, launcher, {}, "/run/folder", {}};
    for (std::size_t i = 0; i < lines.Count() && i < 16; ++i) {
        const std::string entry = lines.LineUtf8(i);
        const int line = ErrorLineNumber(entry, language.RegExpErr);
        FUZZ_CHECK(line >= -1);
        if (line >= 0)
            FUZZ_CHECK(entry.find(std::to_string(line)) != std::string::npos);
        const std::size_t jumps = script.Lines.size(), started = launcher.Started.size();
        const TagJumpOutcome outcome = PerformTagJump(entry, context);
        if (outcome == TagJumpOutcome::InScript) {
            FUZZ_CHECK(script.Lines.size() == jumps + 1);
            FUZZ_CHECK(script.Lines.back() == TagJumpLineNumber(entry, config));
        }
        if (outcome != TagJumpOutcome::EditorStarted)
            continue;
        FUZZ_CHECK(launcher.Started.size() == started + 1);
        const std::vector<std::string>& argv = launcher.Started.back();
        FUZZ_CHECK(argv.size() == pieces.size() + 1 && argv[0] == config.Editor);
        for (std::size_t k = 0; k < pieces.size(); ++k)
            if (pieces[k].rfind("%F", 0) == 0)
                FUZZ_CHECK(!argv[k + 1].empty() && argv[k + 1][0] == '/');
    }
    return 0;
}
