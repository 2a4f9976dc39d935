#include "config/ArgumentHistory.h"

#include "config/Kvexilconfig.h"
#include "platform/FileFacts.h"
#include "platform/IniFile.h"

#include <algorithm>

namespace {

constexpr const char* kSection = "Arguments";

std::string Key(std::size_t i) {
    return "Line" + std::to_string(i);
}

} // namespace

void ArgumentHistory::Add(const std::string& line) {
    const std::string kept = Trim(SingleLine(line));
    if (kept.empty())
        return;
    lines_.erase(std::remove(lines_.begin(), lines_.end(), kept), lines_.end());
    lines_.insert(lines_.begin(), kept);
    if (lines_.size() > kMaxLines)
        lines_.resize(kMaxLines);
}

void ArgumentHistory::Load(const IniFile& ini) {
    lines_.clear();
    const long count = ini.ReadInteger(kSection, "Count", 0);
    // A hand-edited Count may promise more than the section holds, or far more than is kept.
    for (long i = 0; i < count && lines_.size() < kMaxLines; ++i) {
        const std::string key = Key(static_cast<std::size_t>(i));
        if (!ini.HasKey(kSection, key))
            break;
        // Whole: a long line typed once comes back as it was typed.
        const std::string line = Trim(ini.ReadWholeString(kSection, key));
        if (!line.empty() && std::find(lines_.begin(), lines_.end(), line) == lines_.end())
            lines_.push_back(line);
    }
}

void ArgumentHistory::Save(IniFile& ini) const {
    ini.WriteInteger(kSection, "Count", static_cast<long>(lines_.size()));
    for (std::size_t i = 0; i < lines_.size(); ++i)
        ini.WriteString(kSection, Key(i), lines_[i]);
}
