#pragma once
// Perl-style matching of one line of CP932 text through libbregexp.so, loaded at run time.
// The texts of the last match's groups stay behind in RegExpGroups for the caller to read
// right after its own match.

#include "platform/FileFacts.h"
#include "platform/MessageService.h"

#include <array>
#include <string>
#include <string_view>

// Group texts of the last match: 0 the whole match, 1 to 9 the groups in the order of their
// opening parentheses. Every match overwrites all ten; a group that took no part is empty.
extern std::array<std::string, 10> RegExpGroups;

// Loads libbregexp.so from the program folder and looks up its entry points. A library that
// is missing or incomplete is reported once through messages and leaves matching switched
// off. Answers whether matching is available.
bool RegExpLoad(MessageService& messages, const std::string& programDir = ProgramDir());
// Releases the library; every later match fails.
void RegExpUnload();
bool RegExpLoaded();

// Matches expression (Perl syntax, CP932 bytes; a '/' in it needs no escape) against subject
// (CP932 bytes; a double-byte character is one character). Answers true on a match and fills
// RegExpGroups. A miss, an invalid expression, an expression that runs past the engine's
// backtracking limit, and a library that is not loaded all answer false, without a message.
bool RegExpMatch(const std::string& subject, const std::string& expression);

// The same for UTF-8: expression and subject are UTF-8 (a subject's invalid bytes match
// nothing), and the groups are UTF-8 bytes of the subject. Lines of Linux programs and
// settings texts are matched this way, so no character passes through CP932 to be compared.
bool RegExpMatchUtf8(const std::string& subject, const std::string& expression);

// Where a search found its match in a UTF-8 text: byte offsets of the whole match (0) and of
// groups 1 to 9; a group that took no part (or that the expression lacks) has start npos.
struct RegExpSpans {
    static constexpr std::size_t npos = std::string::npos;
    std::array<std::size_t, 10> start{npos, npos, npos, npos, npos, npos, npos, npos, npos, npos};
    std::array<std::size_t, 10> end{};
};

// Limit: the engine gave up (backtracking or memory budget), so whether there is a hit is
// not known; never to be shown as a miss.
enum class RegExpResult { Match, Miss, Invalid, Limit };

// The first match of expression (UTF-8, Perl syntax) in subject that starts at or after byte
// from. The engine starts there but sees the whole subject, so ^, \b and look-behinds judge
// by what stands before from, as a repeated search of one line must, and bytes that are not
// UTF-8 before from hide nothing. Fills spans on a match. Invalid: the engine refused the
// expression, or the library is not loaded. RegExpGroups is left alone.
RegExpResult RegExpSearchUtf8(std::string_view subject, std::size_t from,
                              const std::string& expression, bool ignoreCase, RegExpSpans& spans);
