// Guessing the kanji code of a block of bytes. Shared by the converter library (for option
// texts that name no source) and by the program's file detector, so both judge alike.
// Code numbers: 0 Shift_JIS, 1 EUC-JP, 2 JIS, 3 UTF-8.
#pragma once

#include <cstddef>
#include <cstring>

namespace nkfguess {

// Whether p[0..n) is well-formed UTF-8 holding at least one complete multi-byte sequence.
// Overlong forms, surrogates and code points above U+10FFFF are not well-formed. With
// cutAllowed, a sequence that the end of the block cuts short is accepted as long as its
// bytes so far could begin a well-formed one (the block is a prefix of something longer).
inline bool LooksUtf8(const unsigned char* p, size_t n, bool cutAllowed) {
    bool multi = false;
    size_t i = 0;
    while (i < n) {
        // Skip ASCII eight bytes at a time: most text is mostly ASCII.
        while (i + 8 <= n) {
            unsigned long long w;
            std::memcpy(&w, p + i, 8);
            if (w & 0x8080808080808080ULL)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0)
                lo = 0xA0;
            else if (c == 0xED)
                hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0)
                lo = 0x90;
            else if (c == 0xF4)
                hi = 0x8F;
        } else {
            return false;
        }
        for (size_t k = 1; k < len; ++k) {
            if (i + k >= n)
                return cutAllowed && multi;
            unsigned char t = p[i + k];
            if (k == 1 ? (t < lo || t > hi) : (t < 0x80 || t > 0xBF))
                return false;
        }
        multi = true;
        i += len;
    }
    return multi;
}

// The counting detector: JIS when ESC $ B appears, else EUC-JP when more byte pairs look like
// EUC-JP than like Shift_JIS, else Shift_JIS. Answers 0, 1 or 2.
inline int GuessByCounts(const unsigned char* p, size_t n) {
    size_t sjis = 0, euc = 0;
    for (size_t i = 0; i + 2 < n; ++i) {
        if (p[i] == 0x1B && p[i + 1] == 0x24 && p[i + 2] == 0x42)
            return 2;
        if ((p[i] & 0x80) && !(p[i + 1] & 0x80)) {
            ++sjis;
            ++i;
        }
        if ((p[i] & 0x80) && (p[i + 1] & 0x80)) {
            if (p[i] > 0xA1 && p[i] < 0xFE && p[i + 1] > 0xA1 && p[i + 1] < 0xFE)
                ++euc;
            ++i;
        }
    }
    return sjis < euc ? 1 : 0;
}

inline int GuessCode(const unsigned char* p, size_t n, bool cutAllowed) {
    return LooksUtf8(p, n, cutAllowed) ? 3 : GuessByCounts(p, n);
}

// For a whole text of any size, such as a program's output, which may begin with pages of
// plain ASCII: leading bytes that tell nothing (below 0x80 and no ESC) are skipped, and the
// judgement is made on the next window bytes, so that a large text costs no more than a
// small one.
inline int GuessText(const unsigned char* p, size_t n, size_t window = 65536) {
    size_t i = 0;
    const unsigned long long kOnes = 0x0101010101010101ULL;
    const unsigned long long kHigh = 0x8080808080808080ULL;
    while (i + 8 <= n) {
        unsigned long long w;
        std::memcpy(&w, p + i, 8);
        unsigned long long esc = w ^ (kOnes * 0x1B); // a zero byte where w holds ESC
        if ((w & kHigh) || ((esc - kOnes) & ~esc & kHigh))
            break;
        i += 8;
    }
    while (i < n && p[i] < 0x80 && p[i] != 0x1B)
        ++i;
    size_t size = n - i < window ? n - i : window;
    return GuessCode(p + i, size, i + size < n);
}

} // namespace nkfguess
