#include "windows/Result.h"

#include "config/Kvexilconfig.h"
#include "encoding/Codeconv.h"
#include "platform/ByteStream.h"
#include "platform/Cp932.h"
#include "platform/FileFacts.h"
#include "windows/InputLine.h"
#include "windows/TerminalColours.h"
#include "windows/logic/DisplayCut.h"
#include "windows/logic/ResultGuard.h"
#include "windows/logic/ScriptDocument.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLayout>
#include <vector>

namespace {

// The text in slices of at most kSlice bytes, each ending after a line end (a character
// boundary in every code); a longer line stays whole.
void SlicesAtLineEnds(std::string_view text, std::vector<std::string_view>& slices) {
    constexpr std::size_t kSlice = std::size_t{64} << 20;
    while (text.size() > kSlice) {
        std::size_t end = text.rfind('\n', kSlice - 1);
        if (end == std::string_view::npos)
            end = text.find('\n', kSlice);
        if (end == std::string_view::npos)
            break;
        slices.push_back(text.substr(0, end + 1));
        text.remove_prefix(end + 1);
    }
    slices.push_back(text);
}

} // namespace

TFResult::TFResult(MainWindowHost& host, ScriptDocument* script, KVexilConfig* config,
                   QWidget* parent)
    : TFTextBase(host, kResult, QStringLiteral("Result"), parent), script_(script), config_(config),
      input_(new InputLine(this)) {
    layout()->addWidget(input_);
    connect(input_, &InputLine::Sent, this, [this](const std::string& echo) { Echo(echo); });
    // The result text has no modified state: a change only moves the status bar.
    connect(&Editor(), &ScintillaEditor::Edited, this, [this] {
        if (!loading_)
            Host().RefreshStatus();
    });
    // Edited, the text shown is what a save writes; told at once, before a key that saves.
    connect(&Editor(), &ScintillaEditor::TextChanging, this, [this] {
        if (!loading_) {
            captured_.reset();
            raw_.reset();
        }
    });
    // Output is never coloured by a lexer: its documents carry no style bytes, and the
    // colours a program writes are indicators over the text.
    Editor().SetPlainDocument(true);
    SetUpTerminalColours(Editor());
    Editor().installEventFilter(this);
    Editor().viewport()->installEventFilter(this);
}

bool TFResult::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        if (watched == Editor().viewport())
            Host().RefreshStatus();
        break;
    case QEvent::KeyRelease:
        if (watched == &Editor()) {
            // The undo command's state follows the keys typed.
            Host().RefreshView();
            Host().RefreshStatus();
        }
        break;
    default:
        break;
    }
    return TFTextBase::eventFilter(watched, event);
}

std::size_t TFResult::Cap() const {
    // Asked when output comes, not at start-up: what memory allows then is what counts.
    return displayCap_ ? displayCap_ : DisplayCap(AvailableMemory());
}

void TFResult::Uncut() {
    if (!cut_)
        return;
    cut_ = false;
    whole_ = ByteStream();
    wholeFrom_ = 0;
    Editor().setReadOnly(false);
}

void TFResult::Clear() {
    Uncut();
    captured_.reset();
    raw_.reset();
    terminal_.reset();
    live_ = 0;
    loading_ = true;
    Editor().SetWholeText({});
    loading_ = false;
    Editor().ScrollLines(-Editor().FirstVisibleLine());
    Host().RefreshStatus();
}

void TFResult::LoadFromStream(ByteStream& stream, TextCode code) {
    // Tens of megabytes arrive in one piece: convert once and set once, with one status
    // refresh at the end instead of one per appended block.
    Uncut();
    captured_.reset();
    raw_.reset();
    terminal_.reset();
    loading_ = true;
    held_ = code;
    // The text shown while the run lasted goes before the final one is made, not after.
    if (live_ != 0)
        Editor().SetWholeUtf8({});
    live_ = 0;
    const std::string_view bytes = stream.View().substr(stream.Position());
    // Output with progress lines or colours is shown as a terminal shows it, unless it is too
    // large to be shown whole: then its bytes are shown as they are, cut.
    if (bytes.size() <= Cap() && HasTerminalControls(bytes)) {
        const TerminalEdit shown = TerminalText::Whole(
            code == TextCode::Utf8 ? std::string(bytes) : Cp932ToUtf8(bytes).text);
        raw_ = std::string(bytes);
        Editor().SetWholeUtf8(shown.text);
        PaintTerminalSpans(Editor(), 0, shown.spans);
        stream.SetPosition(stream.Size());
        loading_ = false;
        Host().RefreshStatus();
        return;
    }
    // The cut text goes in as its parts: a copy of it whole would be another gigabyte. A
    // capture in a file leaves memory before the document is made, and each slice of it again
    // once it is in, so the output is not held twice at once.
    const std::optional<DisplayPieces> shown = CutPieces(bytes, Cap(), code, true);
    std::vector<std::string_view> pieces;
    if (shown) {
        SlicesAtLineEnds(bytes.substr(0, shown->headEnd), pieces);
        pieces.push_back(shown->note);
        SlicesAtLineEnds(bytes.substr(shown->tailStart), pieces);
    } else {
        SlicesAtLineEnds(bytes, pieces);
    }
    stream.ForgetPages(0, stream.Size());
    Editor().SetWholePieces(pieces, code, [&stream](std::string_view piece) {
        const char* start = stream.Data();
        if (piece.data() >= start && piece.data() < start + stream.Size())
            stream.ForgetPages(static_cast<std::size_t>(piece.data() - start),
                               static_cast<std::size_t>(piece.data() - start) + piece.size());
    });
    stream.SetPosition(stream.Size());
    if (shown) {
        // An edit could not reach the part left out, so the cut text stays as it came.
        cut_ = true;
        wholeFrom_ = bytes.data() - stream.Data();
        whole_ = std::move(stream);
        Editor().setReadOnly(true);
    }
    loading_ = false;
    Host().RefreshStatus();
}

bool TFResult::AppendLive(std::string_view bytes, TextCode code, LiveAhead ahead) {
    if (live_ == 0)
        liveCap_ = Cap();
    if (live_ + bytes.size() > liveCap_ / 2)
        return false;
    live_ += bytes.size();
    loading_ = true;
    held_ = code;
    // The room taken ahead stops near where the appends stop (CP932 may grow by half in UTF-8).
    const std::size_t most = liveCap_ / 2 + (code == TextCode::Utf8 ? 0 : liveCap_ / 4) + (1 << 20);
    if (!terminal_)
        terminal_.emplace(TextCode::Utf8);
    // ASCII reads the same in both codes: a piece of it goes in as it is, with no copy.
    const bool asIs = code == TextCode::Utf8 || JudgeOutput(bytes) == OutputKind::Ascii;
    const std::string converted = asIs ? std::string() : Cp932ToUtf8(bytes).text;
    const std::string_view utf8 = asIs ? bytes : std::string_view(converted);
    if (terminal_->TakePlain(utf8)) {
        Editor().AppendUtf8(utf8, most, ahead);
    } else {
        terminal_->Feed(utf8);
        ShowTerminal(terminal_->Take(), most, ahead);
    }
    loading_ = false;
    return true;
}

void TFResult::ShowTerminal(TerminalEdit edit, std::size_t most, LiveAhead ahead) {
    Editor().DropTail(edit.drop);
    const auto at =
        static_cast<std::size_t>(Editor().SendScintilla(QsciScintillaBase::SCI_GETLENGTH));
    Editor().AppendUtf8(edit.text, most, ahead);
    PaintTerminalSpans(Editor(), at, edit.spans);
}

void TFResult::FocusEditor() {
    if (input_->IsOpen() && input_->isEnabled())
        input_->setFocus(Qt::OtherFocusReason);
    else
        TFTextBase::FocusEditor();
}

void TFResult::OpenInput(TerminalInput* input) {
    const bool had = input_->hasFocus();
    input_->Open(input);
    if (input)
        input_->setFocus(Qt::OtherFocusReason);
    else if (had)
        TFTextBase::FocusEditor();
}

std::pair<int, int> TFResult::SizeInCharacters() {
    const QFontMetrics metrics(Editor().font());
    const QSize area = Editor().viewport()->size();
    const int width = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
    const int height = std::max(1, metrics.lineSpacing());
    return {std::max(20, area.width() / width), std::max(5, area.height() / height)};
}

void TFResult::Echo(const std::string& utf8) {
    if (!terminal_)
        terminal_.emplace(TextCode::Utf8);
    loading_ = true;
    terminal_->Feed(utf8);
    ShowTerminal(terminal_->Take(), 0);
    loading_ = false;
}

void TFResult::KeepLive(TextCode code) {
    if (terminal_) {
        // A sequence the output left open shows nothing.
        loading_ = true;
        terminal_->Finish();
        ShowTerminal(terminal_->Take(), 0);
        terminal_.reset();
        loading_ = false;
    }
    held_ = code;
    Editor().SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
    Host().RefreshStatus();
}

void TFResult::KeepCaptured(std::string bytes) {
    captured_ = std::move(bytes);
}

void TFResult::KeepRaw(std::string bytes) {
    raw_ = std::move(bytes);
}

std::string TFResult::Utf8Text() {
    if (raw_)
        return held_ == TextCode::Utf8 ? *raw_ : Cp932ToUtf8(*raw_).text;
    if (!cut_)
        return std::string(Editor().Utf8Text());
    return held_ == TextCode::Utf8 ? std::string(Whole()) : Cp932ToUtf8(Whole()).text;
}

std::string TFResult::GetText() {
    if (captured_)
        return *captured_;
    if (raw_)
        return *raw_;
    if (cut_)
        return std::string(Whole());
    if (held_ == TextCode::Utf8)
        return std::string(Editor().Utf8Text());
    return Utf8ToCp932(Editor().Utf8Text()).text;
}

bool TFResult::SaveToPath(const std::string& path) {
    // Every result that reaches a file comes here, from the page's save and from the
    // always-save after each run alike, so no way round the guard can destroy the script.
    if (WouldOverwriteScript(script_ ? script_->GetFileName() : std::string(), path)) {
        Host().Messages().Show(kResultOverwritesScript);
        return false;
    }
    if (config_)
        config_->ResultFile = path;
    std::string error;
    // Without conversion: the code the text is held in, UTF-8 output byte for byte.
    if (cut_ && !captured_ ? WriteFileAtomic(path, Whole(), &error)
                           : WriteFileAtomic(path, GetText(), &error))
        return true;
    Host().Messages().Show(error, kErrorCaption, MessageIcon::Error);
    return false;
}

void TFResult::Save() {
    FileDialogRequest request;
    request.filter = "All Files(*.*)|*.*";
    request.title = "実行結果を保存";
    request.initialDir = GetFolder();
    std::optional<std::string> path = Host().Dialogs().AskSaveFile(request);
    if (!path)
        return;
    if (!SaveToPath(*path))
        return;
    SetFolder(ExtractFileDir(*path));
    Host().RefreshStatus();
}
