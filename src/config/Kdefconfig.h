#pragma once
// One language definition: the interpreter, its options, the temporary copy of the script, the
// file extensions of the language, how its error lines are read and its help file. Each lives
// in its own *.def file (an INI file with the sections [Language], [Environment], [Debug]).

#include <string>
#include <string_view>
#include <vector>

// Reads a comma list the way the Ext key is written: leading blanks and control characters are
// skipped; an item that begins with a double quote runs to its closing quote (two quotes stand
// for one); any other item runs up to a comma, blank or control character; blanks after an item
// are skipped, then one comma; a comma that ends the text adds a last, empty item. Bytes from
// 0x80 up never end an item, so UTF-8 and Shift_JIS extensions stay whole.
std::vector<std::string> ExtList(std::string_view text);

// An Ext item holding '*' or '?' is a pattern for the whole file name ("test_*.py", "*.t");
// any other item is an extension without its dot ("pl"). Items of older files hold neither,
// so they keep matching as they always did.
bool IsNamePattern(std::string_view item);
// Whether an Ext item claims a file (its name, without the folder), ASCII case folded: a
// pattern by shell-style matching of the name, an extension by the name's last extension.
bool ExtItemClaims(std::string_view item, std::string_view fileName);
// The extension an item stands for where one extension is wanted (a save dialog): the item
// itself, or what follows a pattern's last '.' ("py" for "test_*.py"; empty without one).
std::string ExtOfItem(std::string_view item);

// The expression a RegExpLang stands for when a script's first line is matched. A doubled '/'
// is one '/': definitions have always been written with the Perl default "(^#!.*//perl.*)",
// meant for "#!/usr/bin/perl".
std::string FirstLineExpression(std::string_view regExpLang);

class KDefConfig {
public:
    // A definition read from an existing (or missing) file; missing keys take the defaults.
    explicit KDefConfig(std::string fileName);
    // A new language: the given name and interpreter, every other field blank, saved at once so
    // the file exists as soon as the object does. Throws IniError when it cannot be written.
    KDefConfig(std::string fileName, std::string name, std::string exePath);

    // Reads every field from FileName; a missing file, section or key gives the default.
    void Load();
    // Writes all sixteen keys in their fixed order. The file is replaced atomically: a refused
    // write throws IniError naming the file and leaves the previous file whole.
    void Save() const;

    // The extension of the first item of the Ext list (ExtOfItem), or empty when Ext holds
    // nothing but blanks.
    std::string GetDefaultExt() const;

    // Fixed at construction, never stored in the file.
    std::string FileName;

    std::string Name;
    std::string Ext;
    std::string RegExpLang; // matches the first line of a script that has no known extension
    std::string ExePath;
    std::string Option;
    std::string LastFolder; // kept and written back
    std::string HelpFile;
    std::string TempFile;
    std::string TempDir; // without a trailing '/'; empty means the program folder
    bool UseHelpFile = false;
    bool UseHtmlHelp = false;
    std::string RegExpErr;
    bool ShowError = false;
    bool UseTagJumpToOtherFile = false;
    std::string RegExpLine; // kept and written back
    std::string RegExpFile;

    // Editing keys of [Language] that no dialog shows: read, never written, so a hand-written
    // value stays in the file. TabWidth is the columns of a tab (1 to 32, else 8); CommentMark
    // is the line-comment mark, empty for the language's usual one. IndentSpaces (1 to 16)
    // makes Tab and the indentation steps spaces instead of a TAB; 0 (or anything else) keeps
    // the TAB. A ready definition that asks for spaces writes it once, when it is made.
    int TabWidth = 8;
    std::string CommentMark;
    int IndentSpaces = 0;
};

// Whether an interpreter path names Perl (perl, perl5.36, perl.exe...).
bool IsPerlInterpreter(const std::string& exePath);
// Whether an interpreter path names Python: python, python3 or a python3.N.
bool IsPythonInterpreter(const std::string& exePath);
