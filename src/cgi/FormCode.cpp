#include "cgi/FormCode.h"

#include "encoding/Codeconv.h"
#include "platform/Cp932.h"

#include <algorithm>

namespace {

// Bytes of the UTF-8 sequence that starts at pos as its lead byte announces it; a stray byte
// is a sequence of one.
size_t SequenceLength(std::string_view text, size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    size_t n = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return std::min(n, text.size() - pos);
}

// Whether a sequence of SequenceLength is one well-formed UTF-8 character.
bool OneCharacter(std::string_view one) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(one[i]); };
    const size_t n = one.size();
    if (n == 1)
        return b(0) < 0x80;
    if (b(0) < 0xC2 || b(0) > 0xF4 || n != (b(0) < 0xE0 ? 2u : b(0) < 0xF0 ? 3u : 4u))
        return false;
    for (size_t i = 1; i < n; ++i)
        if ((b(i) & 0xC0) != 0x80)
            return false;
    // Overlong forms, surrogates and code points past U+10FFFF show in the second byte.
    if ((b(0) == 0xE0 && b(1) < 0xA0) || (b(0) == 0xED && b(1) > 0x9F) ||
        (b(0) == 0xF0 && b(1) < 0x90) || (b(0) == 0xF4 && b(1) > 0x8F))
        return false;
    return true;
}

// Whether CP932 text survives the way to EUC-JP and back.
bool EucHolds(std::string_view cp932, MessageService& messages) {
    std::string euc;
    return ConvertChecked(cp932, kCodeSjis, kCodeEuc, euc, messages).lossless;
}

bool Holds(std::string_view text, int formCode, MessageService& messages) {
    if (formCode == kFormUtf8)
        return true;
    Cp932Conversion cp932 = Utf8ToCp932(text);
    if (cp932.lost)
        return false;
    return formCode != kFormEuc || !NkfAvailable() || EucHolds(cp932.text, messages);
}

} // namespace

const char* FormCodeName(int formCode) {
    switch (formCode) {
    case kFormEuc:
        return "EUC";
    case kFormUtf8:
        return "UTF-8";
    default:
        return "SJIS";
    }
}

std::optional<std::string> FirstUnheld(std::string_view text, int formCode,
                                       MessageService& messages) {
    // The whole text at once first: a long value is checked in one conversion, and only one
    // that fails is taken apart to name the character.
    if (Holds(text, formCode, messages))
        return std::nullopt;
    for (size_t pos = 0; pos < text.size();) {
        const size_t n = SequenceLength(text, pos);
        std::string_view one = text.substr(pos, n);
        if (!Holds(one, formCode, messages)) {
            // Bytes that are not a character are named by the mark that stands for them.
            return OneCharacter(one) ? std::string(one) : std::string(kUtf8Replacement);
        }
        pos += n;
    }
    // Each character fits alone: no code of the three is stateful, so this is not reached.
    return std::string(text.substr(0, SequenceLength(text, 0)));
}

std::string FormBytes(std::string_view text, int formCode, MessageService& messages,
                      bool& converterMissing) {
    if (formCode == kFormUtf8)
        return std::string(text);
    std::string cp932 = Utf8ToCp932(text).text;
    if (formCode != kFormEuc)
        return cp932;
    if (!NkfAvailable()) {
        converterMissing = true;
        return cp932;
    }
    std::string euc;
    if (!NkfConvertText(cp932, euc, NkfOptions(kCodeSjis, kCodeEuc), messages))
        return cp932;
    return euc;
}

std::string EnvBytes(std::string_view text, int formCode) {
    if (formCode == kFormUtf8)
        return std::string(text);
    return Utf8ToCp932(text).text;
}
