// Code and line-end detection and the converters: any bytes, any direction, never a crash or
// a write out of bounds; converted text converts back without trouble.
#include "FuzzSupport.h"
#include "encoding/Codeconv.h"
#include "platform/ByteStream.h"

#include <nkf32/nkfguess.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QuietMessages messages;
    static const bool loaded = NkfLoad(LibraryFolder());
    FUZZ_CHECK(loaded);
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::string& path = ScratchFile(bytes);
    int code = DetectCode(path, messages);
    FUZZ_CHECK(code >= 0 && code <= 3);
    int lineEnd = DetectLineEnd(path, messages);
    FUZZ_CHECK(lineEnd >= 0 && lineEnd <= 2);
    FUZZ_CHECK(nkfguess::GuessText(data, size) >= 0);

    for (int from = 0; from <= 3; ++from) {
        std::string sjis, back;
        CheckedConversion checked = ConvertChecked(bytes, from, kCodeSjis, sjis, messages);
        FUZZ_CHECK(checked.converted);
        for (int to = 0; to <= 3; ++to)
            ConvertChecked(sjis, kCodeSjis, to, back, messages);
    }
    ByteStream source(bytes), target;
    ConvertStream(source, target, "-s", messages);
    for (int end = 0; end <= 2; ++end) {
        std::string unified = UnifyLineEnds(bytes, end);
        FUZZ_CHECK(UnifyLineEnds(unified, end) == unified);
        ConvertLineEnds(bytes, end);
    }
    UrlEncode(bytes.substr(0, 256), size % 2, messages);
    return 0;
}
