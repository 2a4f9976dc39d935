#pragma once
// Splits a command line into arguments: blanks and tabs separate arguments outside double
// quotes; a double quote opens or closes a quoted part and is removed; nothing else is special.
// No shell ever sees the line, so a dropped file name cannot be interpreted as shell syntax.

#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> SplitCommandLine(std::string_view line);
