#pragma once
// The main window's one non-modal find dialog, as the text windows use it. Whichever window
// last opened it receives its find button.

#include "windows/logic/TextSearch.h"

#include <functional>
#include <string>

class FindDialogService {
public:
    virtual ~FindDialogService() = default;
    virtual void SetFindHandler(std::function<void()> handler) = 0;
    // The search text as typed, UTF-8.
    virtual void SetFindText(const std::string& utf8) = 0;
    virtual std::string FindText() const = 0;
    virtual bool SearchDown() const = 0;
    // Case, regular expression and wrap as ticked; a dialog without the boxes searches as the
    // described find does.
    virtual SearchOptions Options() const { return {}; }
    virtual void ShowDialog() = 0;
    virtual void CloseDialog() = 0;
};
