#pragma once
// Japanese sample texts and an iconv(3) oracle for the encoding tests.

#include <cerrno>
#include <iconv.h>
#include <stdexcept>
#include <string>

// Kanji, hiragana, katakana, half-width katakana, an NEC extension character (①), the wave dash in
// its Windows form (U+FF5E, the form CP932 0x8160 decodes to) and ASCII, over two lines.
inline const std::string kSampleUtf8 =
    "漢字とかなカナ ｶﾀｶﾅ ①\xEF\xBD\x9E Perl 5.36\n二行目です。\n";

// The same text in JIS, written out from the JIS X 0208 tables by hand: 漢 3441 字 3B7A
// と 2448 か 242B な 244A カ 252B ナ 254A, ① 2D21 (row 13), 〜 2141, 二 4673 行 3954 目 4C5C
// で 2447 す 2439 。2123; half-width katakana ｶﾀｶﾅ 36 40 36 45 in the ESC ( I set.
inline const std::string kSampleJis = "\x1B$B4A;z$H$+$J%+%J\x1B(B \x1B(I6@6E\x1B(B "
                                      "\x1B$B-!!A\x1B(B Perl 5.36\n"
                                      "\x1B$BFs9TL\\$G$9!#\x1B(B\n";

// Strict iconv(3): throws when the bytes do not convert completely.
inline std::string Iconv(const char* from, const char* to, const std::string& bytes) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("no iconv from ") + from + " to " + to);
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* op = out.data();
    size_t outLeft = out.size();
    size_t r = iconv(cd, &in, &inLeft, &op, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1))
        throw std::runtime_error(std::string("iconv failed from ") + from + " to " + to);
    out.resize(out.size() - outLeft);
    return out;
}

inline const char* IconvCharset(int code) {
    static const char* const kNames[] = {"CP932", "EUC-JP-MS", nullptr, "UTF-8"};
    return kNames[code];
}

// The sample in code 0 to 3.
inline std::string Sample(int code) {
    return code == 2 ? kSampleJis : Iconv("UTF-8", IconvCharset(code), kSampleUtf8);
}
