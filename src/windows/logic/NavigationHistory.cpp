#include "windows/logic/NavigationHistory.h"

#include <algorithm>
#include <sys/stat.h>

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    if (a.empty() || b.empty())
        return false;
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

Visit NavigationHistory::Leave(Visit current, bool arrivingAtProgram) {
    // Only the script is ever left while no visit is going on.
    if (!program_) {
        current.program = true;
        program_ = current;
    }
    auto known = std::find_if(states_.begin(), states_.end(),
                              [&](const auto& s) { return SameFile(s.first, current.file); });
    if (known != states_.end())
        known->second = current.state;
    else if (states_.size() < 2 * kMostVisits)
        states_.emplace_back(current.file, current.state);
    if (arrivingAtProgram)
        program_.reset();
    return current;
}

void NavigationHistory::Jumped(Visit from, const std::string& to) {
    const bool toProgram = program_ && SameFile(to, program_->file);
    back_.push_back(Leave(std::move(from), toProgram));
    if (back_.size() > kMostVisits)
        back_.erase(back_.begin());
    forward_.clear();
}

void NavigationHistory::WentBack(Visit current) {
    if (back_.empty())
        return;
    const bool toProgram = back_.back().program;
    back_.pop_back();
    forward_.push_back(Leave(std::move(current), toProgram));
}

void NavigationHistory::WentForward(Visit current) {
    if (forward_.empty())
        return;
    const bool toProgram = forward_.back().program;
    forward_.pop_back();
    back_.push_back(Leave(std::move(current), toProgram));
}

std::optional<FileState> NavigationHistory::LastStateOf(const std::string& file) const {
    for (const auto& [known, state] : states_)
        if (SameFile(known, file))
            return state;
    return std::nullopt;
}

void NavigationHistory::Clear() {
    back_.clear();
    forward_.clear();
    program_.reset();
    states_.clear();
}
