#pragma once
// Which syntax colouring suits a language definition. Users name their languages freely
// ("Perl", "Python3", "Node.js") and may point them at any interpreter, so the name is only the
// first witness: the interpreter's file name and the script extensions are asked after it.

#include <string_view>

enum class SyntaxLexer { None, Perl, Python, Ruby, Bash, Php, JavaScript };

// The lexer for a language with this name, interpreter path and Ext list (as in its def file);
// None when none of the three is one we know.
SyntaxLexer LexerFor(std::string_view name, std::string_view exePath, std::string_view ext);
