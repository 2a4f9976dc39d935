// The CGI request: arbitrary names and values in every list, in each form code and method,
// set past the form editor. Whatever they hold, the environment block is well formed (each
// entry one NAME=value, the user's entries that would split left out), the encoded texts are
// plain URL-encoding, and a request whose entries the code holds decodes back to them.
#include "FuzzSupport.h"
#include "cgi/Kcgidata.h"
#include "encoding/Codeconv.h"
#include "platform/Cp932.h"

#include <string_view>
#include <vector>

namespace {

std::vector<std::string> Split(std::string_view text, std::string_view separator) {
    std::vector<std::string> parts;
    if (text.empty())
        return parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + separator.size();
    }
}

int Hex(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Undoes the percent-encoding, checking that it is nothing but that.
std::string Decode(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            FUZZ_CHECK(i + 2 < text.size());
            const int high = Hex(text[i + 1]), low = Hex(text[i + 2]);
            FUZZ_CHECK(high >= 0 && low >= 0);
            out.push_back(static_cast<char>(high << 4 | low));
            i += 2;
        } else if (c == '+') {
            out.push_back(' ');
        } else {
            const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                               (c >= '0' && c <= '9') ||
                               std::string_view("'.-*)(_").find(c) != std::string_view::npos;
            FUZZ_CHECK(plain);
            out.push_back(c);
        }
    }
    return out;
}

// The bytes the script should get for a text the code holds, found another way than the
// request's: through the converter from CP932, or the text itself in UTF-8.
std::string Expected(const std::string& text, int code, MessageService& messages) {
    if (code == kFormUtf8)
        return text;
    const std::string cp932 = Utf8ToCp932(text).text;
    if (code == kFormSjis)
        return cp932;
    std::string euc;
    FUZZ_CHECK(NkfConvertText(cp932, euc, "-Se", messages));
    return euc;
}

// Each pair decodes to its entry's name and value, in the code's bytes when the code holds
// them (the form editor refuses the others).
template <class List>
void CheckPairs(const std::string& encoded, std::string_view separator, const List& list, int code,
                MessageService& messages) {
    const std::vector<std::string> pairs = Split(encoded, separator);
    FUZZ_CHECK(static_cast<int>(pairs.size()) == list.Count());
    int i = 0;
    for (const std::string& pair : pairs) {
        const size_t equals = pair.find('=');
        FUZZ_CHECK(equals != std::string::npos && pair.find('=', equals + 1) == std::string::npos);
        const std::string name = Decode(std::string_view(pair).substr(0, equals));
        const std::string value = Decode(std::string_view(pair).substr(equals + 1));
        if (EntryFault(list[i], code, messages).empty()) {
            FUZZ_CHECK(name == Expected(list[i].Name, code, messages));
            FUZZ_CHECK(value == Expected(list[i].Value, code, messages));
        }
        ++i;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QuietMessages messages;
    static const bool loaded = NkfLoad(LibraryFolder());
    FUZZ_CHECK(loaded);
    if (size < 1)
        return 0;
    const int code = data[0] % kFormCodeCount;
    const int method = data[0] >> 7 ? KCgiData::Post : KCgiData::Get;
    // The rest is texts parted by 0x01: name, value, name, value... dealt out to the lists
    // by the low bits of each name's first byte.
    const std::vector<std::string> texts =
        Split(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), "\x01");

    KCgiData request(messages);
    request.FormCode = code;
    request.Method = method;
    for (size_t i = 0; i + 1 < texts.size() && i < 64; i += 2) {
        const std::string& name = texts[i];
        const std::string& value = texts[i + 1];
        const int list = name.empty() ? 0 : static_cast<unsigned char>(name[0]) % 5;
        if (list == 0)
            request.Env.Set({name, value});
        else if (list == 4)
            request.Cookie.Set({name, value, "e", "d", "/", true});
        else
            request.Form.Set({list - 1, name, value});
    }

    const std::string query = request.QueryString();
    const std::string cookies = request.CookieString();
    CheckPairs(query, "&", request.Form, code, messages);
    CheckPairs(cookies, "; ", request.Cookie, code, messages);

    const std::optional<std::string> block = request.EnvironmentBlock();
    FUZZ_CHECK(block.has_value() != request.Empty());
    if (!block)
        return 0;
    FUZZ_CHECK(block->size() >= 2 && block->substr(block->size() - 2) == std::string(2, '\0'));
    std::vector<std::string> entries =
        Split(std::string_view(*block).substr(0, block->size() - 2), std::string_view("\0", 1));
    int sound = 0;
    for (const KEnvData& e : request.Env) {
        const bool whole = !e.Name.empty() && e.Name.find('=') == std::string::npos &&
                           e.Name.find('\0') == std::string::npos &&
                           e.Value.find('\0') == std::string::npos;
        if (!whole) {
            FUZZ_CHECK(!EntryFault(e, code, messages).empty());
            continue;
        }
        const std::string& entry = entries.at(static_cast<size_t>(sound++));
        if (code == kFormUtf8)
            FUZZ_CHECK(entry == e.Name + "=" + e.Value);
        else
            FUZZ_CHECK(entry == Utf8ToCp932(e.Name).text + "=" + Utf8ToCp932(e.Value).text);
    }
    FUZZ_CHECK(entries.size() == static_cast<size_t>(sound) + (method == KCgiData::Post ? 4 : 3));
    for (const std::string& entry : entries) {
        const size_t equals = entry.find('=');
        FUZZ_CHECK(equals != std::string::npos && equals > 0);
    }
    FUZZ_CHECK(entries[static_cast<size_t>(sound)] == "HTTP_COOKIE=" + cookies);
    if (method == KCgiData::Post)
        FUZZ_CHECK(request.RequestBody() == query &&
                   entries.back() == "CONTENT_LENGTH=" + std::to_string(query.size()));
    else
        FUZZ_CHECK(!request.RequestBody() && entries.back() == "QUERY_STRING=" + query);
    for (int other = 0; other < kFormCodeCount; ++other)
        request.FirstFault(other);
    return 0;
}
