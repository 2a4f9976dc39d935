#include "help/HelpDocument.h"

#include "platform/Cp932.h"
#include "platform/FileFacts.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || (n == 2 && c < 0xC2) || i + n > s.size())
            return false;
        uint32_t cp = n == 1 ? c : c & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) {
            auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            cp = cp << 6 | (t & 0x3F);
        }
        // Overlong forms, surrogates and code points past Unicode are not UTF-8.
        if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n;
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, size_t pos, std::string_view prefix) {
    return text.size() - std::min(pos, text.size()) >= prefix.size() &&
           SameTextAscii(text.substr(pos, prefix.size()), prefix);
}

size_t FindNoCase(std::string_view text, std::string_view what, size_t from = 0) {
    if (from > text.size())
        return std::string_view::npos;
    auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    auto at = std::search(text.begin() + from, text.end(), what.begin(), what.end(), same);
    return at == text.end() && !what.empty() ? std::string_view::npos : at - text.begin();
}

// Where the raw text of a script, style or title element ends: at its end tag, "</name"
// followed by a blank, '/' or '>' ("</scriptx" is text), or at the end of the page.
size_t RawTextEnd(std::string_view html, const std::string& name, size_t from) {
    const std::string end = "</" + name;
    for (size_t at = from; (at = FindNoCase(html, end, at)) != std::string_view::npos; ++at) {
        const size_t after = at + end.size();
        if (after == html.size() || html[after] == '>' || html[after] == '/' ||
            std::isspace(static_cast<unsigned char>(html[after])))
            return at;
    }
    return html.size();
}

// The value of one attribute of a tag's text ("<a name='x' href=...>"), or nothing.
bool AttributeValue(std::string_view tag, std::string_view name, std::string& value) {
    size_t i = 1;
    while (i < tag.size() && tag[i] != ' ' && tag[i] != '\t' && tag[i] != '\n' && tag[i] != '\r')
        ++i; // past the tag name
    while (i < tag.size()) {
        while (i < tag.size() &&
               (std::isspace(static_cast<unsigned char>(tag[i])) || tag[i] == '/' || tag[i] == '>'))
            ++i;
        size_t start = i;
        while (i < tag.size() && tag[i] != '=' && tag[i] != '>' &&
               !std::isspace(static_cast<unsigned char>(tag[i])))
            ++i;
        std::string_view key = tag.substr(start, i - start);
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i])))
            ++i;
        std::string_view found;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i])))
                ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                char quote = tag[i++];
                size_t end = tag.find(quote, i);
                if (end == std::string_view::npos)
                    end = tag.size();
                found = tag.substr(i, end - i);
                i = end + 1;
            } else {
                size_t s = i;
                while (i < tag.size() && tag[i] != '>' &&
                       !std::isspace(static_cast<unsigned char>(tag[i])))
                    ++i;
                found = tag.substr(s, i - s);
            }
        }
        if (key.empty())
            break;
        if (SameTextAscii(key, name)) {
            value = std::string(found);
            return true;
        }
    }
    return false;
}

void AppendCodePoint(std::string& out, uint32_t cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes the entity at text[i] == '&' into out; answers the bytes it took.
size_t DecodeEntity(std::string_view text, size_t i, std::string& out) {
    size_t semi = text.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10) {
        out += '&';
        return 1;
    }
    std::string_view name = text.substr(i + 1, semi - i - 1);
    static const std::pair<std::string_view, std::string_view> kNamed[] = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
    for (const auto& [n, v] : kNamed)
        if (name == n) {
            out += v;
            return semi - i + 1;
        }
    if (name.size() > 1 && name[0] == '#') {
        bool hex = name[1] == 'x' || name[1] == 'X';
        std::string digits(name.substr(hex ? 2 : 1));
        if (!digits.empty() && digits.find_first_not_of(hex ? "0123456789abcdefABCDEF"
                                                            : "0123456789") == std::string::npos) {
            AppendCodePoint(out, static_cast<uint32_t>(std::stoul(digits, nullptr, hex ? 16 : 10)));
            return semi - i + 1;
        }
    }
    out += '&';
    return 1;
}

std::string CollapseBlanks(std::string_view text) {
    std::string out;
    bool blank = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

std::string HeadingAnchor(size_t n) {
    return "vexil-heading-" + std::to_string(n + 1);
}

// What reaches the toolkit's text layout is bounded: it recurses once per nesting level (a few
// thousand levels overflow the stack, twenty nested tables take seconds) and lays out a word
// as one piece (a megabyte word takes minutes). Elements deeper than this are left out with
// their tags, their text kept; html, head and body do not count.
constexpr size_t kDeepestNesting = 9;
// A word longer than this gets a break opportunity (a zero-width space) after each such run.
constexpr size_t kLongestWord = 80;
constexpr std::string_view kBreak = "\xE2\x80\x8B";

bool IsVoidTag(std::string_view name) {
    static const std::string_view kVoid[] = {
        "area", "base",  "br",     "col",   "embed", "hr",       "img",   "input",   "link",
        "meta", "param", "source", "track", "wbr",   "basefont", "frame", "isindex", "keygen"};
    return name.empty() || name == "html" || name == "head" || name == "body" ||
           std::find(std::begin(kVoid), std::end(kVoid), name) != std::end(kVoid);
}

// Tags whose opening ends an open element of the same kind, as HTML's parsers do; without this
// an unclosed <li> or <a name=...> in every line of an old page would count as nesting.
struct ImpliedEnd {
    std::string_view opening;
    std::initializer_list<std::string_view> ends, stopAt;
};
const ImpliedEnd kImpliedEnds[] = {
    {"li", {"li"}, {"ul", "ol", "table"}},
    {"dt", {"dt", "dd"}, {"dl", "table"}},
    {"dd", {"dt", "dd"}, {"dl", "table"}},
    {"tr", {"tr"}, {"table"}},
    {"td", {"td", "th"}, {"tr", "table"}},
    {"th", {"td", "th"}, {"tr", "table"}},
    {"p", {"p"}, {"div", "td", "th", "li", "dd", "table", "blockquote", "ul", "ol", "dl"}},
    {"option", {"option"}, {"select"}},
    {"a", {"a"}, {}},
};

bool Among(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The open elements, and which of them went out; every element that goes out is closed
// explicitly, so the toolkit's idea of the nesting is this one.
class NestingBound {
public:
    // Whether the opening tag goes out; the end tags it implies are appended to out first.
    bool Open(const std::string& name, bool rawText, std::string& out) {
        if (IsVoidTag(name))
            return true;
        for (const ImpliedEnd& rule : kImpliedEnds) {
            if (rule.opening != name)
                continue;
            for (size_t k = open_.size(); k-- > Floor();) {
                if (Among(open_[k].name, rule.stopAt))
                    break;
                if (Among(open_[k].name, rule.ends)) {
                    CloseFrom(k, out);
                    break;
                }
            }
        }
        // A raw-text element (script, style, title) has no children: it always goes out, so
        // its content is never shown as text.
        const bool keep = rawText || kept_ < kDeepestNesting;
        open_.push_back({name, keep});
        kept_ += keep;
        return keep;
    }
    // Closes the nearest open element of that name and all inside it; answers false for an
    // end tag that closes nothing or closes a left-out element, which is not written.
    bool Close(const std::string& name, std::string& out) {
        if (IsVoidTag(name)) // a stray </br> or </img> goes; </body> and </html> stay
            return name == "html" || name == "head" || name == "body";
        for (size_t k = open_.size(); k-- > Floor();) {
            if (open_[k].name != name)
                continue;
            const bool kept = open_[k].kept;
            CloseFrom(k + 1, out);
            open_.pop_back();
            kept_ -= kept;
            return kept;
        }
        return false;
    }
    void Finish(std::string& out) { CloseFrom(0, out); }
    size_t Depth() const { return kept_; }

private:
    struct Element {
        std::string name;
        bool kept;
    };
    // How far down an end tag looks for what it ends: bounded, so a hundred thousand open
    // elements under a hundred thousand stray end tags stay linear. An end tag that finds
    // nothing within reach is dropped, which costs at most nesting that is dropped anyway.
    size_t Floor() const { return open_.size() > 256 ? open_.size() - 256 : 0; }
    void CloseFrom(size_t k, std::string& out) {
        while (open_.size() > k) {
            if (open_.back().kept) {
                out += "</" + open_.back().name + ">";
                --kept_;
            }
            open_.pop_back();
        }
    }
    std::vector<Element> open_;
    size_t kept_ = 0;
};

// Counts the characters of the word being written and breaks it every kLongestWord.
class WordBreaker {
public:
    void Text(std::string_view bytes, std::string& out) {
        for (char c : bytes) {
            const auto u = static_cast<unsigned char>(c);
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
                run_ = 0;
            } else if ((u & 0xC0) != 0x80) { // a character begins
                if (run_ == kLongestWord) {
                    out += kBreak;
                    run_ = 0;
                }
                ++run_;
            }
            out += c;
        }
    }
    // An entity counts as one character; a block tag ends the word.
    void Entity(std::string_view entity, std::string& out) {
        if (run_ == kLongestWord) {
            out += kBreak;
            run_ = 0;
        }
        ++run_;
        out.append(entity);
    }
    void End() { run_ = 0; }

private:
    size_t run_ = 0;
};

bool IsBlockTag(std::string_view name) {
    static const std::string_view kBlocks[] = {"p",   "br", "div", "li", "tr", "td", "th",
                                               "pre", "hr", "dt",  "dd", "ul", "ol", "table",
                                               "h1",  "h2", "h3",  "h4", "h5", "h6", "title"};
    return std::find(std::begin(kBlocks), std::end(kBlocks), name) != std::end(kBlocks);
}

HelpPage HtmlPage(std::string_view html) {
    HelpPage page;
    std::string& out = page.html;
    out.reserve(html.size() + 256);
    int headingLevel = 0; // inside <hN> while nonzero
    size_t headingTextStart = 0;
    std::string headingAnchor;
    bool headingOwnAnchor = false;
    // Once a tag ran to the end of the file, every later '<' is text: no rescans.
    bool unclosed = false;
    NestingBound nesting;
    WordBreaker words;
    size_t i = 0;
    while (i < html.size()) {
        char c = html[i];
        if (c == '&') {
            size_t n = DecodeEntity(html, i, page.text);
            words.Entity(html.substr(i, n), out);
            i += n;
            continue;
        }
        if (c != '<') {
            size_t end = std::min(html.find_first_of("&<", i), html.size());
            words.Text(html.substr(i, end - i), out);
            page.text.append(html.substr(i, end - i));
            i = end;
            continue;
        }
        if (html.compare(i, 4, "<!--") == 0) {
            size_t end = html.find("-->", i + 4);
            end = end == std::string_view::npos ? html.size() : end + 3;
            out.append(html.substr(i, end - i));
            i = end;
            continue;
        }
        // The tag runs to the first '>' outside quotes.
        size_t end = unclosed ? html.size() : i + 1;
        char quote = 0;
        while (end < html.size() && (quote || html[end] != '>')) {
            if (quote && html[end] == quote)
                quote = 0;
            else if (!quote && (html[end] == '"' || html[end] == '\''))
                quote = html[end];
            ++end;
        }
        if (end >= html.size()) { // a '<' that opens no tag is text
            unclosed = true;
            words.Entity("&lt;", out);
            page.text += c;
            ++i;
            continue;
        }
        std::string_view tag = html.substr(i, end + 1 - i);
        bool closing = tag.size() > 1 && tag[1] == '/';
        size_t nameStart = closing ? 2 : 1;
        size_t nameEnd = nameStart;
        while (nameEnd < tag.size() && std::isalnum(static_cast<unsigned char>(tag[nameEnd])))
            ++nameEnd;
        const std::string name = LowerAscii(tag.substr(nameStart, nameEnd - nameStart));
        i = end + 1;
        const bool rawText = name == "script" || name == "style" || name == "title";
        const bool written = closing ? nesting.Close(name, out) : nesting.Open(name, rawText, out);
        if (written)
            out.append(tag);

        if (!closing && rawText) {
            size_t close = RawTextEnd(html, name, i);
            out.append(html.substr(i, close - i));
            i = close;
            continue;
        }
        if (IsBlockTag(name)) {
            page.text += '\n';
            words.End();
        }
        std::string value;
        const bool named = !closing &&
                           ((name == "a" && AttributeValue(tag, "name", value)) ||
                            AttributeValue(tag, "id", value)) &&
                           !value.empty();
        if (named)
            page.anchors.push_back(value);
        const bool heading = name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6';
        if (heading && !closing && !headingLevel) {
            headingLevel = name[1] - '0';
            headingTextStart = page.text.size();
            // Its own anchor, so the index can reach it whatever the file's author gave it.
            std::string own = HeadingAnchor(page.headings.size());
            if (written)
                out += "<a name=\"" + own + "\"></a>";
            page.anchors.push_back(own);
            headingAnchor = named ? value : own;
            headingOwnAnchor = !named;
        } else if (named && headingLevel && headingOwnAnchor) {
            // The author's name for the heading is the one an index link shows.
            headingAnchor = value;
            headingOwnAnchor = false;
        } else if (heading && closing && headingLevel) {
            HelpHeading h;
            h.level = headingLevel;
            h.text = CollapseBlanks(std::string_view(page.text).substr(headingTextStart));
            h.anchor = headingAnchor;
            page.headings.push_back(std::move(h));
            headingLevel = 0;
            headingAnchor.clear();
        }
    }
    nesting.Finish(out);
    return page;
}

bool IsUnderline(std::string_view line, char mark) {
    std::string t = Trim(line);
    return t.size() >= 3 && t.find_first_not_of(mark) == std::string::npos;
}

} // namespace

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool LooksLikeText(std::string_view bytes) {
    return bytes.substr(0, 4096).find('\0') == std::string_view::npos;
}

bool LooksLikeHtml(const std::string& path, std::string_view bytes) {
    const std::string ext = LowerAscii(ExtractFileExt(path));
    if (ext == ".htm" || ext == ".html")
        return true;
    size_t i = bytes.substr(0, 3) == kBom ? 3 : 0;
    while (i < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[i])))
        ++i;
    return StartsWithNoCase(bytes, i, "<!doctype html") || StartsWithNoCase(bytes, i, "<html");
}

std::string HelpTextToUtf8(std::string_view bytes) {
    if (bytes.substr(0, 3) == kBom)
        bytes.remove_prefix(3);
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    return Cp932ToUtf8(bytes).text;
}

HelpPage MakePlainHelpPage(std::string_view utf8) {
    HelpPage page;
    page.text = std::string(utf8);
    std::vector<std::string_view> lines;
    for (size_t start = 0; start <= utf8.size();) {
        size_t end = utf8.find('\n', start);
        if (end == std::string_view::npos)
            end = utf8.size();
        std::string_view line = utf8.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    // Long lines wrap at the window's edge, so a long word's breaks can take effect.
    page.html = "<html><body><pre style=\"white-space: pre-wrap\">";
    WordBreaker words;
    for (size_t k = 0; k < lines.size(); ++k) {
        std::string_view line = lines[k];
        int level = 0;
        std::string title;
        if (!line.empty() && line[0] == '#') {
            size_t hashes = line.find_first_not_of('#');
            level = static_cast<int>(
                std::min<size_t>(hashes == std::string_view::npos ? line.size() : hashes, 6));
            title = Trim(line.substr(std::min(line.size(), hashes)));
        } else if (!Trim(line).empty() && k + 1 < lines.size() &&
                   (IsUnderline(lines[k + 1], '=') || IsUnderline(lines[k + 1], '-'))) {
            level = IsUnderline(lines[k + 1], '=') ? 1 : 2;
            title = Trim(line);
        }
        if (level && !title.empty()) {
            std::string anchor = HeadingAnchor(page.headings.size());
            page.html += "<a name=\"" + anchor + "\"></a>";
            page.anchors.push_back(anchor);
            page.headings.push_back({level, title, anchor});
        }
        words.Text(EscapeHtml(line), page.html);
        if (k + 1 < lines.size())
            words.Text("\n", page.html);
    }
    page.html += "</pre></body></html>";
    return page;
}

HelpPage MakeHelpPage(const std::string& path, std::string_view bytes) {
    const bool cut = bytes.size() > kLargestHelpPage;
    if (cut) {
        // At a line's end, so that no character is cut in two and the code is still judged.
        bytes = bytes.substr(0, kLargestHelpPage);
        const size_t lineEnd = bytes.rfind('\n');
        if (lineEnd != std::string_view::npos)
            bytes = bytes.substr(0, lineEnd + 1);
    }
    std::string utf8 = HelpTextToUtf8(bytes);
    HelpPage page = LooksLikeHtml(path, bytes) ? HtmlPage(utf8) : MakePlainHelpPage(utf8);
    if (cut)
        page.html = "<p><b>" + std::string(kHelpPageCut) + "</b></p>" + page.html;
    page.cut = cut;
    return page;
}

HelpTarget FindHelpTarget(const HelpPage& page, const std::string& keyword) {
    if (keyword.empty())
        return {};
    for (const auto& a : page.anchors)
        if (a == keyword)
            return {HelpTargetKind::Anchor, a};
    for (const auto& a : page.anchors)
        if (SameTextAscii(a, keyword))
            return {HelpTargetKind::Anchor, a};
    if (FindNoCase(page.text, keyword) != std::string::npos)
        return {HelpTargetKind::Text, {}};
    return {};
}

std::string HeadingIndexHtml(const HelpPage& page, const std::string& keyword) {
    std::string html = "<html><body><h2>索引</h2>";
    if (!keyword.empty())
        html += "<p>「" + EscapeHtml(keyword) + "」は見つかりませんでした。</p>";
    html += "<p><a href=\"#\">先頭へ</a></p>";
    if (page.headings.empty()) {
        html += "<p>見出しがありません。</p>";
    } else {
        html += "<ul>";
        for (const auto& h : page.headings)
            html += "<li style=\"margin-left: " + std::to_string((h.level - 1) * 16) +
                    "px\"><a href=\"#" + EscapeHtml(h.anchor) + "\">" + EscapeHtml(h.text) +
                    "</a></li>";
        html += "</ul>";
    }
    return html + "</body></html>";
}
