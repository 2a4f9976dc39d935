#include "exec/TerminalText.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kBel = 0x07;
constexpr unsigned char kBs = 0x08;
constexpr unsigned char kCan = 0x18;
constexpr unsigned char kSub = 0x1A;
// Longer parameter lists are nobody's colours; the sequence is still read to its end.
constexpr std::size_t kMostParams = 256;
// Distinct styles of one line's bytes; a colour gradient beyond it starts a fresh table.
constexpr std::size_t kMostStyles = 4096;

bool IsControl(unsigned char c) {
    return c == kEsc || c == '\r' || c == '\n' || c == kBs || c == kBel;
}

bool IsUtf8Continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

std::size_t CountChars(std::string_view run, TextCode code) {
    std::size_t n = 0;
    if (code == TextCode::Utf8) {
        for (unsigned char c : run)
            n += IsUtf8Continuation(c) ? 0 : 1;
        return n;
    }
    for (std::size_t i = 0; i < run.size(); ++n)
        i += IsCp932LeadByte(static_cast<unsigned char>(run[i])) ? 2 : 1;
    return n;
}

// The numbers of an SGR list: groups split at ';', each with its ':' sub-parameters; an
// empty number is 0.
std::vector<std::vector<unsigned>> SgrNumbers(std::string_view params) {
    std::vector<std::vector<unsigned>> groups(1, std::vector<unsigned>(1, 0));
    for (char c : params) {
        if (c == ';')
            groups.emplace_back(1, 0);
        else if (c == ':')
            groups.back().push_back(0);
        else if (c >= '0' && c <= '9')
            groups.back().back() = std::min(groups.back().back() * 10 + unsigned(c - '0'), 99999u);
    }
    return groups;
}

TerminalColour Palette(unsigned index) {
    return {TerminalColour::Kind::Palette, std::min(index, 255u)};
}

TerminalColour Rgb(unsigned r, unsigned g, unsigned b) {
    return {TerminalColour::Kind::Rgb,
            (std::min(r, 255u) << 16) | (std::min(g, 255u) << 8) | std::min(b, 255u)};
}

} // namespace

std::uint32_t PaletteColour(std::uint32_t index) {
    static constexpr std::uint32_t kSixteen[16] = {
        0x000000, 0xCD0000, 0x00CD00, 0xCDCD00, 0x0000EE, 0xCD00CD, 0x00CDCD, 0xE5E5E5,
        0x7F7F7F, 0xFF0000, 0x00FF00, 0xFFFF00, 0x5C5CFF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    if (index < 16)
        return kSixteen[index];
    if (index < 232) {
        static constexpr std::uint32_t kLevel[6] = {0, 95, 135, 175, 215, 255};
        const std::uint32_t i = index - 16;
        return (kLevel[i / 36] << 16) | (kLevel[i / 6 % 6] << 8) | kLevel[i % 6];
    }
    const std::uint32_t grey = 8 + 10 * (std::min(index, 255u) - 232);
    return (grey << 16) | (grey << 8) | grey;
}

ShownColours ShowStyle(const TerminalStyle& style, std::uint32_t text, std::uint32_t paper) {
    const auto rgb = [](const TerminalColour& c) {
        return c.kind == TerminalColour::Kind::Rgb ? c.value : PaletteColour(c.value);
    };
    TerminalColour fg = style.fg;
    if (style.bold && fg.kind == TerminalColour::Kind::Palette && fg.value < 8)
        fg.value += 8;
    ShownColours shown{fg.kind == TerminalColour::Kind::Default ? text : rgb(fg),
                       style.bg.kind == TerminalColour::Kind::Default ? paper : rgb(style.bg),
                       fg.kind != TerminalColour::Kind::Default,
                       style.bg.kind != TerminalColour::Kind::Default};
    if (style.reverse) {
        std::swap(shown.fg, shown.bg);
        shown.fgSet = shown.bgSet = true;
    }
    return shown;
}

bool HasTerminalControls(std::string_view bytes) {
    const char* data = bytes.data();
    const std::size_t size = bytes.size();
    for (char c : {char(kEsc), char(kBs), char(kBel)})
        if (size != 0 && std::memchr(data, c, size))
            return true;
    for (const char* p = data; size != 0;) {
        p = static_cast<const char*>(std::memchr(p, '\r', data + size - p));
        if (!p)
            return false;
        if (p + 1 == data + size || p[1] != '\n')
            return true;
        p += 2;
    }
    return false;
}

std::size_t TerminalText::CharLength(std::size_t at) const {
    const auto c = static_cast<unsigned char>(line_[at]);
    std::size_t length = 1;
    if (code_ == TextCode::Utf8)
        length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    else if (IsCp932LeadByte(c))
        length = 2;
    length = std::min(length, line_.size() - at);
    // A lead byte whose character was never completed covers only itself.
    if (code_ == TextCode::Utf8)
        for (std::size_t i = 1; i < length; ++i)
            if (!IsUtf8Continuation(static_cast<unsigned char>(line_[at + i])))
                return i;
    return length;
}

std::uint16_t TerminalText::StyleIndex() {
    if (style_.IsDefault())
        return 0;
    for (std::size_t i = styles_.size(); i-- > 1;)
        if (styles_[i] == style_)
            return static_cast<std::uint16_t>(i);
    if (styles_.size() >= kMostStyles)
        return 0; // past the table the text stays readable, only uncoloured
    styles_.push_back(style_);
    return static_cast<std::uint16_t>(styles_.size() - 1);
}

void TerminalText::Write(std::string_view run) {
    if (run.empty())
        return;
    const std::uint16_t style = StyleIndex();
    if (style != 0 && !styled_) {
        lineStyles_.assign(line_.size(), 0);
        styled_ = true;
    }
    std::size_t end = col_;
    if (col_ == line_.size()) {
        line_ += run;
    } else {
        // Character for character: what the run covers goes, whatever its length in bytes.
        for (std::size_t n = CountChars(run, code_); n != 0 && end < line_.size(); --n)
            end += CharLength(end);
        // A counter rewriting its line changes only its last digits: the rest stays shown.
        std::size_t same = 0;
        if (end - col_ == run.size())
            while (same < run.size() && line_[col_ + same] == run[same] &&
                   (styled_ ? lineStyles_[col_ + same] : 0) == style)
                ++same;
        if (same != run.size())
            Touch(col_ + same);
        line_.replace(col_, end - col_, run);
    }
    if (styled_)
        lineStyles_.insert(lineStyles_.erase(lineStyles_.begin() + static_cast<long>(col_),
                                             lineStyles_.begin() + static_cast<long>(end)),
                           run.size(), style);
    col_ += run.size();
}

void TerminalText::CarriageReturn() {
    col_ = 0;
}

void TerminalText::Backspace() {
    if (col_ == 0)
        return;
    if (code_ == TextCode::Utf8) {
        do
            --col_;
        while (col_ != 0 && IsUtf8Continuation(static_cast<unsigned char>(line_[col_])));
        return;
    }
    std::size_t at = 0;
    for (std::size_t next = 0; next < col_; next += CharLength(next))
        at = next;
    col_ = at;
}

void TerminalText::EraseInLine(int mode) {
    if (mode == 1)
        return;
    // 0: from the cursor on; 2: the whole line, the cursor staying where it is.
    const std::size_t from = mode == 2 ? 0 : col_;
    if (from >= line_.size())
        return;
    Touch(from);
    line_.resize(from);
    if (styled_)
        lineStyles_.resize(from);
    if (mode == 2 && col_ != 0) {
        line_.assign(col_, ' ');
        if (styled_)
            lineStyles_.assign(col_, 0);
    }
}

void TerminalText::SpansOf(std::size_t from, std::size_t base,
                           std::vector<TerminalSpan>& spans) const {
    if (!styled_)
        return;
    for (std::size_t i = from; i < lineStyles_.size();) {
        const std::uint16_t style = lineStyles_[i];
        std::size_t j = i + 1;
        while (j < lineStyles_.size() && lineStyles_[j] == style)
            ++j;
        if (style != 0)
            spans.push_back({base + i - from, j - i, styles_[style]});
        i = j;
    }
}

void TerminalText::EndLine(std::string_view end) {
    if (!ended_) {
        drop_ = shown_ - keep_;
        ended_ = true;
    }
    SpansOf(keep_, out_.size(), outSpans_);
    out_.append(line_, keep_);
    out_ += end;
    line_.clear();
    lineStyles_.clear();
    styled_ = false;
    col_ = shown_ = keep_ = 0;
    if (styles_.size() >= kMostStyles)
        styles_.resize(1);
}

void TerminalText::Sgr() {
    const std::vector<std::vector<unsigned>> groups = SgrNumbers(params_);
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const std::vector<unsigned>& g = groups[i];
        const unsigned n = g[0];
        if (n == 38 || n == 48) {
            TerminalColour colour;
            if (g.size() > 1) { // 38:5:n, 38:2:r:g:b, 38:2:space:r:g:b
                if (g[1] == 5 && g.size() >= 3)
                    colour = Palette(g[2]);
                else if (g[1] == 2 && g.size() >= 5)
                    colour = Rgb(g[g.size() - 3], g[g.size() - 2], g[g.size() - 1]);
            } else if (i + 2 < groups.size() && groups[i + 1][0] == 5) {
                colour = Palette(groups[i + 2][0]);
                i += 2;
            } else if (i + 4 < groups.size() && groups[i + 1][0] == 2) {
                colour = Rgb(groups[i + 2][0], groups[i + 3][0], groups[i + 4][0]);
                i += 4;
            } else {
                break; // a colour without its numbers: the rest cannot be read
            }
            (n == 38 ? style_.fg : style_.bg) = colour;
        } else if (n == 0) {
            style_ = {};
        } else if (n == 1) {
            style_.bold = true;
        } else if (n == 22) {
            style_.bold = false;
        } else if (n == 7) {
            style_.reverse = true;
        } else if (n == 27) {
            style_.reverse = false;
        } else if (n >= 30 && n <= 37) {
            style_.fg = Palette(n - 30);
        } else if (n == 39) {
            style_.fg = {};
        } else if (n >= 40 && n <= 47) {
            style_.bg = Palette(n - 40);
        } else if (n == 49) {
            style_.bg = {};
        } else if (n >= 90 && n <= 97) {
            style_.fg = Palette(n - 90 + 8);
        } else if (n >= 100 && n <= 107) {
            style_.bg = Palette(n - 100 + 8);
        }
    }
}

void TerminalText::Csi(unsigned char final) {
    // A private marker (?, >, <, =) makes it another command: modes, key reports.
    const bool privateMarker = !params_.empty() && params_[0] >= '<' && params_[0] <= '?';
    if (privateMarker)
        return;
    if (final == 'm')
        Sgr();
    else if (final == 'K')
        EraseInLine(params_.empty() ? 0 : params_[0] - '0');
}

void TerminalText::Ground(std::string_view bytes, std::size_t& i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (pendingCr_) {
        pendingCr_ = false;
        if (c == '\n') {
            EndLine("\r\n");
            ++i;
            return;
        }
        CarriageReturn();
    }
    if (!IsControl(c)) {
        std::size_t end = i + 1;
        while (end < bytes.size() && !IsControl(static_cast<unsigned char>(bytes[end])))
            ++end;
        Write(bytes.substr(i, end - i));
        i = end;
        return;
    }
    ++i;
    switch (c) {
    case '\n':
        EndLine("\n");
        break;
    case '\r':
        pendingCr_ = true; // a line feed may still follow in the next read
        break;
    case kBs:
        Backspace();
        break;
    case kEsc:
        state_ = State::Escape;
        break;
    default: // the bell rings nowhere
        break;
    }
}

void TerminalText::Feed(std::string_view bytes) {
    if (state_ == State::Ground && !pendingCr_ && style_.IsDefault() &&
        !HasTerminalControls(bytes)) {
        // Plain output, nearly all of it: the line under way ends as usual, the whole lines
        // after it go as one block, not a byte at a time.
        const std::size_t first = bytes.find('\n');
        if (first == std::string_view::npos) {
            Write(bytes);
            return;
        }
        std::size_t i = 0;
        while (i <= first)
            Ground(bytes, i);
        const std::size_t last = bytes.rfind('\n');
        out_.append(bytes.substr(i, last + 1 - i));
        Write(bytes.substr(last + 1));
        return;
    }
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        switch (state_) {
        case State::Ground:
            Ground(bytes, i);
            continue;
        case State::Escape:
            if (c == '[') {
                params_.clear();
                state_ = State::Csi;
            } else if (c == ']' || c == 'P' || c == 'X' || c == '^' || c == '_') {
                textEndsAtBel_ = c == ']';
                state_ = State::Text;
            } else if (c >= 0x20 && c <= 0x2F) {
                state_ = State::EscapeIntermediate;
            } else if (c >= 0x30 && c <= 0x7E) {
                state_ = State::Ground;
            } else if (c != kEsc) {
                state_ = State::Ground; // no sequence: the byte is read as it stands
                continue;
            }
            break;
        case State::EscapeIntermediate:
            if (c >= 0x30 && c <= 0x7E) {
                state_ = State::Ground;
            } else if (c < 0x20 || c > 0x2F) {
                state_ = State::Ground;
                continue;
            }
            break;
        case State::Csi:
            if (c >= 0x40 && c <= 0x7E) {
                Csi(c);
                state_ = State::Ground;
            } else if (c >= 0x20 && c <= 0x3F) {
                if (params_.size() < kMostParams)
                    params_ += static_cast<char>(c);
            } else if (c == kEsc) {
                state_ = State::Escape;
            } else {
                state_ = State::Ground;
                continue;
            }
            break;
        case State::Text:
            if (c == kEsc)
                state_ = State::TextEscape;
            else if ((c == kBel && textEndsAtBel_) || c == kCan || c == kSub)
                state_ = State::Ground;
            break;
        case State::TextEscape:
            if (c == '\\')
                state_ = State::Ground;
            else if (c != kEsc)
                state_ = State::Text;
            break;
        }
        ++i;
    }
}

void TerminalText::Finish() {
    if (pendingCr_) {
        pendingCr_ = false;
        CarriageReturn();
    }
    state_ = State::Ground;
}

TerminalEdit TerminalText::Take() {
    TerminalEdit edit;
    edit.drop = ended_ ? drop_ : shown_ - keep_;
    edit.text = std::move(out_);
    edit.spans = std::move(outSpans_);
    SpansOf(keep_, edit.text.size(), edit.spans);
    edit.text.append(line_, keep_);
    out_.clear();
    outSpans_.clear();
    ended_ = false;
    shown_ = keep_ = line_.size();
    return edit;
}

bool TerminalText::TakePlain(std::string_view bytes) {
    if (state_ != State::Ground || pendingCr_ || !style_.IsDefault() || ended_ || !out_.empty() ||
        keep_ != shown_ || shown_ != line_.size() || col_ != line_.size() ||
        HasTerminalControls(bytes))
        return false;
    const std::size_t last = bytes.rfind('\n');
    if (last == std::string_view::npos) {
        line_ += bytes;
        if (styled_)
            lineStyles_.resize(line_.size(), 0);
    } else {
        line_.assign(bytes.substr(last + 1));
        lineStyles_.clear();
        styled_ = false;
    }
    col_ = shown_ = keep_ = line_.size();
    return true;
}

TerminalEdit TerminalText::Whole(std::string_view bytes, TextCode code) {
    TerminalText text(code);
    text.Feed(bytes);
    text.Finish();
    return text.Take();
}
