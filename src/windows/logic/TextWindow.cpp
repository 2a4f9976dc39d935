#include "windows/logic/TextWindow.h"

#include "platform/Cp932.h"

#include <algorithm>

std::size_t Utf8CharLength(std::string_view text, std::size_t pos) {
    std::size_t n = 1;
    while (pos + n < text.size() && (static_cast<unsigned char>(text[pos + n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

namespace {

// Calls hit(offset) for each occurrence of needle in UTF-8 text at or after from, in order;
// overlapping occurrences count, since the search resumes one character after each hit's
// start. A needle of whole characters can only match at a character's start. hit answers
// false to stop.
template <class Hit>
void ForEachHit(std::string_view text, std::string_view needle, std::size_t from, Hit hit) {
    if (needle.empty())
        return;
    for (std::size_t pos = from;;) {
        std::size_t k = text.find(needle, pos);
        if (k == std::string_view::npos || !hit(k))
            return;
        pos = k + Utf8CharLength(text, k);
    }
}

} // namespace

std::size_t FindInLine(std::string_view line, std::string_view needle, std::size_t from) {
    std::size_t found = std::string_view::npos;
    ForEachHit(line, needle, from, [&](std::size_t k) {
        found = k;
        return false;
    });
    return found;
}

std::size_t FindLastInText(std::string_view text, std::string_view needle) {
    std::size_t found = std::string_view::npos;
    ForEachHit(text, needle, 0, [&](std::size_t k) {
        found = k;
        return true;
    });
    return found;
}

TextPos Cp932Width(std::string_view utf8) {
    return Cp932WidthOfUtf8Text(utf8.data(), utf8.size(), utf8.size());
}

std::size_t Utf8OffsetOfColumn(std::string_view utf8, TextPos column) {
    std::size_t at = 0;
    TextPos width = 0;
    while (at < utf8.size() && width < column) {
        const std::size_t n = Utf8CharLength(utf8, at);
        width += Cp932Width(utf8.substr(at, n));
        at += n;
    }
    return at;
}

void ScrollCaretIntoContext(TextEditor& editor) {
    TextPos first = editor.FirstVisibleLine();
    TextPos line = editor.LineFromPosition(editor.SelectionStart());
    if (line > 5)
        editor.ScrollLines(line - (first + 5));
    else
        editor.ScrollLines(-first);
}

void TextWindow::Copy() {
    if (editor_.SelectionLength() == 0)
        return;
    clipboard_.SetUtf8Text(editor_.SelectedUtf8());
}

void TextWindow::Cut() {
    if (editor_.SelectionLength() == 0)
        return;
    // The clipboard gets the text first; a read-only editor only refuses to lose it, so Cut
    // there is a copy.
    clipboard_.SetUtf8Text(editor_.SelectedUtf8());
    if (!editor_.ReadOnly())
        editor_.ReplaceSelectionUtf8({});
}

void TextWindow::Paste() {
    // An empty clipboard replaces the selection with nothing.
    if (!editor_.ReadOnly())
        editor_.ReplaceSelectionUtf8(clipboard_.Utf8Text());
}

std::string TextWindow::GetPositionText() const {
    TextPos pos = editor_.SelectionStart();
    TextPos line = editor_.LineFromPosition(pos);
    TextPos column = pos - editor_.PositionFromLine(line);
    std::string text = " " + std::to_string(line + 1) + ": " + std::to_string(column + 1);
    if (TextPos length = editor_.SelectionLength(); length != 0)
        text += " (" + std::to_string(length) + ")";
    return text;
}

void TextWindow::LoadFromStream(const ByteStream& stream) {
    editor_.SetWholeText(stream.View().substr(stream.Position()));
}

void TextWindow::Find() {
    findDialog_.SetFindHandler([this] { FindDialogFind(); });
    findDialog_.SetFindText(SearchText);
    findDialog_.ShowDialog();
}

void TextWindow::FindDialogFind() {
    findDialog_.CloseDialog();
    SearchText = findDialog_.FindText();
    Options = findDialog_.Options();
    if (findDialog_.SearchDown())
        FindNext();
    else
        FindPrevious();
}

void TextWindow::SelectHit(TextPos lineStart, std::string_view line, const RegExpSpans& hit,
                           bool scroll) {
    const std::size_t from = hit.start[0], to = hit.end[0];
    editor_.SetSelection(lineStart + Cp932Width(line.substr(0, from)),
                         Cp932Width(line.substr(from, to - from)));
    if (scroll)
        ScrollCaretIntoContext(editor_);
}

namespace {

constexpr const char* kWrappedDown = "末尾まで検索したので、先頭から検索しました。";
constexpr const char* kWrappedUp = "先頭まで検索したので、末尾から検索しました。";
constexpr const char* kBadExpression = "正規表現が正しくありません。";
constexpr const char* kEngineLimit =
    "正規表現の照合が限度を超えました。式を簡単にするか、行を短くしてください。";

std::string NotFound(const std::string& text) {
    return "「" + text + "」は見つかりませんでした。";
}

} // namespace

bool TextWindow::SearchForward(const LineMatcher& matcher) {
    TextPos caret = editor_.SelectionStart();
    TextPos line = editor_.LineFromPosition(caret);
    TextPos start = editor_.PositionFromLine(line);
    std::string text = editor_.LineUtf8(line);
    // Past the start of a selected hit, so that it is not found again.
    std::size_t from = Utf8OffsetOfColumn(text, caret - start);
    if (editor_.SelectionLength() != 0 && from < text.size())
        from += Utf8CharLength(text, from);
    if (auto hit = matcher.First(text, from)) {
        SelectHit(start, text, *hit, true);
        return true;
    }
    if (Trouble(matcher))
        return false;
    auto nextLine = [&](TextPos i) {
        return matcher.Literal() ? editor_.NextLineThatMayHold(i, matcher.Needle())
                                 : (i < editor_.LineCount() ? i : -1);
    };
    for (TextPos i = line + 1;; ++i) {
        i = nextLine(i);
        if (i < 0)
            break;
        text = editor_.LineUtf8(i);
        if (auto hit = matcher.First(text)) {
            SelectHit(editor_.PositionFromLine(i), text, *hit, true);
            return true;
        }
        if (Trouble(matcher))
            return false;
    }
    if (!matcher.Options().wrap)
        return false;
    // Round the end: from the top down to the caret's own line, whose hits before the caret
    // count now.
    for (TextPos i = 0; i <= line; ++i) {
        i = nextLine(i);
        if (i < 0 || i > line)
            break;
        text = editor_.LineUtf8(i);
        auto hit = matcher.First(text);
        if (hit && (i < line || hit->start[0] < from)) {
            SelectHit(editor_.PositionFromLine(i), text, *hit, true);
            Say(kWrappedDown);
            return true;
        }
        if (Trouble(matcher))
            return false;
    }
    Say(NotFound(matcher.Needle()));
    return false;
}

void TextWindow::FindNext() {
    if (SearchText.empty()) {
        Find();
        return;
    }
    SearchForward(LineMatcher(SearchText, Options));
}

bool TextWindow::SearchBackward(const LineMatcher& matcher) {
    TextPos caret = editor_.SelectionStart();
    TextPos line = editor_.LineFromPosition(caret);
    TextPos start = editor_.PositionFromLine(line);
    std::string text = editor_.LineUtf8(line);
    // The character before the caret is left out, so a hit ending at the caret is not found
    // again.
    std::size_t caretAt = Utf8OffsetOfColumn(text, caret - start);
    std::size_t before = 0;
    if (caretAt > 0) {
        before = caretAt - 1;
        while (before > 0 && (static_cast<unsigned char>(text[before]) & 0xC0) == 0x80)
            --before;
        if (auto hit = matcher.Last(text, before)) {
            SelectHit(start, text, *hit, false);
            return true;
        }
        if (Trouble(matcher))
            return false;
    }
    auto previousLine = [&](TextPos i) {
        return matcher.Literal() ? editor_.PreviousLineThatMayHold(i, matcher.Needle()) : i;
    };
    for (TextPos i = line - 1; i >= 0; --i) {
        i = previousLine(i);
        if (i < 0)
            break;
        text = editor_.LineUtf8(i);
        if (auto hit = matcher.Last(text, text.size())) {
            SelectHit(editor_.PositionFromLine(i), text, *hit, true);
            return true;
        }
        if (Trouble(matcher))
            return false;
    }
    if (!matcher.Options().wrap)
        return false;
    for (TextPos i = editor_.LineCount() - 1; i >= line; --i) {
        i = previousLine(i);
        if (i < line)
            break;
        text = editor_.LineUtf8(i);
        auto hit = matcher.Last(text, text.size());
        if (hit && (i > line || hit->start[0] >= before)) {
            SelectHit(editor_.PositionFromLine(i), text, *hit, true);
            Say(kWrappedUp);
            return true;
        }
        if (Trouble(matcher))
            return false;
    }
    Say(NotFound(matcher.Needle()));
    return false;
}

void TextWindow::FindPrevious() {
    if (SearchText.empty())
        return;
    SearchBackward(LineMatcher(SearchText, Options));
}

bool TextWindow::Replace(const std::string& find, const std::string& with, SearchOptions options) {
    SearchText = find;
    Options = options;
    const LineMatcher matcher(find, options);
    bool replaced = false;
    // The selection is replaced only when it is exactly a hit that starts where it starts.
    if (const TextPos length = editor_.SelectionLength(); length != 0 && !editor_.ReadOnly()) {
        const TextPos caret = editor_.SelectionStart();
        const TextPos line = editor_.LineFromPosition(caret);
        const TextPos start = editor_.PositionFromLine(line);
        const std::string text = editor_.LineUtf8(line);
        const std::size_t from = Utf8OffsetOfColumn(text, caret - start);
        auto hit = matcher.First(text, from);
        if (hit && hit->start[0] == from &&
            Cp932Width(std::string_view(text).substr(from, hit->end[0] - from)) == length) {
            editor_.ReplaceSelectionUtf8(ExpandReplacement(with, text, *hit, options.regex));
            replaced = true;
        }
    }
    if (!SearchForward(matcher) && !options.wrap && !matcher.Invalid() && !matcher.Limited())
        Say(NotFound(find));
    return replaced;
}

bool TextWindow::Trouble(const LineMatcher& matcher) {
    if (matcher.Invalid())
        Say(kBadExpression);
    else if (matcher.Limited())
        Say(kEngineLimit);
    else
        return false;
    return true;
}

std::string ReplaceAllMessage(const ReplaceAllResult& result, const std::string& find) {
    using End = ReplaceAllResult::End;
    const std::string done = std::to_string(result.count) + " 個置換しました。";
    switch (result.end) {
    case End::ReadOnly:
        return "編集禁止のため置換できません。";
    case End::Invalid:
        return kBadExpression;
    case End::Limit:
        return std::string(kEngineLimit) + (result.count > 0 ? "その前の " + done : "");
    case End::Stopped:
        return "途中で中止しました。" + done;
    case End::Done:
        break;
    }
    return result.count == 0 ? NotFound(find) : done;
}

ReplaceAllResult TextWindow::ReplaceAll(const std::string& find, const std::string& with,
                                        SearchOptions options, WorkProgress* progress) {
    using End = ReplaceAllResult::End;
    SearchText = find;
    Options = options;
    ReplaceAllResult result;
    if (editor_.ReadOnly()) {
        result.end = End::ReadOnly;
        return result;
    }
    if (find.empty())
        return result;
    const LineMatcher matcher(find, options);
    const TextPos lines = editor_.LineCount();
    // The progress is asked once per this many hits within a line, and at every line.
    constexpr long kAskEvery = 256;
    bool begun = false;
    for (TextPos i = 0; result.end == End::Done; ++i) {
        i = matcher.Literal() ? editor_.NextLineThatMayHold(i, find) : (i < lines ? i : -1);
        if (i < 0)
            break;
        if (progress && !progress->Continue(static_cast<double>(i) / static_cast<double>(lines))) {
            result.end = End::Stopped;
            break;
        }
        const std::string text = editor_.LineUtf8(i);
        std::string out;
        std::size_t copied = 0;
        long hits = 0;
        const bool whole = matcher.Each(text, 0, [&](const RegExpSpans& hit) {
            if (progress && hits % kAskEvery == kAskEvery - 1) {
                const double within = static_cast<double>(hit.start[0]) /
                                      static_cast<double>(std::max<std::size_t>(text.size(), 1));
                if (!progress->Continue((static_cast<double>(i) + within) /
                                        static_cast<double>(lines))) {
                    result.end = End::Stopped;
                    return false;
                }
            }
            const std::size_t a = hit.start[0], b = hit.end[0];
            out.append(text, copied, a - copied);
            out += ExpandReplacement(with, text, hit, options.regex);
            copied = b;
            ++hits;
            return true;
        });
        if (!whole && matcher.Invalid()) {
            // Refused at once: the expression is the same on every line, so this is the first.
            result.end = End::Invalid;
            break;
        }
        if (!whole && matcher.Limited())
            result.end = End::Limit;
        if (hits == 0)
            continue;
        // What follows the last hit (or the point where the work stopped) stays as it was.
        out.append(text, std::min(copied, text.size()));
        if (!begun) {
            editor_.BeginUndoAction();
            begun = true;
        }
        editor_.ReplaceLineUtf8(i, out);
        result.count += hits;
    }
    if (begun)
        editor_.EndUndoAction();
    if (result.end == End::Invalid)
        result.count = 0;
    return result;
}
