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

// A desktop clipboard holds Unicode: what the program puts there as UTF-8 stays whole, and
// CP932 goes through the same conversion the desktop's does.
class FakeClipboard : public ClipboardService {
public:
    std::string Text() override { return Utf8ToCp932(Utf8).text; }
    void SetText(const std::string& cp932) override { Utf8 = Cp932ToUtf8(cp932).text; }
    std::string Utf8Text() override { return Utf8; }
    void SetUtf8Text(const std::string& utf8) override { Utf8 = utf8; }
    std::string Utf8;
};

class RecordingLauncher : public Launcher {
public:
    bool StartDetached(const std::vector<std::string>& argv) override {
        Started.push_back(argv);
        return Succeeds;
    }
    // The opener's later failure is the test's to report.
    bool StartShowing(const std::vector<std::string>& argv, std::function<void()> failed) override {
        NotShown.push_back(std::move(failed));
        return StartDetached(argv);
    }
    std::vector<std::vector<std::string>> Started;
    std::vector<std::function<void()>> NotShown;
    bool Succeeds = true;
};
