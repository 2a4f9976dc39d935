// What the help viewer makes of a help file: headings it can jump to, the visible text, and
// where a keyword lands.

#include "help/HelpDocument.h"
#include "platform/FileFacts.h"
#include "shell/logic/Commands.h"

#include <algorithm>
#include <chrono>

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

Lines Headings(const HelpPage& page) {
    Lines out;
    for (const auto& h : page.headings)
        out.push_back(std::to_string(h.level) + " " + h.text + " #" + h.anchor);
    return out;
}

const char kHtml[] = R"(<!DOCTYPE html>
<html><head><title>Ruby</title><style>h1 { color: red } .open {}</style>
<script>var open = "<h2>not a heading</h2>";</script></head>
<body>
<h1 id="top">Ruby &amp; you</h1>
<!-- <h2>commented out</h2> open -->
<h2><a name="each">each</a> and
  blocks</h2>
<p>Calls the block &lt;once&gt; for every element&#12290;&#x3042;</p>
<h3>File.open</h3>
<p>Opens a file.</p>
</body></html>)";

TEST(HelpPage, HtmlHeadingsAnchorsAndText) {
    HelpPage page = MakeHelpPage("/x/ruby.hlp", kHtml);
    // The author's anchors name the headings; one without gets its own.
    EXPECT_EQ(Headings(page), (Lines{"1 Ruby & you #top", "2 each and blocks #each",
                                     "3 File.open #vexil-heading-3"}));
    EXPECT_NE(page.html.find("<h3><a name=\"vexil-heading-3\"></a>File.open</h3>"),
              std::string::npos);
    // Entities decoded; styles, scripts and comments are no text.
    EXPECT_NE(page.text.find("block <once> for every element。あ"), std::string::npos);
    EXPECT_EQ(page.text.find("color"), std::string::npos);
    EXPECT_EQ(page.text.find("not a heading"), std::string::npos);
    EXPECT_EQ(page.text.find("commented"), std::string::npos);
}

TEST(HelpPage, KeywordsLandOnAnchorTextOrIndex) {
    HelpPage page = MakeHelpPage("/x/ruby.hlp", kHtml);
    const std::tuple<const char*, HelpTargetKind, const char*> cases[] = {
        {"each", HelpTargetKind::Anchor, "each"},
        {"EACH", HelpTargetKind::Anchor, "each"},
        {"TOP", HelpTargetKind::Anchor, "top"},
        {"file.OPEN", HelpTargetKind::Text, ""},
        {"Opens a", HelpTargetKind::Text, ""},
        {"color", HelpTargetKind::Index, ""}, // only inside the style sheet
        {"map", HelpTargetKind::Index, ""},   // nowhere
        {"", HelpTargetKind::Index, ""},      // an empty word
    };
    for (const auto& [keyword, kind, anchor] : cases) {
        HelpTarget t = FindHelpTarget(page, keyword);
        EXPECT_EQ(t.kind, kind) << keyword;
        EXPECT_EQ(t.anchor, anchor) << keyword;
    }
    std::string index = HeadingIndexHtml(page, "<map>");
    EXPECT_NE(index.find("「&lt;map&gt;」は見つかりませんでした。"), std::string::npos);
    EXPECT_NE(index.find("<a href=\"#each\">each and blocks</a>"), std::string::npos);
    EXPECT_NE(index.find("<a href=\"#vexil-heading-3\">File.open</a>"), std::string::npos);
    EXPECT_EQ(HeadingIndexHtml(page, "").find("見つかりません"), std::string::npos);
}

TEST(HelpPage, PlainTextHeadingsAndEscapes) {
    HelpPage page = MakeHelpPage("/x/lang.txt", "Intro\r\n=====\r\nuse <b> & go\r\n"
                                                "## Loops\r\nfor ...\r\nEnd\r\n---\r\n");
    EXPECT_EQ(Headings(page), (Lines{"1 Intro #vexil-heading-1", "2 Loops #vexil-heading-2",
                                     "2 End #vexil-heading-3"}));
    EXPECT_NE(page.html.find("use &lt;b&gt; &amp; go"), std::string::npos);
    EXPECT_NE(page.html.find("<a name=\"vexil-heading-2\"></a>## Loops"), std::string::npos);
    EXPECT_EQ(FindHelpTarget(page, "FOR").kind, HelpTargetKind::Text);
}

TEST(HelpPage, BrokenHtmlStaysLinear) {
    // A megabyte of '<' that close nowhere: read at once (not one rescan per '<'), all text.
    std::string html = "<html>" + std::string(1 << 20, '<');
    auto start = std::chrono::steady_clock::now();
    HelpPage page = MakeHelpPage("/x/big.html", html);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(page.text.size(), html.size() - 6);
    EXPECT_EQ(FindHelpTarget(page, "<<<").kind, HelpTargetKind::Text);
}

TEST(HelpPage, KindAndCodeOfAFile) {
    EXPECT_TRUE(LooksLikeHtml("/a/b.HTM", "plain"));
    EXPECT_TRUE(LooksLikeHtml("/a/VexilPro.hlp", "\xEF\xBB\xBF\n  <!doctype HTML><p>"));
    EXPECT_TRUE(LooksLikeHtml("/a/b.hlp", "<HTML><body>"));
    EXPECT_FALSE(LooksLikeHtml("/a/b.txt", "a <html> inside"));
    EXPECT_FALSE(LooksLikeText(std::string("?_\x03\0\x10", 5))); // a WinHelp file
    EXPECT_TRUE(LooksLikeText("text"));
    // Shift_JIS help files become UTF-8; UTF-8 stays, without its byte-order mark.
    EXPECT_EQ(HelpTextToUtf8("\x83\x77\x83\x8B\x83\x76"), "ヘルプ");
    EXPECT_EQ(HelpTextToUtf8("\xEF\xBB\xBFヘルプ"), "ヘルプ");
    EXPECT_EQ(MakeHelpPage("/a/b.html", "<h1>\x83\x77\x83\x8B\x83\x76</h1>").headings[0].text,
              "ヘルプ");
}

// The deepest nesting of elements in a page of tags without attributes, as a layout meets it.
size_t Deepest(std::string_view html) {
    static const std::string_view kNoDepth[] = {"html", "head", "body", "br", "img", "hr"};
    size_t depth = 0, deepest = 0;
    for (size_t i = 0; (i = html.find('<', i)) != std::string_view::npos; ++i) {
        const bool closing = html.substr(i, 2) == "</";
        const size_t from = i + (closing ? 2 : 1);
        const std::string_view name = html.substr(from, html.find_first_of(" >/", from) - from);
        if (name.empty() || name[0] == '!' ||
            std::find(std::begin(kNoDepth), std::end(kNoDepth), name) != std::end(kNoDepth))
            continue;
        depth = closing ? depth - 1 : depth + 1;
        deepest = std::max(deepest, depth);
    }
    EXPECT_EQ(depth, 0u) << "every element closed";
    return deepest;
}

// The longest run of characters without a blank or a break opportunity outside the tags.
size_t LongestWord(std::string_view html) {
    size_t run = 0, longest = 0;
    bool inTag = false;
    for (size_t i = 0; i < html.size(); ++i) {
        const char c = html[i];
        if (c == '<') {
            inTag = true;
            // Inline elements do not end a word; any other tag does.
            const std::string_view tag = html.substr(i, 4);
            if (tag != "<b>" && tag != "</b>" && tag.substr(0, 3) != "<a " && tag != "</a>")
                run = 0;
        } else if (c == '>') {
            inTag = false;
        } else if (html.substr(i, 3) == "\xE2\x80\x8B" || c == ' ' || c == '\n') {
            run = 0;
        } else if (!inTag && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            longest = std::max(longest, ++run);
        }
    }
    return longest;
}

std::string Repeat(std::string_view piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// What reaches the viewer's layout is bounded, and nothing of the text is lost to the bounds:
// deep elements go with their tags, unclosed list items and anchors of old pages do not count
// as nesting, long words get break opportunities.
TEST(HelpPage, NestingAndWordsAreBoundedAndTheTextIsKept) {
    const std::string word(100000, 'w');
    const struct {
        const char* what;
        std::string html, kept;
        std::string_view tag;
        int tagsKept;
    } cases[] = {
        {"tables", Repeat("<table><tr><td>", 5000) + "core", "core", "<table>", 3},
        {"divs", Repeat("<div>", 100000) + "core" + Repeat("</div>", 100000), "core", "<div>", 9},
        {"unclosed items", "<ul>" + Repeat("<li>item", 1000) + "</ul>", "item", "<li>", 1000},
        {"unclosed anchors", "<p>" + Repeat("<a name=\"n\">x", 500), "x", "<a ", 500},
        {"stray ends", Repeat("</div></br>", 50) + "<b>bold</i></b>", "bold", "</div>", 0},
        {"a long word", "<p><b>" + word + "</b>" + word + " é" + word + "</p>", word, "<b>", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const HelpPage page = MakeHelpPage("/x/page.html", c.html);
        EXPECT_LE(Deepest(page.html), 9u);
        EXPECT_LE(LongestWord(page.html), 80u);
        EXPECT_NE(page.text.find(c.kept), std::string::npos);
        size_t tags = 0;
        for (size_t at = 0; (at = page.html.find(c.tag, at)) != std::string::npos; ++at)
            ++tags;
        EXPECT_EQ(tags, static_cast<size_t>(c.tagsKept));
    }
    // A plain-text page wraps, with the same breaks.
    const HelpPage plain = MakeHelpPage("/x/page.txt", word + "\nnext line\n");
    EXPECT_LE(LongestWord(plain.html), 80u);
    EXPECT_NE(plain.html.find("pre-wrap"), std::string::npos);

    // A file past the bound is cut at a line's end, and the page says so.
    const std::string big = std::string(kLargestHelpPage - 10, 'x') + "\nあいう\n";
    const HelpPage cut = MakeHelpPage("/x/big.txt", big);
    EXPECT_TRUE(cut.cut);
    EXPECT_EQ(cut.html.find(kHelpPageCut), 6u);
    EXPECT_EQ(cut.text.size(), kLargestHelpPage - 9);
    EXPECT_FALSE(MakeHelpPage("/x/big.txt", big.substr(0, kLargestHelpPage)).cut);
}

// The program's own help file: a contents list and a place for every command of the menus.
TEST(HelpPage, TheProgramsHelpCoversEveryCommand) {
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(VEXIL_SOURCE_DIR "/help/VexilPro.html", bytes));
    HelpPage page = MakeHelpPage("VexilPro.hlp", bytes);
    ASSERT_FALSE(page.headings.empty());
    EXPECT_EQ(page.headings[1].text, "目次");
    for (const CommandRow& row : CommandTable()) {
        if (std::string_view(row.name) == "-" || row.hidden)
            continue;
        EXPECT_EQ(FindHelpTarget(page, row.name).kind, HelpTargetKind::Anchor) << row.name;
    }
    // Every link inside the file leads somewhere.
    for (size_t at = 0; (at = page.html.find("href=\"#", at)) != std::string::npos;) {
        size_t end = page.html.find('"', at + 7);
        std::string anchor = page.html.substr(at + 7, end - at - 7);
        EXPECT_NE(std::find(page.anchors.begin(), page.anchors.end(), anchor), page.anchors.end())
            << anchor;
        at = end;
    }
}

} // namespace
