#pragma once
// The program's one settings object: the global settings kept in VexilPro.cfg beside the
// executable, the list of language definitions found in defs/, the current language, and the
// run-time states of the main window that are never stored.

#include "config/ArgumentHistory.h"
#include "config/Kdefconfig.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class KFileHistory;
class MessageService;

// What the settings need from windows that are built around them. A callback left unset does
// nothing; the two questions then answer the stored field.
struct KVexilConfigCallbacks {
    std::function<void(int)> SetMainWidth;
    std::function<void(int)> SetMainHeight;
    std::function<void(uint16_t)> RegisterGlobalHotKey;
    std::function<void()> UnregisterGlobalHotKey;
    // The script editor's read-only switch.
    std::function<void(bool)> SetEditorReadOnly;
    // The script window's current encoding choice (-1 detect, 0 SJIS, 1 EUC, 2 JIS, 3 UTF-8).
    std::function<int()> CurrentCode;
    // Whether the form editor window currently stays on top.
    std::function<bool()> FormEditorStayOnTop;
    // The code the form editor sends names and values in now (its FormCode).
    std::function<int()> FormEditorCode;
    // Settings were changed through one of the Apply/Select/Add operations; the main window
    // brings its menus (the language menu when the list changed) and its view up to date.
    std::function<void(bool languageListChanged)> SettingsChanged;
};

// The language-independent stored settings that the environment dialog edits, as one value:
// taken with Environment(), changed, handed back to ApplyEnvironment().
struct KEnvironmentSettings {
    std::string Editor;
    bool UseDoubleQuotes = false;
    std::string TempBat;
    bool UsePause = false;
    bool UseHotKey = false;
    uint16_t HotKey = 0;
    std::string TempHtml;
    bool CutHead = false;
    bool UseTagJump = false;
    std::string TagJumpText;
    bool ReadOnlyWhenAutoRefresh = false;
    bool MemoryFileWhenDropped = false;
    bool ChangeCurrentDirOnDrop = false;
    bool DontChangeDirFromDesktop = false;
    bool operator==(const KEnvironmentSettings&) const = default;
};

// The fields of one language that the language dialog edits (not Name, RegExpLang,
// LastFolder, RegExpLine).
struct KLanguageSettings {
    std::string ExePath;
    std::string Option;
    std::string Ext;
    bool UseHelpFile = false;
    bool UseHtmlHelp = false;
    std::string HelpFile;
    std::string TempFile;
    std::string TempDir;
    bool ShowError = false;
    std::string RegExpErr;
    bool UseTagJumpToOtherFile = false;
    std::string RegExpFile;
    bool operator==(const KLanguageSettings&) const = default;
};

KLanguageSettings LanguageSettingsOf(const KDefConfig& language);

// A settings field's text as its one-line field shows it, and so as it can be stored: every CR
// and LF becomes a blank (a pasted line break would otherwise make the value unwritable).
std::string SingleLine(std::string_view text);
// Every text of the settings made SingleLine.
KEnvironmentSettings SingleLineValues(KEnvironmentSettings settings);
KLanguageSettings SingleLineValues(KLanguageSettings settings);

// Whether a language name can be shown in the menu and become the name of its file in defs/:
// not empty, not beginning with '.' (defs/ skips such files, so the language would never come
// back), and without '/' or control characters (a line break would end the Name key's line).
bool UsableLanguageName(std::string_view name);
// The range of the editors' zoom (Zoom in [View]).
inline constexpr int kZoomSmallest = -8;
inline constexpr int kZoomLargest = 20;

inline constexpr const char* kUnusableLanguageName =
    "この言語名は使えません。\n「/」や改行などの制御文字を含まず、「.」で始まらない名前を"
    "指定してください";

class KVexilConfig {
public:
    // appDir is the program folder (ProgramDir() in the program); a missing trailing '/' is
    // added. history may be null, in which case the [FileHistory] section is left alone.
    // settingsDir holds VexilPro.cfg, defs/ and the default temporary folder; empty means
    // appDir (see config/Settingsdir for where an installed program keeps them).
    KVexilConfig(std::string appDir, MessageService& messages, KFileHistory* history = nullptr,
                 KVexilConfigCallbacks callbacks = {}, std::string settingsDir = {});
    KVexilConfig(const KVexilConfig&) = delete;
    KVexilConfig& operator=(const KVexilConfig&) = delete;

    // Fills Languages from the *.def files of DefsDir (sorted by name, the suffix matched
    // without regard to case), creating the folder when it is missing, and makes the first one
    // current. Without any (a first start) it takes those installed in AppDir/default-defs/,
    // else tells the user once and uses the ready Perl, written to defs/perl.def at the next
    // save. Stored ready definitions are brought up to date (UpgradeReadyDefinition), and the
    // seeds of LanguageSeeds() not offered before are written when PATH has their interpreter.
    void LoadDefFiles();
    // Reads VexilPro.cfg; a missing file gives every default. Runs after LoadDefFiles.
    void Load();
    // Saves every language, then VexilPro.cfg except [Window]. Every file is replaced
    // atomically; a refused write throws IniError naming the file and stops the save there.
    void Save();
    // Writes [Window] (Maximized, Height, Width), then Save().
    void SaveWindow(bool maximized, int width, int height);

    // The dialogs and the language menu change settings only through these: each runs what the
    // change sets off and then calls Callbacks.SettingsChanged once. (The main menu's own
    // toggles, AutoRefresh, UseCGI and SetReadOnly, refresh the view themselves.)
    KEnvironmentSettings Environment() const;
    // Stores every value (SingleLine) in its order; the hot key through SetHotKey, so it is
    // registered or released at once. Nothing is written to disk.
    void ApplyEnvironment(const KEnvironmentSettings& settings);
    // Copies the values (SingleLine) into the current language and saves everything (Save; may
    // throw IniError).
    void ApplyLanguage(const KLanguageSettings& settings);
    // Makes Languages[index] current; an index out of range changes nothing.
    void SelectLanguage(size_t index);
    // Creates defs/<name>.def for a new language, appends it and makes it current. An unusable
    // name is refused with a message. When a language of that name (without regard to case)
    // or the file exists already, it is replaced only when the user agrees (default No): the
    // language's own file and its entry in the list, so no name is listed twice. False when
    // nothing was written.
    bool AddLanguage(const std::string& name, const std::string& exePath);
    // The first language whose Name equals text without regard to case; otherwise no change.
    void SelectLanguageByName(const std::string& text);
    // The first language whose Ext list has a name pattern the file's name matches, else the
    // first whose list holds its extension; false leaves Current.
    bool SelectLanguageByExtension(const std::string& filePath);
    // For a script being opened: by its extension, and when no language claims that (a script
    // without one, as is usual for commands), by its first line, matched against each
    // language's RegExpLang in list order. False leaves Current.
    bool SelectLanguageOfScript(const std::string& filePath);
    // The first language whose RegExpLang matches line (a script's first line, such as
    // "#!/usr/bin/env python3", matched as UTF-8 like every settings text); false leaves Current.
    // Needs the regular-expression library.
    bool SelectLanguageByFirstLine(const std::string& line);
    // "Perl Files(*.pl,*.cgi)|*.pl;*.cgi|All Files(*.*)|*.*" for the current language.
    std::string GetFileFilter() const;
    // TempDir + "/" + TempFile of the current language, or SettingsDir + TempFile.
    std::string GetTempFilePath() const;
    // The ready languages (seed file names) this settings folder has been offered, so that one
    // the user removed is never written again ([Languages] Offered, saved when it differs from
    // OfferedBeforeTheRecord()).
    std::vector<std::string> OfferedLanguages;
    // The copy of the script the last run executed (empty when it ran the script itself):
    // error lines naming it lead to the script. Not stored.
    std::string LastRunCopy;
    // Whether the interpreter file and the temporary folder exist; tells the user when not.
    bool CheckRunnable();
    void SetHotKey(bool use, uint16_t key);
    void SetReadOnly(bool flag);

    KVexilConfigCallbacks Callbacks;

    std::vector<std::unique_ptr<KDefConfig>> Languages;
    KDefConfig* Current = nullptr;

    bool Maximized = false;
    bool FEditorStayOnTop = false;
    // The form editor's 文字コード ([Others] FormCode): 0 SJIS, 1 EUC, 2 UTF-8, the Linux start.
    int FormCode = 2;
    bool ReadOnly = false;
    bool UseHotKey = false;
    uint16_t HotKey = 0;
    std::string RememberedArgs;
    // The argument lines typed for runs, newest first ([Arguments]).
    ArgumentHistory Arguments;
    std::string ResultFile;
    std::string CfgPath;
    std::string HelpPath;
    std::string TempBat;
    std::string TempHtml;
    // Load turns it on where nothing is stored: a terminal window closes when its script ends.
    bool UsePause = false;
    bool CutHead = true;
    int DefaultCode = -1;
    std::string AppDir;
    std::string SettingsDir; // with a trailing '/'; AppDir unless installed
    std::string DefsDir;
    std::string Editor;
    // On by default: the launcher splits the editor's parameters at blanks.
    bool UseDoubleQuotes = true;
    bool AutoRefresh = false;
    bool ReadOnlyWhenAutoRefresh = false;
    bool UseCGI = false;
    bool UseTagJump = false;
    std::string TagJumpText;
    bool MemoryFileWhenDropped = false;
    bool ChangeCurrentDirOnDrop = false;
    bool DontChangeDirFromDesktop = false;
    // The script window shows line numbers and colours its syntax ([View]).
    bool LineNumbers = true;
    bool SyntaxColours = true;
    // F9 and Shift+F9 give the script a terminal for its output and the input line for its
    // input ([Others] RunInTerminal; off unless turned on).
    bool RunInTerminal = false;
    // The height the user last gave the error panel, in pixels ([View]); 0 when none is
    // stored, and the panel opens at its usual height.
    int ErrorPanelHeight = 0;
    // The editors' font size in steps of one point from the normal size.
    int Zoom = 0;

private:
    void Changed(bool languageListChanged);

    MessageService& messages_;
    KFileHistory* history_;
};
