#include "windows/logic/CommentToggle.h"

#include "windows/logic/LexerChoice.h"

#include <algorithm>

namespace {

std::size_t IndentLength(std::string_view line) {
    return std::min(line.find_first_not_of(" \t"), line.size());
}

bool Blank(std::string_view line) {
    return IndentLength(line) == line.size();
}

} // namespace

std::string CommentMarkFor(std::string_view commentMark, std::string_view name,
                           std::string_view exePath, std::string_view ext) {
    const std::size_t from = commentMark.find_first_not_of(" \t");
    if (from != std::string_view::npos) {
        const std::size_t to = commentMark.find_last_not_of(" \t");
        return std::string(commentMark.substr(from, to - from + 1));
    }
    switch (LexerFor(name, exePath, ext)) {
    case SyntaxLexer::JavaScript:
    case SyntaxLexer::Php:
        return "//";
    default:
        return "#";
    }
}

std::vector<std::string> ToggleComment(const std::vector<std::string>& lines,
                                       std::string_view mark) {
    if (mark.empty())
        return lines;
    bool allCommented = true, anyText = false;
    std::size_t shared = std::string_view::npos;
    for (const std::string& line : lines) {
        if (Blank(line))
            continue;
        anyText = true;
        const std::size_t indent = IndentLength(line);
        allCommented = allCommented && line.compare(indent, mark.size(), mark) == 0;
        shared = std::min(shared, indent);
    }
    if (!anyText)
        return lines;
    std::vector<std::string> out;
    out.reserve(lines.size());
    for (const std::string& line : lines) {
        if (Blank(line)) {
            out.push_back(line);
            continue;
        }
        std::string changed = line;
        if (allCommented) {
            const std::size_t at = IndentLength(line);
            std::size_t length = mark.size();
            if (at + length < changed.size() && changed[at + length] == ' ')
                ++length;
            changed.erase(at, length);
        } else {
            changed.insert(shared, std::string(mark) + " ");
        }
        out.push_back(std::move(changed));
    }
    return out;
}

void ToggleCommentInEditor(TextEditor& editor, std::string_view mark) {
    if (editor.ReadOnly())
        return;
    const TextPos start = editor.SelectionStart();
    const TextPos length = editor.SelectionLength();
    const TextPos first = editor.LineFromPosition(start);
    TextPos last = editor.LineFromPosition(start + length);
    if (length != 0 && last > first && editor.PositionFromLine(last) == start + length)
        --last;
    std::vector<std::string> lines;
    for (TextPos i = first; i <= last; ++i)
        lines.push_back(editor.LineUtf8(i));
    const std::vector<std::string> changed = ToggleComment(lines, mark);
    editor.BeginUndoAction();
    for (TextPos i = first; i <= last; ++i)
        if (changed[static_cast<std::size_t>(i - first)] !=
            lines[static_cast<std::size_t>(i - first)])
            editor.ReplaceLineUtf8(i, changed[static_cast<std::size_t>(i - first)]);
    editor.EndUndoAction();
}
