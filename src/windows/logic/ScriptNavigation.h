#pragma once
// Caret services of the script window: the tag jump's go-to-line and the keyword help's
// word at the caret.

#include "windows/logic/TextEditor.h"

#include <string>

// Puts the caret at the start of line n (counted from 1), scrolls it into context and focuses
// the editor. A line beyond the last goes to the start of the last line; line 0 to the start of
// the caret's own line (as the edit control takes line -1); n below 0 to the top.
void GoToLine(TextEditor& editor, TextPos n);

// The word around the caret (CP932). Delimiters are the blank and ( ) { } / =, recognised only
// where a character starts, so the second byte of a double-byte character never splits a word.
std::string GetWordAtCaret(const TextEditor& editor);
