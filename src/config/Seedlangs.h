#pragma once
// The languages a first start offers besides Perl: one definition for each common interpreter
// found on PATH, with error expressions that make its error lines jump to the script line (and,
// through the external editor, to the file the message names).

#include "config/Kdefconfig.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct LanguageSeed {
    const char* fileName; // in defs/, without ".def"
    const char* name;
    const char* program; // looked up on PATH
    const char* ext;
    const char* regExpLang; // matches the interpreter lines of its scripts
    const char* option;
    const char* regExpErr;  // its first run of digits is the line number
    const char* regExpFile; // group 1 is the file name
};

const std::vector<LanguageSeed>& LanguageSeeds();

// Definitions for the seeds whose program findOnPath finds (its full path, or empty) and whose
// file defsDir does not hold yet, written into defsDir at once. A definition that cannot be written
// is still offered; its save is tried again, and reported, with the others at exit.
std::vector<std::unique_ptr<KDefConfig>>
SeedLanguages(const std::string& defsDir,
              const std::function<std::string(const std::string&)>& findOnPath);
