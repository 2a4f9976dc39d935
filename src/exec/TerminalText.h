#pragma once
// Program output read the way a terminal shows it: a carriage return that no line feed follows
// goes back to the start of the line and what comes next overwrites it, SGR sequences become
// colours kept beside the text, and every other escape sequence disappears. CR LF stays a line
// end as it came. The parser keeps its state between reads, so a sequence, a CR LF or a colour
// may be split anywhere across them.
//
// The text is handed out as edits of a document that holds the finished lines and, at its end,
// the line being written: `drop` bytes of that last line go, `text` comes after. A line only
// ever appended to drops nothing, so a long line is not set again at every read.

#include "platform/Cp932.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A colour of the output: none (the window's own), one of the 256 of the xterm palette, or
// red, green and blue.
struct TerminalColour {
    enum class Kind : std::uint8_t { Default, Palette, Rgb };
    Kind kind = Kind::Default;
    std::uint32_t value = 0; // the palette index, or 0xRRGGBB

    bool operator==(const TerminalColour&) const = default;
};

struct TerminalStyle {
    TerminalColour fg, bg;
    bool bold = false;
    bool reverse = false;

    bool operator==(const TerminalStyle&) const = default;
    bool IsDefault() const { return *this == TerminalStyle{}; }
};

// The colours a style shows in, 0xRRGGBB, on a window whose own text and paper are given.
// Bold brightens the eight first palette colours, as terminals do.
struct ShownColours {
    std::uint32_t fg, bg;
    bool fgSet, bgSet; // false: the window's own colour stays
};
ShownColours ShowStyle(const TerminalStyle& style, std::uint32_t text, std::uint32_t paper);
std::uint32_t PaletteColour(std::uint32_t index);

// A stretch of the text in one style other than the default.
struct TerminalSpan {
    std::size_t start = 0;
    std::size_t length = 0;
    TerminalStyle style;
};

struct TerminalEdit {
    std::size_t drop = 0;            // bytes at the document's end that go first
    std::string text;                // then this is appended
    std::vector<TerminalSpan> spans; // positions in text
};

class TerminalText {
public:
    // code tells where a character ends, so that an overwrite replaces whole characters.
    explicit TerminalText(TextCode code = TextCode::Utf8) : code_(code) {}

    void Feed(std::string_view bytes);
    // The output has ended: a sequence left open is dropped.
    void Finish();
    // What changed since the last Take.
    TerminalEdit Take();
    // Feed and Take in one for bytes a terminal shows as they are, when nothing is pending:
    // true when the edit is exactly "append bytes", which the caller then does with its own
    // copy (plain output, nearly all of it, costs no copy here); false, and nothing done,
    // when bytes need Feed.
    bool TakePlain(std::string_view bytes);

    // The whole of bytes as shown, with its colours.
    static TerminalEdit Whole(std::string_view bytes, TextCode code = TextCode::Utf8);

private:
    void Ground(std::string_view bytes, std::size_t& i);
    void Write(std::string_view run);
    void CarriageReturn();
    void Backspace();
    void EndLine(std::string_view end);
    void EraseInLine(int mode);
    void Csi(unsigned char final);
    void Sgr();
    void Touch(std::size_t at) {
        if (at < keep_)
            keep_ = at;
    }
    std::uint16_t StyleIndex();
    void SpansOf(std::size_t from, std::size_t base, std::vector<TerminalSpan>& spans) const;
    std::size_t CharLength(std::size_t at) const;

    enum class State : std::uint8_t { Ground, Escape, EscapeIntermediate, Csi, Text, TextEscape };

    TextCode code_;
    State state_ = State::Ground;
    bool pendingCr_ = false;
    bool textEndsAtBel_ = false; // an OSC ends at BEL too; DCS, PM, APC only at ESC backslash
    std::string params_;

    // The line being written, one style index per byte once any byte of it is styled.
    std::string line_;
    std::vector<std::uint16_t> lineStyles_;
    bool styled_ = false;
    std::size_t col_ = 0;
    TerminalStyle style_;
    std::vector<TerminalStyle> styles_{TerminalStyle{}};

    // The edit under way: keep_ bytes of the line shown at the last Take are still right.
    std::size_t shown_ = 0;
    std::size_t keep_ = 0;
    bool ended_ = false; // a line ended since the last Take
    std::size_t drop_ = 0;
    std::string out_;
    std::vector<TerminalSpan> outSpans_;
};

// True when bytes hold anything a terminal would not show as it is: an escape, a carriage
// return without its line feed, a backspace or a bell. Output without them is shown unchanged.
bool HasTerminalControls(std::string_view bytes);
