#pragma once
// How the script editor indents: the unit of one step (a TAB, or spaces where a language asks
// for them), the extra step after a line that opens a block, and the step back a closing brace
// takes. Indentation is blanks and tabs only, so lines here are UTF-8 or CP932 alike.

#include <string>
#include <string_view>

struct IndentStyle {
    int spaces = 0;     // 0: one step is a TAB; else that many spaces
    int tabColumns = 8; // the width a TAB shows at
    char opener = 0;    // a line ending in it opens a block ('{', ':' for Python); 0: none
};

// The style of a language: IndentSpaces of its definition (0 or out of 1..16: a TAB), its TAB
// width, and ':' as the opener for Python, '{' for every other language.
IndentStyle IndentStyleFor(int indentSpaces, int tabColumns, std::string_view name,
                           std::string_view exePath, std::string_view ext);

// The columns of one step.
int StepColumns(const IndentStyle& style);

// Whether the line opens a block: its last character, trailing blanks aside (and for ':' a
// trailing '#' comment outside quotes), is the style's opener.
bool OpensBlock(std::string_view line, const IndentStyle& style);

// What Return puts at the start of the line below `above`: above's indentation as it is, plus
// one step when above opens a block.
std::string IndentBelow(std::string_view above, const IndentStyle& style);

// The indentation one step back from `indent`: to the step before its width (a partial step
// goes whole), made of TABs (and blanks for the rest) or of spaces as the style says.
std::string StepBack(std::string_view indent, const IndentStyle& style);

// The width of leading blanks and tabs in columns.
int IndentColumns(std::string_view indent, int tabColumns);
