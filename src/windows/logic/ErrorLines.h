#pragma once
// The error window's entries: the captured standard error cut into lines and kept as one block
// in the code it is held in (CP932, or UTF-8 as Linux programs print it) with the bounds of
// each line, so a million entries cost two numbers each and nothing is converted until a line
// is shown.

#include "exec/LiveRoom.h"
#include "platform/Cp932.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class ErrorLines {
public:
    // Replaces the entries with the lines of bytes, held in code. A line ends at CR LF, LF or
    // CR; a line break at the very end makes no empty last entry; a zero byte is a character
    // like any other, so no line after it is lost.
    void Load(std::string_view bytes, TextCode code = TextCode::Cp932);
    // Adds the lines of bytes after the last entry, which must have ended with its line end.
    // ahead: what is known to follow, for the room taken ahead.
    void Append(std::string_view bytes, TextCode code, LiveAhead ahead = {});
    // How many entries bytes make.
    static std::size_t CountLines(std::string_view bytes);
    void Clear();

    std::size_t Count() const { return starts_.size(); }
    // The bytes held, line ends included.
    std::size_t Bytes() const { return text_.size(); }
    TextCode Code() const { return code_; }
    // The entry's bytes in the code held, without its line break.
    std::string_view Line(std::size_t i) const {
        return std::string_view(text_).substr(starts_[i], ends_[i] - starts_[i]);
    }
    // The entry as UTF-8, every character: what is shown and matched. A stray byte of UTF-8
    // output stays itself (the view shows it as U+FFFD).
    std::string LineUtf8(std::size_t i) const;
    // The entry with the most bytes (0 when there are none): the widest one, near enough, for
    // sizing a view's horizontal scroll range without measuring every entry.
    std::size_t LongestLine() const { return longest_; }
    // The entry that holds the byte at offset of the text held (its line end counts as its).
    std::size_t LineAt(std::size_t offset) const;

    // The entries at rows, in list order whatever the order of rows, each followed by CR LF,
    // in the code held.
    std::string Join(std::vector<std::size_t> rows) const;
    // Every entry, each followed by CR LF, in the code held.
    std::string JoinAll() const;

private:
    std::string text_;
    std::vector<std::size_t> starts_, ends_;
    std::size_t longest_ = 0;
    TextCode code_ = TextCode::Cp932;
};

// The line number an error line names: the first run of digits inside the part of entry that
// regExpErr matches. -1 when the expression does not match, the match holds no digits, or the
// digits do not fit a 32-bit integer. Both texts are UTF-8.
int ErrorLineNumber(const std::string& entry, const std::string& regExpErr);

// The external editor's parameter text: %F becomes file, %L becomes line; a percent sign before
// any other character is dropped, one at the very end is kept.
std::string ExpandTagJumpText(std::string_view tmpl, std::string_view file, int line);

// The external editor's arguments: the template is split into arguments first (blanks, double
// quotes) and each is then expanded, so a file name is always inside exactly one argument,
// whatever blanks, quotes or dashes it holds.
std::vector<std::string> TagJumpArguments(std::string_view tmpl, std::string_view file, int line);
