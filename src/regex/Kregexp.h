#pragma once
// Perl-style matching of one line of CP932 text through libbregexp.so, loaded at run time.
// The texts of the last match's groups stay behind in RegExpGroups for the caller to read
// right after its own match.

#include "platform/FileFacts.h"
#include "platform/MessageService.h"

#include <array>
#include <string>

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
