#include "platform/Browse.h"

#include "platform/FileFacts.h"

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

std::string DialogStartFolder(const FileDialogRequest& request) {
    if (!request.initialDir.empty())
        return request.initialDir;
    const std::string cwd = CurrentFolder();
    std::string folder = ExtractFileDir(request.fileName);
    if (!folder.empty() && folder.front() != '/' && !cwd.empty())
        folder = cwd + "/" + folder;
    return !folder.empty() && DirectoryExists(folder) ? folder : cwd;
}

std::optional<std::string> BrowseForFile(DialogService& dialogs, const FileDialogRequest& request) {
    const std::string saved = CurrentFolder();
    std::optional<std::string> path = dialogs.AskOpenFile(request);
    if (path)
        ChangeFolder(saved);
    return path;
}
