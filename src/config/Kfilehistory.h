#pragma once
// The recently opened or saved script files, most recent first, shown as items of the
// main window's "開きなおす(&R)" menu and stored in the [FileHistory] section of VexilPro.cfg.

#include "config/HistoryMenu.h"

#include <functional>
#include <string>
#include <vector>

class IniFile;
class MessageService;

class KFileHistory {
public:
    static constexpr int kMaximum = 10;

    // Receives the index of the clicked history item in the list.
    using OpenHandler = std::function<void(int index)>;

    // Appends the placeholder "(なし)", a separator and the disabled clear item to parent. The
    // items call back into this object, so the history must live as long as they can be clicked.
    KFileHistory(HistoryMenu& parent, MessageService& messages, OpenHandler openHandler);
    KFileHistory(const KFileHistory&) = delete;
    KFileHistory& operator=(const KFileHistory&) = delete;

    // Reads the section and builds one menu item per path, numbered from 0. Empty entries (and
    // the indexes past the last one present) are skipped; no limit applies here.
    void Load(const IniFile& ini);
    // Writes ItemNumber and File0, File1, ...; higher keys left from a longer list stay.
    void Save(IniFile& ini) const;

    // Puts a path at the top (an entry equal but for letter case is moved up and takes the
    // new form), drops the oldest beyond ten, and numbers the items from 1.
    void Add(const std::string& path);

    // The clear item's click: asks first; answers whether the history was emptied.
    bool Clear();

    int Count() const { return static_cast<int>(paths_.size()); }
    const std::string& Path(int index) const { return paths_.at(static_cast<size_t>(index)); }
    const std::vector<std::string>& Paths() const { return paths_; }

private:
    int PlaceholderPosition() const { return Count(); }
    int ClearPosition() const { return Count() + 2; }
    void InsertHistoryItem(int position, const std::string& caption, int tag);
    void ShowEmpty(bool empty);

    HistoryMenu& parent_;
    MessageService& messages_;
    OpenHandler openHandler_;
    std::vector<std::string> paths_;
};
