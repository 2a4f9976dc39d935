#pragma once
// The ready definitions: Perl's (installed as default-defs/perl.def, and the built-in one when
// none is installed) and one for each common interpreter found on PATH, with error expressions
// that lead every error line to the file and line it names. Stored definitions that still hold
// the values of an earlier ready version are brought up to date at start-up.

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
    // UseTagJumpToOtherFile is on in every ready definition.
};

// The languages offered when their interpreter is found (Perl is not among them).
const std::vector<LanguageSeed>& LanguageSeeds();
// Perl's ready definition; resources/desktop/default-defs/perl.def holds the same values.
const LanguageSeed& PerlSeed();

// The ready languages a settings folder had been offered before VexilPro.cfg kept the list:
// every seed of those versions, written or not.
const std::vector<std::string>& OfferedBeforeTheRecord();

// Sets the values a ready definition sets (not the interpreter path).
void ApplyReadyValues(KDefConfig& def, const LanguageSeed& seed);

// Definitions for the seeds not yet offered whose program findOnPath finds (its full path, or
// empty) and whose file defsDir does not hold yet, written into defsDir at once. Every seed
// whose program is found joins offered, written now or there already; one whose program is
// missing is offered at a later start, when it is there. A definition that cannot be written is
// still offered; its save is tried again, and reported, with the others at exit.
std::vector<std::unique_ptr<KDefConfig>>
SeedLanguages(const std::string& defsDir,
              const std::function<std::string(const std::string&)>& findOnPath,
              std::vector<std::string>& offered);
// The same for a folder that was offered nothing.
std::vector<std::unique_ptr<KDefConfig>>
SeedLanguages(const std::string& defsDir,
              const std::function<std::string(const std::string&)>& findOnPath);

// A stored ready definition (defs/python.def named Python for the python seed, and so on) gets the
// current ready value of each key whose stored text is still exactly a value an earlier ready
// version wrote; a key the user changed, a key the file lacks and a key the user added stay as they
// are. Changes both def and its file (only the keys changed); false when nothing changed.
// Throws IniError when the file cannot be written (def is changed all the same).
bool UpgradeReadyDefinition(KDefConfig& def);
