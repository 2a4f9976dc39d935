#include "config/Seedlangs.h"

#include "platform/FileFacts.h"
#include "platform/IniFile.h"

const std::vector<LanguageSeed>& LanguageSeeds() {
    // Each expression is matched against one line of standard error. The line number must be
    // the first digits of the RegExpErr match, so none of them takes in the file name, whose
    // digits would come first.
    //
    // Each RegExpLang takes "#!/usr/bin/python3" as well as "#!/usr/bin/env python3" (env's
    // options allowed), followed by a blank or the end of the line.
    static const std::vector<LanguageSeed> seeds = {
        // File "/x/vexil.tmp", line 4, in f
        {"python", "Python", "python3", "py,pyw",
         "^#!\\s*(\\S*/)?(env\\s+(-\\S+\\s+)*)?python[0-9.]*(\\s|$)", "-u", "line [0-9]+",
         "File \"([^\"]+)\", line [0-9]+"},
        // /x/vexil.tmp:3:in `<main>': ...   and   \tfrom /x/lib.rb:5:in `f'
        {"ruby", "Ruby", "ruby", "rb", "^#!\\s*(\\S*/)?(env\\s+(-\\S+\\s+)*)?ruby[0-9.]*(\\s|$)",
         "", ":[0-9]+:", "^\\s*(?:from\\s+)?(.+?):[0-9]+:"},
        // /x/vexil.tmp: line 2: foo: command not found   (a #!/bin/sh script runs in bash too)
        {"bash", "Bash", "bash", "sh,bash", "^#!\\s*(\\S*/)?(env\\s+(-\\S+\\s+)*)?(ba)?sh(\\s|$)",
         "", ": line [0-9]+:", "^(.+?): line [0-9]+:"},
        // Warning: Undefined variable $x in /x/vexil.tmp on line 2 (errors on standard error).
        // No expression may begin with a blank, which the settings file would lose: " in" would
        // become "in", and the "in" of "Warning" would begin the file name.
        {"php", "PHP", "php", "php", "^#!\\s*(\\S*/)?(env\\s+(-\\S+\\s+)*)?php[0-9.]*(\\s|$)",
         "-d display_errors=stderr -d log_errors=0", "on line [0-9]+",
         "^.*\\sin (.+) on line [0-9]+"},
        // /x/vexil.tmp:3   and   at f (/x/vexil.tmp:3:3)   and   at /x/lib.js:5:1
        {"node", "Node.js", "node", "js,mjs,cjs",
         "^#!\\s*(\\S*/)?(env\\s+(-\\S+\\s+)*)?node(js)?(\\s|$)", "", ":[0-9]+(:[0-9]+\\)?)?$",
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
        def->RegExpLang = seed.regExpLang;
        def->ExePath = exePath;
        def->Option = seed.option;
        def->RegExpErr = seed.regExpErr;
        def->RegExpFile = seed.regExpFile;
        def->UseTagJumpToOtherFile = true;
        def->IndentSpaces = std::string_view(seed.fileName) == "python" ? 4 : 0; // as PEP 8 asks
        try {
            def->Save();
        } catch (const IniError&) {
        }
        languages.push_back(std::move(def));
    }
    return languages;
}
