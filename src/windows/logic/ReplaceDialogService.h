#pragma once
// The main window's one non-modal replace dialog, as the text windows use it: whichever window
// last opened it receives its replace and replace-all buttons.

#include "windows/logic/TextSearch.h"

#include <functional>
#include <string>

class ReplaceDialogService {
public:
    virtual ~ReplaceDialogService() = default;
    virtual void SetHandlers(std::function<void()> replace, std::function<void()> replaceAll) = 0;
    // Texts as typed, UTF-8.
    virtual void SetFindText(const std::string& utf8) = 0;
    virtual std::string FindText() const = 0;
    virtual std::string ReplaceText() const = 0;
    virtual SearchOptions Options() const = 0;
    // What the last button did, shown in the dialog.
    virtual void ShowResult(const std::string& utf8) = 0;
    virtual void ShowDialog() = 0;
};
