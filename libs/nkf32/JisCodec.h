// JIS (ISO-2022-JP) to and from EUC-JP. The two share the JIS X 0208 rows and differ only in
// how they are shifted, so a byte transform does it, with EUC-JP-MS's reading of the rows
// (the NEC extension characters of row 13, user-defined rows) carried over unchanged.
#pragma once

#include "Sink.h"

namespace nkf {

// The geta mark in EUC-JP, which stands in for anything that cannot be converted.
inline constexpr char kEucGeta[] = "\xA2\xAE";

// Answers how many invalid bytes were replaced by the geta mark.
size_t JisToEuc(const unsigned char* in, size_t size, Sink& out);
// The input is well-formed EUC-JP-MS. Half-width katakana are shifted with ESC ( I, so they
// survive the way back; JIS X 0212 with ESC $ ( D. The text ends in ASCII. ESC, SO and SI of
// the input cannot be written (a reader takes them for shifts): each becomes the geta mark.
// Answers the number of replaced bytes.
size_t EucToJis(const unsigned char* in, size_t size, Sink& out);

} // namespace nkf
