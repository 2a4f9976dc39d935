#pragma once
// What the language settings dialog does with its controls' values: the combo's entries, the
// fill, the switch of the current language, Set/OK (copy, then save everything), the checks of
// OK with their messages, and the two browse buttons. The dialog only moves values between
// this and its controls.

#include "config/Kvexilconfig.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class DialogService;
class MessageService;

inline constexpr const char* kLanguageSettingsCaption = "Vexil - Language Settings";

// The folder without its one trailing '/'. The root "/" stays the root rather than becoming
// empty, which would mean the program folder.
std::string TempDirWithoutTrailingSlash(std::string folder);

class LangConfigForm {
public:
    enum Page { kEnvironmentPage = 0, kEditorPage = 1, kDebugPage = 2 };
    enum Field { kNoField, kExePathField, kRegExpFileField };
    // Where OK stopped: the page to show and the field to focus.
    struct Check {
        bool valid = true;
        Page page = kEnvironmentPage;
        Field focus = kNoField;
    };

    LangConfigForm(MessageService& messages, DialogService& dialogs)
        : messages_(messages), dialogs_(dialogs) {}

    // Remembers the configuration; the combo's entries and the one to select (the last entry
    // named exactly like the current language; -1 when none is).
    void Open(KVexilConfig& config);
    const std::vector<std::string>& Names() const { return names_; }
    int Selected() const { return selected_; }

    // The current language's values for the controls.
    KLanguageSettings Fill() const;
    // The combo chose the language at index: it becomes current at once, and unapplied edits
    // give way to its values.
    KLanguageSettings Choose(int index);
    // Set, and OK after Validate: line breaks become blanks and the temporary folder loses its
    // trailing '/' (in shown too, so the fields show what is stored), the values go into the
    // current language and everything is saved. False when a file could not be written; the
    // user has been told.
    bool Apply(KLanguageSettings& shown);
    // OK's checks in their order, each with its message; a tag jump to other files without the
    // environment's tag jump only warns. A failed check is first shown (its page in front, the
    // focus in its field) through show, so the message appears over what it is about.
    Check Validate(const KLanguageSettings& shown,
                   const std::function<void(const Check&)>& show = {});

    // The browse buttons; the dialog starts in the folder of the field's path (current).
    std::optional<std::string> BrowseExePath(const std::string& current);
    std::optional<std::string> BrowseHelpFile(const std::string& current);

private:
    MessageService& messages_;
    DialogService& dialogs_;
    KVexilConfig* config_ = nullptr;
    std::vector<std::string> names_;
    int selected_ = -1;
};
