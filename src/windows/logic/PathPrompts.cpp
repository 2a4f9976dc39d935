#include "windows/logic/PathPrompts.h"

#include "platform/Browse.h"

#include <algorithm>

namespace {

// /proc/self/mounts writes a blank, tab, newline and backslash in a path as \040, \011, \012
// and \134.
std::string Unescape(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            auto octal = [](char c) { return c >= '0' && c <= '7'; };
            if (octal(field[i + 1]) && octal(field[i + 2]) && octal(field[i + 3])) {
                out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                         (field[i + 3] - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool Under(std::string_view path, std::string_view folder) {
    return path == folder ||
           (path.size() > folder.size() && path.substr(0, folder.size()) == folder &&
            (folder.back() == '/' || path[folder.size()] == '/'));
}

bool UserVolume(const std::string& source, const std::string& point, std::string_view type) {
    for (std::string_view system : {"/proc", "/sys", "/dev", "/run", "/boot", "/snap"})
        if (Under(point, system) && !Under(point, "/run/media"))
            return false;
    for (std::string_view kept : {"/home", "/media", "/mnt", "/run/media"})
        if (Under(point, kept))
            return true;
    for (std::string_view network : {"nfs", "nfs4", "cifs", "smb3", "fuse.sshfs", "9p"})
        if (type == network)
            return true;
    return source.rfind("/dev/", 0) == 0;
}

} // namespace

std::vector<std::string> MountedVolumes(std::string_view mounts) {
    std::vector<std::string> volumes{"/"};
    while (!mounts.empty()) {
        size_t end = mounts.find('\n');
        std::string_view line = mounts.substr(0, end);
        mounts = end == std::string_view::npos ? std::string_view() : mounts.substr(end + 1);
        std::vector<std::string_view> fields;
        while (!line.empty() && fields.size() < 3) {
            size_t blank = line.find(' ');
            fields.push_back(line.substr(0, blank));
            line = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
        }
        if (fields.size() < 3)
            continue;
        std::string point = Unescape(fields[1]);
        if (point.empty() || point.front() != '/' ||
            std::find(volumes.begin(), volumes.end(), point) != volumes.end())
            continue;
        if (UserVolume(Unescape(fields[0]), point, fields[2]))
            volumes.push_back(point);
    }
    return volumes;
}

std::string VolumeOf(const std::string& folder, const std::vector<std::string>& volumes) {
    std::string best;
    for (const std::string& v : volumes)
        if (Under(folder, v) && v.size() > best.size())
            best = v;
    return best;
}

bool DirectoryPrompt::Prompt(const std::function<bool(const std::string&)>& show) {
    const std::string saved = CurrentFolder();
    bool ok = show(saved);
    SelectedDir = CurrentFolder();
    if (!ok)
        ChangeFolder(saved);
    return ok;
}

bool DirectoryPrompt::OpenFolder(const std::string& folder) {
    if (!ChangeFolder(folder))
        return false;
    std::string now = CurrentFolder();
    lastOnVolume_[VolumeOf(now, Volumes)] = now;
    return true;
}

std::string DirectoryPrompt::FolderOnVolume(const std::string& volume) const {
    auto it = lastOnVolume_.find(volume);
    return it == lastOnVolume_.end() ? volume : it->second;
}

bool FilePrompt::Prompt(const std::string& initial,
                        const std::function<std::optional<std::string>(const std::string&)>& show) {
    std::optional<std::string> text = show(initial);
    if (!text)
        return false;
    ChosenPath = *text;
    return true;
}

std::optional<std::string> FilePrompt::Browse(DialogService& dialogs, const std::string& current) {
    const std::string saved = CurrentFolder();
    FileDialogRequest request;
    request.fileName = current;
    std::optional<std::string> path = dialogs.AskSaveFile(request);
    if (path)
        ChangeFolder(saved);
    return path;
}
