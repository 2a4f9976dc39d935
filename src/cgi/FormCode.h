#pragma once
// The codes a request's names and values travel in: Shift_JIS, EUC-JP or UTF-8. The request
// holds its text as typed, in UTF-8; these turn it into the bytes the script gets, and find
// the character a code cannot hold, so that no character is ever changed on the way.

#include <optional>
#include <string>
#include <string_view>

class MessageService;

// The numbers of KCgiData::FormCode. 0 and 1 are the character-code numbers of the encoding
// unit; UTF-8 follows them as 2 (not the 3 of the script codes).
inline constexpr int kFormSjis = 0;
inline constexpr int kFormEuc = 1;
inline constexpr int kFormUtf8 = 2;
inline constexpr int kFormCodeCount = 3;
// What a request starts with on Linux, where scripts and terminals speak UTF-8.
inline constexpr int kDefaultFormCode = kFormUtf8;

// "SJIS", "EUC" or "UTF-8", as the menu names them.
const char* FormCodeName(int formCode);

// The first character of text that the code cannot hold, or none when it holds them all.
// UTF-8 holds every byte (they travel as they are); the other two take the text through
// CP932, so a byte that is not UTF-8 is one they cannot hold. EUC-JP is also checked through
// the converter when it is loaded.
std::optional<std::string> FirstUnheld(std::string_view text, int formCode,
                                       MessageService& messages);

// A form name or value, or a cookie's, as the bytes the code gives it: the text itself in
// UTF-8, its CP932 form in Shift_JIS, that form converted in EUC-JP. Without the converter
// EUC-JP text stays CP932 and converterMissing is set (the caller says so once).
std::string FormBytes(std::string_view text, int formCode, MessageService& messages,
                      bool& converterMissing);

// An environment entry's bytes, which are never percent-encoded: the text as typed in UTF-8
// with the UTF-8 code, in CP932 with the other two.
std::string EnvBytes(std::string_view text, int formCode);
