// The exported entry points: pattern cache, PCRE2 calls with limits, and the result record.

#define PCRE2_CODE_UNIT_WIDTH 8
#include "bregexp.h"

#include "Cp932Text.h"
#include "PerlPattern.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <pcre2.h>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Backtracking budget per match. Real error lines are matched in a few thousand steps, and a
// repeated group across a 100,000-character line in a few hundred thousand; a nested
// quantifier gone exponential reaches the budget within a second and is reported as a limit,
// so the window thread that asked never hangs.
constexpr uint32_t kMatchLimit = 10000000;
// The interpreter (used where the JIT is missing) keeps one frame per open repetition: a
// group repeated once per character of a long line needs as many.
constexpr uint32_t kDepthLimit = 10000000;
constexpr uint32_t kHeapLimitKiB = 256 * 1024;
// The JIT's own stack grows on demand up to this.
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMost = 64 * 1024 * 1024;
// Conversion buffers larger than this are given back before the next call.
constexpr size_t kKeptBufferBytes = 1 << 20;

#define BREGEXP_STR2(x) #x
#define BREGEXP_STR(x) BREGEXP_STR2(x)
constexpr const char kVersion[] =
    "libbregexp 1.0 (PCRE2 " BREGEXP_STR(PCRE2_MAJOR) "." BREGEXP_STR(PCRE2_MINOR) ")";

void SetMessage(char* msg, std::string_view text) {
    if (!msg)
        return;
    size_t n = text.size() < 255 ? text.size() : 255;
    std::memcpy(msg, text.data(), n);
    msg[n] = '\0';
}

std::string PcreMessage(int code) {
    PCRE2_UCHAR buffer[256];
    if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0)
        return "PCRE2 error " + std::to_string(code);
    return reinterpret_cast<const char*>(buffer);
}

// The last compiled pattern. The caller matches one expression against line after line, so
// keeping one is enough to compile it only once.
struct Compiled {
    std::string pattern;
    bool utf8Entry = false; // compiled for BMatchUtf8
    bool cp932 = false;
    pcre2_code* code = nullptr;
    pcre2_match_data* data = nullptr;
    uint32_t captures = 0;

    void Release() {
        pcre2_match_data_free(data);
        pcre2_code_free(code);
        data = nullptr;
        code = nullptr;
        pattern.clear();
    }
    // Runs when the program unloads the library.
    ~Compiled() { Release(); }
};

struct Limits {
    pcre2_match_context* context = pcre2_match_context_create(nullptr);
    pcre2_jit_stack* jitStack = pcre2_jit_stack_create(kJitStackStart, kJitStackMost, nullptr);
    Limits() {
        if (context) {
            pcre2_set_match_limit(context, kMatchLimit);
            pcre2_set_depth_limit(context, kDepthLimit);
            pcre2_set_heap_limit(context, kHeapLimitKiB);
            if (jitStack)
                pcre2_jit_stack_assign(context, nullptr, jitStack);
        }
    }
    ~Limits() {
        pcre2_match_context_free(context);
        pcre2_jit_stack_free(jitStack);
    }
};

std::mutex gLock;
Compiled gLast;
// The subject in UTF-8 and its way back, kept between calls so that their memory is reused.
std::string gUtf8;
std::vector<size_t> gOffsets;

pcre2_match_context* MatchContext() {
    static Limits limits;
    return limits.context;
}

// Compiles the pattern into gLast unless it is there already. -1 with a message on failure.
int Prepare(const char* pattern, bool utf8Entry, char* msg) {
    if (gLast.code && gLast.pattern == pattern && gLast.utf8Entry == utf8Entry)
        return 0;
    gLast.Release();

    PerlPattern parsed;
    std::string error;
    if (!ParsePerlPattern(pattern, parsed, error)) {
        SetMessage(msg, error);
        return -1;
    }
    uint32_t options = 0;
    if (parsed.caseless)
        options |= PCRE2_CASELESS;
    if (parsed.multiline)
        options |= PCRE2_MULTILINE;
    if (parsed.dotAll)
        options |= PCRE2_DOTALL;
    if (parsed.extended)
        options |= PCRE2_EXTENDED;

    std::string expression;
    std::vector<size_t> offsets;
    if (utf8Entry) {
        // Text as Linux holds it: the expression and the subject are UTF-8, a character is one
        // character whatever its length, and a subject's invalid bytes match nothing but are
        // no error (a stray byte in a program's output must not stop the search).
        options |= PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_NEVER_BACKSLASH_C;
        parsed.cp932 = false;
        expression = std::move(parsed.expression);
    } else if (parsed.cp932) {
        // \C could stop inside a character and break the way back to CP932 offsets.
        options |= PCRE2_UTF | PCRE2_NEVER_BACKSLASH_C;
        Cp932ToUtf8(parsed.expression, expression, &offsets);
    } else {
        // Byte matching stays byte matching even if the expression asks for (*UTF).
        options |= PCRE2_NEVER_UTF;
        expression = std::move(parsed.expression);
    }

    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(expression.data()),
                                     expression.size(), options, &errorCode, &errorOffset, nullptr);
    if (!code) {
        if (parsed.cp932 && errorOffset < offsets.size())
            errorOffset = offsets[errorOffset];
        SetMessage(msg, PcreMessage(errorCode) + " at offset " + std::to_string(errorOffset));
        return -1;
    }
    // The JIT is much faster and needs no frame per repetition; where it is missing or refuses
    // the expression, the interpreter matches instead (pcre2_match picks whichever is there).
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
    if (!data) {
        pcre2_code_free(code);
        SetMessage(msg, "out of memory");
        return -1;
    }
    uint32_t captures = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &captures);
    gLast.pattern = pattern;
    gLast.utf8Entry = utf8Entry;
    gLast.cp932 = parsed.cp932;
    gLast.code = code;
    gLast.data = data;
    gLast.captures = captures;
    return 0;
}

BREGEXP* NewRecord(uint32_t captures) {
    size_t slots = size_t{captures} + 1;
    // One block: the record, then the start pointers, then the end pointers. sizeof(BREGEXP)
    // is a multiple of a pointer's alignment, so the arrays are aligned.
    void* block = std::calloc(1, sizeof(BREGEXP) + 2 * slots * sizeof(const char*));
    if (!block)
        return nullptr;
    auto* rx = static_cast<BREGEXP*>(block);
    auto** arrays = reinterpret_cast<const char**>(static_cast<char*>(block) + sizeof(BREGEXP));
    rx->nparens = static_cast<int>(captures);
    rx->startp = arrays;
    rx->endp = arrays + slots;
    return rx;
}

// Answers as BMatchUtf8At does; limitResult is what an engine limit answers.
int Match(const char* pattern, bool utf8Entry, const char* subject, const char* subjectEnd,
          size_t startOffset, int limitResult, BREGEXP** rxp, char* msg) {
    if (!pattern) {
        SetMessage(msg, "no pattern");
        return -1;
    }
    // No subject at all is an empty one; otherwise the end must not lie before the start.
    if (subject ? !subjectEnd || subjectEnd < subject : subjectEnd != nullptr) {
        SetMessage(msg, "invalid subject range");
        return -1;
    }
    if (startOffset > static_cast<size_t>(subjectEnd - subject)) {
        SetMessage(msg, "start offset past the subject");
        return -1;
    }
    if (Prepare(pattern, utf8Entry, msg) < 0)
        return -1;

    std::string_view bytes(subject, static_cast<size_t>(subjectEnd - subject));
    // A huge line once should not pin its buffers for the rest of the run.
    if (gUtf8.capacity() > kKeptBufferBytes)
        std::string().swap(gUtf8);
    if (gOffsets.capacity() > kKeptBufferBytes / sizeof(size_t))
        std::vector<size_t>().swap(gOffsets);
    std::vector<size_t>& offsets = gOffsets;
    std::string_view matched = bytes;
    uint32_t matchOptions = 0;
    if (gLast.cp932) {
        Cp932ToUtf8(bytes, gUtf8, &offsets);
        matched = gUtf8;
        matchOptions |= PCRE2_NO_UTF_CHECK; // built here, valid by construction
    }
    // An empty subject may come as a null pointer; PCRE2 wants a real one.
    const char* start = matched.data() ? matched.data() : "";
    int rc = pcre2_match(gLast.code, reinterpret_cast<PCRE2_SPTR>(start), matched.size(),
                         startOffset, matchOptions, gLast.data, MatchContext());
    if (rc == PCRE2_ERROR_NOMATCH)
        return 0;
    if (rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT ||
        rc == PCRE2_ERROR_HEAPLIMIT || rc == PCRE2_ERROR_JIT_STACKLIMIT) {
        SetMessage(msg, PcreMessage(rc));
        return limitResult;
    }
    if (rc < 0) {
        SetMessage(msg, PcreMessage(rc));
        return -1;
    }

    BREGEXP* rx = NewRecord(gLast.captures);
    if (!rx) {
        SetMessage(msg, "out of memory");
        return -1;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(gLast.data);
    uint32_t pairs = pcre2_get_ovector_count(gLast.data);
    for (uint32_t i = 0; i <= gLast.captures && i < pairs; ++i) {
        PCRE2_SIZE from = ovector[2 * i];
        PCRE2_SIZE to = ovector[2 * i + 1];
        // Groups past rc did not take part; PCRE2 marks them unset as well.
        if (static_cast<int>(i) >= rc || from == PCRE2_UNSET || to == PCRE2_UNSET)
            continue;
        if (gLast.cp932) {
            from = offsets[from];
            to = offsets[to];
        }
        // \K can put a start after its end; the record never holds a reversed span.
        if (to < from)
            to = from;
        rx->startp[i] = subject + from;
        rx->endp[i] = subject + to;
    }
    *rxp = rx;
    return 1;
}

int Entry(const char* pattern, bool utf8Entry, const char* subject, const char* subjectEnd,
          size_t startOffset, int limitResult, BREGEXP** rxp, char* msg) {
    SetMessage(msg, "");
    if (!rxp) {
        SetMessage(msg, "no place for the result");
        return -1;
    }
    BRegfree(*rxp);
    *rxp = nullptr;
    std::lock_guard<std::mutex> hold(gLock);
    try {
        return Match(pattern, utf8Entry, subject, subjectEnd, startOffset, limitResult, rxp, msg);
    } catch (const std::bad_alloc&) {
        SetMessage(msg, "out of memory");
        return -1;
    }
}

} // namespace

extern "C" int BMatch(const char* pattern, const char* subject, const char* subjectEnd,
                      BREGEXP** rxp, char* msg) {
    return Entry(pattern, false, subject, subjectEnd, 0, 0, rxp, msg);
}

extern "C" int BMatchUtf8(const char* pattern, const char* subject, const char* subjectEnd,
                          BREGEXP** rxp, char* msg) {
    return Entry(pattern, true, subject, subjectEnd, 0, 0, rxp, msg);
}

extern "C" int BMatchUtf8At(const char* pattern, const char* subject, const char* subjectEnd,
                            size_t startOffset, BREGEXP** rxp, char* msg) {
    return Entry(pattern, true, subject, subjectEnd, startOffset, -2, rxp, msg);
}

extern "C" void BRegfree(BREGEXP* rx) {
    std::free(rx);
}

extern "C" const char* BRegexpVersion(void) {
    return kVersion;
}
