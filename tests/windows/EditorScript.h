#pragma once
// A script window for widget tests: the real editor, with the go-to-line of the script window,
// until the tests can use the script window itself.

#include "windows/ScintillaEditor.h"
#include "windows/logic/ScriptDocument.h"
#include "windows/logic/ScriptNavigation.h"

#include <string>

class EditorScript : public ScriptDocument {
public:
    std::string GetFileName() const override { return FileName; }
    int GetCode() const override { return 0; }
    bool ConfirmDiscard() override {
        ++Questions;
        return Discard;
    }
    void GoToLine(long long n) override { ::GoToLine(Editor, n); }
    void Find() override { ++Finds; }

    // The caret's line, counted from 1.
    long long CaretLine() const { return Editor.LineFromPosition(Editor.SelectionStart()) + 1; }

    ScintillaEditor Editor;
    std::string FileName;
    bool Discard = true;
    int Questions = 0;
    int Finds = 0;
};
