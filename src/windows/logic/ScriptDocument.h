#pragma once
// The script window as the result and error windows and the runs see it. TFScript implements
// it; logic tests hand in a stand-in.

#include <string>
#include <vector>

struct ErrorMark;

class ScriptDocument {
public:
    virtual ~ScriptDocument() = default;
    // Full path of the script's file (UTF-8); empty for a script never saved.
    virtual std::string GetFileName() const = 0;
    // The character code the file is written in (0 Shift_JIS, 1 EUC-JP, 2 JIS, 3 UTF-8).
    virtual int GetCode() const = 0;
    // Asks whether unsaved changes may be dropped; true = go on.
    virtual bool ConfirmDiscard() = 0;
    // Caret to the start of line n (from 1), scrolled into context, editor focused.
    virtual void GoToLine(long long n) = 0;
    // Opens the script window's find.
    virtual void Find() = 0;
    // Marks the lines the last run's error lines point at; an empty list takes them away.
    virtual void ShowErrorMarks(const std::vector<ErrorMark>& marks) { (void)marks; }
};
