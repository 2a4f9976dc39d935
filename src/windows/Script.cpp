#include "windows/Script.h"

#include "windows/logic/CommentToggle.h"

#include "config/Kfilehistory.h"
#include "config/Kvexilconfig.h"
#include "encoding/Codeconv.h"
#include "platform/CommandLine.h"
#include "platform/Cp932.h"
#include "platform/FileFacts.h"
#include "windows/logic/LexerChoice.h"
#include "windows/logic/ScriptNavigation.h"
#include "windows/logic/TagJump.h"

#include <nkf32/nkfguess.h>

#include <QEvent>
#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr const char* kNewScriptTitle = "Vexil2 * 新規スクリプト";
constexpr const char* kSavedTitle = "Vexil2 - ";
constexpr const char* kModifiedTitle = "Vexil2 * ";
constexpr const char* kMissingQuestion = "が見当たりません。\n新規作成しますか？";
constexpr const char* kModifiedQuestion = "は変更されています。保存しますか？";
constexpr const char* kUnnamedScript = "スクリプト ";
constexpr const char* kReloadQuestion = "スクリプトが変更されています。読み込み直しますか？";
constexpr const char* kReloadCaption = "Vexil";
constexpr const char* kEditorMissing = "が見つかりません。パスを確認してください。";
constexpr const char* kOpenTitle = "スクリプトを開く";
constexpr const char* kSaveTitle = "スクリプトを保存";

std::string LossyOpenWarning(const std::string& path, int code) {
    return path + " には、文字コード " + CodeName(code) +
           " から正しく読み込めない文字、または SJIS で表せない文字が含まれています。\n"
           "保存すると内容が変わってしまうため、読み取り専用で開きます。";
}

std::string RereadQuestion(const std::string& path, int codeChoice) {
    return path + " を" + (codeChoice == -1 ? std::string("自動判別") : CodeName(codeChoice)) +
           "で読み込みなおしますか？";
}

constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";

constexpr const char* kLossyInputQuestion =
    "クリップボードのテキストには、スクリプトの文字コードで表せない文字が含まれています。\n"
    "それらの文字は「〓」に置き換わります。実行しますか？";

std::string LossySaveQuestion(const std::string& path) {
    return path + " には、SJIS で表せない文字が含まれています。\n"
                  "保存するとそれらの文字は「〓」に置き換わります。保存しますか？";
}

// Whether the editor's text, taken back to CP932, is exactly these bytes.
bool HoldsExactly(std::string_view utf8, std::string_view cp932) {
    std::size_t at = 0;
    bool same = true;
    std::size_t lost = Utf8ToCp932Chunks(utf8, [&](std::string_view piece) {
        if (!same)
            return;
        if (piece.size() > cp932.size() - at ||
            std::memcmp(piece.data(), cp932.data() + at, piece.size()) != 0)
            same = false;
        at += piece.size();
    });
    return same && lost == 0 && at == cp932.size();
}

} // namespace

TFScript::TFScript(MainWindowHost& host, KVexilConfig* config, KFileHistory* history,
                   QWidget* parent)
    : TFTextBase(host, kScript, QStringLiteral("Script"), parent), Config(config),
      history_(history) {
    connect(&Editor(), &ScintillaEditor::TextChanging, this, &TFScript::REScriptChange);
    // The status bar reads the text after the change, which textChanged comes before.
    connect(&Editor(), &ScintillaEditor::Edited, this, [this] {
        if (!loading_)
            Host().RefreshStatus();
    });
    // Undo back to the text last saved or loaded is the file's text again, as in every
    // Linux editor: F9 then runs the file itself.
    connect(&Editor(), &QsciScintilla::modificationChanged, this, [this](bool modified) {
        if (modified || loading_ || savePointStale_ || !Modified)
            return;
        Modified = false;
        Host().SetCaption(GetTitle());
        Host().RefreshView();
    });
    Editor().installEventFilter(this);
    Editor().viewport()->installEventFilter(this);
    FollowLook();
}

void TFScript::FollowLook() {
    if (!Config)
        return;
    Editor().SetLineNumbers(Config->LineNumbers);
    const KDefConfig* language = Config->Current;
    Editor().SetSyntax(Config->SyntaxColours && language
                           ? LexerFor(language->Name, language->ExePath, language->Ext)
                           : SyntaxLexer::None);
    Editor().SetIndentStyle(language
                                ? IndentStyleFor(language->IndentSpaces, language->TabWidth,
                                                 language->Name, language->ExePath, language->Ext)
                                : IndentStyle{});
}

std::string TFScript::CommentMark() const {
    const KDefConfig* language = Config ? Config->Current : nullptr;
    if (!language)
        return "#";
    return CommentMarkFor(language->CommentMark, language->Name, language->ExePath, language->Ext);
}

bool TFScript::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &Editor() && event->type() == QEvent::KeyRelease) {
        // The whole view, not only the status bar: the undo item follows CanUndo.
        Host().RefreshView();
    } else if (watched == Editor().viewport() && (event->type() == QEvent::MouseButtonPress ||
                                                  event->type() == QEvent::MouseButtonRelease)) {
        Host().RefreshStatus();
    }
    return TFTextBase::eventFilter(watched, event);
}

void TFScript::REScriptChange() {
    if (loading_)
        return;
    Modified = true;
    Host().SetCaption(GetTitle());
}

bool TFScript::LoadText(const std::string& cp932) {
    ++loads_;
    loading_ = true;
    Editor().SetWholeText(cp932);
    loading_ = false;
    REScriptChange(); // one change for the whole load, as a single replacement would raise
    return HoldsExactly(Editor().Utf8Text(), cp932);
}

void TFScript::LoadUtf8(std::string_view utf8) {
    ++loads_;
    loading_ = true;
    Editor().SetWholeUtf8(utf8);
    loading_ = false;
    REScriptChange();
}

void TFScript::FollowFolderOf(const std::string& path) {
    std::string dir = ExtractFileDir(path);
    if (!dir.empty())
        SetFolder(dir);
}

void TFScript::NewScript() {
    FileName.clear();
    ByteOrderMark = false;
    // New text is what Linux programs read: UTF-8 (unless a code is chosen in the menu) with
    // LF line ends, so a Python script with Japanese runs and a #! line works from a shell.
    Code = CodeChoice == -1 ? kCodeUtf8 : CodeChoice;
    LineEnd = kLineEndLf;
    Editor().SetTypedLineEnd(LineEnd);
    LoadText({});
    Modified = false;
    savePointStale_ = false;
    Host().HideErrorPanel();
    lossReadOnly_.TakenOver();
    if (Config)
        Config->SetReadOnly(false);
    Host().RefreshView();
}

void TFScript::Restore(const KeptScript& kept) {
    FileName = kept.fileName;
    Code = kept.code >= kCodeSjis && kept.code <= kCodeUtf8 ? kept.code : kCodeUtf8;
    LineEnd =
        kept.lineEnd >= kLineEndLf && kept.lineEnd <= kLineEndCrLf ? kept.lineEnd : kLineEndLf;
    ByteOrderMark = false;
    Editor().SetTypedLineEnd(LineEnd);
    LoadUtf8(kept.utf8);
    // Its file may have changed since; what the disk holds is not what is shown.
    FileAge = FileName.empty() ? 0 : FileAgeOf(FileName);
    Modified = true;
    savePointStale_ = true;
    if (!FileName.empty()) {
        FollowFolderOf(FileName);
        if (Config)
            Config->SelectLanguageOfScript(FileName);
    }
    FollowLook();
    Host().SetCaption(GetTitle());
    Host().RefreshView();
}

KeptScript TFScript::Kept() {
    return KeptScript{FileName, Code, LineEnd, std::string(Editor().Utf8Text())};
}

void TFScript::OpenWithDialog() {
    FileDialogRequest request;
    request.filter = Config ? Config->GetFileFilter() : std::string();
    request.title = kOpenTitle;
    request.initialDir = GetFolder();
    std::optional<std::string> path = Host().Dialogs().AskOpenFile(request);
    if (!path)
        return;
    openedLossy_ = false;
    Open(*path);
    FollowFolderOf(FileName);
    // A file that could not be held faithfully stays read-only, whatever route opened it.
    if (Config && !openedLossy_)
        Config->SetReadOnly(false);
}

void TFScript::Open(const std::string& path) {
    MessageService& messages = Host().Messages();
    if (!FileExists(path)) {
        if (messages.AskYesNo(path + kMissingQuestion, kAppCaption, MessageIcon::None) !=
            MessageAnswer::Yes)
            return;
        FileName = path;
        Modified = true;
        savePointStale_ = true;
        Host().SetCaption(GetTitle());
        return;
    }
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        messages.Show(path + " を読み込めませんでした。", kErrorCaption, MessageIcon::Error);
        return;
    }

    FileName = path;
    FileAge = FileAgeOf(FileName);
    ByteOrderMark = false;
    LineEnd = DetectLineEnd(path, messages);
    const bool ascii = JudgeOutput(bytes) == OutputKind::Ascii;
    if (CodeChoice == -1) {
        Code = DetectCode(path, messages);
        // Plain ASCII is the same bytes in both codes: taken as UTF-8, Japanese added later
        // goes in as UTF-8 instead of Shift_JIS.
        if (Code == kCodeSjis && ascii)
            Code = kCodeUtf8;
    }

    // The text must come back as these very bytes when it is saved unchanged: through the
    // converter (when there is one) and through the editor, which holds Unicode.
    bool faithful = true;
    if (Code == kCodeUtf8 &&
        (ascii || nkfguess::LooksUtf8(reinterpret_cast<const unsigned char*>(bytes.data()),
                                      bytes.size(), false))) {
        // A UTF-8 script goes into the editor as it is, so every character survives, also
        // those CP932 lacks. A byte-order mark is no text: it is kept aside and written back.
        std::string_view utf8 = bytes;
        ByteOrderMark = utf8.rfind(kUtf8Bom, 0) == 0;
        if (ByteOrderMark)
            utf8.remove_prefix(3);
        LoadUtf8(utf8);
    } else {
        std::string text;
        if (NkfAvailable()) {
            CheckedConversion checked = ConvertChecked(bytes, Code, kCodeSjis, text, messages);
            if (checked.converted) {
                faithful = checked.lossless && (Code != kCodeSjis || text == bytes);
            } else {
                // Shown as it is; only Shift_JIS bytes are then what the file means.
                text = std::move(bytes);
                faithful = Code == kCodeSjis;
            }
        } else {
            text = std::move(bytes);
        }
        faithful = LoadText(text) && faithful;
    }
    Modified = false;
    savePointStale_ = false;
    Editor().SetTypedLineEnd(LineEnd);

    FollowFolderOf(path);
    if (Config)
        Config->SelectLanguageOfScript(path);
    FollowLook();
    if (history_)
        history_->Add(path);
    openedLossy_ = !faithful;
    if (Config)
        Config->SetReadOnly(lossReadOnly_.AfterRead(Config->ReadOnly, faithful));
    Host().RefreshView();
    if (!faithful)
        messages.Show(LossyOpenWarning(path, Code), kAppCaption, MessageIcon::Warning);
}

bool TFScript::AcceptLossySave(const std::string& path, std::size_t lost) {
    // Every character CP932 holds has its place in the other three codes as the converter
    // writes them (but ESC, SO and SI in JIS, which the caller counts in).
    if (lost == 0)
        return true;
    return Host().Messages().AskYesNo(LossySaveQuestion(path), kSaveConfirmCaption,
                                      MessageIcon::Warning) == MessageAnswer::Yes;
}

void TFScript::ConvertLineEnds(int lineEnd) {
    if (lineEnd == LineEnd)
        return;
    Editor().ConvertLineEnds(lineEnd);
    LineEnd = lineEnd;
    Modified = true;
    Host().SetCaption(GetTitle());
    Host().RefreshView();
}

void TFScript::Redo() {
    TFTextBase::Redo();
    FollowLineEndsOfText();
}

void TFScript::Undo() {
    TFTextBase::Undo();
    FollowLineEndsOfText();
}

void TFScript::FollowLineEndsOfText() {
    // Undoing (or redoing) a conversion of the line ends takes the script's line ends with it.
    const int first = Editor().FirstLineEnd();
    if (first != -1 && first != LineEnd) {
        LineEnd = first;
        Editor().SetTypedLineEnd(LineEnd);
    }
}

std::optional<std::string> TFScript::InScriptCode(std::string_view utf8) {
    ScriptFileText file = EncodeForScript(utf8, Code, LineEnd);
    if (file.lost != 0 && Host().Messages().AskYesNo(kLossyInputQuestion, kAppCaption,
                                                     MessageIcon::Warning) != MessageAnswer::Yes)
        return std::nullopt;
    if (!file.ok) {
        Host().Messages().Show("The text cannot be converted to " + CodeName(Code), kErrorCaption,
                               MessageIcon::Error);
        return std::nullopt;
    }
    return std::move(file.bytes);
}

bool TFScript::SaveToPath(const std::string& path) {
    return Write(path, false);
}

bool TFScript::WriteRunCopy(const std::string& path) {
    return Write(path, true);
}

bool TFScript::Write(const std::string& path, bool runCopy) {
    // A run's copy is a file of our own: a link planted at its name is replaced, never
    // written through.
    const Links links = runCopy ? Links::Replace : Links::Follow;
    std::string error;
    bool saved;
    if (Code == kCodeUtf8) {
        // Straight from the editor's UTF-8: whatever was typed or pasted reaches the file.
        saved = WriteFileAtomic(
            path, (ByteOrderMark ? kUtf8Bom : "") + UnifyLineEnds(Editor().Utf8Text(), LineEnd),
            &error, links);
    } else {
        // Characters typed or pasted into the editor that CP932 has no code for.
        std::size_t lost = Utf8ToCp932Chunks(Editor().Utf8Text(), [](std::string_view) {});
        std::string text = Editor().WholeText();
        // JIS has no room for ESC, SO and SI: a reader would take them for shifts.
        if (Code == kCodeJis)
            lost += static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
                return c == '\x1B' || c == '\x0E' || c == '\x0F';
            }));
        if (!AcceptLossySave(path, lost))
            return false;
        saved = SaveConverted(path, text, Code, LineEnd, &error, links);
    }
    if (!saved) {
        if (!runCopy && path == FileName) {
            // The change on disk is our own write's (a file written in place may have been
            // written back): no reload may be offered for it, and the text is still unsaved.
            FileAge = FileAgeOf(FileName);
            Modified = true;
            savePointStale_ = true;
            Host().SetCaption(GetTitle());
        }
        Host().Messages().Show(path + " を保存できませんでした。\n" + error, kErrorCaption,
                               MessageIcon::Error);
        return false;
    }
    if (runCopy)
        return true;
    if (history_)
        history_->Add(path);
    FileAge = FileAgeOf(FileName);
    Editor().MarkSavePoint();
    savePointStale_ = false;
    Modified = false;
    Host().SetCaption(GetTitle());
    FollowFolderOf(FileName);
    Host().RefreshStatus();
    return true;
}

void TFScript::Save() {
    if (!FileName.empty())
        SaveToPath(FileName);
    else
        SaveAs();
}

void TFScript::SaveAs() {
    FileDialogRequest request;
    request.filter = Config ? Config->GetFileFilter() : std::string();
    request.title = kSaveTitle;
    request.initialDir = GetFolder();
    if (Config && Config->Current)
        request.defaultExt = Config->Current->GetDefaultExt();
    std::optional<std::string> path = Host().Dialogs().AskSaveFile(request);
    if (!path)
        return;
    FileName = *path;
    // The language follows the new name as it does at an open: main.py runs with python.
    if (SaveToPath(FileName) && Config) {
        Config->SelectLanguageOfScript(FileName);
        FollowLook();
        Host().RefreshView();
    }
}

bool TFScript::ConfirmDiscard() {
    if (!Modified)
        return true;
    std::string text = (FileName.empty() ? kUnnamedScript : FileName) + kModifiedQuestion;
    switch (Host().Messages().AskYesNoCancel(text, kSaveConfirmCaption, MessageIcon::Warning)) {
    case MessageAnswer::Yes:
        Save();
        return !Modified;
    case MessageAnswer::No:
        return true;
    default:
        return false;
    }
}

std::string TFScript::GetTitle() const {
    if (FileName.empty())
        return kNewScriptTitle;
    return (Modified ? kModifiedTitle : kSavedTitle) + FileName;
}

bool TFScript::FileChanged() const {
    if (FileName.empty() || !FileExists(FileName))
        return false;
    return FileAgeOf(FileName) != FileAge;
}

void TFScript::Reload() {
    if (FileName.empty())
        return;
    if (Config && Config->AutoRefresh) {
        Open(FileName);
        return;
    }
    // Declining still takes the new time stamp, so this change is not offered again; the
    // text shown is then no longer what the file holds, so it is unsaved text, and a run
    // must write it rather than run the file.
    FileAge = FileAgeOf(FileName);
    if (Host().Messages().AskYesNo(kReloadQuestion, kReloadCaption, MessageIcon::None) ==
        MessageAnswer::Yes) {
        Open(FileName);
        return;
    }
    Modified = true;
    savePointStale_ = true;
    Host().SetCaption(GetTitle());
    Host().RefreshView();
}

bool TFScript::OpenInEditor() {
    if (!Config || Config->Editor.empty())
        return false;
    if (Modified && !ConfirmDiscard())
        return false;
    std::string argument = FileName;
    if (Config->UseDoubleQuotes)
        argument = QuoteArgument(argument);
    const std::string& editor = Config->Editor;
    bool found =
        editor.find('/') != std::string::npos ? FileExists(editor) : !FindOnPath(editor).empty();
    if (!found) {
        Host().Messages().Show(editor + kEditorMissing);
        return false;
    }
    std::vector<std::string> argv{editor};
    for (std::string& a : SplitCommandLine(argument))
        argv.push_back(std::move(a));
    // Like the shell's start of a program, its outcome is not examined.
    Host().Programs().StartDetached(argv);
    return true;
}

void TFScript::GoToLine(long long n) {
    ::GoToLine(Editor(), n);
}

std::string TFScript::GetWordAtCaret() {
    return ::GetWordAtCaret(Editor());
}

void TFScript::SetCodeChoice(int value) {
    CodeChoice = value;
    if (value != -1)
        Code = value;
}

void TFScript::ChooseCode(int value) {
    SetCodeChoice(value);
    if (FileName.empty() || !lossReadOnly_.Imposed() || !Config || !Config->ReadOnly)
        return;
    // The read replaces the text: what the user may have changed is asked about first.
    if (!ConfirmDiscard())
        return;
    if (Host().Messages().AskYesNo(RereadQuestion(FileName, value), kAppCaption,
                                   MessageIcon::Question) == MessageAnswer::Yes)
        Open(FileName);
}

void TFScript::ShowErrorMarks(const std::vector<ErrorMark>& marks) {
    std::vector<std::pair<TextPos, QString>> lines;
    lines.reserve(marks.size());
    for (const ErrorMark& mark : marks)
        lines.emplace_back(static_cast<TextPos>(mark.line - 1), QString::fromUtf8(mark.message));
    Editor().SetLineMarks(lines);
}

Visit TFScript::Here() {
    Visit here;
    here.file = FileName;
    here.caret = Editor().SelectionStart();
    here.topLine = Editor().FirstVisibleLine();
    here.folder = Folder;
    here.state = FileState{
        Code, CodeChoice, LineEnd, Config && Config->ReadOnly, FileAge, lossReadOnly_.Imposed()};
    return here;
}

bool TFScript::SaveUnnamed() {
    SaveAs();
    return !FileName.empty() && !Modified;
}

bool TFScript::ShowFile(const std::string& file, const FileState& state) {
    // The error list is read with the language of the script it came from, and the runs
    // happen in its folder: neither follows the file shown.
    KDefConfig* language = Config ? Config->Current : nullptr;
    const std::string folder = Folder;
    const int choice = CodeChoice;
    const bool readOnly = Config && Config->ReadOnly;
    const bool imposed = lossReadOnly_.Imposed();
    // A file looked at on the way is no file the user opened: the recent files stay.
    KFileHistory* history = std::exchange(history_, nullptr);
    CodeChoice = state.codeChoice;
    // Before the load, which turns it on for a file it cannot hold faithfully.
    if (Config)
        Config->SetReadOnly(state.readOnly);
    lossReadOnly_.Restore(state.readOnlyByLoss);
    Open(file);
    history_ = history;
    if (Config)
        Config->Current = language;
    SetFolder(folder);
    if (FileName != file) {
        CodeChoice = choice;
        if (Config)
            Config->SetReadOnly(readOnly);
        lossReadOnly_.Restore(imposed);
        return false;
    }
    // Line ends are read from the file; what it was shown with stands while it is unchanged
    // (a file without a line break shows none).
    if (state.fileAge != 0 && state.fileAge == FileAge && state.lineEnd != LineEnd) {
        LineEnd = state.lineEnd;
        Editor().SetTypedLineEnd(LineEnd);
    }
    Host().RefreshView();
    return true;
}

void TFScript::MoveTo(long long caret, long long topLine) {
    RestoreView(Editor(), caret, topLine);
}
