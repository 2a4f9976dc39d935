#include "regex/Kregexp.h"

#include "bregexp/bregexp.h"
#include "platform/Tdll.h"

#include <algorithm>
#include <memory>

std::array<std::string, 10> RegExpGroups;

namespace {

using BRegexpVersionProc = const char* (*)();
using BMatchProc = int (*)(const char*, const char*, const char*, BREGEXP**, char*);
using BMatchAtProc = int (*)(const char*, const char*, const char*, std::size_t, BREGEXP**, char*);
using BRegfreeProc = void (*)(BREGEXP*);

constexpr const char* kLibraryName = "libbregexp.so";

std::unique_ptr<TDll> gDll;
BRegexpVersionProc gBRegexpVersion = nullptr;
BMatchProc gBMatch = nullptr;
BMatchProc gBMatchUtf8 = nullptr;
BMatchAtProc gBMatchUtf8At = nullptr;
BRegfreeProc gBRegfree = nullptr;

void ClearGroups() {
    for (std::string& group : RegExpGroups)
        group.clear();
}

} // namespace

bool RegExpLoad(MessageService& messages, const std::string& programDir) {
    RegExpUnload();
    std::string folder = programDir;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    gDll = std::make_unique<TDll>(folder + kLibraryName);
    // The version entry point only proves this is the right library; it is never called.
    gBRegexpVersion = gDll->Proc<BRegexpVersionProc>("BRegexpVersion");
    if (!gDll->Loaded() || !gBRegexpVersion) {
        messages.Show("Failed to load BREGEXP.DLL");
        RegExpUnload();
        return false;
    }
    gBMatch = gDll->Proc<BMatchProc>("BMatch");
    gBMatchUtf8 = gDll->Proc<BMatchProc>("BMatchUtf8");
    gBMatchUtf8At = gDll->Proc<BMatchAtProc>("BMatchUtf8At");
    if (!gBMatch || !gBMatchUtf8 || !gBMatchUtf8At) {
        messages.Show("Failed to load proc.");
        RegExpUnload();
        return false;
    }
    gBRegfree = gDll->Proc<BRegfreeProc>("BRegfree");
    if (!gBRegfree) {
        messages.Show("Fail to load proc.");
        RegExpUnload();
        return false;
    }
    ClearGroups();
    return true;
}

void RegExpUnload() {
    gBRegexpVersion = nullptr;
    gBMatch = nullptr;
    gBMatchUtf8 = nullptr;
    gBMatchUtf8At = nullptr;
    gBRegfree = nullptr;
    gDll.reset();
    ClearGroups();
}

bool RegExpLoaded() {
    return gBMatch != nullptr;
}

namespace {

bool Match(BMatchProc entry, const std::string& subjectText, const std::string& expressionText,
           const char* flags) {
    if (!entry)
        return false;
    // Either may be one of the groups, which are cleared below: read them first.
    const std::string subject = subjectText;
    const std::string expression = expressionText;
    ClearGroups();
    const std::string pattern = "m/" + expression + "/" + flags;
    BREGEXP* rx = nullptr;
    char message[256] = {};
    const char* begin = subject.data();
    const char* end = begin + subject.size();
    int result = entry(pattern.c_str(), begin, end, &rx, message);
    // Only a positive result is a match: an expression the engine refused (negative) must not
    // pass for a match with empty groups.
    bool matched = result > 0;
    if (matched && rx) {
        int last = std::min(rx->nparens, 9);
        for (int i = 0; i <= last; ++i) {
            const char* from = rx->startp[i];
            const char* to = rx->endp[i];
            if (from && to && begin <= from && from <= to && to <= end)
                RegExpGroups[i].assign(from, to);
        }
    }
    if (rx)
        gBRegfree(rx);
    return matched;
}

} // namespace

bool RegExpMatch(const std::string& subject, const std::string& expression) {
    return Match(gBMatch, subject, expression, "k");
}

bool RegExpMatchUtf8(const std::string& subject, const std::string& expression) {
    return Match(gBMatchUtf8, subject, expression, "");
}

RegExpResult RegExpSearchUtf8(std::string_view subject, std::size_t from,
                              const std::string& expression, bool ignoreCase, RegExpSpans& spans) {
    spans = RegExpSpans{};
    if (!gBMatchUtf8At || from > subject.size())
        return RegExpResult::Invalid;
    // The same pattern for every search of a text, so the library compiles it once; the start
    // offset, not a rewritten expression, says where to begin.
    const std::string pattern = "m/" + expression + (ignoreCase ? "/i" : "/");
    BREGEXP* rx = nullptr;
    char message[256] = {};
    const char* begin = subject.data();
    const char* end = begin + subject.size();
    const int result = gBMatchUtf8At(pattern.c_str(), begin, end, from, &rx, message);
    RegExpResult answer = result > 0     ? RegExpResult::Match
                          : result == 0  ? RegExpResult::Miss
                          : result == -2 ? RegExpResult::Limit
                                         : RegExpResult::Invalid;
    if (answer == RegExpResult::Match && rx) {
        const int last = std::min(rx->nparens, 9);
        for (int i = 0; i <= last; ++i) {
            const char* a = rx->startp[i];
            const char* b = rx->endp[i];
            if (a && b && begin <= a && a <= b && b <= end) {
                spans.start[i] = static_cast<std::size_t>(a - begin);
                spans.end[i] = static_cast<std::size_t>(b - begin);
            }
        }
    } else if (answer == RegExpResult::Match) {
        answer = RegExpResult::Miss;
    }
    if (rx)
        gBRegfree(rx);
    return answer;
}
