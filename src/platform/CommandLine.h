#pragma once
// Splits a command line into arguments: blanks and tabs separate arguments outside double
// quotes; a double quote opens or closes a quoted part and is removed, except that two of them
// inside a quoted part stand for one quote character (Linux file names may hold one); nothing
// else is special. No shell ever sees the line, so a dropped file name cannot be interpreted
// as shell syntax.

#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> SplitCommandLine(std::string_view line);

// text as one argument of such a line, whatever it holds: between quotes, a quote doubled.
std::string QuoteArgument(std::string_view text);

// Arguments a user types (Shift+F9), read as the POSIX shell reads words, without any of its
// expansions: blanks and tabs separate words; '...' is literal; inside "..." a backslash
// escapes only " \ $ ` and a line break; outside quotes a backslash escapes any character.
// No variables, no globbing, no command substitution. An unbalanced quote or a NUL is
// refused, with the reason in error.
struct ShellWords {
    std::vector<std::string> words;
    std::string error; // empty when the line was read
};
ShellWords SplitShellWords(std::string_view line);
// words as a line of the splitter above that gives them back exactly.
std::string JoinQuoted(const std::vector<std::string>& words);
