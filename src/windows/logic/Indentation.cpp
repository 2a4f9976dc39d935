#include "windows/logic/Indentation.h"

#include "windows/logic/LexerChoice.h"

#include <algorithm>

namespace {

constexpr int kMostSpaces = 16;

int ValidTabColumns(int columns) {
    return columns >= 1 && columns <= 32 ? columns : 8;
}

// The line without what follows a '#' that no quote holds: "if x:  # why" ends in ':'.
std::string_view WithoutHashComment(std::string_view line) {
    char quote = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quote) {
            if (c == '\\')
                ++i;
            else if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '#') {
            return line.substr(0, i);
        }
    }
    return line;
}

} // namespace

IndentStyle IndentStyleFor(int indentSpaces, int tabColumns, std::string_view name,
                           std::string_view exePath, std::string_view ext) {
    IndentStyle style;
    style.spaces = indentSpaces >= 1 && indentSpaces <= kMostSpaces ? indentSpaces : 0;
    style.tabColumns = ValidTabColumns(tabColumns);
    style.opener = LexerFor(name, exePath, ext) == SyntaxLexer::Python ? ':' : '{';
    return style;
}

int StepColumns(const IndentStyle& style) {
    return style.spaces > 0 ? style.spaces : ValidTabColumns(style.tabColumns);
}

bool OpensBlock(std::string_view line, const IndentStyle& style) {
    if (style.opener == 0)
        return false;
    if (style.opener == ':')
        line = WithoutHashComment(line);
    const std::size_t last = line.find_last_not_of(" \t\r\n");
    return last != std::string_view::npos && line[last] == style.opener;
}

std::string IndentBelow(std::string_view above, const IndentStyle& style) {
    std::string indent(above.substr(0, std::min(above.find_first_not_of(" \t"), above.size())));
    if (OpensBlock(above, style))
        indent += style.spaces > 0 ? std::string(style.spaces, ' ') : std::string("\t");
    return indent;
}

int IndentColumns(std::string_view indent, int tabColumns) {
    tabColumns = ValidTabColumns(tabColumns);
    int columns = 0;
    for (char c : indent) {
        if (c == '\t')
            columns += tabColumns - columns % tabColumns;
        else if (c == ' ')
            ++columns;
        else
            break;
    }
    return columns;
}

std::string StepBack(std::string_view indent, const IndentStyle& style) {
    const int step = StepColumns(style);
    const int columns = IndentColumns(indent, style.tabColumns);
    const int wanted = columns == 0 ? 0 : (columns - 1) / step * step;
    if (style.spaces > 0)
        return std::string(static_cast<std::size_t>(wanted), ' ');
    const int tab = ValidTabColumns(style.tabColumns);
    return std::string(static_cast<std::size_t>(wanted / tab), '\t') +
           std::string(static_cast<std::size_t>(wanted % tab), ' ');
}
