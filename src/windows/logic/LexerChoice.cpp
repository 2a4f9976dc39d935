#include "windows/logic/LexerChoice.h"

#include "config/Kdefconfig.h"

#include <string>

namespace {

// The leading letters, lower case: "Python3" and "python3.12" both say "python", "Node.js"
// says "node".
std::string Word(std::string_view text) {
    std::string word;
    for (char c : text) {
        if (c >= 'A' && c <= 'Z')
            word += static_cast<char>(c - 'A' + 'a');
        else if (c >= 'a' && c <= 'z')
            word += c;
        else
            break;
    }
    return word;
}

SyntaxLexer ByWord(const std::string& word) {
    struct Entry {
        const char* word;
        SyntaxLexer lexer;
    };
    static constexpr Entry kWords[] = {
        {"perl", SyntaxLexer::Perl},
        {"python", SyntaxLexer::Python},
        {"ruby", SyntaxLexer::Ruby},
        {"bash", SyntaxLexer::Bash},
        {"sh", SyntaxLexer::Bash},
        {"dash", SyntaxLexer::Bash},
        {"shell", SyntaxLexer::Bash},
        {"php", SyntaxLexer::Php},
        {"node", SyntaxLexer::JavaScript},
        {"nodejs", SyntaxLexer::JavaScript},
        {"javascript", SyntaxLexer::JavaScript},
    };
    for (const Entry& e : kWords)
        if (word == e.word)
            return e.lexer;
    return SyntaxLexer::None;
}

// ".cgi" is left out: every CGI language uses it.
SyntaxLexer ByExtension(std::string_view ext) {
    struct Entry {
        const char* ext;
        SyntaxLexer lexer;
    };
    static constexpr Entry kExtensions[] = {
        {"pl", SyntaxLexer::Perl},        {"pm", SyntaxLexer::Perl},
        {"py", SyntaxLexer::Python},      {"rb", SyntaxLexer::Ruby},
        {"sh", SyntaxLexer::Bash},        {"bash", SyntaxLexer::Bash},
        {"php", SyntaxLexer::Php},        {"js", SyntaxLexer::JavaScript},
        {"mjs", SyntaxLexer::JavaScript}, {"cjs", SyntaxLexer::JavaScript},
    };
    std::string lower;
    for (char c : ext.substr(ext.starts_with('.') ? 1 : 0))
        lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    for (const Entry& e : kExtensions)
        if (lower == e.ext)
            return e.lexer;
    return SyntaxLexer::None;
}

} // namespace

SyntaxLexer LexerFor(std::string_view name, std::string_view exePath, std::string_view ext) {
    if (SyntaxLexer l = ByWord(Word(name)); l != SyntaxLexer::None)
        return l;
    // A definition brought from Windows may still name C:\Perl\bin\perl.exe.
    std::string_view file = exePath.substr(exePath.find_last_of("/\\") + 1);
    if (SyntaxLexer l = ByWord(Word(file)); l != SyntaxLexer::None)
        return l;
    for (const std::string& item : ExtList(ext))
        if (SyntaxLexer l = ByExtension(item); l != SyntaxLexer::None)
            return l;
    return SyntaxLexer::None;
}
