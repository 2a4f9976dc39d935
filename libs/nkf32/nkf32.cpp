// The exported entry points: the option text, the choice of route between the four codes,
// and iconv doing the real work.
//
// Charsets: CP932 for Shift_JIS and EUC-JP-MS for EUC-JP, because these two agree with each
// other and with Windows on the characters that differ between vendors: the wave dash 〜 is
// U+FF5E in both, the NEC extension characters (①, ㍉...) live in row 13 of EUC-JP-MS as in CP932,
// and the user-defined area maps to the same private-use code points. Plain EUC-JP would turn 〜
// into U+301C and have no ①, so a Shift_JIS -> EUC-JP -> Shift_JIS trip would not return. JIS is
// made from EUC-JP-MS by shifting (JisCodec), so it inherits the same mapping.

#include "nkf32.h"

#include "JisCodec.h"
#include "Sink.h"
#include "nkfguess.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <new>

namespace {

using nkf::Sink;

enum Code { kSjis = 0, kEuc = 1, kJis = 2, kUtf8 = 3, kCodes = 4 };

const char* const kCharset[kCodes] = {"CP932", "EUC-JP-MS", nullptr, "UTF-8"};

// The mark for what cannot be converted: the geta mark where the target has one.
struct Mark {
    const char* bytes;
    size_t size;
};
const Mark kMark[kCodes] = {{"\x81\xAC", 2}, {nkf::kEucGeta, 2}, {nkf::kEucGeta, 2}, {"?", 1}};

struct Options {
    int source = -1; // -1: guess from the input
    int target = -1;
    bool valid = false;
};

thread_local Options g_options;

class Failed {};

// iconv descriptors cost a module lookup to open, so each thread keeps the ones it used.
class Descriptors {
public:
    ~Descriptors() {
        for (auto& row : convert_)
            for (iconv_t cd : row)
                if (cd != Closed())
                    iconv_close(cd);
        for (iconv_t cd : decode_)
            if (cd != Closed())
                iconv_close(cd);
    }
    iconv_t Converter(int from, int to) {
        return Open(convert_[from][to], kCharset[to], kCharset[from]);
    }
    // Decodes one character of the source code, to tell its length.
    iconv_t Decoder(int from) { return Open(decode_[from], "UCS-4LE", kCharset[from]); }

private:
    static iconv_t Closed() { return reinterpret_cast<iconv_t>(-1); }
    static iconv_t Open(iconv_t& slot, const char* to, const char* from) {
        if (slot == Closed()) {
            slot = iconv_open(to, from);
            if (slot == Closed())
                throw Failed();
        }
        iconv(slot, nullptr, nullptr, nullptr, nullptr);
        return slot;
    }
    iconv_t convert_[kCodes][kCodes] = {{Closed(), Closed(), Closed(), Closed()},
                                        {Closed(), Closed(), Closed(), Closed()},
                                        {Closed(), Closed(), Closed(), Closed()},
                                        {Closed(), Closed(), Closed(), Closed()}};
    iconv_t decode_[kCodes] = {Closed(), Closed(), Closed(), Closed()};
};

thread_local Descriptors g_descriptors;

// The length of the well-formed character at p, or 0 when p does not start one.
size_t CharLength(int from, const char* p, size_t left) {
    iconv_t cd = g_descriptors.Decoder(from);
    char ucs[4];
    char* in = const_cast<char*>(p);
    size_t inLeft = left < 4 ? left : 4;
    char* out = ucs;
    size_t outLeft = sizeof ucs;
    iconv(cd, &in, &inLeft, &out, &outLeft);
    return out != ucs ? static_cast<size_t>(in - p) : 0;
}

// One iconv pass. Anything it cannot take (a byte that starts no character of the source, or
// a character the target lacks) becomes one mark, and the pass goes on after it. Answers the
// number of marks put.
size_t IconvPass(int from, int to, const char* input, size_t size, Sink& out) {
    iconv_t cd = g_descriptors.Converter(from, to);
    char* in = const_cast<char*>(input);
    size_t inLeft = size;
    size_t replaced = 0;
    while (inLeft > 0) {
        if (out.cur == out.end)
            out.MoreRoom();
        size_t outLeft = static_cast<size_t>(out.end - out.cur);
        size_t r = iconv(cd, &in, &inLeft, &out.cur, &outLeft);
        if (r != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.MoreRoom();
            continue;
        }
        if (errno != EILSEQ && errno != EINVAL)
            throw Failed();
        size_t skip = CharLength(from, in, inLeft);
        if (skip == 0)
            skip = 1;
        in += skip;
        inLeft -= skip;
        out.Put(kMark[to].bytes, kMark[to].size);
        ++replaced;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return replaced;
}

size_t Convert(int from, int to, const char* in, size_t size, Sink& out) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(in);
    if (from < 0)
        from = nkfguess::GuessText(bytes, size);
    if (from == kUtf8 && to != kUtf8 && size >= 3 && std::memcmp(in, "\xEF\xBB\xBF", 3) == 0) {
        // A byte-order mark is no character of the text; the other codes have no place for it.
        in += 3;
        size -= 3;
        bytes += 3;
    }
    if (from == to) {
        out.Put(in, size);
        return 0;
    }
    if (from == kJis) {
        if (to == kEuc)
            return nkf::JisToEuc(bytes, size, out);
        nkf::GrowSink euc(size + size / 4);
        size_t replaced = nkf::JisToEuc(bytes, size, euc);
        return replaced + IconvPass(kEuc, to, euc.Data(), euc.Size(), out);
    }
    if (to == kJis) {
        nkf::GrowSink euc(size + size / 4);
        size_t replaced = IconvPass(from, kEuc, in, size, euc);
        return replaced +
               nkf::EucToJis(reinterpret_cast<const unsigned char*>(euc.Data()), euc.Size(), out);
    }
    return IconvPass(from, to, in, size, out);
}

int CodeOfLetter(char c, bool& source) {
    static const char kSources[] = "SEJW";
    static const char kTargets[] = "sejw";
    if (const char* p = c ? std::strchr(kSources, c) : nullptr) {
        source = true;
        return static_cast<int>(p - kSources);
    }
    if (const char* p = c ? std::strchr(kTargets, c) : nullptr) {
        source = false;
        return static_cast<int>(p - kTargets);
    }
    return -1;
}

} // namespace

extern "C" {

NKF32_API int SetNkfOption(const char* option) {
    Options o;
    bool ok = option != nullptr;
    bool inWord = false;
    for (const char* p = option; ok && *p; ++p) {
        if (*p == ' ') {
            inWord = false;
        } else if (*p == '-') {
            inWord = true;
        } else if (!inWord) {
            ok = false;
        } else {
            bool source = false;
            int code = CodeOfLetter(*p, source);
            if (code < 0)
                ok = false;
            else
                (source ? o.source : o.target) = code;
        }
    }
    o.valid = ok && o.target >= 0;
    g_options = o;
    return o.valid ? NKF_OK : NKF_BAD_OPTION;
}

NKF32_API int NkfConvertSafe(char* out, size_t outSize, size_t* written, const char* in,
                             size_t inSize) {
    size_t ignored = 0;
    if (!written)
        written = &ignored;
    *written = 0;
    if (!g_options.valid)
        return NKF_BAD_OPTION;
    if (!in)
        inSize = 0;
    if (!out)
        outSize = 0;
    try {
        nkf::FixedSink sink(out, outSize);
        size_t replaced = Convert(g_options.source, g_options.target, in, inSize, sink);
        *written = sink.Total();
        if (sink.Overflow())
            return NKF_TOO_SMALL;
        return replaced ? NKF_REPLACED : NKF_OK;
    } catch (const Failed&) {
        return NKF_FAILED;
    } catch (const std::bad_alloc&) {
        return NKF_FAILED;
    }
}

NKF32_API void NkfConvert(char* out, const char* in) {
    if (!out)
        return;
    *out = '\0';
    if (!in || !g_options.valid)
        return;
    try {
        size_t size = std::strlen(in);
        nkf::GrowSink sink(size * 2 + 16);
        Convert(g_options.source, g_options.target, in, size, sink);
        std::memcpy(out, sink.Data(), sink.Size());
        out[sink.Size()] = '\0';
    } catch (...) {
        *out = '\0';
    }
}

} // extern "C"
