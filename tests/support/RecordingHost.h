#pragma once
// The main window as the document windows see it, for widget tests: records every call and
// hands out scripted services.

#include "support/HostDoubles.h"
#include "support/ScriptedMessages.h"
#include "windows/FakeFindDialog.h"
#include "windows/MainWindowHost.h"

#include <vector>

class RecordingHost : public MainWindowHost {
public:
    void ActivateDocument(int which) override { Activated.push_back(which); }
    void SetCaption(const std::string& caption) override { Caption = caption; }
    void RefreshView() override { ++ViewRefreshes; }
    void RefreshStatus() override { ++StatusRefreshes; }
    void Notice(const std::string& text) override { Notices.push_back(text); }
    std::vector<std::string> Notices;
    void HideErrorPanel() override {
        ErrorPanelVisible = false;
        ++PanelHides;
    }
    void ShowErrorPanel() override {
        ErrorPanelVisible = true;
        ++PanelShows;
    }
    FindDialogService& SharedFindDialog() override { return Find; }
    DialogService& Dialogs() override { return FileDialogs; }
    MessageService& Messages() override { return Msgs; }
    ClipboardService& Clipboard() override { return Clip; }
    Launcher& Programs() override { return Launch; }
    QMenu* PopupMenu() override { return nullptr; }

    std::vector<int> Activated;
    std::string Caption;
    int ViewRefreshes = 0, StatusRefreshes = 0, PanelHides = 0, PanelShows = 0;
    bool ErrorPanelVisible = false;
    FakeFindDialog Find;
    ScriptedDialogs FileDialogs;
    ScriptedMessages Msgs;
    FakeClipboard Clip;
    RecordingLauncher Launch;
};
