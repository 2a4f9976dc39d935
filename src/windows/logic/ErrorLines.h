#pragma once
// The error window's entries: the captured standard error cut into lines and kept as one CP932
// block with the bounds of each line, so a million entries cost two numbers each and nothing
// is converted until a line is shown.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class ErrorLines {
public:
    // Replaces the entries with the lines of bytes. A line ends at CR LF, LF or CR; a line
    // break at the very end makes no empty last entry; a zero byte ends the text.
    void Load(std::string_view bytes);
    void Clear();

    std::size_t Count() const { return starts_.size(); }
    // The entry's CP932 text without its line break.
    std::string_view Line(std::size_t i) const {
        return std::string_view(text_).substr(starts_[i], ends_[i] - starts_[i]);
    }
    // The entry with the most bytes (0 when there are none): the widest one, near enough, for
    // sizing a view's horizontal scroll range without measuring every entry.
    std::size_t LongestLine() const { return longest_; }

    // The entries at rows, in list order whatever the order of rows, each followed by CR LF.
    std::string Join(std::vector<std::size_t> rows) const;
    // Every entry, each followed by CR LF.
    std::string JoinAll() const;

private:
    std::string text_;
    std::vector<std::size_t> starts_, ends_;
    std::size_t longest_ = 0;
};

// The line number an error line names: the first run of digits inside the part of entry that
// regExpErr matches. -1 when the expression does not match, the match holds no digits, or the
// digits do not fit a 32-bit integer. Both texts are CP932.
int ErrorLineNumber(const std::string& entry, const std::string& regExpErr);

// The external editor's parameter text: %F becomes file, %L becomes line; a percent sign before
// any other character is dropped, one at the very end is kept.
std::string ExpandTagJumpText(std::string_view tmpl, std::string_view file, int line);

// The external editor's arguments: the template is split into arguments first (blanks, double
// quotes) and each is then expanded, so a file name is always inside exactly one argument,
// whatever blanks, quotes or dashes it holds.
std::vector<std::string> TagJumpArguments(std::string_view tmpl, std::string_view file, int line);
