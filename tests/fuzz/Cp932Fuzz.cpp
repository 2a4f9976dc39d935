// The CP932 codec: any bytes either way; what converted without loss converts back to the
// same text, and the width count agrees with the CP932 form.
#include "FuzzSupport.h"
#include "platform/Cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Cp932Conversion utf8 = Cp932ToUtf8(bytes);
    Cp932Conversion sjis = Utf8ToCp932(utf8.text);
    if (utf8.lost == 0)
        FUZZ_CHECK(Cp932ToUtf8(sjis.text).text == utf8.text);
    Cp932Conversion fromUtf8 = Utf8ToCp932(bytes);
    Cp932ToUtf8(fromUtf8.text);
    // Every character of the UTF-8 form counts 1 or 2 bytes, and so does the CP932 form.
    std::int64_t width = Cp932WidthOfUtf8Text(utf8.text.data(), utf8.text.size(), utf8.text.size());
    FUZZ_CHECK(width >= 0 && width <= static_cast<std::int64_t>(2 * utf8.text.size()));
    for (size_t i = 0; i < size;)
        i += Cp932CharLength(bytes, i);
    return 0;
}
