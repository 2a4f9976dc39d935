#include "platform/Cp932.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <vector>
#if defined(__SSE2__) && defined(__x86_64__)
#define VEXIL_SSE2_WIDTH 1
#include <emmintrin.h>
#endif

namespace {

constexpr std::uint16_t kNoCode = 0xFFFF;
constexpr std::size_t kSlice = 1 << 16; // input bytes converted per piece

struct Tables {
    std::array<std::uint16_t, 256> single{}; // code point of a lone byte, or kNoCode
    std::vector<std::uint16_t> pair = std::vector<std::uint16_t>(65536, kNoCode);   // lead<<8|trail
    std::vector<std::uint16_t> encode = std::vector<std::uint16_t>(65536, kNoCode); // BMP -> code
};

// Converts one character through iconv; answers the output bytes, or empty when iconv refuses
// it or leaves input over.
std::string IconvOne(iconv_t cd, const char* in, std::size_t inLen) {
    char out[16];
    char* ip = const_cast<char*>(in);
    char* op = out;
    std::size_t il = inLen, ol = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0)
        return {};
    return std::string(out, op - out);
}

std::uint32_t Utf32le(const std::string& s) {
    return static_cast<unsigned char>(s[0]) | static_cast<unsigned char>(s[1]) << 8 |
           static_cast<unsigned char>(s[2]) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[3])) << 24;
}

bool OneByteWide(std::uint32_t cp) {
    return cp < 0x80 || (cp >= 0xFF61 && cp <= 0xFF9F);
}

Tables BuildTables() {
    Tables t;
    t.single.fill(kNoCode);
    iconv_t dec = iconv_open("UTF-32LE", "CP932");
    iconv_t enc = iconv_open("CP932", "UTF-32LE");
    if (dec == reinterpret_cast<iconv_t>(-1) || enc == reinterpret_cast<iconv_t>(-1)) {
        // Without glibc's converter modules only ASCII and half-width katakana are known.
        for (unsigned b = 0; b < 0x80; ++b) {
            t.single[b] = static_cast<std::uint16_t>(b);
            t.encode[b] = static_cast<std::uint16_t>(b);
        }
        for (unsigned b = 0xA1; b <= 0xDF; ++b) {
            t.single[b] = static_cast<std::uint16_t>(0xFF61 + b - 0xA1);
            t.encode[0xFF61 + b - 0xA1] = static_cast<std::uint16_t>(b);
        }
        return t;
    }
    for (unsigned b = 0; b < 256; ++b) {
        if (IsCp932LeadByte(static_cast<unsigned char>(b)))
            continue;
        char c = static_cast<char>(b);
        std::string u = IconvOne(dec, &c, 1);
        if (u.size() == 4 && OneByteWide(Utf32le(u)))
            t.single[b] = static_cast<std::uint16_t>(Utf32le(u));
    }
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsCp932LeadByte(static_cast<unsigned char>(lead)))
            continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (!IsCp932TrailByte(static_cast<unsigned char>(trail)))
                continue;
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            std::string u = IconvOne(dec, in, 2);
            if (u.size() != 4)
                continue;
            std::uint32_t cp = Utf32le(u);
            if (cp <= 0xFFFF && !OneByteWide(cp))
                t.pair[lead << 8 | trail] = static_cast<std::uint16_t>(cp);
        }
    }
    for (std::uint32_t cp = 0; cp <= 0xFFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        char in[4] = {static_cast<char>(cp & 0xFF), static_cast<char>(cp >> 8), 0, 0};
        std::string out = IconvOne(enc, in, 4);
        bool narrow = OneByteWide(cp);
        if (narrow && out.size() == 1)
            t.encode[cp] = static_cast<unsigned char>(out[0]);
        else if (!narrow && out.size() == 2)
            t.encode[cp] = static_cast<std::uint16_t>(static_cast<unsigned char>(out[0]) << 8 |
                                                      static_cast<unsigned char>(out[1]));
    }
    iconv_close(dec);
    iconv_close(enc);
    return t;
}

const Tables& GetTables() {
    static const Tables tables = BuildTables();
    return tables;
}

inline char* PutUtf8(char* o, std::uint32_t cp) {
    if (cp < 0x80) {
        *o++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *o++ = static_cast<char>(0xC0 | cp >> 6);
        *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *o++ = static_cast<char>(0xE0 | cp >> 12);
        *o++ = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return o;
}

inline bool EightAscii(const unsigned char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return (v & 0x8080808080808080ull) == 0;
}

// Decodes one UTF-8 character at p (n bytes available); answers its length, or 0 when the
// bytes there are not a valid sequence.
inline int DecodeUtf8(const unsigned char* p, std::size_t n, std::uint32_t& cp) {
    unsigned char c = p[0];
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    int len;
    std::uint32_t min;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2, min = 0x80, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3, min = 0x800, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4, min = 0x10000, cp = c & 0x07;
    } else {
        return 0;
    }
    if (n < static_cast<std::size_t>(len))
        return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

} // namespace

std::size_t Cp932ToUtf8Chunks(std::string_view cp932, const ChunkSink& sink) {
    const Tables& t = GetTables();
    const auto* p = reinterpret_cast<const unsigned char*>(cp932.data());
    const std::size_t n = cp932.size();
    std::unique_ptr<char[]> buffer(new char[std::min(n, kSlice) * 3 + 16]);
    std::size_t lost = 0, i = 0;
    while (i < n) {
        char* o = buffer.get();
        const std::size_t stop = std::min(n, i + kSlice);
        while (i < stop) {
            if (i + 8 <= stop && EightAscii(p + i)) {
                std::memcpy(o, p + i, 8);
                o += 8, i += 8;
                continue;
            }
            unsigned char c = p[i];
            if (c < 0x80) {
                *o++ = static_cast<char>(c);
                ++i;
            } else if (IsCp932LeadByte(c) && i + 1 < n && IsCp932TrailByte(p[i + 1])) {
                std::uint16_t cp = t.pair[c << 8 | p[i + 1]];
                if (cp == kNoCode) {
                    std::memcpy(o, kUtf8Replacement, 3), o += 3, ++lost;
                } else {
                    o = PutUtf8(o, cp);
                }
                i += 2; // may step one past the slice end; the next slice starts after it
            } else {
                std::uint16_t cp = t.single[c];
                if (cp == kNoCode) {
                    std::memcpy(o, kUtf8Replacement, 3), o += 3, ++lost;
                } else {
                    o = PutUtf8(o, cp);
                }
                ++i;
            }
        }
        sink(std::string_view(buffer.get(), o - buffer.get()));
    }
    return lost;
}

std::size_t Utf8ToCp932Chunks(std::string_view utf8, const ChunkSink& sink) {
    const Tables& t = GetTables();
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::unique_ptr<char[]> buffer(new char[std::min(n, kSlice) * 2 + 16]);
    std::size_t lost = 0, i = 0;
    while (i < n) {
        char* o = buffer.get();
        const std::size_t stop = std::min(n, i + kSlice);
        while (i < stop) {
            if (i + 8 <= stop && EightAscii(p + i)) {
                std::memcpy(o, p + i, 8);
                o += 8, i += 8;
                continue;
            }
            std::uint32_t cp;
            int len = DecodeUtf8(p + i, n - i, cp);
            if (len == 0) {
                std::memcpy(o, kCp932Replacement, 2), o += 2, ++lost;
                ++i;
                continue;
            }
            i += len;
            std::uint16_t code = cp <= 0xFFFF ? t.encode[cp] : kNoCode;
            if (code == kNoCode) {
                std::memcpy(o, kCp932Replacement, 2), o += 2, ++lost;
            } else if (code < 0x100) {
                *o++ = static_cast<char>(code);
            } else {
                *o++ = static_cast<char>(code >> 8);
                *o++ = static_cast<char>(code & 0xFF);
            }
        }
        sink(std::string_view(buffer.get(), o - buffer.get()));
    }
    return lost;
}

Cp932Conversion Cp932ToUtf8(std::string_view cp932) {
    Cp932Conversion r;
    r.text.reserve(cp932.size() + cp932.size() / 2);
    r.lost = Cp932ToUtf8Chunks(cp932, [&](std::string_view piece) { r.text.append(piece); });
    return r;
}

Cp932Conversion Utf8ToCp932(std::string_view utf8) {
    Cp932Conversion r;
    r.text.reserve(utf8.size());
    r.lost = Utf8ToCp932Chunks(utf8, [&](std::string_view piece) { r.text.append(piece); });
    return r;
}

std::int64_t Cp932WidthOfUtf8Text(const char* text, std::size_t n, std::size_t readable) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    std::int64_t total = 0;
    std::size_t i = 0;
#ifdef VEXIL_SSE2_WIDTH
    // Per byte: 1 for ASCII, 2 for a lead byte, 0 for continuation and line-end bytes, less 1
    // for the EF of a half-width katakana (EF BD A1-BF, EF BE 80-9F). Byte counters hold at
    // most 2 a round, so they are summed out every 127 rounds.
    const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi8(1);
    const __m128i below = _mm_set1_epi8(-65), lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
    const __m128i ef = _mm_set1_epi8(static_cast<char>(0xEF));
    const __m128i bd = _mm_set1_epi8(static_cast<char>(0xBD));
    const __m128i be = _mm_set1_epi8(static_cast<char>(0xBE));
    const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80)), edge = _mm_set1_epi8(0x20);
    while (i + 18 <= n) {
        __m128i acc = zero;
        for (int round = 0; round < 127 && i + 18 <= n; ++round, i += 16) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
            __m128i v2 =
                _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 2)), flip);
            __m128i high = _mm_cmplt_epi8(v, zero);
            __m128i lead = _mm_and_si128(high, _mm_cmpgt_epi8(v, below));
            __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr));
            __m128i kana = _mm_and_si128(
                _mm_cmpeq_epi8(v, ef),
                _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi8(v1, bd), _mm_cmpgt_epi8(v2, edge)),
                             _mm_andnot_si128(
                                 _mm_cmplt_epi8(v2, zero),
                                 _mm_and_si128(_mm_cmpeq_epi8(v1, be), _mm_cmplt_epi8(v2, edge)))));
            // The masks are -1 where true.
            __m128i w = _mm_add_epi8(one, high);           // 1 or 0
            w = _mm_sub_epi8(w, _mm_add_epi8(lead, lead)); // +2 on lead bytes
            w = _mm_add_epi8(w, _mm_add_epi8(ends, kana)); // -1 each
            acc = _mm_add_epi8(acc, w);
        }
        __m128i sums = _mm_sad_epu8(acc, zero);
        total += _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
    }
#endif
    for (; i < n; ++i) {
        unsigned char c = p[i];
        if (c == '\n' || c == '\r' || (c >= 0x80 && c < 0xC0))
            continue;
        unsigned char b1 = i + 1 < readable ? p[i + 1] : 0;
        unsigned char b2 = i + 2 < readable ? p[i + 2] : 0;
        total += Cp932WidthOfUtf8(c, b1, b2);
    }
    return total;
}
