// Help pages: any bytes, as HTML and as plain text. A fuzzer cannot reach the toolkit's layout,
// so it checks the bounds of what the page hands to it: the nesting, the longest word, the
// size, and that every element it opens is closed.
#include "FuzzSupport.h"
#include "help/HelpDocument.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

bool Named(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Walks the page's tags as a lenient HTML reader does and checks the nesting and the words.
void CheckPage(std::string_view html) {
    size_t depth = 0, deepest = 0, run = 0;
    size_t i = 0;
    while (i < html.size()) {
        if (html.substr(i, 3) == "\xE2\x80\x8B" || html[i] == ' ' || html[i] == '\n' ||
            html[i] == '\t' || html[i] == '\r') {
            run = 0;
            i += html[i] == ' ' || html[i] == '\n' || html[i] == '\t' || html[i] == '\r' ? 1 : 3;
            continue;
        }
        if (html[i] != '<') {
            // An entity counts as one character for the page; here as its bytes, up to 12.
            if ((static_cast<unsigned char>(html[i]) & 0xC0) != 0x80)
                ++run;
            FUZZ_CHECK(run <= 80 * 12);
            ++i;
            continue;
        }
        if (html.substr(i, 4) == "<!--") {
            const size_t end = html.find("-->", i + 4);
            i = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        size_t end = i + 1;
        char quote = 0;
        while (end < html.size() && (quote || html[end] != '>')) {
            if (quote && html[end] == quote)
                quote = 0;
            else if (!quote && (html[end] == '"' || html[end] == '\''))
                quote = html[end];
            ++end;
        }
        FUZZ_CHECK(end < html.size()); // a '<' that opens no tag was written as an entity
        const bool closing = html[i + 1] == '/';
        size_t n = i + (closing ? 2 : 1);
        while (n < end && std::isalnum(static_cast<unsigned char>(html[n])))
            ++n;
        const std::string name =
            Lower(html.substr(i + (closing ? 2 : 1), n - i - (closing ? 2 : 1)));
        i = end + 1;
        if (name.empty() ||
            Named(name, {"html",   "head",  "body", "area",     "base",  "br",      "col",
                         "embed",  "hr",    "img",  "input",    "link",  "meta",    "param",
                         "source", "track", "wbr",  "basefont", "frame", "isindex", "keygen"}))
            continue;
        if (closing) {
            FUZZ_CHECK(depth > 0);
            --depth;
            continue;
        }
        deepest = std::max(deepest, ++depth);
        if (Named(name, {"script", "style", "title"})) {
            // Raw text up to its end tag ("</name" and then a blank, '/' or '>'), which the
            // page always writes.
            const std::string lower = Lower(html.substr(i));
            size_t close = lower.find("</" + name);
            while (close != std::string::npos && close + 2 + name.size() < lower.size()) {
                const char c = lower[close + 2 + name.size()];
                if (c == '>' || c == '/' || std::isspace(static_cast<unsigned char>(c)))
                    break;
                close = lower.find("</" + name, close + 1);
            }
            i = close == std::string::npos ? html.size() : i + close;
        }
    }
    // One more for a raw-text element, which goes out at any depth.
    FUZZ_CHECK(deepest <= 10);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const char* path : {"/h/page.html", "/h/page.txt"}) {
        const HelpPage page = MakeHelpPage(path, bytes);
        CheckPage(page.html);
        FUZZ_CHECK(page.html.size() <= 32 * size + 1024);
        FUZZ_CHECK(page.text.size() <= 4 * size + 16);
        for (const HelpHeading& h : page.headings)
            FUZZ_CHECK(h.level >= 1 && h.level <= 6);
        const HelpTarget target = FindHelpTarget(page, "print");
        FUZZ_CHECK(target.kind != HelpTargetKind::Anchor ||
                   std::find(page.anchors.begin(), page.anchors.end(), target.anchor) !=
                       page.anchors.end());
        HeadingIndexHtml(page, "print");
    }
    return 0;
}
