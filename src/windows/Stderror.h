#pragma once
// The error window: what the script wrote to its standard error, one entry per line, read-only,
// with the tag jump on a double-click.

#include "exec/TerminalText.h"
#include "exec/TestReport.h"
#include "windows/Base.h"
#include "windows/logic/ErrorLines.h"

#include <QAbstractListModel>
#include <QFont>
#include <QListView>
#include <QSize>

class ByteStream;
class FileJumps;
class KVexilConfig;
class QAction;
class QMenu;
class ScriptDocument;

// The entries as a list model. Only the rows a view asks for are converted from CP932, and
// every row answers one size, measured once per load on the longest entry, so a view with
// uniform item sizes never walks the whole list. Standard error is read as a terminal shows
// it: a line rewritten after a carriage return is one entry, escapes are gone from what is
// shown, matched and jumped to, and an entry with a colour shows in its first one.
class ErrorListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void Load(std::string_view bytes, TextCode code, const QFont& font);
    // Tool tips of the rows from the first on, in place of the rows' own text (empty: none);
    // a load or a clear drops them.
    void SetTips(std::vector<std::string> tips) { tips_ = std::move(tips); }
    void Append(std::string_view bytes, TextCode code, const QFont& font, LiveAhead ahead = {});
    void Clear();
    const ErrorLines& Lines() const { return lines_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The colour (0xRRGGBB) a row shows in, or -1.
    long RowColour(std::size_t row) const;

private:
    void Measure(const QFont& font);
    void Colour(std::size_t base, const std::vector<TerminalSpan>& spans);

    ErrorLines lines_;
    std::vector<std::string> tips_;
    QSize rowSize_;
    // The appended lines' colours run on from one append to the next.
    TerminalText terminal_;
    std::vector<std::int32_t> colours_; // per row once any has one; -1 none
};

class TFStdError : public TFBase {
    Q_OBJECT
public:
    explicit TFStdError(MainWindowHost& host, ScriptDocument* script = nullptr,
                        KVexilConfig* config = nullptr, QWidget* parent = nullptr);

    // Replaces the entries with the lines of the stream from its position, held in code. A
    // stream that is not empty shows the error panel; an empty one leaves the panel as it is.
    void LoadFromStream(ByteStream& stream, TextCode code = TextCode::Cp932);
    // A test run's entries, each with its tool tip, whose names are relative to folder.
    void LoadEntries(const std::vector<TestEntry>& entries, const std::string& folder);
    // Whole error lines that arrived while a run lasts; the first shows the error panel and
    // the view follows the last line. ahead: what the capture holds beyond them.
    bool AppendLive(std::string_view bytes, TextCode code, LiveAhead ahead = {});
    // No entries.
    void Clear();
    // The lines appended while the run lasted are all of them, held in code.
    void KeepLive(TextCode code);

    void Copy() override;
    void Paste() override;
    void Cut() override;
    std::string GetPositionText() override;
    std::string GetFolder() override;
    void Save() override;
    void Find() override;

    // The line number the current entry names, or -1.
    int GetErrorLineNumber() const;
    // Jumps to the line the current entry names (the double-click on an entry).
    void TagJump();
    // F4 (forward) and Shift+F4: the next or previous entry that names a line becomes the
    // current one and is jumped to as a double-click would; past an end the walk goes on from
    // the other, and the status bar says so.
    void StepError(bool forward);

    // Jumps into other files go through jumps (none: every line is the script's).
    void SetJumps(FileJumps* jumps) { jumps_ = jumps; }
    // The script window's marks: the lines of the file it shows that the entries lead to.
    void RefreshMarks();

    int Count() const { return model_->rowCount(); }
    // The entry as UTF-8.
    std::string Entry(int row) const;
    QListView& List() { return *LBStdError; }
    ErrorListModel& Model() { return *model_; }
    QAction& CopyAction() { return *PMCopy; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    // What a run's end does to the entries, however they came; names in them are relative
    // to folder (empty: the current one).
    void RunEnded(bool any, const std::string& folder = {});
    // The current entry as UTF-8.
    std::optional<std::string> CurrentEntry() const;

    ScriptDocument* script_;
    KVexilConfig* config_;
    FileJumps* jumps_ = nullptr;
    std::string runFolder_;
    ErrorListModel* model_;
    QListView* LBStdError;
    QMenu* PMStdError;
    QAction* PMCopy;
    bool themedIcon_ = false;
};
