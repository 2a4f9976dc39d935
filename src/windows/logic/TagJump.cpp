#include "windows/logic/TagJump.h"

#include "config/Kvexilconfig.h"
#include "platform/FileFacts.h"
#include "platform/Launcher.h"
#include "platform/MessageService.h"
#include "regex/Kregexp.h"
#include "windows/logic/ErrorLines.h"
#include "windows/logic/ScriptDocument.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>
#include <vector>

namespace {

// Whether the configured editor can be found: a name without '/' is looked up on PATH.
bool EditorExists(const std::string& editor) {
    if (editor.empty())
        return false;
    if (editor.find('/') != std::string::npos)
        return FileExists(editor);
    return !FindOnPath(editor).empty();
}

// A file name from error output, absolute. Relative, it would be read against whatever folder
// is current now, and a name beginning with '-' or '+' would reach the editor as an option.
std::string AbsoluteFrom(const std::string& folder, const std::string& file) {
    if (file.empty() || file.front() == '/')
        return file;
    std::string base = folder;
    if (base.empty()) {
        std::error_code ec;
        base = std::filesystem::current_path(ec).string();
    }
    if (base.empty() || base.back() != '/')
        base += '/';
    return base + file;
}

// The script itself, or the copy of it that a run executed.
bool NamesTheScript(const std::string& file, const std::string& scriptFile,
                    const std::string& runFolder, const KVexilConfig& config) {
    return file == AbsoluteFrom(runFolder, scriptFile) ||
           (!config.LastRunCopy.empty() && file == config.LastRunCopy) ||
           LowerAscii(file) == LowerAscii(AbsoluteFrom(runFolder, config.GetTempFilePath()));
}

bool NamesTheScript(const std::string& file, TagJumpContext& context, const KVexilConfig& config) {
    return NamesTheScript(file, context.script.GetFileName(), context.runFolder, config);
}

// The file an entry names through the language's RegExpFile, made absolute; nothing when the
// language has no such expression or the entry names no file.
std::optional<std::string> NamedFile(const std::string& entry, const KVexilConfig& config,
                                     const std::string& runFolder) {
    if (!config.Current || config.Current->RegExpFile.empty() ||
        !RegExpMatchUtf8(entry, config.Current->RegExpFile) || RegExpGroups[1].empty())
        return std::nullopt;
    return AbsoluteFrom(runFolder, RegExpGroups[1]);
}

} // namespace

int TagJumpLineNumber(std::optional<std::string_view> entry, const KVexilConfig& config) {
    if (!entry || !config.Current)
        return -1;
    return ErrorLineNumber(std::string(*entry), config.Current->RegExpErr);
}

std::string EditorMissingMessage(const std::string& editor) {
    return editor + "が見つかりません。パスを確認してください。";
}

TagJumpOutcome PerformTagJump(std::optional<std::string_view> entry, TagJumpContext& context) {
    KVexilConfig& config = context.config;
    // Both line-number matches run before anything is asked, so an entry without a line
    // number never leads to the save question.
    const int line = TagJumpLineNumber(entry, config);
    if (line == -1)
        return TagJumpOutcome::NoLineNumber;

    std::string file = context.script.GetFileName();
    if (file.empty() || !config.UseTagJump) {
        // A line that names another file (a module's, a library's) is no line of the script:
        // the caret stays, and the user learns where the error is.
        const std::optional<std::string> named =
            NamedFile(std::string(*entry), config, context.runFolder);
        if (named && !NamesTheScript(*named, context, config)) {
            if (context.notice)
                context.notice(*named + " の " + std::to_string(line) +
                               " 行目のエラーです。環境設定でタグジャンプ（外部エディタ）を"
                               "使うと、そのファイルを開けます。");
            return TagJumpOutcome::OtherFile;
        }
        if (context.activateScript)
            context.activateScript();
        context.script.GoToLine(line);
        return TagJumpOutcome::InScript;
    }

    if (!context.script.ConfirmDiscard())
        return TagJumpOutcome::Declined;

    if (config.Current && config.Current->UseTagJumpToOtherFile) {
        // Entry and expression are UTF-8, so the name is the real path, whatever it holds.
        if (!RegExpMatchUtf8(std::string(*entry), config.Current->RegExpFile) ||
            RegExpGroups[1].empty())
            return TagJumpOutcome::NoFileName;
        file = AbsoluteFrom(context.runFolder, RegExpGroups[1]);
        // An error reported against the copy a run executed points at the script.
        if (NamesTheScript(file, context, config))
            file = context.script.GetFileName();
    }
    file = AbsoluteFrom(context.runFolder, file);

    if (!EditorExists(config.Editor)) {
        context.messages.Show(EditorMissingMessage(config.Editor));
        return TagJumpOutcome::EditorMissing;
    }

    // The template is split before the file goes in, so the name is one argument whether or
    // not UseDoubleQuotes asks for quotes: no blank or quote in it can make a second one.
    std::vector<std::string> argv{config.Editor};
    for (std::string& argument : TagJumpArguments(config.TagJumpText, file, line))
        argv.push_back(std::move(argument));
    // Whether the editor really ran is not examined, as with any program handed a document.
    context.launcher.StartDetached(argv);
    return TagJumpOutcome::EditorStarted;
}

std::optional<ErrorStep> StepToErrorLine(std::optional<std::size_t> current, std::size_t count,
                                         bool forward,
                                         const std::function<bool(std::size_t)>& namesLine) {
    // A row the list no longer has counts as none.
    const bool none = !current.has_value() || current.value() >= count;
    const std::size_t at = none ? 0 : current.value();
    for (std::size_t k = 1; k <= count; ++k) {
        std::size_t row = 0;
        bool wrapped = false;
        if (none) {
            row = forward ? k - 1 : count - k; // from the end the walk comes from: no wrap
        } else if (forward) {
            row = (at + k) % count;
            wrapped = at + k >= count;
        } else {
            row = (at + count - k) % count;
            wrapped = k > at;
        }
        if (namesLine(row))
            return ErrorStep{row, wrapped};
    }
    return std::nullopt;
}

std::vector<ErrorMark> ScriptErrorMarks(const ErrorLines& lines, const std::string& scriptFile,
                                        const KVexilConfig& config, const std::string& runFolder,
                                        std::size_t maxEntries) {
    std::map<long long, std::pair<std::string, std::size_t>> byLine;
    if (!config.Current)
        return {};
    const std::size_t n = std::min(lines.Count(), maxEntries);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string entry = lines.LineUtf8(i);
        const int line = ErrorLineNumber(entry, config.Current->RegExpErr);
        if (line <= 0)
            continue;
        const std::optional<std::string> named = NamedFile(entry, config, runFolder);
        if (named && !NamesTheScript(*named, scriptFile, runFolder, config))
            continue;
        auto& [text, count] = byLine[line];
        if (count++ >= kMarkTextLines)
            continue;
        if (!text.empty())
            text += '\n';
        text += entry;
    }
    std::vector<ErrorMark> marks;
    marks.reserve(byLine.size());
    for (auto& [line, mark] : byLine)
        marks.push_back(ErrorMark{line, std::move(mark.first)});
    return marks;
}
