#pragma once
// How the text windows look for a text in one line: literally, with or without regard to the
// case of ASCII and full-width Latin letters, or as a Perl regular expression through the
// program's regex library (UTF-8, so every character matches as itself). Lines are UTF-8, as
// TextEditor::LineUtf8 gives them; offsets are bytes of that line.

#include "regex/Kregexp.h"

#include <functional>
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
    // Every hit of line at or after from, in order, each search beginning where the last hit
    // ended (an empty hit moves one character on), so hits never overlap and the line is read
    // once: what replacing all needs. hit answers false to stop. Answers whether it went to
    // the end of the line (false: stopped by hit, or trouble, see Invalid and Limited).
    bool Each(std::string_view line, std::size_t from,
              const std::function<bool(const RegExpSpans&)>& hit) const;

    // The library refused the expression (or is missing) at the last First, Last or Each.
    bool Invalid() const { return trouble_ == Trouble::Invalid; }
    // The engine gave up at the last First, Last or Each: whether there is a hit is unknown.
    bool Limited() const { return trouble_ == Trouble::Limit; }
    // A hit always holds the needle's own bytes, so a byte search may skip lines.
    bool Literal() const { return !options_.regex && options_.matchCase; }
    const std::string& Needle() const { return needle_; }
    const SearchOptions& Options() const { return options_; }

private:
    enum class Trouble { None, Invalid, Limit };
    // First on a line whose case-folded copy (when case does not matter) is already made.
    std::optional<RegExpSpans> FirstIn(std::string_view line, std::string_view folded,
                                       std::size_t from) const;

    std::string needle_;
    std::string folded_;
    SearchOptions options_;
    mutable Trouble trouble_ = Trouble::None;
};

// The replacement for one hit: with expand, $1 to $9 (also ${1}) give the groups, $& the whole
// match, \$ a dollar and \\ a backslash, as Perl's s/// takes them; a group that took no part
// gives nothing. Without expand the text is taken as it is.
std::string ExpandReplacement(std::string_view replacement, std::string_view line,
                              const RegExpSpans& hit, bool expand);
