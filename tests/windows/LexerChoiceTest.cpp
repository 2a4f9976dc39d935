#include "windows/logic/LexerChoice.h"

#include <gtest/gtest.h>

TEST(LexerChoice, NameThenInterpreterThenExtensionsDecide) {
    struct Case {
        const char* name;
        const char* exePath;
        const char* ext;
        SyntaxLexer expected;
    };
    const Case cases[] = {
        // The name alone, whatever its case, version or suffix.
        {"Perl", "", "", SyntaxLexer::Perl},
        {"PYTHON3", "", "", SyntaxLexer::Python},
        {"ruby 3.2", "", "", SyntaxLexer::Ruby},
        {"Node.js", "", "", SyntaxLexer::JavaScript},
        {"php", "", "", SyntaxLexer::Php},
        {"Shell", "", "", SyntaxLexer::Bash},
        // A name of the user's own: the interpreter's file name, also a Windows path.
        {"My scripts", "/usr/bin/python3.12", "", SyntaxLexer::Python},
        {"Work", "/usr/local/bin/node", "", SyntaxLexer::JavaScript},
        {"Old", "C:\\Perl\\bin\\perl.exe", "", SyntaxLexer::Perl},
        {"Tools", "/bin/sh", "", SyntaxLexer::Bash},
        // The name wins over the interpreter.
        {"Ruby", "/usr/bin/perl", "pl", SyntaxLexer::Ruby},
        // Then the first extension that says something; .cgi says nothing.
        {"Mine", "/opt/x/run", "cgi, PHP", SyntaxLexer::Php},
        {"Mine", "", ".rb", SyntaxLexer::Ruby},
        {"Mine", "", "cgi", SyntaxLexer::None},
        // A language we have no lexer for stays plain.
        {"Awk", "/usr/bin/awk", "awk", SyntaxLexer::None},
        {"", "", "", SyntaxLexer::None},
        // A word that only begins like a known one is not it.
        {"Perlish", "/usr/bin/shx", "", SyntaxLexer::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LexerFor(c.name, c.exePath, c.ext), c.expected)
            << c.name << " | " << c.exePath << " | " << c.ext;
}
