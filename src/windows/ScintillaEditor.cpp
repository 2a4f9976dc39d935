#include "windows/ScintillaEditor.h"

#include "config/Kvexilconfig.h"
#include "encoding/Codeconv.h"
#include "platform/Cp932.h"
#include "platform/qt/Fonts.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QHelpEvent>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qscilexerbash.h>
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerjavascript.h>
#include <Qsci/qscilexerperl.h>
#include <Qsci/qscilexerpython.h>
#include <Qsci/qscilexerruby.h>
#include <algorithm>
#include <cstring>
#include <utility>

namespace {

int& ZoomSteps() {
    static int steps = 0;
    return steps;
}

constexpr char kGetaUtf8[] = "\xE3\x80\x93"; // 〓, what CP932 shows for what it cannot hold

int Utf8SequenceLength(unsigned char lead) {
    if (lead < 0xC0)
        return 1;
    if (lead < 0xE0)
        return 2;
    if (lead < 0xF0)
        return 3;
    return 4;
}

QsciLexer* MakeLexer(SyntaxLexer kind, QObject* parent) {
    switch (kind) {
    case SyntaxLexer::Perl:
        return new QsciLexerPerl(parent);
    case SyntaxLexer::Python:
        return new QsciLexerPython(parent);
    case SyntaxLexer::Ruby:
        return new QsciLexerRuby(parent);
    case SyntaxLexer::Bash:
        return new QsciLexerBash(parent);
    case SyntaxLexer::Php:
        // A PHP script is PHP inside <?php ?>, which is what the hypertext lexer colours.
        return new QsciLexerHTML(parent);
    case SyntaxLexer::JavaScript:
        return new QsciLexerJavaScript(parent);
    case SyntaxLexer::None:
        break;
    }
    return nullptr;
}

// QScintilla's accessibility interface counts the characters from the start of the text up to
// the caret on every caret update, about 50 ms at the end of 10 MB. Qt makes an interface for
// every widget it shows, listened to or not; while no assistive technology listens, ours get
// Qt's plain one. Once one does, those are dropped, and the next query makes QScintilla's.
class PlainAccessibility : public QAccessible::ActivationObserver {
public:
    static void Install() {
        static const bool installed = [] {
            QAccessible::installFactory(&Factory);
            QAccessible::installActivationObserver(Instance());
            return true;
        }();
        (void)installed;
    }

    void accessibilityActiveChanged(bool active) override {
        listening_ = active;
        ScintillaEditor::FollowAccessibility(active);
        if (!active)
            return;
        for (const QPointer<QObject>& editor : std::exchange(plain_, {}))
            if (editor)
                if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(editor);
                    iface && !iface->textInterface())
                    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
    }

private:
    // Never deleted: Qt keeps observers until the very end.
    static PlainAccessibility* Instance() {
        static auto* instance = new PlainAccessibility;
        return instance;
    }
    static QAccessibleInterface* Factory(const QString& className, QObject* object) {
        if (className != QLatin1String("ScintillaEditor") || !object || !object->isWidgetType() ||
            Instance()->listening_ || QAccessible::isActive())
            return nullptr;
        std::erase_if(Instance()->plain_, [](const QPointer<QObject>& p) { return !p; });
        Instance()->plain_.emplace_back(object);
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::EditableText);
    }

    std::vector<QPointer<QObject>> plain_;
    bool listening_ = false;
};

} // namespace

ScintillaEditor::ScintillaEditor(QWidget* parent) : QsciScintilla(parent) {
    PlainAccessibility::Install();
    checkpoints_.push_back(0);
    setUtf8(true);
    setLexer(nullptr);
    setWrapMode(WrapNone);
    setEolMode(EolUnix);
    setIndentationsUseTabs(true);
    setAutoIndent(false);
    for (int margin = 0; margin < 5; ++margin)
        setMarginWidth(margin, 0);
    SendScintilla(SCI_SETHSCROLLBAR, 1UL);
    SendScintilla(SCI_SETVSCROLLBAR, 1UL);
    SendScintilla(SCI_SETSCROLLWIDTH, 1UL);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1UL);
    QFont font(MonospaceFamily());
    // Scintilla takes sizes in points; 16 pixels at this screen's resolution.
    font.setPointSizeF(16.0 * 72.0 / std::max(1, logicalDpiY()));
    font.setStyleHint(QFont::Monospace);
    setFont(font);
    setTabWidth(8);
    // The pair at the caret lights up; Return keeps the indentation of the line above.
    setBraceMatching(SloppyBraceMatch);
    connect(this, &QsciScintillaBase::SCN_CHARADDED, this, [this](int character) {
        IndentNewLine(character);
        StepBackBeforeBrace(character);
    });
    ClearUnlistedKeys();
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int position, int type, const char*, int, int, int, int, int, int, int) {
                if (type & (SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT | SC_MOD_BEFOREINSERT |
                            SC_MOD_BEFOREDELETE)) {
                    TextModified(position);
                    emit TextChanging();
                }
            });
    Editors().emplace_back(this);
    SetNotices(QAccessible::isActive());
    if (ZoomSteps() != 0)
        ApplyZoom(ZoomSteps());
}

ScintillaEditor::~ScintillaEditor() {
    std::erase_if(Editors(),
                  [this](const QPointer<ScintillaEditor>& e) { return !e || e == this; });
}

std::vector<QPointer<ScintillaEditor>>& ScintillaEditor::Editors() {
    static std::vector<QPointer<ScintillaEditor>> editors;
    return editors;
}

void ScintillaEditor::FollowAccessibility(bool active) {
    for (const QPointer<ScintillaEditor>& editor : Editors())
        if (editor)
            editor->SetNotices(active);
}

void ScintillaEditor::SetNotices(bool all) {
    // QScintilla answers each notice of an insertion or a deletion with an accessibility event
    // whose offset it finds by counting the characters from the start of the text: 50 ms a key
    // at the end of 10 MB, listened to or not. While no assistive technology listens, only the
    // notices before a change come (a mask that holds any of the change's bits, SC_PERFORMED_*
    // among them, lets its notice through); what must follow a change waits for the next turn
    // of the event loop. Once one listens, every notice comes again.
    accessible_ = all;
    SendScintilla(SCI_SETMODEVENTMASK,
                  static_cast<unsigned long>(all ? SC_MODEVENTMASKALL
                                                 : SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE));
}

namespace {

int EolModeOf(int lineEnd) {
    return lineEnd == kLineEndCrLf ? QsciScintilla::EolWindows
           : lineEnd == kLineEndCr ? QsciScintilla::EolMac
                                   : QsciScintilla::EolUnix;
}

} // namespace

void ScintillaEditor::ConvertLineEnds(int lineEnd) {
    SendScintilla(SCI_BEGINUNDOACTION);
    SendScintilla(SCI_CONVERTEOLS, static_cast<unsigned long>(EolModeOf(lineEnd)));
    SendScintilla(SCI_ENDUNDOACTION);
    SetTypedLineEnd(lineEnd);
}

void ScintillaEditor::SetTypedLineEnd(int lineEnd) {
    SendScintilla(SCI_SETEOLMODE, static_cast<unsigned long>(EolModeOf(lineEnd)));
}

int ScintillaEditor::FirstLineEnd() const {
    if (LineCount() < 2)
        return -1;
    const std::string_view text = Utf8Text();
    const std::size_t at = static_cast<std::size_t>(Utf8LineEnd(0));
    if (at >= text.size())
        return -1;
    if (text[at] == '\n')
        return kLineEndLf;
    return at + 1 < text.size() && text[at + 1] == '\n' ? kLineEndCrLf : kLineEndCr;
}

void ScintillaEditor::SetLineNumbers(bool on) {
    if (on == lineNumbers_)
        return;
    lineNumbers_ = on;
    // A few pixels between the numbers and the text.
    SendScintilla(SCI_SETMARGINLEFT, 0UL, on ? 4L : 1L);
    if (on) {
        setMarginType(0, NumberMargin);
        StyleNumberMargin();
    } else {
        setMarginWidth(0, 0);
    }
}

void ScintillaEditor::StyleNumberMargin() {
    setMarginsFont(font());
    setMarginsForegroundColor(QColor(0x80, 0x80, 0x80));
    setMarginsBackgroundColor(QColor(0xF0, 0xF0, 0xF0));
    numberDigits_ = 0; // the font may have changed under the old width
    FitNumberMargin();
}

void ScintillaEditor::FitNumberMargin() {
    if (!lineNumbers_)
        return;
    int digits = 3;
    for (TextPos n = LineCount(); n >= 1000; n /= 10)
        ++digits;
    if (digits == numberDigits_)
        return;
    numberDigits_ = digits;
    // One digit more than the numbers need leaves room on both sides of them.
    const std::string sample(static_cast<std::size_t>(digits) + 1, '9');
    SendScintilla(
        SCI_SETMARGINWIDTHN, 0UL,
        SendScintilla(SCI_TEXTWIDTH, static_cast<unsigned long>(STYLE_LINENUMBER), sample.c_str()));
}

void ScintillaEditor::SetSyntax(SyntaxLexer kind) {
    if (kind == syntax_)
        return;
    syntax_ = kind;
    const QFont base = font();
    QsciLexer* old = lexer();
    QsciLexer* next = MakeLexer(kind, this);
    if (next) {
        next->setDefaultFont(base);
        next->setDefaultPaper(paper());
        for (int style = 0; style <= STYLE_MAX; ++style) {
            if (next->description(style).isEmpty())
                continue;
            // Our font, keeping only the lexer's bold and italic: its own families are
            // proportional and know no Japanese, which would break the columns.
            QFont f = base;
            f.setBold(next->defaultFont(style).bold());
            f.setItalic(next->defaultFont(style).italic());
            next->setFont(f, style);
            // The editor's own paper: the lexers' tinted backgrounds for variables and patterns
            // make a patchwork of a Perl line. Where the tint was the only mark, a dark shade of
            // it colours the text instead.
            const QColor tint = next->defaultPaper(style);
            if (tint.hsvSaturation() > 0 && next->defaultColor(style).value() <= 64)
                next->setColor(QColor::fromHsv(tint.hsvHue(), 255, 150), style);
            next->setPaper(paper(), style);
        }
    }
    attachingLexer_ = true;
    setLexer(next);
    attachingLexer_ = false;
    if (next) {
        // No fold margin is shown, so the lexer need not work out fold levels.
        SendScintilla(SCI_SETPROPERTY, "fold", "0");
        // Colour what is shown, in slices while the user does nothing when there is more than
        // a paint's share, and nothing beyond it: colouring the whole text in the background
        // made every key at the top of 20 MB cost 200 ms of re-colouring down to the end, and
        // kept the program busy half a second after opening 10 MB.
        SendScintilla(SCI_SETIDLESTYLING, static_cast<unsigned long>(SC_IDLESTYLING_TOVISIBLE));
    } else {
        SendScintilla(SCI_SETIDLESTYLING, static_cast<unsigned long>(SC_IDLESTYLING_NONE));
        // Detaching reset every style; the text keeps the lexer's style numbers until cleared.
        SendScintilla(SCI_CLEARDOCUMENTSTYLE);
        setFont(base);
    }
    delete old;
    // Attaching or detaching a lexer clears every style to the default, the lit brace pair's
    // too, which then looks like any other brace.
    setMatchedBraceForegroundColor(Qt::blue);
    setUnmatchedBraceForegroundColor(Qt::red);
    if (lineNumbers_)
        StyleNumberMargin();
}

void ScintillaEditor::recolor(int start, int end) {
    if (!attachingLexer_)
        QsciScintilla::recolor(start, end);
}

std::string_view ScintillaEditor::Utf8Text() const {
    auto* data = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    return {data ? data : "", static_cast<std::size_t>(Utf8Length())};
}

TextPos ScintillaEditor::Utf8Length() const {
    return SendScintilla(SCI_GETLENGTH);
}

TextPos ScintillaEditor::Utf8LineStart(TextPos line) const {
    return SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
}

TextPos ScintillaEditor::Utf8LineEnd(TextPos line) const {
    return SendScintilla(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
}

TextPos ScintillaEditor::Width(TextPos from, TextPos to) const {
    if (to <= from)
        return 0;
    // Two bytes past the range let a half-width katakana at its end be recognised.
    TextPos extra = std::min<TextPos>(2, Utf8Length() - to);
    auto* p = reinterpret_cast<const char*>(SendScintilla(SCI_GETRANGEPOINTER,
                                                          static_cast<unsigned long>(from),
                                                          static_cast<long>(to - from + extra)));
    return Cp932WidthOfUtf8Text(p, static_cast<std::size_t>(to - from),
                                static_cast<std::size_t>(to - from + extra));
}

void ScintillaEditor::ExtendCheckpoints(std::size_t count) const {
    const TextPos lines = LineCount();
    while (checkpoints_.size() < count) {
        TextPos c = static_cast<TextPos>(checkpoints_.size());
        if (c * kCheckpointLines >= lines)
            break;
        checkpoints_.push_back(
            checkpoints_.back() +
            Width(Utf8LineStart((c - 1) * kCheckpointLines), Utf8LineStart(c * kCheckpointLines)));
    }
}

TextPos ScintillaEditor::Cp932LineStart(TextPos line) const {
    std::size_t c = static_cast<std::size_t>(line / kCheckpointLines);
    ExtendCheckpoints(c + 1);
    TextPos base = static_cast<TextPos>(c) * kCheckpointLines;
    return checkpoints_[c] + Width(Utf8LineStart(base), Utf8LineStart(line)) + 2 * line;
}

void ScintillaEditor::AfterChange() {
    if (changePending_)
        return;
    changePending_ = true;
    QTimer::singleShot(0, this, [this] {
        changePending_ = false;
        FitNumberMargin();
        emit Edited();
    });
}

void ScintillaEditor::TextModified(int position) {
    AfterChange();
    TextPos line = SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
    std::size_t keep = static_cast<std::size_t>(line / kCheckpointLines) + 1;
    if (checkpoints_.size() > keep)
        checkpoints_.resize(keep);
}

TextPos ScintillaEditor::LineCount() const {
    return SendScintilla(SCI_GETLINECOUNT);
}

std::string ScintillaEditor::LineText(TextPos line) const {
    return Utf8ToCp932(LineUtf8(line)).text;
}

std::string ScintillaEditor::LineUtf8(TextPos line) const {
    if (line < 0 || line >= LineCount())
        return {};
    TextPos from = Utf8LineStart(line), to = Utf8LineEnd(line);
    auto* p = reinterpret_cast<const char*>(SendScintilla(
        SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), static_cast<long>(to - from)));
    return std::string(p, static_cast<std::size_t>(to - from));
}

TextPos ScintillaEditor::PositionFromLine(TextPos line) const {
    if (line < 0 || line >= LineCount())
        return -1;
    return Cp932LineStart(line);
}

TextPos ScintillaEditor::LineFromPosition(TextPos pos) const {
    const TextPos lines = LineCount();
    if (pos <= 0 || lines == 1)
        return 0;
    // The last checkpoint at or before pos. The sums are extended one block at a time, only
    // until one lies past pos: an edit drops the sums after its own block, and the status bar's
    // look at the caret right after a key must not measure the blocks beyond it.
    auto startOf = [&](std::size_t i) {
        return checkpoints_[i] + 2 * static_cast<TextPos>(i) * kCheckpointLines;
    };
    while (startOf(checkpoints_.size() - 1) <= pos) {
        const std::size_t known = checkpoints_.size();
        ExtendCheckpoints(known + 1);
        if (checkpoints_.size() == known)
            break;
    }
    std::size_t low = 0, high = checkpoints_.size(); // startOf(low) <= pos < startOf(high)
    while (high - low > 1) {
        std::size_t mid = low + (high - low) / 2;
        (startOf(mid) <= pos ? low : high) = mid;
    }
    const std::size_t c = low;
    TextPos line = static_cast<TextPos>(c) * kCheckpointLines;
    TextPos start = Cp932LineStart(line);
    for (; line + 1 < lines; ++line) {
        TextPos next = start + Width(Utf8LineStart(line), Utf8LineStart(line + 1)) + 2;
        if (pos < next)
            return line;
        start = next;
    }
    return lines - 1;
}

TextPos ScintillaEditor::ToCp932(TextPos utf8) const {
    TextPos line = SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(utf8));
    TextPos from = Utf8LineStart(line);
    return Cp932LineStart(line) + Width(from, std::min(utf8, Utf8LineEnd(line)));
}

TextPos ScintillaEditor::ToUtf8(TextPos cp932) const {
    TextPos line = LineFromPosition(std::max<TextPos>(cp932, 0));
    TextPos column = std::max<TextPos>(cp932, 0) - Cp932LineStart(line);
    TextPos from = Utf8LineStart(line), to = Utf8LineEnd(line);
    auto* p = reinterpret_cast<const unsigned char*>(SendScintilla(
        SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), static_cast<long>(to - from)));
    TextPos at = 0, width = 0;
    const TextPos n = to - from;
    while (at < n) {
        int w = Cp932WidthOfUtf8(p[at], at + 1 < n ? p[at + 1] : 0, at + 2 < n ? p[at + 2] : 0);
        if (width + w > column)
            break; // a column inside a character stays at its start
        width += w;
        at += Utf8SequenceLength(p[at]);
    }
    return from + std::min(at, n);
}

TextPos ScintillaEditor::SelectionStart() const {
    return ToCp932(SendScintilla(SCI_GETSELECTIONSTART));
}

TextPos ScintillaEditor::SelectionLength() const {
    TextPos start = SendScintilla(SCI_GETSELECTIONSTART);
    TextPos end = SendScintilla(SCI_GETSELECTIONEND);
    return start == end ? 0 : ToCp932(end) - ToCp932(start);
}

void ScintillaEditor::SetSelection(TextPos start, TextPos length) {
    TextPos anchor = ToUtf8(start);
    TextPos caret = length == 0 ? anchor : ToUtf8(start + length);
    SendScintilla(SCI_SETSEL, static_cast<unsigned long>(anchor), static_cast<long>(caret));
}

TextPos ScintillaEditor::FirstVisibleLine() const {
    return SendScintilla(SCI_GETFIRSTVISIBLELINE);
}

void ScintillaEditor::ScrollLines(TextPos n) {
    SendScintilla(SCI_LINESCROLL, 0UL, static_cast<long>(n));
}

void ScintillaEditor::ReplaceSelection(std::string_view cp932) {
    if (isReadOnly())
        return;
    std::string utf8 = Cp932ToUtf8(cp932).text;
    // One undo step; ADDTEXT takes a length, so zero bytes are inserted too.
    SendScintilla(SCI_BEGINUNDOACTION);
    SendScintilla(SCI_REPLACESEL, static_cast<uintptr_t>(0), "");
    SendScintilla(SCI_ADDTEXT, static_cast<uintptr_t>(utf8.size()), utf8.data());
    SendScintilla(SCI_ENDUNDOACTION);
}

void ScintillaEditor::Undo() {
    SendScintilla(SCI_UNDO);
}

void ScintillaEditor::Redo() {
    SendScintilla(SCI_REDO);
}

void ScintillaEditor::MarkSavePoint() {
    SendScintilla(SCI_SETSAVEPOINT);
}

bool ScintillaEditor::CanUndo() const {
    return SendScintilla(SCI_CANUNDO) != 0;
}

bool ScintillaEditor::ReadOnly() const {
    return isReadOnly();
}

void ScintillaEditor::SetReadOnly(bool readOnly) {
    setReadOnly(readOnly);
}

std::string ScintillaEditor::WholeText() const {
    std::string cp932 = Utf8ToCp932(Utf8Text()).text;
    // Line ends leave as CR LF whatever they are inside, so positions index this text.
    std::size_t bare = 0;
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        if (cp932[i] == '\r' && i + 1 < cp932.size() && cp932[i + 1] == '\n')
            ++i;
        else if (cp932[i] == '\r' || cp932[i] == '\n')
            ++bare;
    }
    if (bare == 0)
        return cp932;
    std::string text;
    text.reserve(cp932.size() + bare);
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        char c = cp932[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < cp932.size() && cp932[i + 1] == '\n')
                ++i;
            text += "\r\n";
        } else {
            text += c;
        }
    }
    return text;
}

void ScintillaEditor::SetWholeText(std::string_view cp932) {
    lostOnLoad_ = 0;
    LoadPieces({cp932}, TextCode::Cp932);
}

void ScintillaEditor::SetWholeUtf8(std::string_view utf8) {
    lostOnLoad_ = 0;
    LoadUtf8(utf8);
}

void ScintillaEditor::SetWholePieces(const std::vector<std::string_view>& pieces, TextCode code,
                                     const std::function<void(std::string_view)>& loaded) {
    lostOnLoad_ = 0;
    LoadPieces(pieces, code, loaded);
}

void ScintillaEditor::LoadUtf8(std::string_view utf8) {
    LoadPieces({utf8}, TextCode::Utf8);
}

namespace {

// At most this much converted text is gathered before it goes into the document: few appends
// (each costs Scintilla a look at the whole document), and no second copy of a large text.
constexpr std::size_t kLoadSlice = std::size_t{64} << 20;

// The UTF-8 size of CP932 text at most: a byte beyond ASCII becomes at most three (a
// half-width katakana, or 〓 for one that does not convert).
std::size_t Utf8Bound(std::string_view cp932) {
    std::size_t high = 0;
    for (const char c : cp932)
        high += static_cast<unsigned char>(c) >= 0x80;
    return cp932.size() + 2 * high;
}

} // namespace

void ScintillaEditor::LoadPieces(const std::vector<std::string_view>& pieces, TextCode code,
                                 const std::function<void(std::string_view)>& loaded) {
    std::size_t bytes = 0;
    for (const std::string_view piece : pieces) {
        if (code == TextCode::Cp932) {
            bytes += Utf8Bound(piece);
            if (loaded)
                loaded(piece); // read through for its size; it is read again when it goes in
        } else {
            bytes += piece.size();
        }
    }
    appendRoom_ = 0;
    // Marks name lines of the text they were set on; a new text has none of them.
    if (!marks_.empty())
        SetLineMarks({});
    const bool readOnly = isReadOnly();
    if (readOnly)
        SendScintilla(SCI_SETREADONLY, 0UL);
    SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    if (plainDocument_) {
        NewPlainDocument(bytes);
        // Undo collection belongs to the document: off for the new one too, or the whole text
        // would be kept a second time as an undo step (a gigabyte of output took three).
        SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    } else {
        SendScintilla(SCI_CLEARALL);
    }
    // No notices while the text goes in: an accessibility listener would copy all of it.
    SendScintilla(SCI_SETMODEVENTMASK, 0UL);
    TextModified(0);
    // The scroll width only ever grows with what is drawn: it starts again with each text, or
    // one wide output would leave every later result a scroll bar.
    SendScintilla(SCI_SETSCROLLWIDTH, 1UL);
    // One conversion and one append: each append to a shown editor costs Scintilla work that
    // grows with the document, so loading in pieces grew with the square of the size (four
    // minutes for 70 MB of output, against under a second in one piece).
    SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(bytes + 1));
    const auto append = [this](std::string_view utf8) {
        if (!utf8.empty())
            SendScintilla(SCI_APPENDTEXT, static_cast<uintptr_t>(utf8.size()), utf8.data());
    };
    // Room for the whole slice at once: grown by doubling, it would be copied and its fresh
    // pages touched three times over.
    std::string slice;
    if (code == TextCode::Cp932)
        slice.reserve(std::min(bytes, kLoadSlice));
    for (const std::string_view piece : pieces) {
        if (code == TextCode::Utf8) {
            append(piece);
        } else {
            lostOnLoad_ += Cp932ToUtf8Chunks(piece, [&](std::string_view utf8) {
                if (slice.size() + utf8.size() > kLoadSlice) {
                    append(slice);
                    slice.clear();
                }
                slice.append(utf8);
            });
            append(slice);
            slice.clear();
        }
        if (loaded)
            loaded(piece);
    }
    SetNotices(accessible_);
    FitNumberMargin();
    SendScintilla(SCI_SETUNDOCOLLECTION, 1UL);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_GOTOPOS, 0UL);
    if (readOnly)
        SendScintilla(SCI_SETREADONLY, 1UL);
}

void ScintillaEditor::AppendUtf8(std::string_view utf8, std::size_t most, LiveAhead ahead) {
    if (utf8.empty())
        return;
    const bool readOnly = isReadOnly();
    if (readOnly)
        SendScintilla(SCI_SETREADONLY, 0UL);
    const auto end = static_cast<unsigned long>(SendScintilla(SCI_GETLENGTH));
    // Room grows by a quarter ahead of the text: Scintilla's own growth by a sixth would copy
    // the whole text again at nearly every append, and doubling left up to as much again of
    // cleared room in use beside the text for good. Every byte of room is memory in use at
    // once (Scintilla clears it), so the growth stops where the appends will.
    if (const std::size_t room =
            GrownRoom(end + utf8.size(), appendRoom_, ahead, std::size_t{1} << 20, most)) {
        appendRoom_ = room;
        SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(appendRoom_));
    }
    SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    SendScintilla(SCI_SETMODEVENTMASK, 0UL);
    TextModified(static_cast<TextPos>(end));
    SendScintilla(SCI_APPENDTEXT, static_cast<uintptr_t>(utf8.size()), utf8.data());
    SetNotices(accessible_);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1UL);
    // The view follows the tail, as a terminal does.
    SendScintilla(SCI_GOTOPOS, static_cast<unsigned long>(SendScintilla(SCI_GETLENGTH)));
    if (readOnly)
        SendScintilla(SCI_SETREADONLY, 1UL);
}

void ScintillaEditor::DropTail(std::size_t utf8Bytes) {
    const auto end = static_cast<std::size_t>(SendScintilla(SCI_GETLENGTH));
    const std::size_t from = end - std::min(utf8Bytes, end);
    if (from == end)
        return;
    const bool readOnly = isReadOnly();
    if (readOnly)
        SendScintilla(SCI_SETREADONLY, 0UL);
    SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    SendScintilla(SCI_SETMODEVENTMASK, 0UL);
    TextModified(static_cast<TextPos>(from));
    SendScintilla(SCI_DELETERANGE, static_cast<unsigned long>(from), static_cast<long>(end - from));
    SetNotices(accessible_);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1UL);
    if (readOnly)
        SendScintilla(SCI_SETREADONLY, 1UL);
}

void ScintillaEditor::SetPlainDocument(bool plain) {
    plainDocument_ = plain;
}

void ScintillaEditor::NewPlainDocument(std::size_t bytes) {
    // Output needs no style bytes (no lexer colours it): a document without them holds 72 MB
    // in 81 MB instead of 150. Past 2 GB Scintilla's positions need its large-text option.
    unsigned long options = QsciScintillaBase::SC_DOCUMENTOPTION_STYLES_NONE;
    if (bytes >= (std::size_t{1} << 31) - 1024)
        options |= QsciScintillaBase::SC_DOCUMENTOPTION_TEXT_LARGE;
    const long document = SendScintilla(SCI_CREATEDOCUMENT, static_cast<unsigned long>(bytes + 1),
                                        static_cast<long>(options));
    if (!document) {
        SendScintilla(SCI_CLEARALL);
        return;
    }
    SendScintilla(SCI_SETDOCPOINTER, 0UL, document);
    SendScintilla(SCI_RELEASEDOCUMENT, 0UL, document);
    // Code page and line ends belong to the document.
    SendScintilla(SCI_SETCODEPAGE, static_cast<unsigned long>(SC_CP_UTF8));
    SendScintilla(SCI_SETEOLMODE, static_cast<unsigned long>(eolMode()));
}

std::string ScintillaEditor::SelectedUtf8() const {
    auto from = static_cast<TextPos>(SendScintilla(SCI_GETSELECTIONSTART));
    auto to = static_cast<TextPos>(SendScintilla(SCI_GETSELECTIONEND));
    return std::string(
        Utf8Text().substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
}

void ScintillaEditor::ReplaceSelectionUtf8(std::string_view utf8) {
    if (isReadOnly())
        return;
    // Zero bytes and all: the text is added by length.
    SendScintilla(SCI_BEGINUNDOACTION);
    SendScintilla(SCI_REPLACESEL, static_cast<uintptr_t>(0), "");
    SendScintilla(SCI_ADDTEXT, static_cast<uintptr_t>(utf8.size()), utf8.data());
    SendScintilla(SCI_ENDUNDOACTION);
}

void ScintillaEditor::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->ignore(); // goes on to the main window
    else
        QsciScintilla::dragEnterEvent(event);
}

void ScintillaEditor::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls())
        event->ignore();
    else
        QsciScintilla::dragMoveEvent(event);
}

void ScintillaEditor::dropEvent(QDropEvent* event) {
    if (event->mimeData()->hasUrls())
        event->ignore();
    else
        QsciScintilla::dropEvent(event);
}

void ScintillaEditor::Focus() {
    setFocus();
}

namespace {

// The needle as the editor holds it, or nothing when a byte-wise look in UTF-8 could miss a
// CP932 hit (bytes that do not convert, or the geta mark, which stands for whatever CP932
// cannot hold).
bool HoldsLineEnd(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

TextPos ScintillaEditor::NextLineThatMayHold(TextPos line, std::string_view needle) const {
    if (line < 0 || line >= LineCount() || HoldsLineEnd(needle))
        return -1;
    if (needle.empty())
        return line;
    TextPos from = Utf8LineStart(line), length = Utf8Length() - from;
    auto* p = reinterpret_cast<const char*>(SendScintilla(
        SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), static_cast<long>(length)));
    auto* hit = static_cast<const char*>(
        memmem(p, static_cast<std::size_t>(length), needle.data(), needle.size()));
    if (!hit)
        return -1;
    return SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(from + (hit - p)));
}

TextPos ScintillaEditor::PreviousLineThatMayHold(TextPos line, std::string_view needle) const {
    if (line < 0 || line >= LineCount() || HoldsLineEnd(needle))
        return -1;
    if (needle.empty())
        return line;
    TextPos end = Utf8LineEnd(line);
    auto* p = reinterpret_cast<const char*>(
        SendScintilla(SCI_GETRANGEPOINTER, 0UL, static_cast<long>(end)));
    std::size_t limit = static_cast<std::size_t>(end);
    const std::size_t m = needle.size();
    while (limit >= m) {
        // Candidates by their first byte, from the back.
        auto* q = static_cast<const char*>(memrchr(p, needle[0], limit - m + 1));
        if (!q)
            return -1;
        if (std::memcmp(q, needle.data(), m) == 0)
            return SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(q - p));
        limit = static_cast<std::size_t>(q - p) + m - 1;
    }
    return -1;
}

namespace {

// The margin and marker the error marks use: margin 0 holds the numbers, 2 and up stay free,
// and marker numbers from 25 belong to folding.
constexpr int kMarkMargin = 1;
constexpr int kMarkMarker = 8;
constexpr int kMarkMarginWidth = 14;

} // namespace

void ScintillaEditor::SetLineMarks(const std::vector<std::pair<TextPos, QString>>& marks) {
    SendScintilla(SCI_MARKERDELETEALL, static_cast<unsigned long>(kMarkMarker));
    marks_.clear();
    if (marks.empty()) {
        setMarginWidth(kMarkMargin, 0);
        return;
    }
    markerDefine(QsciScintilla::RightTriangle, kMarkMarker);
    setMarkerBackgroundColor(QColor(0xD0, 0x30, 0x30), kMarkMarker);
    setMarkerForegroundColor(QColor(0x80, 0x10, 0x10), kMarkMarker);
    setMarginType(kMarkMargin, SymbolMargin);
    setMarginMarkerMask(kMarkMargin, 1 << kMarkMarker);
    setMarginWidth(kMarkMargin, kMarkMarginWidth);
    const TextPos lines = LineCount();
    for (const auto& [line, text] : marks) {
        if (line < 0 || line >= lines)
            continue;
        const int handle = markerAdd(static_cast<int>(line), kMarkMarker);
        if (handle >= 0)
            marks_.push_back(LineMark{handle, text});
    }
}

std::vector<TextPos> ScintillaEditor::MarkedLines() const {
    std::vector<TextPos> lines;
    for (const LineMark& mark : marks_) {
        const long line =
            SendScintilla(SCI_MARKERLINEFROMHANDLE, static_cast<unsigned long>(mark.handle));
        if (line >= 0)
            lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

QString ScintillaEditor::LineMarkText(TextPos line) const {
    QString text;
    // Two marks meet on one line when the lines between them are deleted.
    for (const LineMark& mark : marks_) {
        if (SendScintilla(SCI_MARKERLINEFROMHANDLE, static_cast<unsigned long>(mark.handle)) !=
            line)
            continue;
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += mark.text;
    }
    return text;
}

bool ScintillaEditor::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip || marks_.empty())
        return QsciScintilla::viewportEvent(event);
    auto* help = static_cast<QHelpEvent*>(event);
    int margins = 0;
    for (int margin = 0; margin < 5; ++margin)
        margins += marginWidth(margin);
    if (help->pos().x() >= margins)
        return QsciScintilla::viewportEvent(event);
    // The nearest position right of the margins, on the line under the pointer.
    const long position = SendScintilla(SCI_POSITIONFROMPOINT, static_cast<unsigned long>(margins),
                                        static_cast<long>(help->pos().y()));
    const long line = SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
    const QString text = LineMarkText(line);
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, viewport());
    }
    return true;
}

const std::vector<int>& ScintillaEditor::ClearedKeys() {
    // Case changes, line transpose, cut, delete, duplicate and move, the deletes to the line's
    // ends, overtype, and the keypad's zoom (the menu's zoom keys keep the size in the settings).
    static const std::vector<int> commands = {
        QsciCommand::SelectionLowerCase,
        QsciCommand::SelectionUpperCase,
        QsciCommand::LineTranspose,
        QsciCommand::LineCut,
        QsciCommand::LineDelete,
        QsciCommand::LineDuplicate,
        QsciCommand::SelectionDuplicate,
        QsciCommand::MoveSelectedLinesUp,
        QsciCommand::MoveSelectedLinesDown,
        QsciCommand::ReverseLines,
        QsciCommand::DeleteLineLeft,
        QsciCommand::DeleteLineRight,
        QsciCommand::EditToggleOvertype,
        QsciCommand::ZoomIn,
        QsciCommand::ZoomOut,
        // The text keys are the window's own commands, so that what the window keeps beside
        // the text (the line ends, the modified mark) follows an undo made by a key.
        QsciCommand::Undo,
        QsciCommand::Redo,
        QsciCommand::SelectionCut,
        QsciCommand::SelectionCopy,
        QsciCommand::Paste,
        QsciCommand::SelectAll,
    };
    return commands;
}

void ScintillaEditor::ClearUnlistedKeys() {
    QsciCommandSet* set = standardCommands();
    for (int command : ClearedKeys())
        if (QsciCommand* c = set->find(static_cast<QsciCommand::Command>(command))) {
            c->setKey(0);
            c->setAlternateKey(0);
        }
    // The editing commands' menu keys belong to the menu (Ctrl+/ would move by word parts).
    for (QKeyCombination key :
         {Qt::CTRL | Qt::Key_Slash, Qt::CTRL | Qt::Key_H, Qt::CTRL | Qt::Key_G,
          Qt::CTRL | Qt::Key_0, Qt::CTRL | Qt::Key_Equal})
        for (QsciCommand* c : set->commands()) {
            if (c->key() == key.toCombined())
                c->setKey(0);
            if (c->alternateKey() == key.toCombined())
                c->setAlternateKey(0);
        }
    // Ctrl+keypad-divide resets Scintilla's zoom; no command object stands for it.
    SendScintilla(SCI_CLEARCMDKEY, static_cast<unsigned long>(SCK_DIVIDE | (SCMOD_CTRL << 16)));
}

void ScintillaEditor::IndentNewLine(int character) {
    // A line end of two characters is announced twice; indent at its last one.
    const bool crOnly = eolMode() == EolMac;
    if (!(character == '\n' || (crOnly && character == '\r')))
        return;
    const TextPos caret = SendScintilla(SCI_GETCURRENTPOS);
    const TextPos line = SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(caret));
    if (line == 0 || caret != Utf8LineStart(line))
        return;
    // The same blanks and tabs as above, byte for byte, and a step more after an opener.
    const std::string indent = IndentBelow(LineUtf8(line - 1), indentStyle_);
    if (!indent.empty())
        SendScintilla(SCI_ADDTEXT, static_cast<uintptr_t>(indent.size()), indent.data());
}

void ScintillaEditor::StepBackBeforeBrace(int character) {
    if (character != '}' || indentStyle_.opener != '{')
        return;
    const TextPos caret = SendScintilla(SCI_GETCURRENTPOS);
    const TextPos line = SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(caret));
    const TextPos start = Utf8LineStart(line);
    const std::string before = LineUtf8(line).substr(0, static_cast<std::size_t>(caret - start));
    const std::size_t indent = before.find_first_not_of(" \t");
    // Only a brace that is the line's first character besides its indentation.
    if (indent == std::string::npos || indent + 1 != before.size() || indent == 0)
        return;
    const std::string back = StepBack(before.substr(0, indent), indentStyle_);
    SendScintilla(SCI_SETTARGETRANGE, static_cast<unsigned long>(start),
                  static_cast<long>(start + static_cast<TextPos>(indent)));
    SendScintilla(SCI_REPLACETARGET, back.size(), back.data());
}

void ScintillaEditor::SetTabColumns(int columns) {
    setTabWidth(columns >= 1 && columns <= 32 ? columns : 8);
}

void ScintillaEditor::SetIndentStyle(const IndentStyle& style) {
    indentStyle_ = style;
    SetTabColumns(style.tabColumns);
    setIndentationsUseTabs(style.spaces == 0);
    // 0: a step is one TAB wide. Tab in the indentation and on a selected block moves a step.
    setIndentationWidth(style.spaces);
    setTabIndents(true);
    setBackspaceUnindents(style.spaces > 0);
}

void ScintillaEditor::SetZoomAll(int steps) {
    steps = std::clamp(steps, kZoomSmallest, kZoomLargest);
    ZoomSteps() = steps;
    for (const QPointer<ScintillaEditor>& editor : Editors())
        if (editor)
            editor->ApplyZoom(steps);
}

int ScintillaEditor::Zoom() {
    return ZoomSteps();
}

void ScintillaEditor::ApplyZoom(int steps) {
    SendScintilla(SCI_SETZOOM, static_cast<unsigned long>(static_cast<long>(steps)));
    numberDigits_ = 0; // the numbers grew or shrank with the text
    FitNumberMargin();
}

void ScintillaEditor::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QsciScintilla::wheelEvent(event);
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta != 0) {
        SetZoomAll(Zoom() + (delta > 0 ? 1 : -1));
        emit Zoomed(Zoom());
    }
    event->accept();
}

void ScintillaEditor::BeginUndoAction() {
    SendScintilla(SCI_BEGINUNDOACTION);
}

void ScintillaEditor::EndUndoAction() {
    SendScintilla(SCI_ENDUNDOACTION);
}

void ScintillaEditor::ReplaceLineUtf8(TextPos line, std::string_view utf8) {
    if (isReadOnly() || line < 0 || line >= LineCount())
        return;
    SendScintilla(SCI_SETTARGETRANGE, static_cast<unsigned long>(Utf8LineStart(line)),
                  static_cast<long>(Utf8LineEnd(line)));
    SendScintilla(SCI_REPLACETARGET, static_cast<uintptr_t>(utf8.size()), utf8.data());
}
