#pragma once
// What the help viewer shows of a help file: HTML or plain text made into one page in which
// every heading can be jumped to, the page's visible text for keyword searches, and the choice
// of where a keyword lands (its anchor, its first occurrence, else an index of the headings).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Text that can be shown: no zero byte near its start (a binary help format is not).
bool LooksLikeText(std::string_view bytes);
// HTML by its name (.htm, .html) or by its first tag (<!DOCTYPE html>, <html>).
bool LooksLikeHtml(const std::string& path, std::string_view bytes);
// Help text as UTF-8: valid UTF-8 stays as it is (a byte-order mark dropped); anything else is
// taken for CP932, the code of help files written on Japanese Windows.
std::string HelpTextToUtf8(std::string_view bytes);

struct HelpHeading {
    int level = 1;      // 1 to 6
    std::string text;   // visible text, UTF-8
    std::string anchor; // where it can be jumped to
};

// Help files are read up to this size; the page shows the part before it, and says so.
constexpr std::size_t kLargestHelpPage = std::size_t{4} << 20;
constexpr const char* kHelpPageCut =
    "このヘルプファイルは大きすぎるため、先頭の 4 MB だけを表示しています。";

struct HelpPage {
    std::string html; // the page as the viewer gets it: every heading holds an anchor
    std::string text; // the visible text, entities decoded
    std::vector<std::string> anchors;
    std::vector<HelpHeading> headings;
    bool cut = false; // the file was longer than kLargestHelpPage
};

// The page of a help file's bytes (UTF-8 or CP932). Plain text becomes preformatted HTML
// whose headings are lines starting with '#' and lines underlined with '=' or '-'. What the
// page holds is bounded for the viewer's layout: at most kLargestHelpPage of the file, nine
// levels of nested elements (deeper ones are left out, their text kept), and a break
// opportunity in every long word.
HelpPage MakeHelpPage(const std::string& path, std::string_view bytes);
// A page for a text that is no file (a perldoc entry).
HelpPage MakePlainHelpPage(std::string_view utf8);

enum class HelpTargetKind { Anchor, Text, Index };
struct HelpTarget {
    HelpTargetKind kind = HelpTargetKind::Index;
    std::string anchor; // for Anchor
};

// Where a keyword lands: the anchor of that name (exact first, then without regard to ASCII
// case), else its first occurrence in the visible text (without regard to ASCII case), else
// the index. An empty keyword goes to the index.
HelpTarget FindHelpTarget(const HelpPage& page, const std::string& keyword);

// The index page of a page's headings, each a link to its anchor ("#anchor"), under a line
// that says the keyword was not found (none for an empty keyword).
std::string HeadingIndexHtml(const HelpPage& page, const std::string& keyword);

std::string EscapeHtml(std::string_view text);
