#pragma once
// Help: the program's own help file opened at its contents, and keyword help that looks the
// word at the script window's caret up in the current language's help file. Which file, which
// branch and which message are decided here; showing a file is the viewer's business.

#include "help/DocLookup.h"

#include <functional>
#include <optional>
#include <string>

class KVexilConfig;
class Launcher;
class MessageService;

// What shows help files: a window of the program's own.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    // The file from its top (the contents).
    virtual void ShowContents(const std::string& file) = 0;
    // The file at the keyword: its anchor or first occurrence, else an index of its headings.
    virtual void ShowKeyword(const std::string& file, const std::string& keyword) = 0;
    // A text that comes from no file (a Perl function's entry), under a title.
    virtual void ShowText(const std::string& title, const std::string& text) = 0;
};

struct KHelpServices {
    MessageService& messages;
    HelpViewer& viewer;
    Launcher& launcher;
    // The word at the script window's caret, UTF-8; may be empty.
    std::function<std::string()> wordAtCaret;
    // Whether the desktop has a program that opens this file; unset: DesktopHasProgramFor.
    std::function<bool(const std::string&)> hasAssociatedProgram;
    // The documentation of one Perl built-in function; unset: PerlFunctionDoc.
    std::function<std::optional<std::string>(const std::string&)> perlFunctionDoc;
    // Runs pydoc away from the window; none: Python has no keyword help.
    DocLookup* docLookup = nullptr;
};

class KHelp {
public:
    // HelpFile starts as the configuration's HelpPath.
    KHelp(KVexilConfig& config, KHelpServices services);
    // A lookup still running would answer to a help that is gone: it is called off.
    ~KHelp();
    KHelp(const KHelp&) = delete;
    KHelp& operator=(const KHelp&) = delete;

    // The application's help file from its top; a missing file is named in a message.
    void ShowHelpContents();
    // The keyword-help decision, with the current language's help settings. Python's pydoc
    // answers later: its entry, or "WORDが見つかりません。", comes when it ends.
    void ShowKeywordHelp();
    // The HTML Help branch: a .chm goes to the desktop's program for it (none: the message
    // "HHCTRL.OCXが見つかりません"); any other file is looked up in the viewer.
    void HtmlHelpKeyword(const std::string& file, const std::string& keyword);

    // The application's help file: HelpPath, except while one keyword lookup lasts.
    std::string HelpFile;

private:
    bool ShowPerlFunction(const std::string& word);
    // Starts pydoc for the word; false when the word names nothing pydoc could be asked.
    bool StartPythonTopic(const std::string& interpreter, const std::string& word);

    KVexilConfig& config_;
    KHelpServices services_;
};

// The Perl function a word at the caret names ("print;" names print, "-e" the file test),
// or nothing for a variable, a package name or punctuation.
std::optional<std::string> PerlFunctionName(const std::string& word);
// perldoc -f NAME as plain text, or nothing when perldoc or the entry is missing.
std::optional<std::string> PerlFunctionDoc(const std::string& name);

// The name pydoc is asked about for a word at the caret: a dotted name (os.path.join, str,
// if) taken from the word's start, or nothing. Nothing that pydoc reads as an option or a
// file path gets through.
std::optional<std::string> PythonTopicName(const std::string& word);
