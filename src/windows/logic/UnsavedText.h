#pragma once
// The text of a script that was modified when the program was ended from outside (a logout
// cannot answer the save question): kept in the settings folder, readable by its owner only,
// and offered again at the next start.

#include <optional>
#include <string>

struct KeptScript {
    std::string fileName; // the script's file, empty for a new script
    int code = 0;
    int lineEnd = 0;
    std::string utf8; // the editor's text
};

// Writes the kept text into settingsDir (with a trailing '/'), mode 0600; false when it could
// not be written.
bool KeepUnsavedText(const std::string& settingsDir, const KeptScript& script);
// The kept text, if there is one; it is removed from the folder as it is taken.
std::optional<KeptScript> TakeUnsavedText(const std::string& settingsDir);
