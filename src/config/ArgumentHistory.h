#pragma once
// The argument lines typed for runs (実行 > 引数を指定して実行…), newest first, kept in
// VexilPro.cfg's [Arguments] section so the dialog offers them again after a restart.

#include <cstddef>
#include <string>
#include <vector>

class IniFile;

class ArgumentHistory {
public:
    static constexpr std::size_t kMaxLines = 10;

    // line (a line break in it made a blank, blanks around it dropped) becomes the newest;
    // the same line further down goes, and the oldest beyond kMaxLines. An empty line is no
    // history: it changes nothing.
    void Add(const std::string& line);
    const std::vector<std::string>& Lines() const { return lines_; }

    // Replaces the lines with those of the section: Count and Line0, Line1..., at most
    // kMaxLines, blank and repeated ones left out.
    void Load(const IniFile& ini);
    void Save(IniFile& ini) const;

private:
    std::vector<std::string> lines_;
};
