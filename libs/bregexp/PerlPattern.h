#pragma once
// The Perl match form "m/EXPRESSION/FLAGS" taken apart.

#include <string>
#include <string_view>

struct PerlPattern {
    std::string expression;
    bool cp932 = false;     // k
    bool caseless = false;  // i
    bool multiline = false; // m
    bool dotAll = false;    // s
    bool extended = false;  // x
};

// Splits a pattern into expression and flags. The closing delimiter is the last one: flags
// are letters, so the first non-letter from the end closes the expression, and a delimiter
// inside the expression needs no escape (nor could a CP932 trail byte be taken for one).
// Answers false with a reason when the form is broken or a flag is unknown.
bool ParsePerlPattern(std::string_view pattern, PerlPattern& out, std::string& error);
