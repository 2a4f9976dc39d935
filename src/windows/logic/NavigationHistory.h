#pragma once
// The files a jump from the error list has shown, so Alt+Left and Alt+Right go back and forth
// between them, and the script the error list came from: while a file reached by a jump is
// shown, the runs still mean that script.

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// How a file was shown, so it is shown the same way when the user comes back to it.
struct FileState {
    int code = 0;        // the character code it was read in
    int codeChoice = -1; // the code menu's choice: -1 detects
    int lineEnd = 0;
    bool readOnly = false;
    long long fileAge = 0; // its modification time when it was left; 0 unknown
    bool readOnlyByLoss = false; // read-only because it could not be read faithfully
};

// A file as it was left: where the caret and the view were, and the folder runs happen in.
struct Visit {
    std::string file; // absolute path (UTF-8)
    long long caret = 0;
    long long topLine = 0;
    std::string folder;
    FileState state;
    bool program = false; // the script the error list came from
};

class NavigationHistory {
public:
    // Past this many steps back, the oldest is forgotten.
    static constexpr std::size_t kMostVisits = 100;

    // A jump leaves from (the file shown, as it is now) for the file to; what lay ahead is
    // forgotten. Leaving the script the errors came from starts a visit; arriving at it ends it.
    void Jumped(Visit from, const std::string& to);
    // The visit Alt+Left (Alt+Right) would show, without going there.
    const Visit* PeekBack() const { return back_.empty() ? nullptr : &back_.back(); }
    const Visit* PeekForward() const { return forward_.empty() ? nullptr : &forward_.back(); }
    // The window now shows what the peek answered; current is the file it showed before.
    void WentBack(Visit current);
    void WentForward(Visit current);

    // While another file than the script is shown: the script, as it was left.
    bool Visiting() const { return program_.has_value(); }
    const Visit* Program() const { return program_ ? &*program_ : nullptr; }
    // How the file was shown when it was last left; nothing when it never was.
    std::optional<FileState> LastStateOf(const std::string& file) const;
    // Forgets every visit: the window shows a file the user opened.
    void Clear();

private:
    // current is left for a file that is the script when arrivingAtProgram: marks current as
    // the script when it is, remembers its state, and answers it.
    Visit Leave(Visit current, bool arrivingAtProgram);

    std::vector<Visit> back_, forward_;
    std::optional<Visit> program_;
    // How each file was shown when last left.
    std::vector<std::pair<std::string, FileState>> states_;
};

// Whether two paths name the same file: the same text, or the same existing file (a link, a
// "./" in one of them).
bool SameFile(const std::string& a, const std::string& b);
