#include "config/Kfilehistory.h"

#include "platform/FileFacts.h"
#include "platform/IniFile.h"
#include "platform/MessageService.h"

namespace {

constexpr const char* kSection = "FileHistory";
constexpr const char* kPlaceholderCaption = "(なし)";
constexpr const char* kClearCaption = "履歴をクリア(&C)";
constexpr const char* kClearQuestion = "全てのファイル履歴を削除してよろしいですか？";

std::string ItemCaption(int number, const std::string& path) {
    // Keys 1 to 9, and 0 for the tenth ("1&0": the key 1 stays item 1's); items past ten
    // (a longer stored history) have none. An ampersand of the path is shown, not a key.
    std::string digits = std::to_string(number);
    if (number < 10)
        digits.insert(0, "&");
    else if (number == 10)
        digits = "1&0";
    std::string shown;
    for (char c : path)
        shown += c == '&' ? std::string("&&") : std::string(1, c);
    return digits + " " + shown;
}

std::string ItemName(int position) {
    return "MMFileHistory" + std::to_string(position);
}

} // namespace

KFileHistory::KFileHistory(HistoryMenu& parent, MessageService& messages, OpenHandler openHandler)
    : parent_(parent), messages_(messages), openHandler_(std::move(openHandler)) {
    int at = parent_.Count();
    parent_.InsertItem(at, "", kPlaceholderCaption, 0, nullptr);
    parent_.SetEnabled(at, false);
    parent_.InsertSeparator(at + 1);
    parent_.InsertItem(at + 2, "", kClearCaption, 0, [this](int) { Clear(); });
    parent_.SetEnabled(at + 2, false);
}

void KFileHistory::InsertHistoryItem(int position, const std::string& caption, int tag) {
    parent_.InsertItem(position, ItemName(position), caption, tag, [this](int index) {
        if (openHandler_)
            openHandler_(index);
    });
}

void KFileHistory::ShowEmpty(bool empty) {
    parent_.SetVisible(PlaceholderPosition(), empty);
    parent_.SetEnabled(ClearPosition(), !empty);
}

void KFileHistory::Load(const IniFile& ini) {
    while (!paths_.empty()) {
        parent_.DeleteItem(0);
        paths_.erase(paths_.begin());
    }
    long n = ini.ReadInteger(kSection, "ItemNumber", 0);
    // A hand-edited ItemNumber may promise more entries than the section holds; reading stops at
    // the first index that is missing, so a huge number cannot stall start-up or fill the menu
    // with blank items. Blank entries would only open nothing, so they are left out.
    for (long i = 0; i < n; ++i) {
        std::string key = "File" + std::to_string(i);
        if (!ini.HasKey(kSection, key))
            break;
        std::string path = ini.ReadString(kSection, key, "");
        if (path.empty())
            continue;
        int position = Count();
        paths_.push_back(path);
        InsertHistoryItem(position, ItemCaption(position, path), position);
    }
    ShowEmpty(paths_.empty());
}

void KFileHistory::Save(IniFile& ini) const {
    // A path holding a line break cannot be a value of the file: it is left out.
    std::vector<const std::string*> kept;
    for (const std::string& path : paths_)
        if (path.find_first_of("\r\n") == std::string::npos)
            kept.push_back(&path);
    ini.WriteInteger(kSection, "ItemNumber", static_cast<long>(kept.size()));
    for (size_t i = 0; i < kept.size(); ++i)
        ini.WriteString(kSection, "File" + std::to_string(i), *kept[i]);
}

void KFileHistory::Add(const std::string& path) {
    std::string p = Trim(path);
    ShowEmpty(false);

    size_t found = paths_.size();
    for (size_t i = 0; i < paths_.size(); ++i) {
        if (SameTextAscii(paths_[i], p)) {
            found = i;
            break;
        }
    }
    if (found < paths_.size()) {
        // The menu keeps its items; renumbering below moves the captions.
        paths_.erase(paths_.begin() + static_cast<long>(found));
        paths_.insert(paths_.begin(), p);
    } else {
        paths_.insert(paths_.begin(), p);
        int last = Count() - 1;
        InsertHistoryItem(last, "", last);
    }

    if (Count() > kMaximum) {
        int last = Count() - 1;
        parent_.DeleteItem(last);
        paths_.pop_back();
    }

    for (int i = 0; i < Count(); ++i) {
        parent_.SetCaption(i, ItemCaption(i + 1, paths_[static_cast<size_t>(i)]));
        parent_.SetTag(i, i);
    }
}

bool KFileHistory::Clear() {
    if (messages_.AskYesNo(kClearQuestion, kConfirmCaption) != MessageAnswer::Yes)
        return false;
    for (int i = Count(); i > 0; --i)
        parent_.DeleteItem(0);
    paths_.clear();
    ShowEmpty(true);
    return true;
}
