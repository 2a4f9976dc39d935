#include "windows/logic/TagJump.h"

#include "windows/logic/FileJump.h"

#include "config/Kvexilconfig.h"
#include "platform/FileFacts.h"
#include "platform/Launcher.h"
#include "platform/MessageService.h"
#include "windows/logic/ErrorLines.h"
#include "windows/logic/ErrorTarget.h"
#include "windows/logic/ScriptDocument.h"

#include <algorithm>
#include <map>
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

} // namespace

int TagJumpLineNumber(std::optional<std::string_view> entry, const KVexilConfig& config) {
    if (!entry || !config.Current)
        return -1;
    const std::optional<NamedLine> named = ReadErrorEntry(*entry, *config.Current);
    return named ? named->line : -1;
}

std::string EditorMissingMessage(const std::string& editor) {
    return editor + "が見つかりません。パスを確認してください。";
}

TagJumpOutcome PerformTagJump(std::optional<std::string_view> entry, TagJumpContext& context) {
    KVexilConfig& config = context.config;
    if (!entry)
        return TagJumpOutcome::NoLineNumber;
    // Where the entry leads is known before anything is asked, so an entry that leads nowhere
    // never brings the save question.
    std::string file = context.script.GetFileName();
    const std::optional<ErrorTarget> target =
        ResolveErrorEntry(*entry, config, context.runFolder, file);
    if (!target)
        return TagJumpOutcome::NoLineNumber;
    const int line = target->line;

    if (file.empty() || !config.UseTagJump) {
        // A line that names another file (a module's, a library's) is no line of the script:
        // the caret stays, and the user learns where the error is.
        if (!target->file.empty() && target->file != file) {
            if (context.notice)
                context.notice(target->file + " の " + std::to_string(line) +
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
        // An entry naming the run's copy has come back as the script's own name.
        if (target->file.empty())
            return TagJumpOutcome::NoFileName;
        file = target->file;
    }
    // Absolute, so that a name beginning with '-' or '+' never reaches the editor as an option.
    file = AbsolutePathFrom(context.runFolder, file);

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
    return FileErrorMarks(lines, scriptFile, scriptFile, config, runFolder, maxEntries);
}
