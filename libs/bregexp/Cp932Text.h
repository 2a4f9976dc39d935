#pragma once
// CP932 text seen as characters: where each character starts, and the same text in UTF-8 with
// a way back from UTF-8 offsets to CP932 offsets.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The byte length of the CP932 character that starts at text[pos]: 2 for a lead byte followed
// by a byte of the trail range, otherwise 1. A lone lead byte (last byte, or followed by a byte
// that cannot trail) is a character of its own, so a broken pair never swallows what follows.
size_t Cp932CharLength(std::string_view text, size_t pos);

// Converts CP932 bytes to UTF-8, character by character. Characters CP932 assigns map to
// their Unicode code points; every other character (a stray byte, or a pair CP932 leaves
// unassigned) maps to a code point of plane 15's private use area made from its bytes, so it
// matches only itself and the conversion never fails. When offsets is given it receives, for
// every UTF-8 byte, the CP932 offset of the character that byte belongs to, plus one final
// entry for the end (utf8.size() + 1 entries in all).
void Cp932ToUtf8(std::string_view cp932, std::string& utf8, std::vector<size_t>* offsets);
