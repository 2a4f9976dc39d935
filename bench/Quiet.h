#pragma once
// Side-effect services that do nothing, for benchmarks that build windows: no dialog, message,
// clipboard or program ever appears or starts.

#include "platform/ClipboardService.h"
#include "platform/DialogService.h"
#include "platform/Launcher.h"
#include "support/QuietMessages.h"
#include "windows/MainWindowHost.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct QuietFind : FindDialogService {
    void SetFindHandler(std::function<void()>) override {}
    void SetFindText(const std::string&) override {}
    std::string FindText() const override { return {}; }
    bool SearchDown() const override { return true; }
    void ShowDialog() override {}
    void CloseDialog() override {}
};
struct QuietDialogs : DialogService {
    std::optional<std::string> AskOpenFile(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> AskSaveFile(const FileDialogRequest&) override { return {}; }
};
struct QuietClipboard : ClipboardService {
    std::string Text() override { return {}; }
    void SetText(const std::string&) override {}
};
struct QuietLauncher : Launcher {
    bool StartDetached(const std::vector<std::string>&) override { return false; }
};
struct QuietHost : MainWindowHost {
    void ActivateDocument(int) override {}
    void SetCaption(const std::string&) override {}
    void RefreshView() override {}
    void RefreshStatus() override {}
    void Notice(const std::string&) override {}
    void HideErrorPanel() override {}
    void ShowErrorPanel() override {}
    FindDialogService& SharedFindDialog() override { return find; }
    DialogService& Dialogs() override { return dialogs; }
    MessageService& Messages() override { return messages; }
    ClipboardService& Clipboard() override { return clipboard; }
    Launcher& Programs() override { return launcher; }
    QMenu* PopupMenu() override { return nullptr; }
    QuietFind find;
    QuietDialogs dialogs;
    QuietMessages messages;
    QuietClipboard clipboard;
    QuietLauncher launcher;
};
