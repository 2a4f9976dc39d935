#include "windows/Stderror.h"

#include "config/Kvexilconfig.h"
#include "platform/ByteStream.h"
#include "platform/Cp932.h"
#include "platform/FileFacts.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/Icons.h"
#include "windows/TerminalColours.h"
#include "windows/logic/DisplayCut.h"
#include "windows/logic/ErrorTarget.h"
#include "windows/logic/FileJump.h"
#include "windows/logic/ScriptDocument.h"
#include "windows/logic/TagJump.h"

#include <QAction>
#include <QColor>
#include <QFontMetrics>
#include <QHideEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

namespace {

// Each line costs the list more than its bytes, so errors are cut at a quarter of a GiB.
constexpr std::size_t kMostErrors = std::size_t{256} << 20;

constexpr int kItemHeight = 12;

constexpr const char* kNoErrorLine = "行番号を示すエラー行はありません。";
constexpr const char* kWrappedToFirst = "最後のエラー行を過ぎたので、最初のエラー行に戻りました。";
constexpr const char* kWrappedToLast = "最初のエラー行を過ぎたので、最後のエラー行に戻りました。";

// Python's ^~~~ markers line up under the code only in the editors' monospace face.
QFont ListFont() {
    return MonospaceFont(13);
}

// The status bar follows the entry clicked, so it is refreshed after the view has moved its
// current entry, not before.
class ErrorListView : public QListView {
public:
    ErrorListView(MainWindowHost& host, QWidget* parent) : QListView(parent), host_(host) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        QListView::mousePressEvent(event);
        host_.RefreshStatus();
    }

private:
    MainWindowHost& host_;
};

} // namespace

namespace {

// What a row shows: every character, a zero byte as the symbol for NUL.
QString Shown(const std::string& utf8) {
    QString text = QString::fromUtf8(utf8);
    text.replace(QChar(0), QChar(0x2400));
    return text;
}

} // namespace

void ErrorListModel::Load(std::string_view bytes, TextCode code, const QFont& font) {
    beginResetModel();
    tips_.clear();
    terminal_ = TerminalText(code);
    colours_.clear();
    if (HasTerminalControls(bytes)) {
        const TerminalEdit shown = TerminalText::Whole(bytes, code);
        lines_.Load(shown.text, code);
        Colour(0, shown.spans);
    } else {
        lines_.Load(bytes, code);
    }
    Measure(font);
    endResetModel();
}

void ErrorListModel::Append(std::string_view bytes, TextCode code, const QFont& font,
                            LiveAhead ahead) {
    if (lines_.Count() == 0)
        terminal_ = TerminalText(code);
    // Whole lines come: what the terminal text holds back of a line is never any of them.
    TerminalEdit shown;
    if (!terminal_.TakePlain(bytes)) {
        terminal_.Feed(bytes);
        shown = terminal_.Take();
        bytes = shown.text;
    }
    const int before = static_cast<int>(lines_.Count());
    const std::size_t added = ErrorLines::CountLines(bytes);
    if (added == 0)
        return;
    beginInsertRows({}, before, before + static_cast<int>(added) - 1);
    const std::size_t base = lines_.Bytes();
    lines_.Append(bytes, code, ahead);
    Colour(base, shown.spans);
    Measure(font);
    endInsertRows();
}

void ErrorListModel::Colour(std::size_t base, const std::vector<TerminalSpan>& spans) {
    for (const TerminalSpan& span : spans) {
        const ShownColours shown = ShowStyle(span.style, kOutputText, kOutputPaper);
        if (!shown.fgSet)
            continue;
        const std::size_t row = lines_.LineAt(base + span.start);
        if (colours_.size() < lines_.Count())
            colours_.resize(lines_.Count(), -1);
        if (colours_[row] < 0)
            colours_[row] = static_cast<std::int32_t>(shown.fg);
    }
}

long ErrorListModel::RowColour(std::size_t row) const {
    return row < colours_.size() ? colours_[row] : -1;
}

void ErrorListModel::Measure(const QFont& font) {
    QFontMetrics metrics(font);
    int width = 0;
    if (lines_.Count() != 0)
        width = metrics.horizontalAdvance(Shown(lines_.LineUtf8(lines_.LongestLine())));
    // Some room for the view's text margins.
    rowSize_ =
        QSize(width + 2 * metrics.averageCharWidth(), std::max(kItemHeight, metrics.height()));
}

void ErrorListModel::Clear() {
    beginResetModel();
    lines_.Clear();
    tips_.clear();
    colours_.clear();
    endResetModel();
}

int ErrorListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.Count());
}

QVariant ErrorListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 ||
        static_cast<std::size_t>(index.row()) >= lines_.Count())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
    case Qt::ToolTipRole:
        if (row < tips_.size() && !tips_[row].empty())
            return QString::fromUtf8(tips_[row]);
        [[fallthrough]];
    case Qt::DisplayRole:
        return Shown(lines_.LineUtf8(static_cast<std::size_t>(index.row())));
    case Qt::SizeHintRole:
        return rowSize_.isValid() ? QVariant(rowSize_) : QVariant();
    case Qt::ForegroundRole:
        if (const long colour = RowColour(static_cast<std::size_t>(index.row())); colour >= 0)
            return QColor(QRgb(colour));
        return {};
    default:
        return {};
    }
}

TFStdError::TFStdError(MainWindowHost& host, ScriptDocument* script, KVexilConfig* config,
                       QWidget* parent)
    : TFBase(host, kError, QStringLiteral("Error"), parent), script_(script), config_(config),
      model_(new ErrorListModel(this)), LBStdError(new ErrorListView(host, this)),
      PMStdError(new QMenu(this)), PMCopy(new QAction(BundledToolIcon(QStringLiteral("TBCopy")),
                                                      QStringLiteral("コピー(&C)"), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(LBStdError);
    LBStdError->setFont(ListFont());
    LBStdError->setUniformItemSizes(true);
    LBStdError->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LBStdError->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LBStdError->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    LBStdError->setModel(model_);

    PMStdError->addAction(PMCopy);
    // The desktop theme's picture is looked up when the menu first opens, not at start-up.
    connect(PMStdError, &QMenu::aboutToShow, this, [this] {
        if (!themedIcon_) {
            PMCopy->setIcon(ToolIcon(QStringLiteral("TBCopy")));
            themedIcon_ = true;
        }
    });
    LBStdError->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LBStdError, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PMStdError->popup(LBStdError->viewport()->mapToGlobal(at));
    });
    // The menu's copy is the main window's copy command, and a right-click has made this
    // window the active one.
    connect(PMCopy, &QAction::triggered, this, [this] { Copy(); });
    connect(LBStdError, &QAbstractItemView::doubleClicked, this, [this] { TagJump(); });
}

void TFStdError::LoadFromStream(ByteStream& stream, TextCode code) {
    std::string_view bytes = stream.View().substr(stream.Position());
    const std::optional<std::string> shown =
        CutForDisplay(bytes, std::min(DisplayCap(AvailableMemory()), kMostErrors), code, false);
    model_->Load(shown ? std::string_view(*shown) : bytes, code, LBStdError->font());
    stream.SetPosition(stream.Size());
    RunEnded(stream.Size() != 0);
}

void TFStdError::LoadEntries(const std::vector<TestEntry>& entries, const std::string& folder) {
    std::string text;
    std::vector<std::string> tips;
    for (const TestEntry& entry : entries) {
        text += entry.text + "\n";
        tips.push_back(entry.tip);
    }
    model_->Load(text, TextCode::Utf8, LBStdError->font());
    model_->SetTips(std::move(tips));
    RunEnded(!entries.empty(), folder);
}

void TFStdError::Clear() {
    model_->Clear();
}

void TFStdError::KeepLive(TextCode) {
    RunEnded(model_->rowCount() != 0);
}

void TFStdError::RunEnded(bool any, const std::string& folder) {
    // Errors are loaded as their run ends, in the folder the run had; the names they hold are
    // relative to it even after the current folder changes.
    std::error_code ec;
    runFolder_ = folder.empty() ? std::filesystem::current_path(ec).string() : folder;
    RefreshMarks();
    if (any)
        Host().ShowErrorPanel();
}

bool TFStdError::AppendLive(std::string_view bytes, TextCode code, LiveAhead ahead) {
    // Half of what a load shows whole, so that the end can still be shown when the run is over.
    const std::size_t shown = model_->Lines().Bytes() + bytes.size();
    if (shown > kMostErrors / 2)
        return false;
    // Room for what the list will take, not for all the capture holds: errors of gigabytes
    // would ask for that much.
    ahead.bytes = std::min(ahead.bytes, kMostErrors / 2 - shown);
    model_->Append(bytes, code, LBStdError->font(), ahead);
    if (model_->rowCount() == 0)
        return true;
    Host().ShowErrorPanel();
    LBStdError->scrollToBottom();
    return true;
}

std::string TFStdError::Entry(int row) const {
    return model_->Lines().LineUtf8(static_cast<std::size_t>(row));
}

std::optional<std::string> TFStdError::CurrentEntry() const {
    QModelIndex current = LBStdError->currentIndex();
    if (!current.isValid())
        return std::nullopt;
    return model_->Lines().LineUtf8(static_cast<std::size_t>(current.row()));
}

void TFStdError::Copy() {
    std::vector<std::size_t> rows;
    for (const QItemSelectionRange& range : LBStdError->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(static_cast<std::size_t>(row));
    std::string text = model_->Lines().Join(std::move(rows));
    if (text.empty())
        return;
    if (model_->Lines().Code() == TextCode::Utf8)
        Host().Clipboard().SetUtf8Text(text);
    else
        Host().Clipboard().SetText(text);
}

void TFStdError::Paste() {
    Host().Messages().Show("Error window is read only.");
}

void TFStdError::Cut() {
    Host().Messages().Show("Error window is read only.");
}

std::string TFStdError::GetPositionText() {
    QModelIndex current = LBStdError->currentIndex();
    return current.isValid() ? std::to_string(current.row()) : std::string();
}

std::string TFStdError::GetFolder() {
    std::error_code ec;
    return std::filesystem::current_path(ec).string();
}

void TFStdError::Save() {
    FileDialogRequest request;
    request.filter = "All Files(*.*)|*.*";
    request.title = "エラー結果を保存";
    std::optional<std::string> path = Host().Dialogs().AskSaveFile(request);
    if (!path)
        return;
    std::string error;
    if (!WriteFileAtomic(*path, model_->Lines().JoinAll(), &error))
        Host().Messages().Show(error, kErrorCaption, MessageIcon::Error);
}

void TFStdError::Find() {
    Host().ActivateDocument(kScript);
    if (script_)
        script_->Find();
}

int TFStdError::GetErrorLineNumber() const {
    if (!config_)
        return -1;
    return TagJumpLineNumber(CurrentEntry(), *config_);
}

void TFStdError::RefreshMarks() {
    if (!script_ || !config_)
        return;
    if (!jumps_) {
        script_->ShowErrorMarks(
            ScriptErrorMarks(model_->Lines(), script_->GetFileName(), *config_, runFolder_));
        return;
    }
    script_->ShowErrorMarks(FileErrorMarks(model_->Lines(), script_->GetFileName(),
                                           jumps_->RunScript(), *config_, runFolder_));
}

void TFStdError::TagJump() {
    if (!script_ || !config_)
        return;
    // Inside the program, a line of another file shows that file.
    if (jumps_ && (script_->GetFileName().empty() || !config_->UseTagJump)) {
        const std::optional<std::string> entry = CurrentEntry();
        if (const std::optional<ErrorTarget> target =
                entry ? ResolveErrorEntry(*entry, *config_, runFolder_, jumps_->RunScript())
                      : std::nullopt) {
            jumps_->Follow(*target);
            Host().RefreshStatus();
            return;
        }
    }
    TagJumpContext context{*script_,
                           *config_,
                           Host().Messages(),
                           Host().Programs(),
                           [this] { Host().ActivateDocument(kScript); },
                           runFolder_,
                           [this](const std::string& text) { Host().Notice(text); }};
    PerformTagJump(CurrentEntry(), context);
    Host().RefreshStatus(); // the caret may have moved
}

void TFStdError::hideEvent(QHideEvent* event) {
    TFBase::hideEvent(event);
    // Only this window's own hiding closes the panel; the panel or the main window going
    // away (or being minimised) hides it too, and must not be answered.
    if (isHidden() && !event->spontaneous())
        Host().HideErrorPanel();
}

void TFStdError::StepError(bool forward) {
    const ErrorLines& lines = model_->Lines();
    // The walk goes on from the entry the user is on. The view makes the first entry current
    // by itself when it gets the focus, without selecting it: after a run, F4 starts at the
    // first error line.
    std::optional<std::size_t> current;
    if (QModelIndex index = LBStdError->currentIndex();
        index.isValid() && LBStdError->selectionModel()->isSelected(index))
        current = static_cast<std::size_t>(index.row());
    const std::optional<ErrorStep> step =
        StepToErrorLine(current, lines.Count(), forward, [&](std::size_t row) {
            return config_ && TagJumpLineNumber(lines.LineUtf8(row), *config_) != -1;
        });
    if (!step) {
        Host().Notice(kNoErrorLine);
        return;
    }
    const QModelIndex index = model_->index(static_cast<int>(step->row));
    LBStdError->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    LBStdError->scrollTo(index);
    Host().ShowErrorPanel();
    TagJump();
    // Said last, so no word of the jump covers it.
    if (step->wrapped)
        Host().Notice(forward ? kWrappedToFirst : kWrappedToLast);
}
