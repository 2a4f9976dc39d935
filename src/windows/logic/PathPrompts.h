#pragma once
// The rules of the two path dialogs around the process's current directory, without widgets.
// The change-directory dialog browses by moving the current directory and puts it back when
// cancelled; the file-name dialog hands back exactly what was typed, and only on OK.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class DialogService;

inline constexpr const char* kOpenDirCaption = "Vexil - Change Current Directory";
inline constexpr const char* kOpenFileCaption = "Vexil - Open File";

// What the drive selector offers: the root first, then the mount points of /proc/self/mounts
// that hold files a user keeps (block devices, network and removable volumes, /home, /media,
// /mnt), in the order mounted, without the kernel's own file systems.
std::vector<std::string> MountedVolumes(std::string_view procMounts);
// The volume a folder lies on: the longest volume that is the folder or one of its parents.
std::string VolumeOf(const std::string& folder, const std::vector<std::string>& volumes);

class DirectoryPrompt {
public:
    // Shows the dialog through show, which starts the list at the current directory and answers
    // whether it was closed with OK. SelectedDir is then the current directory the browsing
    // left; after Cancel the current directory is put back where it was.
    bool Prompt(const std::function<bool(const std::string& start)>& show);
    // Opening a folder in the list makes it the current directory; false when it cannot be
    // (the list then stays where it was).
    bool OpenFolder(const std::string& folder);
    // Choosing a volume opens the folder last opened on it, else its root.
    std::string FolderOnVolume(const std::string& volume) const;

    std::vector<std::string> Volumes;
    std::string SelectedDir;

private:
    std::map<std::string, std::string> lastOnVolume_;
};

class FilePrompt {
public:
    // Shows the dialog through show, which starts with initial and answers the edit box's text
    // on OK (exactly as typed, possibly empty) or nothing. ChosenPath keeps its value on Cancel.
    bool Prompt(const std::string& initial,
                const std::function<std::optional<std::string>(const std::string&)>& show);
    // The browse button: a file that may be new (an existing one is confirmed first), proposed
    // as current; the current directory stays where it was.
    static std::optional<std::string> Browse(DialogService& dialogs, const std::string& current);

    std::string ChosenPath;
};
