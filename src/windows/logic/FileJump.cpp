#include "windows/logic/FileJump.h"

#include "config/Kvexilconfig.h"
#include "platform/FileFacts.h"
#include "windows/logic/ErrorLines.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <unistd.h>

namespace {

std::string MissingMessage(const std::string& file, int line) {
    return "エラー行が示すファイル " + file + " (" + std::to_string(line) +
           " 行目) が見つかりません。";
}

std::string NotSavedMessage(const std::string& file) {
    return "スクリプトが保存されていないため、" + file +
           " へは移動しませんでした。先にスクリプトを保存してください。";
}

constexpr const char* kSaveFirst =
    "別のファイルへ移動する前に、スクリプトに名前を付けて保存します。";

} // namespace

FileJumps::FileJumps(JumpWindow& window, std::function<void(const std::string&)> notice,
                     std::function<void(bool)> arrived)
    : window_(window), notice_(std::move(notice)), arrived_(std::move(arrived)) {}

std::string FileJumps::RunScript() const {
    if (const Visit* program = history_.Program())
        return program->file;
    return window_.ShownFile();
}

FileJumpOutcome FileJumps::Follow(const ErrorTarget& target) {
    const std::string file = target.file.empty() ? RunScript() : target.file;
    std::string shown = window_.ShownFile();
    if (file.empty() || SameFile(file, shown)) {
        if (arrived_)
            arrived_(false);
        window_.GoToLine(target.line);
        return FileJumpOutcome::InShown;
    }
    // Nothing is asked for a jump that cannot take place.
    if (!FileExists(file)) {
        if (notice_)
            notice_(MissingMessage(file, target.line));
        return FileJumpOutcome::Missing;
    }
    if (shown.empty()) {
        // A script without a file cannot be come back to: it is saved first, or the jump
        // does not happen.
        if (notice_)
            notice_(kSaveFirst);
        if (!window_.SaveUnnamed()) {
            if (notice_)
                notice_(NotSavedMessage(file));
            return FileJumpOutcome::NotSaved;
        }
        shown = window_.ShownFile();
    } else if (window_.ShownModified() && !window_.ConfirmDiscard()) {
        return FileJumpOutcome::Declined;
    }
    Visit here = window_.Here();
    FileState state;
    if (std::optional<FileState> known = history_.LastStateOf(file)) {
        state = *known;
    } else {
        state.readOnly = OpensReadOnly(file);
    }
    if (!window_.ShowFile(file, state))
        return FileJumpOutcome::Failed;
    const std::string programFolder = history_.Program() ? history_.Program()->folder : "";
    history_.Jumped(std::move(here), file);
    // The script is shown again: it runs in the folder it was left with.
    if (!history_.Visiting() && !programFolder.empty())
        window_.SetRunFolder(programFolder);
    if (arrived_)
        arrived_(true);
    window_.GoToLine(target.line);
    return FileJumpOutcome::Opened;
}

bool FileJumps::Back() {
    return Go(history_.PeekBack(), true);
}

bool FileJumps::Forward() {
    return Go(history_.PeekForward(), false);
}

bool FileJumps::Go(const Visit* to, bool back) {
    if (!to) {
        if (notice_)
            notice_(back ? kNoBack : kNoForward);
        return false;
    }
    // Copied: the history changes below.
    const Visit arriving = *to;
    if (!FileExists(arriving.file)) {
        if (notice_)
            notice_(arriving.file + " が見つかりません。");
        return false;
    }
    if (window_.ShownModified() && !window_.ConfirmDiscard())
        return false;
    Visit here = window_.Here();
    if (!window_.ShowFile(arriving.file, arriving.state))
        return false;
    if (back)
        history_.WentBack(std::move(here));
    else
        history_.WentForward(std::move(here));
    window_.SetRunFolder(arriving.folder);
    if (arrived_)
        arrived_(true);
    window_.MoveTo(arriving.caret, arriving.topLine);
    return true;
}

bool FileJumps::BeforeRun() {
    const Visit* program = history_.Program();
    if (!program)
        return true;
    const std::string folder = program->folder;
    if (window_.ShownModified() && !window_.ConfirmDiscard())
        return false;
    // A save moves the window's folder to the file's; the script runs where it always did.
    window_.SetRunFolder(folder);
    return true;
}

bool OpensReadOnly(const std::string& file) {
    return file.rfind("/usr/", 0) == 0 || ::access(file.c_str(), W_OK) != 0;
}

std::vector<ErrorMark> FileErrorMarks(const ErrorLines& lines, const std::string& shownFile,
                                      const std::string& runScript, const KVexilConfig& config,
                                      const std::string& runFolder, std::size_t maxEntries) {
    std::map<long long, std::pair<std::string, std::size_t>> byLine;
    // A name relative to the run's folder is written as the targets are.
    const std::string shown =
        shownFile.empty() || shownFile.front() == '/'
            ? shownFile
            : (std::filesystem::path(runFolder) / shownFile).lexically_normal().string();
    // Many entries name the same few files: each name is compared with the file shown once.
    std::map<std::string, bool> named;
    const std::size_t n = std::min(lines.Count(), maxEntries);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string entry = lines.LineUtf8(i);
        const std::optional<ErrorTarget> target =
            ResolveErrorEntry(entry, config, runFolder, runScript);
        if (!target || target->line <= 0)
            continue;
        const std::string& file = target->file.empty() ? runScript : target->file;
        auto [it, fresh] = named.try_emplace(file, false);
        if (fresh)
            it->second = SameFile(file, shown);
        if (!it->second)
            continue;
        auto& [text, count] = byLine[target->line];
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

std::string RunScriptCaption(const std::string& runScript) {
    return "  （F9 で実行: " + ExtractFileName(runScript) + "）";
}

std::string RunScriptPanel(const std::string& runScript) {
    return "F9: " + ExtractFileName(runScript);
}

std::string RunScriptHint(const std::string& runScript) {
    return "エラー行から別のファイルを開いています。実行するのは " + runScript +
           " です（Alt+← で戻ります）。";
}

void RestoreView(TextEditor& editor, long long caret, long long topLine) {
    const TextPos last = std::max<TextPos>(0, editor.LineCount() - 1);
    const TextPos end =
        editor.PositionFromLine(last) + static_cast<TextPos>(editor.LineText(last).size());
    editor.SetSelection(std::clamp<TextPos>(caret, 0, std::max<TextPos>(0, end)), 0);
    editor.ScrollLines(std::clamp<TextPos>(topLine, 0, last) - editor.FirstVisibleLine());
    editor.Focus();
}
