#pragma once
// How the text windows look for a text in one line: literally, with or without regard to the
// case of ASCII and full-width Latin letters, or as a Perl regular expression through the
// program's regex library (UTF-8, so every character matches as itself). Lines are UTF-8, as
// TextEditor::LineUtf8 gives them; offsets are bytes of that line.

#include "regex/Kregexp.h"

#include <optional>
#include <string>
#include <string_view>

struct SearchOptions {
    // The described find: case matters, plain text, and no search goes round the end.
    bool matchCase = true;
    bool regex = false;
    bool wrap = false;
};

// ASCII and full-width Latin capitals become small letters; every other byte stays, so the
// folded text has the same length and offsets as the original.
std::string FoldCase(std::string_view utf8);

class LineMatcher {
public:
    LineMatcher(std::string needle, SearchOptions options);

    // The first hit that starts at or after from (a character boundary).
    std::optional<RegExpSpans> First(std::string_view line, std::size_t from = 0) const;
    // The last hit lying wholly inside line[0, limit); overlapping hits count.
    std::optional<RegExpSpans> Last(std::string_view line, std::size_t limit) const;

    // The library refused the expression (or is missing) at the last First or Last.
    bool Invalid() const { return invalid_; }
    // A hit always holds the needle's own bytes, so a byte search may skip lines.
    bool Literal() const { return !options_.regex && options_.matchCase; }
    const std::string& Needle() const { return needle_; }
    const SearchOptions& Options() const { return options_; }

private:
    std::string needle_;
    std::string folded_;
    SearchOptions options_;
    mutable bool invalid_ = false;
};

// The replacement for one hit: with expand, $1 to $9 (also ${1}) give the groups, $& the whole
// match, \$ a dollar and \\ a backslash, as Perl's s/// takes them; a group that took no part
// gives nothing. Without expand the text is taken as it is.
std::string ExpandReplacement(std::string_view replacement, std::string_view line,
                              const RegExpSpans& hit, bool expand);
