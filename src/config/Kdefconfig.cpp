#include "config/Kdefconfig.h"

#include "platform/FileFacts.h"
#include "platform/IniFile.h"

#include <algorithm>
#include <cctype>
#include <fnmatch.h>

namespace {

constexpr const char* kLanguage = "Language";
constexpr const char* kEnvironment = "Environment";
constexpr const char* kDebug = "Debug";

// A file that lacks a key gets the Perl setting of a stock Linux system.
constexpr const char* kDefaultName = "Perl";
constexpr const char* kDefaultExt = "pl";
constexpr const char* kDefaultRegExpLang = "(^#!.*//perl.*)";
constexpr const char* kDefaultExePath = "/usr/bin/perl";
constexpr const char* kDefaultLastFolder = "/";
constexpr const char* kDefaultTempFile = "vexil.tmp";
constexpr const char* kDefaultRegExpErr = "line [0-9]+.?";
// A language added by the user gets a capital V; older files keep the lower-case default.
constexpr const char* kNewTempFile = "Vexil.tmp";

bool IsBlank(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u <= 0x20;
}

} // namespace

std::vector<std::string> ExtList(std::string_view text) {
    std::vector<std::string> items;
    size_t p = 0;
    const size_t end = text.size();
    auto skipBlanks = [&] {
        while (p < end && IsBlank(text[p]))
            ++p;
    };
    skipBlanks();
    while (p < end) {
        std::string item;
        if (text[p] == '"') {
            ++p;
            while (p < end) {
                if (text[p] == '"') {
                    if (p + 1 < end && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            size_t start = p;
            while (p < end && !IsBlank(text[p]) && text[p] != ',')
                ++p;
            item.assign(text.substr(start, p - start));
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (p < end && text[p] == ',') {
            ++p;
            skipBlanks();
            if (p == end)
                items.emplace_back();
        }
    }
    return items;
}

bool IsNamePattern(std::string_view item) {
    return item.find_first_of("*?") != std::string_view::npos;
}

bool ExtItemClaims(std::string_view item, std::string_view fileName) {
    const std::string name = LowerAscii(std::string(fileName));
    if (IsNamePattern(item))
        return ::fnmatch(LowerAscii(std::string(item)).c_str(), name.c_str(), 0) == 0;
    return LowerAscii(Trim(ExtractFileExt(name))) == "." + LowerAscii(std::string(item));
}

std::string ExtOfItem(std::string_view item) {
    if (!IsNamePattern(item))
        return std::string(item);
    const size_t dot = item.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    const std::string_view ext = item.substr(dot + 1);
    return IsNamePattern(ext) ? std::string() : std::string(ext);
}

std::string FirstLineExpression(std::string_view regExpLang) {
    std::string expression;
    for (size_t i = 0; i < regExpLang.size(); ++i) {
        expression += regExpLang[i];
        if (regExpLang[i] == '/' && i + 1 < regExpLang.size() && regExpLang[i + 1] == '/')
            ++i;
    }
    return expression;
}

KDefConfig::KDefConfig(std::string fileName) : FileName(std::move(fileName)) {
    Load();
}

KDefConfig::KDefConfig(std::string fileName, std::string name, std::string exePath)
    : FileName(std::move(fileName)), Name(std::move(name)), ExePath(std::move(exePath)),
      LastFolder(kDefaultLastFolder), TempFile(kNewTempFile) {
    Save();
}

void KDefConfig::Load() {
    IniFile ini(FileName);
    Name = ini.ReadString(kLanguage, "Name", kDefaultName);
    Ext = ini.ReadString(kLanguage, "Ext", kDefaultExt);
    RegExpLang = ini.ReadString(kLanguage, "RegExpLang", kDefaultRegExpLang);
    const long tabWidth = ini.ReadInteger(kLanguage, "TabWidth", 8);
    TabWidth = tabWidth >= 1 && tabWidth <= 32 ? static_cast<int>(tabWidth) : 8;
    CommentMark = ini.ReadString(kLanguage, "CommentMark", "");
    const long indentSpaces = ini.ReadInteger(kLanguage, "IndentSpaces", 0);
    IndentSpaces = indentSpaces >= 1 && indentSpaces <= 16 ? static_cast<int>(indentSpaces) : 0;

    ExePath = ini.ReadString(kEnvironment, "ExePath", kDefaultExePath);
    Option = ini.ReadString(kEnvironment, "Option", "");
    LastFolder = ini.ReadString(kEnvironment, "LastFolder", kDefaultLastFolder);
    UseHelpFile = ini.ReadBool(kEnvironment, "UseHelpFile", false);
    UseHtmlHelp = ini.ReadBool(kEnvironment, "UseHtmlHelp", false);
    HelpFile = ini.ReadString(kEnvironment, "HelpFile", "");
    TempFile = ini.ReadString(kEnvironment, "TempFile", kDefaultTempFile);
    TempDir = ini.ReadString(kEnvironment, "TempDir", "");

    RegExpErr = ini.ReadString(kDebug, "RegExpErr", kDefaultRegExpErr);
    ShowError = ini.ReadBool(kDebug, "ShowError", false);
    UseTagJumpToOtherFile = ini.ReadBool(kDebug, "UseTagJumpToOtherFile", false);
    RegExpLine = ini.ReadString(kDebug, "RegExpLine", "");
    RegExpFile = ini.ReadString(kDebug, "RegExpFile", "");
}

void KDefConfig::Save() const {
    IniFile ini(FileName);
    ini.WriteString(kLanguage, "Name", Name);
    ini.WriteString(kLanguage, "Ext", Ext);
    ini.WriteString(kLanguage, "RegExpLang", RegExpLang);
    // A ready definition records its spaces once; a value edited by hand is never overwritten.
    if (IndentSpaces != 0 && !ini.HasKey(kLanguage, "IndentSpaces"))
        ini.WriteString(kLanguage, "IndentSpaces", std::to_string(IndentSpaces));

    ini.WriteString(kEnvironment, "ExePath", ExePath);
    ini.WriteString(kEnvironment, "Option", Option);
    ini.WriteString(kEnvironment, "LastFolder", LastFolder);
    ini.WriteBool(kEnvironment, "UseHelpFile", UseHelpFile);
    ini.WriteBool(kEnvironment, "UseHtmlHelp", UseHtmlHelp);
    ini.WriteString(kEnvironment, "HelpFile", HelpFile);
    ini.WriteString(kEnvironment, "TempFile", TempFile);
    ini.WriteString(kEnvironment, "TempDir", TempDir);

    ini.WriteString(kDebug, "RegExpErr", RegExpErr);
    ini.WriteBool(kDebug, "ShowError", ShowError);
    ini.WriteBool(kDebug, "UseTagJumpToOtherFile", UseTagJumpToOtherFile);
    ini.WriteString(kDebug, "RegExpLine", RegExpLine);
    ini.WriteString(kDebug, "RegExpFile", RegExpFile);
    ini.UpdateFile();
}

std::string KDefConfig::GetDefaultExt() const {
    if (Trim(Ext).empty())
        return {};
    std::vector<std::string> items = ExtList(Ext);
    return items.empty() ? std::string() : ExtOfItem(items.front());
}

bool IsPerlInterpreter(const std::string& exePath) {
    return LowerAscii(ExtractFileName(Trim(exePath))).rfind("perl", 0) == 0;
}

bool IsPythonInterpreter(const std::string& exePath) {
    const std::string name = LowerAscii(ExtractFileName(Trim(exePath)));
    if (name == "python" || name == "python3")
        return true;
    // python3.12 and the like, as distributions install them.
    if (name.rfind("python3.", 0) != 0 || name.size() == 8)
        return false;
    return std::all_of(name.begin() + 8, name.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}
