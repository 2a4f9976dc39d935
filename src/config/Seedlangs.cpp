#include "config/Seedlangs.h"

#include "platform/FileFacts.h"
#include "platform/IniFile.h"

#include <algorithm>
#include <string_view>

// Each expression is matched against one line of standard error. The line number is the first
// run of digits of the RegExpErr match: \K starts the match right before it, so the digits of a
// file name never come first. RegExpFile's group 1 is the file; where an expression has several
// forms, (?|...) numbers each form's file group 1. Both expressions of a language take their
// forms in the same order, so they agree on the line they read. Frames that name no file on disk
// (<string>, (eval 5), node:internal/...) are left to the rule of windows/logic/ErrorTarget.
//
// Each RegExpLang takes "#!/usr/bin/python3" as well as "#!/usr/bin/env python3" (env's options
// allowed), followed by a blank or the end of the line. No expression begins or ends with a
// blank, which the settings file would lose.

namespace {

// 'MESSAGE at FILE line N.'   'MESSAGE at FILE line N, <FH> line M.'   '... near "..."'
// '\tPkg::f(1) called at FILE line N' (Carp). The last " at " counts: a message may hold one of
// its own. An eval's '(eval 5)' leads nowhere.
const LanguageSeed kPerl = {
    "perl",
    "Perl",
    "perl",
    "pl,cgi",
    R"re(^#!\s*(\S*/)?(env\s+(-\S+\s+)*)?perl[0-9.]*(\s|$))re",
    "",
    R"re(^.* at .+? line \K[0-9]+(?=\.?$|, ))re",
    R"re(^.* at (.+?) line [0-9]+(?:\.?$|, ))re",
};

} // namespace

const std::vector<LanguageSeed>& LanguageSeeds() {
    static const std::vector<LanguageSeed> seeds = {
        // '  File "/x/a.py", line 4, in f'   '/x/a.py:6: UserWarning: careful'
        // Not "line 1 column 2" of a message (json's).
        {"python", "Python", "python3", "py,pyw",
         R"re(^#!\s*(\S*/)?(env\s+(-\S+\s+)*)?python[0-9.]*(\s|$))re", "-u",
         R"re(^(?:\s*File ".+?", line \K[0-9]+(?=,|$)|.+?:\K[0-9]+(?=: [A-Za-z_][A-Za-z0-9_.]*Warning: )))re",
         R"re(^(?|\s*File "(.+?)", line [0-9]+(?:,|$)|(.+?):[0-9]+: [A-Za-z_][A-Za-z0-9_.]*Warning: ))re"},
        // '/x/a.rb:3:in `f': ...'   '\tfrom /x/lib.rb:5:in `<main>''   '/x/a.rb:3: warning: ...'
        // A required file's syntax error leads to that file:
        // '/x/a.rb:1:in `require_relative': /x/bad.rb:2: syntax error, ...'. Ruby 3.3's
        // '(eval at /x/a.rb:4):2:in ...' leads to the eval's line; Logger's
        // 'W, [2026-12-08T16:23:00.1 #22696]  WARN -- : ...' leads nowhere.
        {"ruby", "Ruby", "ruby", "rb", R"re(^#!\s*(\S*/)?(env\s+(-\S+\s+)*)?ruby[0-9.]*(\s|$))re",
         "",
         R"re(^(?:\(eval at .+:\K[0-9]+(?=\):[0-9]+:)|.+?:[0-9]+:in [`'][^']*': .+?:\K[0-9]+(?=: syntax error)|(?![A-Z], \[[0-9]{4}-)\s*(?:from\s+)?.+?:\K[0-9]+(?=:(?:in |\s|$))))re",
         R"re(^(?|\(eval at (.+):[0-9]+\):[0-9]+:|.+?:[0-9]+:in [`'][^']*': (.+?):[0-9]+: syntax error|(?![A-Z], \[[0-9]{4}-)\s*(?:from\s+)?(.+?):[0-9]+:(?:in |\s|$)))re"},
        // '/x/a.sh: line 2: foo: command not found'   '/x/a.sh: eval: line 4: syntax error ...'
        // (a #!/bin/sh script runs in bash too)
        {"bash", "Bash", "bash", "sh,bash", R"re(^#!\s*(\S*/)?(env\s+(-\S+\s+)*)?(ba)?sh(\s|$))re",
         "", R"re(^.+?: (?:eval: )?line \K[0-9]+(?=: ))re",
         R"re(^(.+?): (?:eval: )?line [0-9]+:(?= ))re"},
        // 'Warning: ... in /x/a.php on line 2'   'Fatal error: Uncaught E: m in /x/lib.php:5'
        // '#0 /x/a.php(6): f()'   '  thrown in /x/lib.php on line 5'. Eval'd code leads to the
        // line that ran the eval: '... in /x/a.php(3) : eval()'d code on line 1' (also ':1' and
        // '(1): f()' after it). PHP names files by their full path. Every error is shown, on
        // standard error, once (the log would repeat it there), and assert() is active.
        {"php", "PHP", "php", "php", R"re(^#!\s*(\S*/)?(env\s+(-\S+\s+)*)?php[0-9.]*(\s|$))re",
         "-d error_reporting=-1 -d display_errors=stderr -d log_errors=0 -d zend.assertions=1",
         R"re(^(?:.*\sin |#[0-9]+ )/.+?(?:\(\K[0-9]+(?=\) : eval\(\)'d code(?: on line [0-9]+$|:[0-9]+$|\([0-9]+\): ))|(?: on line |:)\K[0-9]+$|\(\K[0-9]+(?=\): )))re",
         R"re(^(?:.*\sin |#[0-9]+ )(/.+?)(?:\([0-9]+\) : eval\(\)'d code(?: on line [0-9]+$|:[0-9]+$|\([0-9]+\): )|(?: on line |:)[0-9]+$|\([0-9]+\): ))re"},
        // '/x/a.js:3' above the source line, '    at f (/x/a.js:3:3)', '    at /x/a.js:5:1',
        // ES modules as 'file:///x/a%20b.mjs:2:9'; eval'd code leads to the line that ran it:
        // '    at eval (eval at run (/x/a.js:4:10), <anonymous>:2:3)'. Node's own frames
        // (node:internal/...) name no path and lead nowhere.
        {"node", "Node.js", "node", "js,mjs,cjs",
         R"re(^#!\s*(\S*/)?(env\s+(-\S+\s+)*)?node(js)?(\s|$))re", "",
         R"re(^(?:\s+at (?:.*? )?\(eval at .*? \((?:file://)?/.+?:\K[0-9]+(?=:[0-9]+\))|\s+at (?:.*? \()?(?:file://)?/.+?:\K[0-9]+(?=:[0-9]+\)?$)|(?:file://)?/.+:\K[0-9]+$))re",
         R"re(^(?|\s+at (?:.*? )?\(eval at .*? \(((?:file://)?/.+?):[0-9]+:[0-9]+\)|\s+at (?:.*? \()?((?:file://)?/.+?):[0-9]+:[0-9]+\)?$|((?:file://)?/.+):[0-9]+$))re"},
        // Test files, run by their runners. A file-name pattern wins over the plain extension,
        // and no interpreter line names a runner: a script without an extension is a script.
        // prove writes TAP to standard output and Test::More's diagnostics to standard error;
        // each failing test becomes one entry "Failed test 'name' at FILE line N." (the
        // program joins the two lines), read like Perl's own messages.
        {"prove", "Perl (prove)", "prove", "*.t", "", "-v -l",
         R"re(^.* at .+? line \K[0-9]+(?=\.?$|, ))re",
         R"re(^.* at (.+?) line [0-9]+(?:\.?$|, ))re"},
        // pytest writes everything to standard output; each failure becomes one entry, its
        // last location 'tests/test_a.py:12: AssertionError (test_name)' ('FILE:N: in f' with
        // --tb=short); Python's own frames and warnings still lead to their lines.
        {"pytest", "Python (pytest)", "python3", "test_*.py,*_test.py", "", "-m pytest -v",
         R"re(^(?:\s*File ".+?", line \K[0-9]+(?=,|$)|.+?:\K[0-9]+(?=: (?:[A-Za-z_][A-Za-z0-9_.]*|in \S+)(?:[ :]|$))))re",
         R"re(^(?|\s*File "(.+?)", line [0-9]+(?:,|$)|(.+?):[0-9]+: (?:[A-Za-z_][A-Za-z0-9_.]*|in \S+)(?:[ :]|$)))re"},
    };
    return seeds;
}

const LanguageSeed& PerlSeed() {
    return kPerl;
}

namespace {

// The values earlier ready versions wrote, one line each, as the settings file reads them back
// (trimmed). When a ready value changes, its old value becomes one more line here.
struct EarlierValue {
    const char* fileName;
    const char* key;
    const char* value;
};
const EarlierValue kEarlierValues[] = {
    {"perl", "RegExpLang", "(^#!.*//perl.*)"},
    {"perl", "RegExpErr", "line [0-9]+.?"},
    {"perl", "RegExpFile", ""},
    {"perl", "UseTagJumpToOtherFile", "0"},
    {"python", "RegExpLang", ""},
    {"python", "Option", ""},
    {"python", "RegExpErr", "line [0-9]+"},
    {"python", "RegExpFile", R"re(File "([^"]+)", line [0-9]+)re"},
    {"ruby", "RegExpLang", ""},
    {"ruby", "RegExpErr", ":[0-9]+:"},
    {"ruby", "RegExpFile", R"re(^\s*(?:from\s+)?(.+?):[0-9]+:)re"},
    {"bash", "RegExpLang", ""},
    {"bash", "RegExpErr", ": line [0-9]+:"},
    {"bash", "RegExpFile", "^(.+?): line [0-9]+:"},
    {"php", "RegExpLang", ""},
    {"php", "Option", "-d display_errors=stderr -d log_errors=0"},
    {"php", "RegExpErr", "on line [0-9]+"},
    {"php", "RegExpFile", "in (.+) on line [0-9]+"},
    {"php", "RegExpFile", R"re(^.*\sin (.+) on line [0-9]+)re"},
    {"node", "RegExpLang", ""},
    {"node", "RegExpErr", R"re(:[0-9]+(:[0-9]+\)?)?$)re"},
    {"node", "RegExpFile", R"re(^(?:\s+at (?:.* \()?)?([^\s()]+?):[0-9]+(?::[0-9]+)?\)?$)re"},
};

// A key a ready definition sets: its section, and its field as the settings file writes it.
struct ReadyKey {
    const char* key;
    const char* section;
    std::string (*stored)(const KDefConfig&);
    void (*set)(KDefConfig&, const std::string&);
    std::string (*ready)(const LanguageSeed&);
};
const ReadyKey kReadyKeys[] = {
    {"Name", "Language", [](const KDefConfig& d) { return d.Name; },
     [](KDefConfig& d, const std::string& v) { d.Name = v; },
     [](const LanguageSeed& s) { return std::string(s.name); }},
    {"Ext", "Language", [](const KDefConfig& d) { return d.Ext; },
     [](KDefConfig& d, const std::string& v) { d.Ext = v; },
     [](const LanguageSeed& s) { return std::string(s.ext); }},
    {"RegExpLang", "Language", [](const KDefConfig& d) { return d.RegExpLang; },
     [](KDefConfig& d, const std::string& v) { d.RegExpLang = v; },
     [](const LanguageSeed& s) { return std::string(s.regExpLang); }},
    {"Option", "Environment", [](const KDefConfig& d) { return d.Option; },
     [](KDefConfig& d, const std::string& v) { d.Option = v; },
     [](const LanguageSeed& s) { return std::string(s.option); }},
    {"RegExpErr", "Debug", [](const KDefConfig& d) { return d.RegExpErr; },
     [](KDefConfig& d, const std::string& v) { d.RegExpErr = v; },
     [](const LanguageSeed& s) { return std::string(s.regExpErr); }},
    {"RegExpFile", "Debug", [](const KDefConfig& d) { return d.RegExpFile; },
     [](KDefConfig& d, const std::string& v) { d.RegExpFile = v; },
     [](const LanguageSeed& s) { return std::string(s.regExpFile); }},
    {"UseTagJumpToOtherFile", "Debug",
     [](const KDefConfig& d) { return std::string(d.UseTagJumpToOtherFile ? "1" : "0"); },
     [](KDefConfig& d, const std::string& v) { d.UseTagJumpToOtherFile = v == "1"; },
     [](const LanguageSeed&) { return std::string("1"); }},
};

const ReadyKey* FindKey(std::string_view key) {
    for (const ReadyKey& k : kReadyKeys)
        if (key == k.key)
            return &k;
    return nullptr;
}

const LanguageSeed* SeedOfFile(const std::string& fileName) {
    std::string name = ExtractFileName(fileName);
    if (name.size() < 4 || LowerAscii(name.substr(name.size() - 4)) != ".def")
        return nullptr;
    name.resize(name.size() - 4);
    if (name == kPerl.fileName)
        return &kPerl;
    for (const LanguageSeed& seed : LanguageSeeds())
        if (name == seed.fileName)
            return &seed;
    return nullptr;
}

} // namespace

const std::vector<std::string>& OfferedBeforeTheRecord() {
    static const std::vector<std::string> offered = {"python", "ruby", "bash", "php", "node"};
    return offered;
}

void ApplyReadyValues(KDefConfig& def, const LanguageSeed& seed) {
    for (const ReadyKey& key : kReadyKeys)
        key.set(def, key.ready(seed));
}

std::vector<std::unique_ptr<KDefConfig>>
SeedLanguages(const std::string& defsDir,
              const std::function<std::string(const std::string&)>& findOnPath,
              std::vector<std::string>& offered) {
    std::vector<std::unique_ptr<KDefConfig>> languages;
    for (const LanguageSeed& seed : LanguageSeeds()) {
        if (std::find(offered.begin(), offered.end(), seed.fileName) != offered.end())
            continue; // offered once: a definition the user removed stays removed
        std::string exePath = findOnPath(seed.program);
        if (exePath.empty())
            continue; // not on this machine (yet)
        offered.emplace_back(seed.fileName);
        const std::string path = defsDir + seed.fileName + ".def";
        if (FileExists(path))
            continue; // defined already
        // Loaded from a file that is not there yet: every field starts at its default.
        auto def = std::make_unique<KDefConfig>(path);
        ApplyReadyValues(*def, seed);
        def->ExePath = exePath;
        const std::string_view file = seed.fileName;
        def->IndentSpaces = file == "python" || file == "pytest" ? 4 : 0; // as PEP 8 asks
        try {
            def->Save();
        } catch (const IniError&) {
        }
        languages.push_back(std::move(def));
    }
    return languages;
}

std::vector<std::unique_ptr<KDefConfig>>
SeedLanguages(const std::string& defsDir,
              const std::function<std::string(const std::string&)>& findOnPath) {
    std::vector<std::string> offered;
    return SeedLanguages(defsDir, findOnPath, offered);
}

bool UpgradeReadyDefinition(KDefConfig& def) {
    const LanguageSeed* seed = SeedOfFile(def.FileName);
    if (!seed)
        return false;
    IniFile ini(def.FileName);
    // A language the user made under the same file name ("python" added by hand) is not one.
    if (ini.ReadString("Language", "Name", "") != seed->name)
        return false;
    bool changed = false;
    for (const EarlierValue& earlier : kEarlierValues) {
        const ReadyKey* key = FindKey(earlier.key);
        if (earlier.fileName != std::string_view(seed->fileName) || !key ||
            !ini.HasKey(key->section, key->key) ||
            ini.ReadString(key->section, key->key, "") != earlier.value)
            continue;
        const std::string ready = key->ready(*seed);
        if (ready == earlier.value)
            continue;
        key->set(def, ready);
        ini.WriteString(key->section, key->key, key->stored(def));
        changed = true;
    }
    if (changed)
        ini.UpdateFile();
    return changed;
}
