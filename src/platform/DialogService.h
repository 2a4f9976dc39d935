#pragma once
// The open and save file dialogs, behind one interface so that logic asking for a file can be
// driven by tests. Filters keep the settings' form "description|pattern;pattern|...".

#include <optional>
#include <string>

struct FileDialogRequest {
    std::string title;
    std::string filter;     // "Perl Files(*.pl,*.cgi)|*.pl;*.cgi|All Files(*.*)|*.*"
    std::string initialDir; // folder to start in
    std::string fileName;   // proposed file name or path
    std::string defaultExt; // without the dot; appended when the user types none
};

class DialogService {
public:
    virtual ~DialogService() = default;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> AskOpenFile(const FileDialogRequest& request) = 0;
    // Asks before overwriting an existing file.
    virtual std::optional<std::string> AskSaveFile(const FileDialogRequest& request) = 0;
};
