#include "config/Seedlangs.h"

#include "platform/FileFacts.h"
#include "platform/IniFile.h"

const std::vector<LanguageSeed>& LanguageSeeds() {
    // Each expression is matched against one line of standard error. The line number must be
    // the first digits of the RegExpErr match, so none of them takes in the file name, whose
    // digits would come first.
    static const std::vector<LanguageSeed> seeds = {
        // File "/x/vexil.tmp", line 4, in f
        {"python", "Python", "python3", "py,pyw", "", "line [0-9]+",
         "File \"([^\"]+)\", line [0-9]+"},
        // /x/vexil.tmp:3:in `<main>': ...   and   \tfrom /x/lib.rb:5:in `f'
        {"ruby", "Ruby", "ruby", "rb", "", ":[0-9]+:", "^\\s*(?:from\\s+)?(.+?):[0-9]+:"},
        // /x/vexil.tmp: line 2: foo: command not found
        {"bash", "Bash", "bash", "sh,bash", "", ": line [0-9]+:", "^(.+?): line [0-9]+:"},
        // Warning: Undefined variable $x in /x/vexil.tmp on line 2 (errors on standard error)
        {"php", "PHP", "php", "php", "-d display_errors=stderr -d log_errors=0", " on line [0-9]+",
         " in (.+) on line [0-9]+"},
        // /x/vexil.tmp:3   and   at f (/x/vexil.tmp:3:3)   and   at /x/lib.js:5:1
        {"node", "Node.js", "node", "js,mjs,cjs", "", ":[0-9]+(:[0-9]+\\)?)?$",
         "^(?:\\s+at (?:.* \\()?)?([^\\s()]+?):[0-9]+(?::[0-9]+)?\\)?$"},
    };
    return seeds;
}

std::vector<std::unique_ptr<KDefConfig>>
SeedLanguages(const std::string& defsDir,
              const std::function<std::string(const std::string&)>& findOnPath) {
    std::vector<std::unique_ptr<KDefConfig>> languages;
    for (const LanguageSeed& seed : LanguageSeeds()) {
        const std::string path = defsDir + seed.fileName + ".def";
        std::string exePath = findOnPath(seed.program);
        if (exePath.empty() || FileExists(path))
            continue; // not on this machine, or defined already
        // Loaded from a file that is not there yet: every field starts at its default.
        auto def = std::make_unique<KDefConfig>(path);
        def->Name = seed.name;
        def->Ext = seed.ext;
        def->RegExpLang.clear();
        def->ExePath = exePath;
        def->Option = seed.option;
        def->RegExpErr = seed.regExpErr;
        def->RegExpFile = seed.regExpFile;
        def->UseTagJumpToOtherFile = true;
        try {
            def->Save();
        } catch (const IniError&) {
        }
        languages.push_back(std::move(def));
    }
    return languages;
}
