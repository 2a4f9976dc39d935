#pragma once
// Stand-ins for the side effects a window reaches through its host: file dialogs answered
// from a script, an in-memory clipboard, and a launcher that records what it would start.

#include "platform/ClipboardService.h"
#include "platform/DialogService.h"
#include "platform/Launcher.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

class ScriptedDialogs : public DialogService {
public:
    // The next dialog answers with this path; nothing means Cancel.
    void Answer(std::optional<std::string> path) { answers_.push_back(std::move(path)); }

    std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override {
        Opens.push_back(request);
        return Next();
    }
    std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override {
        Saves.push_back(request);
        return Next();
    }
    size_t PendingAnswers() const { return answers_.size(); }

    std::vector<FileDialogRequest> Opens, Saves;

private:
    std::optional<std::string> Next() {
        if (answers_.empty())
            return std::nullopt;
        auto a = answers_.front();
        answers_.pop_front();
        return a;
    }
    std::deque<std::optional<std::string>> answers_;
};

class FakeClipboard : public ClipboardService {
public:
    std::string Text() override { return Contents; }
    void SetText(const std::string& cp932) override { Contents = cp932; }
    std::string Contents;
};

class RecordingLauncher : public Launcher {
public:
    bool StartDetached(const std::vector<std::string>& argv) override {
        Started.push_back(argv);
        return Succeeds;
    }
    std::vector<std::vector<std::string>> Started;
    bool Succeeds = true;
};
