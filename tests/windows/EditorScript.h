#pragma once
// A script window for widget tests: the recording stand-in, whose go-to-line also moves the
// caret of a real editor with the script window's own logic.

#include "windows/RecordingScript.h"
#include "windows/ScintillaEditor.h"
#include "windows/logic/ScriptNavigation.h"

class EditorScript : public RecordingScript {
public:
    void GoToLine(long long n) override {
        RecordingScript::GoToLine(n);
        ::GoToLine(Editor, n);
    }

    // The caret's line, counted from 1.
    long long CaretLine() const { return Editor.LineFromPosition(Editor.SelectionStart()) + 1; }

    ScintillaEditor Editor;
};
