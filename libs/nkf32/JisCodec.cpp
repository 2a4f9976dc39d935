#include "JisCodec.h"

namespace nkf {

namespace {

enum class Mode { Ascii, Kanji, Kana, Kanji0212 };

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kShiftOut = 0x0E; // half-width katakana follow (7-bit kana)
constexpr unsigned char kShiftIn = 0x0F;

bool Matches(const unsigned char* p, size_t left, const char* seq, size_t len) {
    if (left < len)
        return false;
    for (size_t k = 0; k < len; ++k)
        if (p[k] != static_cast<unsigned char>(seq[k]))
            return false;
    return true;
}

bool IsGraphic(unsigned char c) {
    return c >= 0x21 && c <= 0x7E;
}

} // namespace

size_t JisToEuc(const unsigned char* in, size_t size, Sink& out) {
    struct Designation {
        const char* seq;
        size_t len;
        Mode mode;
    };
    // JIS C 6226 and the JIS X 0213 planes are read as JIS X 0208 rows; JIS-Roman as ASCII.
    static const Designation kDesignations[] = {
        {"\x1B$B", 3, Mode::Kanji},  {"\x1B$@", 3, Mode::Kanji},  {"\x1B$(B", 4, Mode::Kanji},
        {"\x1B$(O", 4, Mode::Kanji}, {"\x1B$(Q", 4, Mode::Kanji}, {"\x1B$(D", 4, Mode::Kanji0212},
        {"\x1B(B", 3, Mode::Ascii},  {"\x1B(J", 3, Mode::Ascii},  {"\x1B(H", 3, Mode::Ascii},
        {"\x1B(I", 3, Mode::Kana},
    };
    Mode mode = Mode::Ascii;
    bool shifted = false;
    size_t replaced = 0;
    size_t i = 0;
    while (i < size) {
        unsigned char c = in[i];
        if (c == kEsc) {
            const Designation* found = nullptr;
            for (const Designation& d : kDesignations)
                if (Matches(in + i, size - i, d.seq, d.len)) {
                    found = &d;
                    break;
                }
            if (found) {
                mode = found->mode;
                i += found->len;
            } else if (Matches(in + i, size - i, "\x1B&@", 3)) {
                i += 3; // revision announcer: the designation that follows says it all
            } else {
                out.Put(kEucGeta, 2);
                ++replaced;
                ++i;
            }
            continue;
        }
        if (c == kShiftOut || c == kShiftIn) {
            shifted = c == kShiftOut;
            ++i;
            continue;
        }
        if (c >= 0x80) {
            out.Put(kEucGeta, 2);
            ++replaced;
            ++i;
            continue;
        }
        if (!IsGraphic(c)) {
            out.Put(static_cast<char>(c)); // line ends, tabs, blanks and the like in any mode
            ++i;
            continue;
        }
        switch (shifted ? Mode::Kana : mode) {
        case Mode::Ascii:
            out.Put(static_cast<char>(c));
            ++i;
            break;
        case Mode::Kana:
            if (c <= 0x5F) {
                out.Put('\x8E');
                out.Put(static_cast<char>(c | 0x80));
            } else {
                out.Put(kEucGeta, 2);
                ++replaced;
            }
            ++i;
            break;
        case Mode::Kanji:
        case Mode::Kanji0212:
            if (i + 1 < size && IsGraphic(in[i + 1])) {
                if (mode == Mode::Kanji0212)
                    out.Put('\x8F');
                out.Put(static_cast<char>(c | 0x80));
                out.Put(static_cast<char>(in[i + 1] | 0x80));
                i += 2;
            } else {
                out.Put(kEucGeta, 2);
                ++replaced;
                ++i;
            }
            break;
        }
    }
    return replaced;
}

size_t EucToJis(const unsigned char* in, size_t size, Sink& out) {
    Mode mode = Mode::Ascii;
    size_t replaced = 0;
    auto shiftTo = [&](Mode m) {
        if (mode == m)
            return;
        mode = m;
        switch (m) {
        case Mode::Ascii:
            out.Put("\x1B(B", 3);
            break;
        case Mode::Kanji:
            out.Put("\x1B$B", 3);
            break;
        case Mode::Kana:
            out.Put("\x1B(I", 3);
            break;
        case Mode::Kanji0212:
            out.Put("\x1B$(D", 4);
            break;
        }
    };
    size_t i = 0;
    while (i < size) {
        unsigned char c = in[i];
        if (c == kEsc || c == kShiftOut || c == kShiftIn) {
            shiftTo(Mode::Kanji);
            out.Put("\x22\x2E", 2); // geta mark
            ++replaced;
            ++i;
        } else if (c < 0x80) {
            shiftTo(Mode::Ascii);
            out.Put(static_cast<char>(c));
            ++i;
        } else if (c == 0x8E && i + 1 < size) {
            shiftTo(Mode::Kana);
            out.Put(static_cast<char>(in[i + 1] & 0x7F));
            i += 2;
        } else if (c == 0x8F && i + 2 < size) {
            shiftTo(Mode::Kanji0212);
            out.Put(static_cast<char>(in[i + 1] & 0x7F));
            out.Put(static_cast<char>(in[i + 2] & 0x7F));
            i += 3;
        } else if (c >= 0xA1 && c <= 0xFE && i + 1 < size) {
            shiftTo(Mode::Kanji);
            out.Put(static_cast<char>(c & 0x7F));
            out.Put(static_cast<char>(in[i + 1] & 0x7F));
            i += 2;
        } else {
            shiftTo(Mode::Kanji);
            out.Put("\x22\x2E", 2); // geta mark
            ++replaced;
            ++i;
        }
    }
    shiftTo(Mode::Ascii);
    return replaced;
}

} // namespace nkf
