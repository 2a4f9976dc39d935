#pragma once
// The process's current folder, and asking for a file without losing it: the settings dialogs
// and the path dialogs browse for a file and must leave the current folder where it was.

#include "platform/DialogService.h"

#include <optional>
#include <string>

// The process's current folder; empty when it cannot be told (it was removed).
std::string CurrentFolder();
// Makes folder the process's current folder; false when it cannot.
bool ChangeFolder(const std::string& folder);

// Where a file dialog starts: request.initialDir when given, else the folder of
// request.fileName (a relative one taken from the current folder) when that folder exists,
// else the current folder; never whatever folder a dialog showed last.
std::string DialogStartFolder(const FileDialogRequest& request);

// The open dialog. When a file is picked, the current folder is put back to what it was before
// (a dialog may move it); a cancelled dialog changes nothing.
std::optional<std::string> BrowseForFile(DialogService& dialogs, const FileDialogRequest& request);

// The filters of the browse buttons. An executable has no extension here, so the executable
// filter matches every file.
inline constexpr const char* kExecutableFilter =
    "実行ファイル(*.exe,*.com)|*|全てのファイル(*.*)|*.*";
inline constexpr const char* kHtmlFilter =
    "HTMLファイル(*.html,*.htm)|*.html;*.htm|全てのファイル(*.*)|*.*";
// The help viewer reads HTML and plain text; .hlp and .chm files go to the desktop.
inline constexpr const char* kHelpFileFilter =
    "ヘルプファイル(*.hlp,*.chm)|*.hlp;*.chm;*.html;*.htm;*.txt|全てのファイル(*.*)|*.*";
