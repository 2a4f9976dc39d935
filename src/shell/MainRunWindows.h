#pragma once
// The windows of the main window as a run sees them.

#include "exec/Exec.h"

class RunGate;
class TFMain;

class MainRunWindows : public RunWindows {
public:
    MainRunWindows(TFMain& main, RunGate& gate) : main_(main), gate_(gate) {}

    bool WriteScript(const std::string& path) override;
    int ScriptCode() const override;
    std::string ScriptFile() const override;
    bool ScriptModified() const override;
    void ClearResult() override;
    std::optional<std::string> InScriptCode(const std::string& utf8) override;
    void LoadResult(ByteStream& stream, TextCode code) override;
    HeldText ResultText() override;
    std::string ResultUtf8() override;
    void KeepCapturedResult(std::string bytes) override;
    void KeepRawResult(std::string bytes) override;
    bool SaveResult(const std::string& path) override;
    void SetResultFolder(const std::string& folder) override;
    void LoadErrors(ByteStream& stream, TextCode code) override;
    void LoadTestErrors(const std::vector<TestEntry>& entries, const std::string& folder) override;
    void HideErrorPanel() override;
    void ShowResultPage() override;
    void ShowScriptPage() override;
    void RefreshStatus() override;
    void OptionsChanged() override;
    void ShowFormEditor() override;
    void OpenLanguageSettings() override;
    std::optional<std::string> PromptResultFile(const std::string& caption,
                                                const std::string& current) override;
    void RunStarted() override;
    bool RunTick(double seconds, std::size_t bytes) override;
    void RunEnded() override;
    bool AppendLiveResult(std::string_view bytes, TextCode code, LiveAhead ahead) override;
    bool AppendLiveErrors(std::string_view bytes, TextCode code, LiveAhead ahead) override;
    void KeepLiveResult(TextCode code) override;
    void KeepLiveErrors(TextCode code) override;
    void RunFinished(const RunOutcome& outcome) override;
    TerminalSize ResultTerminalSize() override;
    void OpenInput(TerminalInput* input) override;
    void InputWaiting(bool waiting) override;

private:
    TFMain& main_;
    RunGate& gate_;
};
