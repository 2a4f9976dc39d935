#pragma once
// Commenting lines out and in with a language's line-comment mark.

#include "windows/logic/TextEditor.h"

#include <string>
#include <string_view>
#include <vector>

// The mark a language writes before a line comment: the CommentMark of its definition when
// given, else "//" for JavaScript and PHP, "#" for everything else (Perl, Python, Ruby, shell).
std::string CommentMarkFor(std::string_view commentMark, std::string_view name,
                           std::string_view exePath, std::string_view ext);

// When every line that is not blank starts (after its indentation) with the mark, the mark and
// one blank after it are taken away; otherwise the mark and a blank go in at the indentation
// the lines share. Blank lines stay as they are. Lines are UTF-8 without their line ends.
std::vector<std::string> ToggleComment(const std::vector<std::string>& lines,
                                       std::string_view mark);

// Toggles the lines the selection touches (a selection that ends at the start of a line leaves
// that line out) as one step of undo. A read-only editor is left alone.
void ToggleCommentInEditor(TextEditor& editor, std::string_view mark);
