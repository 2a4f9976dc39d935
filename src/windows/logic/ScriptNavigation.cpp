#include "windows/logic/ScriptNavigation.h"

#include "platform/Cp932.h"
#include "windows/logic/TextWindow.h"

#include <algorithm>
#include <cstring>
#include <vector>

void GoToLine(TextEditor& editor, TextPos n) {
    TextPos line = n - 1;
    if (line >= editor.LineCount())
        line = editor.LineCount() - 1;
    // Line -1 is what the edit control has always taken for "the line of the caret": an error
    // message naming line 0 sends the caret to the start of its own line.
    if (line == -1)
        line = editor.LineFromPosition(editor.SelectionStart());
    if (line < 0)
        line = 0;
    editor.SetSelection(editor.PositionFromLine(line), 0);
    ScrollCaretIntoContext(editor);
    editor.Focus();
}

std::string GetWordAtCaret(const TextEditor& editor) {
    TextPos caret = editor.SelectionStart();
    TextPos line = editor.LineFromPosition(caret);
    std::string text = editor.LineText(line);
    const TextPos n = static_cast<TextPos>(text.size());
    if (n == 0)
        return {};
    // Positions count from 1 as in the rule; starts[j] says a character begins at j.
    std::vector<bool> starts(n + 2, false);
    for (std::size_t i = 0; i < text.size(); i += Cp932CharLength(text, i))
        starts[i + 1] = true;
    auto delimiter = [&](TextPos j) {
        return starts[j] && text[j - 1] != '\0' && std::strchr(" (){}/=", text[j - 1]) != nullptr;
    };

    TextPos c = caret - editor.PositionFromLine(line);
    if (c == 0)
        c = 1;
    if (c == n)
        c = c - 1;
    // A one-character line leaves no position before the caret; take its only character.
    c = std::clamp<TextPos>(c, 1, n);

    TextPos s = 1, e = n;
    for (TextPos j = c; j >= 1; --j) {
        if (delimiter(j)) {
            s = j + 1;
            break;
        }
    }
    for (TextPos j = c; j <= n; ++j) {
        if (delimiter(j)) {
            e = j - 1;
            break;
        }
    }
    if (e < s)
        return {};
    return text.substr(s - 1, e - s + 1);
}
