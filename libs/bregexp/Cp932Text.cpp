#include "Cp932Text.h"

#include <algorithm>
#include <array>
#include <iconv.h>
#include <memory>

namespace {

constexpr char32_t kUnassigned = 0xFFFFFFFF;
// Characters without a Unicode counterpart go to U+F0000 + their byte value (one byte) or
// lead * 256 + trail (two bytes): U+F0080 to U+FFCFC, all inside plane 15's private use area.
constexpr char32_t kPrivateBase = 0xF0000;

bool IsLead(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool IsTrail(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// Code points of every CP932 character, asked of iconv once. Indexing a table beats calling
// iconv per character, and the table keeps one consistent idea of "one character" for both
// the subject and the expression.
class CodeTable {
public:
    CodeTable() {
        single_.fill(kUnassigned);
        pair_ = std::make_unique<char32_t[]>(kPairs);
        std::fill_n(pair_.get(), kPairs, kUnassigned);
        for (int b = 0; b < 0x80; ++b)
            single_[b] = static_cast<char32_t>(b);
        iconv_t cd = ::iconv_open("UTF-32LE", "CP932");
        if (cd == reinterpret_cast<iconv_t>(-1))
            return; // no converter modules: ASCII still works, the rest stays private
        for (int b = 0x80; b < 0x100; ++b) {
            char in = static_cast<char>(b);
            single_[b] = Decode(cd, &in, 1);
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLead(static_cast<unsigned char>(lead)))
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (!IsTrail(static_cast<unsigned char>(trail)))
                    continue;
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                pair_[PairIndex(lead, trail)] = Decode(cd, in, 2);
            }
        }
        ::iconv_close(cd);
    }

    char32_t Single(unsigned char b) const { return single_[b]; }
    char32_t Pair(unsigned char lead, unsigned char trail) const {
        return pair_[PairIndex(lead, trail)];
    }

private:
    static constexpr size_t kPairs = 0x80 * 0x100;
    static size_t PairIndex(int lead, int trail) { return (lead - 0x80) * 0x100 + trail; }

    static char32_t Decode(iconv_t cd, const char* bytes, size_t n) {
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(bytes);
        size_t inLeft = n;
        unsigned char out[8];
        char* outPtr = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof out;
        if (::iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
            inLeft != 0 || sizeof out - outLeft != 4)
            return kUnassigned;
        return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
    }

    std::array<char32_t, 256> single_;
    std::unique_ptr<char32_t[]> pair_;
};

const CodeTable& Table() {
    static const CodeTable table;
    return table;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

size_t Cp932CharLength(std::string_view text, size_t pos) {
    auto b = static_cast<unsigned char>(text[pos]);
    if (IsLead(b) && pos + 1 < text.size() && IsTrail(static_cast<unsigned char>(text[pos + 1])))
        return 2;
    return 1;
}

void Cp932ToUtf8(std::string_view cp932, std::string& utf8, std::vector<size_t>* offsets) {
    const CodeTable& table = Table();
    utf8.clear();
    utf8.reserve(cp932.size() + cp932.size() / 2);
    if (offsets) {
        offsets->clear();
        offsets->reserve(utf8.capacity() + 1);
    }
    for (size_t pos = 0; pos < cp932.size();) {
        size_t len = Cp932CharLength(cp932, pos);
        auto b0 = static_cast<unsigned char>(cp932[pos]);
        char32_t c;
        if (len == 2) {
            auto b1 = static_cast<unsigned char>(cp932[pos + 1]);
            c = table.Pair(b0, b1);
            if (c == kUnassigned)
                c = kPrivateBase + (b0 << 8 | b1);
        } else {
            c = table.Single(b0);
            if (c == kUnassigned)
                c = kPrivateBase + b0;
        }
        size_t before = utf8.size();
        AppendUtf8(utf8, c);
        if (offsets)
            offsets->insert(offsets->end(), utf8.size() - before, pos);
        pos += len;
    }
    if (offsets)
        offsets->push_back(cp932.size());
}
