#include "config/Kvexilconfig.h"

#include "config/Kfilehistory.h"
#include "config/Seedlangs.h"
#include "platform/FileFacts.h"
#include "platform/IniFile.h"
#include "platform/Launcher.h"
#include "platform/MessageService.h"
#include "regex/Kregexp.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace {

constexpr const char* kEnvironment = "Environment";
constexpr const char* kWindow = "Window";
constexpr const char* kOthers = "Others";
// The script window's look; a section of our own, unknown to older readers, which keep it.
constexpr const char* kView = "View";
// The ready languages offered so far: [Languages] Offered=python,ruby,...
constexpr const char* kLanguages = "Languages";
constexpr const char* kOffered = "Offered";

constexpr const char* kDefaultLanguage = "Perl";
// Beside an installed program: the definitions a first start begins with.
constexpr const char* kInstalledDefs = "default-defs/";
constexpr const char* kDefaultEditor = "xdg-open";
constexpr const char* kDefaultTempBat = "temp.sh";
constexpr const char* kDefaultTempHtml = "temp.html";
// The form editor sends UTF-8 until the user chooses otherwise (cgi/FormCode's kFormUtf8).
constexpr int kDefaultFormCode = 2;
constexpr int kDefaultWidth = 600;
constexpr int kDefaultHeight = 400;

constexpr const char* kReplaceDefFile = " は既に存在します。\n上書きしますか？";
constexpr const char* kNoDefFiles = "Def Files are not found. Use default Settings.";
constexpr const char* kAddedLanguage =
    "　を追加しました。\n 詳細設定は設定メニューの言語別設定から行ってください";

bool HasDefSuffix(const std::string& name) {
    return name.size() >= 4 &&
           SameTextAscii(std::string_view(name).substr(name.size() - 4), ".def");
}

// The definition files of a folder in byte order of their names, so that the language list
// and the language chosen first do not depend on the order the file system keeps.
std::vector<std::string> DefFileNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::error_code typeError;
        // Only real files: an editor's hidden lock file (.#perl.def) or a dangling link would
        // become a phantom language that shadows the real one and is saved as a file.
        if (!HasDefSuffix(name) || name.front() == '.' || !it->is_regular_file(typeError))
            continue;
        names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The first line of a file, without its line end; false when it is no readable regular file.
bool ReadFirstLine(const std::string& path, std::string& line) {
    // An interpreter line is short (the kernel reads 256 bytes of it).
    if (!ReadRegularFile(path, 1024, line))
        return false;
    line.resize(std::min(line.size(), line.find_first_of("\r\n")));
    return true;
}

} // namespace

KVexilConfig::KVexilConfig(std::string appDir, MessageService& messages, KFileHistory* history,
                           KVexilConfigCallbacks callbacks, std::string settingsDir)
    : Callbacks(std::move(callbacks)), TempBat(kDefaultTempBat), TempHtml(kDefaultTempHtml),
      AppDir(std::move(appDir)), SettingsDir(std::move(settingsDir)), Editor(kDefaultEditor),
      messages_(messages), history_(history) {
    if (AppDir.empty() || AppDir.back() != '/')
        AppDir += '/';
    if (SettingsDir.empty())
        SettingsDir = AppDir;
    else if (SettingsDir.back() != '/')
        SettingsDir += '/';
    CfgPath = SettingsDir + "VexilPro.cfg";
    DefsDir = SettingsDir + "defs/";
    // What a folder without a record stands for, until LoadDefFiles reads the folder: a save
    // before then records nothing.
    OfferedLanguages = OfferedBeforeTheRecord();
    HelpPath = AppDir + "VexilPro.hlp";
}

void KVexilConfig::LoadDefFiles() {
    std::error_code ec;
    if (!DirectoryExists(DefsDir))
        std::filesystem::create_directories(DefsDir, ec); // a failure shows later, at the save

    Languages.clear();
    Current = nullptr;
    // A first start: the definitions installed with the program, if any, are the user's to
    // start from, and the other interpreters this machine has are ready, too.
    const bool firstStart = DefFileNames(DefsDir).empty();
    if (firstStart) {
        for (const std::string& name : DefFileNames(AppDir + kInstalledDefs)) {
            // The copy is the user's to change, even when the installed file is read-only.
            if (std::filesystem::copy_file(AppDir + kInstalledDefs + name, DefsDir + name, ec))
                std::filesystem::permissions(DefsDir + name,
                                             std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_write,
                                             std::filesystem::perm_options::add, ec);
        }
    }
    for (const std::string& name : DefFileNames(DefsDir))
        Languages.push_back(std::make_unique<KDefConfig>(DefsDir + name));

    const bool builtIn = Languages.empty();
    if (builtIn) {
        messages_.Show(kNoDefFiles);
        // The described defaults lead every "line N" into the script, whatever file it names:
        // the built-in Perl is the ready one.
        Languages.push_back(std::make_unique<KDefConfig>(DefsDir + "perl.def"));
        ApplyReadyValues(*Languages.front(), PerlSeed());
    } else {
        for (const auto& language : Languages) {
            try {
                UpgradeReadyDefinition(*language);
            } catch (const IniError&) {
                // A file that cannot be written keeps its old text; the save at exit says so.
            }
        }
    }

    // The ready languages this folder was offered: none at a first start; without a record,
    // those of the versions before the record.
    const IniFile cfg(CfgPath);
    if (firstStart)
        OfferedLanguages.clear();
    else if (cfg.HasKey(kLanguages, kOffered))
        OfferedLanguages = ExtList(cfg.ReadString(kLanguages, kOffered, ""));
    else
        OfferedLanguages = OfferedBeforeTheRecord();
    const std::size_t before = Languages.size();
    for (auto& seed : SeedLanguages(DefsDir, FindOnPath, OfferedLanguages))
        Languages.push_back(std::move(seed));
    if (Languages.size() > before) {
        // The seeds are on disk at once; if Perl waited for the close, a program that never
        // closed would leave a folder of definitions without it, and no message next time.
        if (builtIn) {
            try {
                Languages.front()->Save();
            } catch (const IniError&) {
            }
        }
        // In the order every later start reads them in, so the language menu never reorders.
        std::stable_sort(Languages.begin(), Languages.end(), [](const auto& a, const auto& b) {
            return ExtractFileName(a->FileName) < ExtractFileName(b->FileName);
        });
    }
    Current = Languages.front().get();
}

void KVexilConfig::Load() {
    IniFile ini(CfgPath);
    SelectLanguageByName(ini.ReadString(kEnvironment, "Language", kDefaultLanguage));
    Editor = ini.ReadString(kEnvironment, "Editor", kDefaultEditor);
    UseDoubleQuotes = ini.ReadBool(kEnvironment, "UseDoubleQuotes", true);
    UseTagJump = ini.ReadBool(kEnvironment, "UseTagJump", false);
    TagJumpText = ini.ReadString(kEnvironment, "TagJumpText", "");
    TempBat = ini.ReadString(kEnvironment, "TempBat", kDefaultTempBat);
    UsePause = ini.ReadBool(kEnvironment, "UsePause", true);
    bool useHotKey = ini.ReadBool(kEnvironment, "UseHotKey", false);
    auto hotKey = static_cast<uint16_t>(ini.ReadInteger(kEnvironment, "HotKey", 0));
    SetHotKey(useHotKey, hotKey);
    AutoRefresh = ini.ReadBool(kEnvironment, "AutoRefresh", false);
    ReadOnlyWhenAutoRefresh = ini.ReadBool(kEnvironment, "ReadOnlyWhenAutoRefresh", false);

    Maximized = ini.ReadBool(kWindow, "Maximized", false);
    int width = static_cast<int>(ini.ReadInteger(kWindow, "Width", kDefaultWidth));
    if (Callbacks.SetMainWidth)
        Callbacks.SetMainWidth(width);
    int height = static_cast<int>(ini.ReadInteger(kWindow, "Height", kDefaultHeight));
    if (Callbacks.SetMainHeight)
        Callbacks.SetMainHeight(height);

    TempHtml = ini.ReadString(kEnvironment, "TempHtml", kDefaultTempHtml);
    CutHead = ini.ReadBool(kEnvironment, "CutHead", true);
    // Any other value would open every file read-only and fail every save.
    long code = ini.ReadInteger(kEnvironment, "DefaultCode", -1);
    DefaultCode = code >= -1 && code <= 3 ? static_cast<int>(code) : -1;
    if (history_)
        history_->Load(ini);

    MemoryFileWhenDropped = ini.ReadBool(kOthers, "MemoryFileWhenDropped", false);
    ChangeCurrentDirOnDrop = ini.ReadBool(kOthers, "ChangeCurrentDirOnDrop", false);
    DontChangeDirFromDesktop = ini.ReadBool(kOthers, "DontChangeDirFromDesktop", false);
    FEditorStayOnTop = ini.ReadBool(kOthers, "FEditorStayOnTop", false);
    long formCode = ini.ReadInteger(kOthers, "FormCode", kDefaultFormCode);
    FormCode = formCode >= 0 && formCode <= 2 ? static_cast<int>(formCode) : kDefaultFormCode;
    RunInTerminal = ini.ReadBool(kOthers, "RunInTerminal", false);
    LineNumbers = ini.ReadBool(kView, "LineNumbers", true);
    SyntaxColours = ini.ReadBool(kView, "SyntaxColours", true);
    const long panel = ini.ReadInteger(kView, "ErrorPanelHeight", 0);
    ErrorPanelHeight = panel > 0 && panel <= 10000 ? static_cast<int>(panel) : 0;
    Arguments.Load(ini);
    const long zoom = ini.ReadInteger(kView, "Zoom", 0);
    Zoom = zoom >= kZoomSmallest && zoom <= kZoomLargest ? static_cast<int>(zoom) : 0;
}

void KVexilConfig::Save() {
    for (const auto& language : Languages)
        language->Save();

    IniFile ini(CfgPath);
    ini.WriteString(kEnvironment, "Language", Current ? Current->Name : std::string());
    ini.WriteString(kEnvironment, "Editor", Editor);
    ini.WriteBool(kEnvironment, "UseDoubleQuotes", UseDoubleQuotes);
    ini.WriteBool(kEnvironment, "UseTagJump", UseTagJump);
    ini.WriteString(kEnvironment, "TagJumpText", TagJumpText);
    ini.WriteString(kEnvironment, "TempBat", TempBat);
    ini.WriteBool(kEnvironment, "UsePause", UsePause);
    ini.WriteBool(kEnvironment, "UseHotKey", UseHotKey);
    ini.WriteInteger(kEnvironment, "HotKey", HotKey);
    ini.WriteBool(kEnvironment, "AutoRefresh", AutoRefresh);
    ini.WriteBool(kEnvironment, "ReadOnlyWhenAutoRefresh", ReadOnlyWhenAutoRefresh);
    ini.WriteString(kEnvironment, "TempHtml", TempHtml);
    ini.WriteBool(kEnvironment, "CutHead", CutHead);
    ini.WriteInteger(kEnvironment, "DefaultCode",
                     Callbacks.CurrentCode ? Callbacks.CurrentCode() : DefaultCode);
    if (history_)
        history_->Save(ini);
    ini.WriteBool(kOthers, "MemoryFileWhenDropped", MemoryFileWhenDropped);
    ini.WriteBool(kOthers, "ChangeCurrentDirOnDrop", ChangeCurrentDirOnDrop);
    ini.WriteBool(kOthers, "DontChangeDirFromDesktop", DontChangeDirFromDesktop);
    ini.WriteBool(kOthers, "FEditorStayOnTop",
                  Callbacks.FormEditorStayOnTop ? Callbacks.FormEditorStayOnTop()
                                                : FEditorStayOnTop);
    // Written once they differ from the default or are there already, so a user who never
    // changes them keeps the file exactly as the program has always written it.
    const int formCode = Callbacks.FormEditorCode ? Callbacks.FormEditorCode() : FormCode;
    if (formCode != kDefaultFormCode || ini.HasKey(kOthers, "FormCode"))
        ini.WriteInteger(kOthers, "FormCode", formCode);
    if (RunInTerminal || ini.HasKey(kOthers, "RunInTerminal"))
        ini.WriteBool(kOthers, "RunInTerminal", RunInTerminal);
    for (auto [key, on] :
         {std::pair{"LineNumbers", LineNumbers}, std::pair{"SyntaxColours", SyntaxColours}})
        if (!on || ini.HasKey(kView, key))
            ini.WriteBool(kView, key, on);
    if (ErrorPanelHeight > 0)
        ini.WriteInteger(kView, "ErrorPanelHeight", ErrorPanelHeight);
    // A file whose user never typed arguments stays as it was.
    if (!Arguments.Lines().empty() || ini.HasKey("Arguments", "Count"))
        Arguments.Save(ini);
    if (Zoom != 0 || ini.HasKey(kView, "Zoom"))
        ini.WriteInteger(kView, "Zoom", Zoom);
    // Written once it says more than a folder without it would: a later start reads no record
    // as the languages offered before there was one.
    std::vector<std::string> offered = OfferedLanguages, before = OfferedBeforeTheRecord();
    std::sort(offered.begin(), offered.end());
    std::sort(before.begin(), before.end());
    if (offered != before || ini.HasKey(kLanguages, kOffered)) {
        std::string list;
        for (const std::string& name : OfferedLanguages)
            list += (list.empty() ? "" : ",") + name;
        ini.WriteString(kLanguages, kOffered, list);
    }
    ini.UpdateFile();
}

void KVexilConfig::SaveWindow(bool maximized, int width, int height) {
    IniFile ini(CfgPath);
    ini.WriteBool(kWindow, "Maximized", maximized);
    ini.WriteInteger(kWindow, "Height", height);
    ini.WriteInteger(kWindow, "Width", width);
    ini.UpdateFile();
    Save();
}

bool UsableLanguageName(std::string_view name) {
    if (name.empty() || name.front() == '.')
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        // C0 controls and DEL, and the C1 controls as UTF-8 writes them (C2 80 to C2 9F).
        if (c == '/' || c < 0x20 || c == 0x7F ||
            (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
             static_cast<unsigned char>(name[i + 1]) <= 0x9F))
            return false;
    }
    return true;
}

KLanguageSettings LanguageSettingsOf(const KDefConfig& l) {
    return {
        l.ExePath,  l.Option,  l.Ext,       l.UseHelpFile, l.UseHtmlHelp,           l.HelpFile,
        l.TempFile, l.TempDir, l.ShowError, l.RegExpErr,   l.UseTagJumpToOtherFile, l.RegExpFile};
}

std::string SingleLine(std::string_view text) {
    std::string line(text);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return line;
}

KEnvironmentSettings SingleLineValues(KEnvironmentSettings s) {
    for (std::string* text : {&s.Editor, &s.TempBat, &s.TempHtml, &s.TagJumpText})
        *text = SingleLine(*text);
    return s;
}

KLanguageSettings SingleLineValues(KLanguageSettings s) {
    for (std::string* text : {&s.ExePath, &s.Option, &s.Ext, &s.HelpFile, &s.TempFile, &s.TempDir,
                              &s.RegExpErr, &s.RegExpFile})
        *text = SingleLine(*text);
    return s;
}

KEnvironmentSettings KVexilConfig::Environment() const {
    KEnvironmentSettings s;
    s.Editor = Editor;
    s.UseDoubleQuotes = UseDoubleQuotes;
    s.TempBat = TempBat;
    s.UsePause = UsePause;
    s.UseHotKey = UseHotKey;
    s.HotKey = HotKey;
    s.TempHtml = TempHtml;
    s.CutHead = CutHead;
    s.UseTagJump = UseTagJump;
    s.TagJumpText = TagJumpText;
    s.ReadOnlyWhenAutoRefresh = ReadOnlyWhenAutoRefresh;
    s.MemoryFileWhenDropped = MemoryFileWhenDropped;
    s.ChangeCurrentDirOnDrop = ChangeCurrentDirOnDrop;
    s.DontChangeDirFromDesktop = DontChangeDirFromDesktop;
    return s;
}

void KVexilConfig::ApplyEnvironment(const KEnvironmentSettings& shown) {
    const KEnvironmentSettings s = SingleLineValues(shown);
    Editor = s.Editor;
    UseDoubleQuotes = s.UseDoubleQuotes;
    TempBat = s.TempBat;
    UsePause = s.UsePause;
    SetHotKey(s.UseHotKey, s.HotKey);
    TempHtml = s.TempHtml;
    CutHead = s.CutHead;
    UseTagJump = s.UseTagJump;
    TagJumpText = s.TagJumpText;
    ReadOnlyWhenAutoRefresh = s.ReadOnlyWhenAutoRefresh;
    MemoryFileWhenDropped = s.MemoryFileWhenDropped;
    ChangeCurrentDirOnDrop = s.ChangeCurrentDirOnDrop;
    DontChangeDirFromDesktop = s.DontChangeDirFromDesktop;
    Changed(false);
}

void KVexilConfig::ApplyLanguage(const KLanguageSettings& shown) {
    if (!Current)
        return;
    const KLanguageSettings s = SingleLineValues(shown);
    KDefConfig& l = *Current;
    l.ExePath = s.ExePath;
    l.Option = s.Option;
    l.Ext = s.Ext;
    l.UseHelpFile = s.UseHelpFile;
    l.UseHtmlHelp = s.UseHtmlHelp;
    l.HelpFile = s.HelpFile;
    l.TempFile = s.TempFile;
    l.TempDir = s.TempDir;
    l.ShowError = s.ShowError;
    l.RegExpErr = s.RegExpErr;
    l.UseTagJumpToOtherFile = s.UseTagJumpToOtherFile;
    l.RegExpFile = s.RegExpFile;
    // The windows show the new values even when a file then cannot be written.
    Changed(false);
    Save();
}

void KVexilConfig::SelectLanguage(size_t index) {
    if (index >= Languages.size())
        return;
    Current = Languages[index].get();
    Changed(false);
}

bool KVexilConfig::AddLanguage(const std::string& name, const std::string& exePath) {
    // The name becomes a file name: "../x" would write outside defs/, "/" or a zero byte
    // would break the path, a line break the file.
    if (!UsableLanguageName(name)) {
        messages_.Show(kUnusableLanguageName, kErrorCaption, MessageIcon::Warning);
        return false;
    }
    // Languages are chosen by name without regard to case, so "PERL" beside Perl would be a
    // second Perl that is never chosen: it replaces Perl's own file instead, if the user agrees.
    std::string path = DefsDir + name + ".def";
    auto named = std::find_if(Languages.begin(), Languages.end(),
                              [&](const auto& l) { return SameTextAscii(l->Name, name); });
    if (named != Languages.end())
        path = (*named)->FileName;
    std::error_code ec;
    const bool exists = named != Languages.end() ||
                        std::filesystem::exists(std::filesystem::symlink_status(path, ec));
    if (exists && messages_.AskYesNoDefaultNo("言語定義ファイル " + path + kReplaceDefFile,
                                              kConfirmCaption) != MessageAnswer::Yes)
        return false;
    auto language = std::make_unique<KDefConfig>(path, name, exePath);
    Current = language.get();
    // The replaced file's entry gives way, so the list never holds two entries for one file.
    auto same = std::find_if(Languages.begin(), Languages.end(),
                             [&](const auto& l) { return l->FileName == path; });
    if (same != Languages.end())
        *same = std::move(language);
    else
        Languages.push_back(std::move(language));
    Changed(true);
    messages_.Show(name + kAddedLanguage);
    return true;
}

void KVexilConfig::Changed(bool languageListChanged) {
    if (Callbacks.SettingsChanged)
        Callbacks.SettingsChanged(languageListChanged);
}

void KVexilConfig::SelectLanguageByName(const std::string& text) {
    for (const auto& language : Languages) {
        if (SameTextAscii(language->Name, text)) {
            Current = language.get();
            return;
        }
    }
}

bool KVexilConfig::SelectLanguageByExtension(const std::string& filePath) {
    const std::string name = ExtractFileName(filePath);
    // A name pattern says more than an extension: t/basic.t is a test before it is Perl, and
    // tests/test_parse.py one before it is Python, whatever the order of the list.
    for (const bool patterns : {true, false}) {
        for (const auto& language : Languages) {
            for (const std::string& item : ExtList(language->Ext)) {
                if (IsNamePattern(item) == patterns && ExtItemClaims(item, name)) {
                    Current = language.get();
                    return true;
                }
            }
        }
    }
    return false;
}

bool KVexilConfig::SelectLanguageOfScript(const std::string& filePath) {
    if (SelectLanguageByExtension(filePath))
        return true;
    std::string head;
    if (!ReadFirstLine(filePath, head))
        return false;
    return SelectLanguageByFirstLine(head);
}

bool KVexilConfig::SelectLanguageByFirstLine(const std::string& line) {
    if (line.rfind("#!", 0) != 0)
        return false; // only an interpreter line names a language
    for (const auto& language : Languages) {
        const std::string expression = FirstLineExpression(language->RegExpLang);
        if (!Trim(expression).empty() && RegExpMatchUtf8(line, expression)) {
            Current = language.get();
            return true;
        }
    }
    return false;
}

std::string KVexilConfig::GetFileFilter() const {
    std::vector<std::string> items = Current ? ExtList(Current->Ext) : std::vector<std::string>();
    std::string described, patterns;
    for (size_t i = 0; i < items.size(); ++i) {
        const std::string item = IsNamePattern(items[i]) ? items[i] : "*." + items[i];
        described += (i ? "," : "") + item;
        patterns += (i ? ";" : "") + item;
    }
    std::string name = Current ? Current->Name : std::string();
    return name + " Files(" + described + ")|" + patterns + "|All Files(*.*)|*.*";
}

std::string KVexilConfig::GetTempFilePath() const {
    if (!Current)
        return {};
    if (Current->TempDir.empty())
        return SettingsDir + Current->TempFile;
    return Current->TempDir + "/" + Current->TempFile;
}

bool KVexilConfig::CheckRunnable() {
    const std::string exePath = Current ? Current->ExePath : std::string();
    if (!FileExists(exePath)) {
        messages_.Show("File " + exePath + " is not found.", kAppCaption, MessageIcon::Information);
        return false;
    }
    std::string folder = ExtractFileDir(GetTempFilePath());
    if (!DirectoryExists(folder)) {
        messages_.Show("Temp Directory " + folder + " is not found.", kAppCaption,
                       MessageIcon::Information);
        return false;
    }
    return true;
}

void KVexilConfig::SetHotKey(bool use, uint16_t key) {
    UseHotKey = use;
    HotKey = key;
    if (use) {
        if (Callbacks.RegisterGlobalHotKey)
            Callbacks.RegisterGlobalHotKey(key);
    } else if (Callbacks.UnregisterGlobalHotKey) {
        Callbacks.UnregisterGlobalHotKey();
    }
}

void KVexilConfig::SetReadOnly(bool flag) {
    ReadOnly = flag;
    if (Callbacks.SetEditorReadOnly)
        Callbacks.SetEditorReadOnly(flag);
}
