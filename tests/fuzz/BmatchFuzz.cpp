// The matcher library with a fuzzed pattern and subject (split at the first zero byte): every
// answer is a match, a miss or a refusal, and group bounds stay inside the subject.
#include "FuzzSupport.h"
#include "platform/Tdll.h"

#include <bregexp/bregexp.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TDll library(LibraryFolder() + "libbregexp.so");
    using Match = int (*)(const char*, const char*, const char*, BREGEXP**, char*);
    using Free = void (*)(BREGEXP*);
    static Match match = library.Proc<Match>("BMatch");
    static Free release = library.Proc<Free>("BRegfree");
    FUZZ_CHECK(match && release);

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    size_t zero = bytes.find('\0');
    std::string pattern = bytes.substr(0, zero);
    std::string subject = zero == std::string::npos ? std::string() : bytes.substr(zero + 1);
    BREGEXP* rx = nullptr;
    char message[256] = {};
    const char* begin = subject.data();
    const char* end = begin + subject.size();
    int result = match(pattern.c_str(), begin, end, &rx, message);
    FUZZ_CHECK(result >= -1 && result <= 1);
    if (result == 1 && rx) {
        for (int i = 0; i <= rx->nparens && i < 10; ++i)
            if (rx->startp[i])
                FUZZ_CHECK(begin <= rx->startp[i] && rx->startp[i] <= rx->endp[i] &&
                           rx->endp[i] <= end);
    }
    release(rx);
    return 0;
}
