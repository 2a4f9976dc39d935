#pragma once
// The private-profile settings file: an INI file read and written key by key. Sections and keys
// match without regard to case; every line the program does not own (unknown keys and
// sections, comments, blank lines) stays where it was. A save rewrites the whole file
// atomically, so a failed save leaves the previous file whole.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class IniError : public std::runtime_error {
public:
    IniError(const std::string& fileName, const std::string& message)
        : std::runtime_error(message), fileName_(fileName) {}
    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
};

class IniFile {
public:
    // The longest value a read returns; longer values are cut.
    static constexpr size_t kMaxValue = 2047;

    // Reads the file if it is there; a missing or unreadable file reads as empty.
    explicit IniFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // The value whole, for values of our own that may be longer than kMaxValue (a typed line
    // of arguments); empty when there is none.
    std::string ReadWholeString(std::string_view section, std::string_view key) const;
    // A decimal integer, or hexadecimal after "0x"; anything else gives the default.
    long ReadInteger(std::string_view section, std::string_view key, long defaultValue) const;
    // An integer, nonzero being true; anything else gives the default.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    bool HasKey(std::string_view section, std::string_view key) const;

    // A value holding CR or LF is refused (false, nothing written): it would end the line and
    // its rest would be read as keys or sections of their own. The refusal is remembered, and
    // UpdateFile reports it.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, long value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    // Writes the whole file atomically when something was written since it was read.
    // Throws IniError, whose text names the file, when the file cannot be written, and when a
    // value was refused since it was read (then nothing is written and the text names the keys).
    void UpdateFile();

    // The text a save would write.
    std::string Text() const;

private:
    struct Range {
        size_t header; // line index of "[section]"
        size_t end;    // one past the section's last line
    };
    bool FindSection(std::string_view section, Range& range) const;
    bool FindKey(const Range& range, std::string_view key, size_t& line) const;

    std::string fileName_;
    std::vector<std::string> lines_;
    std::vector<std::string> refused_; // keys whose values held a line break
    bool modified_ = false;
};

// Parses an integer the way the settings files store them; false when the text is not one.
bool ParseIniInteger(std::string_view text, long& value);
