#pragma once
// The one place where UTF-8 and CP932 (Windows' Shift_JIS) meet inside the program: editor
// text, regular expressions read from language files, and file names found in error lines
// all cross here, never ad hoc.
//
// The tables are taken from iconv(3) once, on first use, so the mapping is glibc's CP932
// (including its one-way mappings such as U+301C to 0x8160); the conversions themselves are
// table lookups with an ASCII fast path, because captured output can be tens of megabytes.
//
// Every character converts to the width the text windows count it with: one byte for ASCII
// and half-width katakana, two for everything else. A character CP932 cannot hold, or one that
// iconv would squeeze into a single byte (U+00A5 to 0x5C), becomes the geta mark 〓 (0x81 0xAC)
// and is counted as lost; a byte sequence that is not valid input becomes U+FFFD (UTF-8 side)
// or the geta mark (CP932 side) and is counted as lost too. Zero bytes are ordinary text.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

inline constexpr char kCp932Replacement[] = "\x81\xAC";    // 〓
inline constexpr char kUtf8Replacement[] = "\xEF\xBF\xBD"; // U+FFFD

inline bool IsCp932LeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

inline bool IsCp932TrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// Length of the character that starts at pos: 2 for a lead byte followed by a trail byte,
// 1 otherwise (a lead byte at the end or before a non-trail byte stands alone), 0 at the end.
inline std::size_t Cp932CharLength(std::string_view text, std::size_t pos) {
    if (pos >= text.size())
        return 0;
    if (IsCp932LeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() &&
        IsCp932TrailByte(static_cast<unsigned char>(text[pos + 1])))
        return 2;
    return 1;
}

// The code a window holds a text in: CP932, the program's model (Shift_JIS output, converted
// EUC-JP and JIS), or UTF-8 as Linux programs print it, bytes as they came (a stray invalid
// byte stays itself, shown as such and saved as such).
enum class TextCode { Cp932, Utf8 };

struct HeldText {
    std::string bytes;
    TextCode code = TextCode::Cp932;
};

struct Cp932Conversion {
    std::string text;
    std::size_t lost = 0; // characters or invalid sequences that did not convert faithfully
};

Cp932Conversion Cp932ToUtf8(std::string_view cp932);
Cp932Conversion Utf8ToCp932(std::string_view utf8);

// The same conversions in pieces, for callers that pass the result on without holding it
// whole (loading tens of megabytes into an editor). The pieces end on character boundaries.
// Answer the number of lost characters.
using ChunkSink = std::function<void(std::string_view piece)>;
std::size_t Cp932ToUtf8Chunks(std::string_view cp932, const ChunkSink& sink);
std::size_t Utf8ToCp932Chunks(std::string_view utf8, const ChunkSink& sink);

// Width in CP932 bytes of the UTF-8 character that starts with these bytes, as the text
// windows count it (1 for ASCII and half-width katakana, else 2). The second and third bytes
// matter only to recognise half-width katakana; pass 0 where the text ends.
inline int Cp932WidthOfUtf8(unsigned char lead, unsigned char second, unsigned char third) {
    if (lead < 0x80)
        return 1;
    if (lead == 0xEF && ((second == 0xBD && third >= 0xA1 && third <= 0xBF) ||
                         (second == 0xBE && third >= 0x80 && third <= 0x9F)))
        return 1;
    return 2;
}

// Sum of the widths above over UTF-8 text, CR and LF bytes not counted (the text windows count
// a line end as two bytes of its own). Reads up to two bytes past n when `readable` allows, so
// that a half-width katakana cut by the end of the range is still recognised. Valid UTF-8 is
// assumed; this runs over whole documents, so it is vectorised.
std::int64_t Cp932WidthOfUtf8Text(const char* text, std::size_t n, std::size_t readable);
