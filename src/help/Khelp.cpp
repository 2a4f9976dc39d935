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
}

KHelp::~KHelp() {
    if (services_.docLookup)
        services_.docLookup->Cancel();
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
        const bool perl = IsPerlInterpreter(language->ExePath);
        const bool python = !perl && IsPythonInterpreter(language->ExePath);
        if (perl && ShowPerlFunction(word))
            return;
        if (python && StartPythonTopic(Trim(language->ExePath), word))
            return;
        // A word pydoc cannot be asked about is named; otherwise the help file that is missing.
        services_.messages.Show((python && !word.empty() ? word : language->HelpFile) + kNotFound);
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

bool KHelp::StartPythonTopic(const std::string& interpreter, const std::string& word) {
    std::optional<std::string> name = PythonTopicName(word);
    if (!name || !services_.docLookup)
        return false;
    // The answer comes on the window's thread; the services outlive any lookup, since the
    // lookup is called off when it is destroyed.
    services_.docLookup->Start(PydocCall(interpreter, *name),
                               [this, name = *name](std::optional<std::string> output) {
                                   std::optional<std::string> entry = PydocEntry(std::move(output));
                                   if (entry)
                                       services_.viewer.ShowText("pydoc " + name, *entry);
                                   else
                                       services_.messages.Show(name + kNotFound);
                               });
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
