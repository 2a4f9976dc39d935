#include "shell/MainRunWindows.h"

#include "platform/FileFacts.h"
#include "platform/MessageService.h"
#include "shell/Main.h"
#include "shell/qt/RunGate.h"
#include "windows/InputLine.h"
#include "windows/Result.h"
#include "windows/Script.h"
#include "windows/Stderror.h"
#include "windows/logic/FileJump.h"
#include "windows/logic/TagJump.h"

// While a file reached by a jump from the error list is shown, the runs mean the script the
// errors came from, as it is on disk: it was saved, or its changes let go, when it was left.

bool MainRunWindows::WriteScript(const std::string& path) {
    const Visit* program = main_.Jumps().Program();
    if (!program)
        return main_.Script().WriteRunCopy(path);
    std::string bytes, error;
    if (ReadWholeFile(program->file, bytes) && WriteFileAtomic(path, bytes, &error, Links::Replace))
        return true;
    main_.Messages().Show(program->file + " を実行用にコピーできませんでした。\n" + error,
                          kErrorCaption, MessageIcon::Error);
    return false;
}

int MainRunWindows::ScriptCode() const {
    const Visit* program = main_.Jumps().Program();
    return program ? program->state.code : main_.Script().GetCode();
}

std::string MainRunWindows::ScriptFile() const {
    return main_.Jumps().RunScript();
}

bool MainRunWindows::ScriptModified() const {
    return !main_.Jumps().Visiting() && main_.Script().Modified;
}

void MainRunWindows::ClearResult() {
    main_.Result().Clear();
}

std::optional<std::string> MainRunWindows::InScriptCode(const std::string& utf8) {
    return main_.Script().InScriptCode(utf8);
}

void MainRunWindows::LoadResult(ByteStream& stream, TextCode code) {
    main_.Result().LoadFromStream(stream, code);
}

HeldText MainRunWindows::ResultText() {
    return {main_.Result().GetText(), main_.Result().HeldCode()};
}

std::string MainRunWindows::ResultUtf8() {
    return main_.Result().Utf8Text();
}

TerminalSize MainRunWindows::ResultTerminalSize() {
    const auto [columns, rows] = main_.Result().SizeInCharacters();
    return {columns, rows};
}

void MainRunWindows::OpenInput(TerminalInput* input) {
    if (input)
        ShowResultPage();
    main_.Result().OpenInput(input);
    gate_.AllowInputTo(input ? &main_.Result().Input() : nullptr);
}

void MainRunWindows::InputWaiting(bool waiting) {
    gate_.SetWaiting(waiting);
}

void MainRunWindows::KeepRawResult(std::string bytes) {
    main_.Result().KeepRaw(std::move(bytes));
}

void MainRunWindows::KeepCapturedResult(std::string bytes) {
    main_.Result().KeepCaptured(std::move(bytes));
}

bool MainRunWindows::SaveResult(const std::string& path) {
    return main_.Result().SaveToPath(path);
}

void MainRunWindows::SetResultFolder(const std::string& folder) {
    main_.Result().SetFolder(folder);
}

void MainRunWindows::LoadErrors(ByteStream& stream, TextCode code) {
    main_.StdError().LoadFromStream(stream, code);
}

void MainRunWindows::LoadTestErrors(const std::vector<TestEntry>& entries,
                                    const std::string& folder) {
    main_.StdError().LoadEntries(entries, folder);
}

void MainRunWindows::HideErrorPanel() {
    main_.HideErrorPanel();
}

void MainRunWindows::ShowResultPage() {
    main_.ActivateDocument(TFBase::kResult);
}

void MainRunWindows::ShowScriptPage() {
    main_.ActivateDocument(TFBase::kScript);
}

void MainRunWindows::RefreshStatus() {
    main_.RefreshStatus();
}

void MainRunWindows::OptionsChanged() {
    main_.RefreshView();
}

void MainRunWindows::ShowFormEditor() {
    main_.ShowFormEditor();
}

void MainRunWindows::OpenLanguageSettings() {
    main_.OpenLanguageSettings();
}

std::optional<std::string> MainRunWindows::PromptResultFile(const std::string& caption,
                                                            const std::string& current) {
    return main_.PromptResultFile(caption, current);
}

void MainRunWindows::RunStarted() {
    // The last run's marks would point at lines this run may report differently.
    main_.Script().ShowErrorMarks({});
    // This run's error lines arrive from the start: none of the last run's may stay among them.
    main_.StdError().Clear();
    main_.ShowRunGoing();
    gate_.Begin();
}

bool MainRunWindows::RunTick(double seconds, std::size_t bytes) {
    return gate_.Tick(seconds, bytes);
}

void MainRunWindows::RunEnded() {
    gate_.End();
}

bool MainRunWindows::AppendLiveResult(std::string_view bytes, TextCode code, LiveAhead ahead) {
    return main_.Result().AppendLive(bytes, code, ahead);
}

bool MainRunWindows::AppendLiveErrors(std::string_view bytes, TextCode code, LiveAhead ahead) {
    return main_.StdError().AppendLive(bytes, code, ahead);
}

void MainRunWindows::KeepLiveErrors(TextCode code) {
    main_.StdError().KeepLive(code);
}

void MainRunWindows::KeepLiveResult(TextCode code) {
    main_.Result().KeepLive(code);
}

void MainRunWindows::RunFinished(const RunOutcome& outcome) {
    main_.ShowRunOutcome(outcome);
}
