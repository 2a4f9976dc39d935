#pragma once
// What the main window shows for a given state: caption, the five status panels, the marks of
// the on/off commands and the radio marks. Worked out here in plain code; the window applies
// it, touching only the controls whose state differs.

#include "exec/Exec.h"

#include <array>
#include <string>
#include <vector>

struct ViewInputs {
    std::string scriptTitle;
    std::string positionText; // of the active document window
    std::string languageName; // current language
    std::string codeName;     // the script's character code
    std::string lineEndName;  // the script's line ends
    std::string activeFolder; // of the active document window
    bool autoRefresh = false;
    bool readOnly = false;
    bool useCgi = false;
    bool canUndo = false;
    int codeChoice = -1; // -1 automatic, 0..3
    int lineEnd = 0;     // the script's: 0 LF, 1 CR, 2 CR LF
    std::vector<std::string> languageNames;
    RunOptions run;
};

struct ViewState {
    std::string caption;
    std::array<std::string, 5> panels;
    bool autoRefresh = false;
    bool readOnly = false;
    bool useCgi = false;
    bool undoEnabled = false;
    int encodingItem = 0;  // 0 MMAuto, 1 MMSHIFTJIS, 2 MMEUC, 3 MMJIS, 4 MMUTF8
    int lineEndItem = 0;   // 0 MMLineEndLF, 1 MMLineEndCRLF, 2 MMLineEndCR
    int languageItem = -1; // the language menu item to mark; -1 none
    RunOptions run;        // check marks and button hints of the run options
};

ViewState ComputeView(const ViewInputs& in);

// The status panel widths, left to right.
inline constexpr std::array<int, 5> kStatusPanelWidths = {80, 60, 60, 50, 50};
