#include "platform/Browse.h"

#include <cerrno>
#include <climits>
#include <unistd.h>

std::string CurrentFolder() {
    std::string buffer(PATH_MAX, '\0');
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

bool ChangeFolder(const std::string& folder) {
    return !folder.empty() && ::chdir(folder.c_str()) == 0;
}

std::optional<std::string> BrowseForFile(DialogService& dialogs, const FileDialogRequest& request) {
    const std::string saved = CurrentFolder();
    std::optional<std::string> path = dialogs.AskOpenFile(request);
    if (path)
        ChangeFolder(saved);
    return path;
}
