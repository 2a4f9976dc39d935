#pragma once
// What the new-language dialog checks on OK, with its messages, and the two texts it hands
// back. The name becomes a file name in defs/, so a name that cannot be one is refused here,
// while the dialog is still open.

#include <optional>
#include <string>

class DialogService;
class MessageService;

inline constexpr const char* kNewLanguageCaption = "Vexil - New Language";

class NewLangForm {
public:
    NewLangForm(MessageService& messages, DialogService& dialogs)
        : messages_(messages), dialogs_(dialogs) {}

    // OK: true when the texts pass, and then LanguageName (trimmed) and LanguagePath (as
    // typed, a line break made a blank) hold them; false after a message, the dialog staying
    // open.
    bool Confirm(const std::string& nameText, const std::string& pathText);
    // The browse button: an existing file, or nothing. The dialog starts in the folder of the
    // path field's text (current).
    std::optional<std::string> Browse(const std::string& current);

    std::string LanguageName;
    std::string LanguagePath;

private:
    MessageService& messages_;
    DialogService& dialogs_;
};
