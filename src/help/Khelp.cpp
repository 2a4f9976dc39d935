#include "help/Khelp.h"

#include "config/Kvexilconfig.h"
#include "platform/FileFacts.h"
#include "platform/Launcher.h"
#include "platform/MessageService.h"
#include "platform/ProgramOutput.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

constexpr const char* kNotFound = "が見つかりません。";
constexpr const char* kNoHtmlHelp = "HHCTRL.OCXが見つかりません";
constexpr std::chrono::seconds kPerldocTimeout{10};
// pydoc imports the module it documents; a large package takes a few seconds.
constexpr std::chrono::seconds kPydocTimeout{15};

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

} // namespace

KHelp::KHelp(KVexilConfig& config, KHelpServices services)
    : HelpFile(config.HelpPath), config_(config), services_(std::move(services)) {
    if (!services_.hasAssociatedProgram)
        services_.hasAssociatedProgram = DesktopHasProgramFor;
    if (!services_.perlFunctionDoc)
        services_.perlFunctionDoc = PerlFunctionDoc;
    if (!services_.pythonDoc)
        services_.pythonDoc = PydocText;
}

void KHelp::ShowHelpContents() {
    if (!FileExists(HelpFile)) {
        services_.messages.Show(HelpFile + kNotFound);
        return;
    }
    services_.viewer.ShowContents(HelpFile);
}

void KHelp::ShowKeywordHelp() {
    const KDefConfig* language = config_.Current;
    if (!language)
        return;
    const std::string word = services_.wordAtCaret ? services_.wordAtCaret() : std::string();

    std::string path = language->HelpFile;
    if (!FileExists(path))
        path = config_.AppDir + ExtractFileName(language->HelpFile);
    if (!FileExists(path)) {
        // A stock Perl or Python has its documentation at hand even where no help file was
        // ever set up.
        const bool shown = IsPerlInterpreter(language->ExePath)
                               ? ShowPerlFunction(word)
                               : IsPythonInterpreter(language->ExePath) &&
                                     ShowPythonTopic(Trim(language->ExePath), word);
        if (!shown)
            services_.messages.Show(language->HelpFile + kNotFound);
        return;
    }
    if (!language->UseHelpFile) {
        ShowHelpContents();
        return;
    }
    if (language->UseHtmlHelp && FileExists(language->HelpFile)) {
        HtmlHelpKeyword(language->HelpFile, word);
        return;
    }
    // The lookup borrows the application's help file; it is the program's own again
    // afterwards, also when the viewer fails.
    struct Restore {
        KHelp& help;
        ~Restore() { help.HelpFile = help.config_.HelpPath; }
    } restore{*this};
    HelpFile = path;
    services_.viewer.ShowKeyword(HelpFile, word);
}

void KHelp::HtmlHelpKeyword(const std::string& file, const std::string& keyword) {
    if (LowerAscii(ExtractFileExt(file)) != ".chm") {
        services_.viewer.ShowKeyword(file, keyword);
        return;
    }
    // Compiled HTML Help has no reader here; the desktop's program for it may have one.
    if (!services_.hasAssociatedProgram(file) ||
        !services_.launcher.StartDetached(OpenerCommand(file)))
        services_.messages.Show(kNoHtmlHelp);
}

bool KHelp::ShowPerlFunction(const std::string& word) {
    std::optional<std::string> name = PerlFunctionName(word);
    if (!name)
        return false;
    std::optional<std::string> entry = services_.perlFunctionDoc(*name);
    if (!entry || entry->empty())
        return false;
    services_.viewer.ShowText("perldoc -f " + *name, *entry);
    return true;
}

bool KHelp::ShowPythonTopic(const std::string& interpreter, const std::string& word) {
    std::optional<std::string> name = PythonTopicName(word);
    if (!name)
        return false;
    std::optional<std::string> text = services_.pythonDoc(interpreter, *name);
    if (!text || text->empty())
        return false;
    services_.viewer.ShowText("pydoc " + *name, *text);
    return true;
}

std::optional<std::string> PerlFunctionName(const std::string& word) {
    // The file tests: -e, -f, -d...
    if (word.size() == 2 && word[0] == '-' && std::isalpha(static_cast<unsigned char>(word[1])))
        return word;
    if (word.empty() || !(std::isalpha(static_cast<unsigned char>(word[0])) || word[0] == '_'))
        return std::nullopt;
    size_t end = 0;
    while (end < word.size() && IsWordChar(word[end]))
        ++end;
    if (word.compare(end, 2, "::") == 0)
        return std::nullopt; // a package name, not a function
    return word.substr(0, end);
}

std::optional<std::string> PerlFunctionDoc(const std::string& name) {
    // -T: straight to the output, no pager; -o text: plain text without terminal escapes.
    return ReadProgramOutput({"perldoc", "-T", "-o", "text", "-f", name}, kPerldocTimeout);
}

std::optional<std::string> PythonTopicName(const std::string& word) {
    std::string name;
    size_t i = 0;
    for (;;) {
        if (i >= word.size() ||
            !(std::isalpha(static_cast<unsigned char>(word[i])) || word[i] == '_'))
            break;
        size_t end = i;
        while (end < word.size() && IsWordChar(word[end]))
            ++end;
        if (!name.empty())
            name += '.';
        name += word.substr(i, end - i);
        // Only a dot followed by another name continues it: "os.path." names os.path.
        if (end + 1 < word.size() && word[end] == '.')
            i = end + 1;
        else
            break;
    }
    if (name.empty())
        return std::nullopt;
    return name;
}

std::optional<std::string> PydocText(const std::string& interpreter, const std::string& name) {
    if (interpreter.empty() || name.empty() || name.front() == '-')
        return std::nullopt;
    // An empty folder of our own: pydoc puts its working folder first on the module path,
    // -I or not, so a helper.py there would run.
    std::error_code ec;
    std::string base = std::filesystem::temp_directory_path(ec).string();
    if (ec || base.empty())
        base = "/tmp";
    std::string folder = base + "/vexil-pydoc-XXXXXX";
    if (!::mkdtemp(folder.data()))
        return std::nullopt;
    std::optional<std::string> text =
        ReadProgramOutput({interpreter, "-I", "-m", "pydoc", name}, kPydocTimeout, 4 << 20, folder);
    std::filesystem::remove_all(folder, ec);
    // Without an entry pydoc prints a line saying so; in older versions with exit code 0.
    if (text && text->rfind("No Python documentation found", 0) == 0)
        return std::nullopt;
    return text;
}
