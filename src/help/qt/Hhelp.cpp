#include "help/qt/Hhelp.h"

#include "platform/FileFacts.h"
#include "platform/Launcher.h"
#include "platform/MessageService.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/Icons.h"

#include <QAction>
#include <QKeySequence>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr const char* kCaption = "Vexil - ヘルプ";
constexpr const char* kCannotRead = " を読み込めませんでした。";
constexpr const char* kNotFound = "が見つかりません。";

constexpr const char* kNotFollowed = "このリンクは開きません:\n";
// Pictures and style sheets a page names: more than this is not loaded.
constexpr std::size_t kLargestResource = std::size_t{8} << 20;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// A page names its pictures and style sheets itself, and a help file may come from anyone (a
// shared definition names one): only regular local files of a bounded size are loaded, so an
// <img> of /dev/zero or of a FIFO can neither fill memory nor block the window.
class HelpBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

    // An empty answer must still be a value: for a null one the document reads the file
    // itself, unbounded.
    QVariant loadResource(int, const QUrl& name) override {
        const QUrl url = document()->baseUrl().resolved(name);
        std::string bytes;
        if (!url.isLocalFile() ||
            !ReadRegularFile(url.toLocalFile().toStdString(), kLargestResource, bytes))
            return QVariant(QByteArray());
        return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
};

// Where a link may go: out only to the web and to mail, in only to help pages.
bool GoesOut(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == "http" || scheme == "https" || scheme == "mailto";
}

bool IsHelpPage(const std::string& path) {
    const std::string ext = LowerAscii(ExtractFileExt(path));
    return ext == ".html" || ext == ".htm" || ext == ".txt";
}

} // namespace

TFHelp::TFHelp(MessageService& messages, Launcher& launcher, QWidget* parent)
    : QWidget(parent, Qt::Window), messages_(messages), launcher_(launcher) {
    setObjectName("FHelp");
    setWindowTitle(kCaption);
    setWindowIcon(AppIcon());
    resize(760, 560);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QToolBar(this);
    bar->setObjectName("HelpToolBar");
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    back_ = bar->addAction(QIcon::fromTheme("go-previous"), "戻る(&B)");
    back_->setObjectName("HelpBack");
    back_->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::Key_Backspace)});
    back_->setShortcutContext(Qt::WindowShortcut);
    back_->setEnabled(false);
    connect(back_, &QAction::triggered, this, [this] { Back(); });
    layout->addWidget(bar);
    browser_ = new HelpBrowser(this);
    browser_->setObjectName("HelpBrowser");
    // Links are followed here: inside the help they stay in the viewer, others go out.
    browser_->setOpenLinks(false);
    QFont font("Noto Sans CJK JP");
    font.setPixelSize(14);
    browser_->setFont(font);
    // perldoc's and pydoc's text and the pages' code line up in columns.
    browser_->document()->setDefaultStyleSheet(
        QStringLiteral("pre, code, tt, kbd, samp { font-family: '%1', monospace; }")
            .arg(MonospaceFamily()));
    layout->addWidget(browser_);
    connect(browser_, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& url) { LinkClicked(url); });
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    close->setContext(Qt::WidgetWithChildrenShortcut);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

void TFHelp::ShowContents(const std::string& file) {
    if (!Load(file))
        return;
    Present(ExtractFileName(file));
    ShowPage({});
}

void TFHelp::ShowKeyword(const std::string& file, const std::string& keyword) {
    if (!Load(file))
        return;
    Present(ExtractFileName(file));
    HelpTarget target = FindHelpTarget(page_, keyword);
    if (target.kind == HelpTargetKind::Anchor) {
        ShowPage(target.anchor);
        return;
    }
    if (target.kind == HelpTargetKind::Text) {
        ShowPage({});
        if (SelectFirst(keyword))
            return;
    }
    ShowIndex(keyword);
}

void TFHelp::ShowText(const std::string& title, const std::string& text) {
    Remember();
    page_ = MakePlainHelpPage(text);
    file_.clear();
    Present(title);
    ShowPage({});
}

bool TFHelp::Load(const std::string& file) {
    std::string bytes;
    // One byte past the page's bound tells the page that the file was longer.
    if (!ReadRegularFile(file, kLargestHelpPage + 1, bytes)) {
        messages_.Show(file + kCannotRead, kErrorCaption, MessageIcon::Error);
        return false;
    }
    if (!LooksLikeText(bytes)) {
        // A binary help format (a Windows .hlp) is for whatever the desktop opens it with.
        if (!DesktopHasProgramFor(file) || !launcher_.StartDetached(OpenerCommand(file)))
            messages_.Show(file + kCannotRead, kErrorCaption, MessageIcon::Error);
        return false;
    }
    HelpPage page = MakeHelpPage(file, bytes);
    Remember();
    page_ = std::move(page);
    file_ = file;
    return true;
}

void TFHelp::Remember() {
    if (!shown_)
        return;
    constexpr size_t kMostSteps = 100;
    if (history_.size() == kMostSteps)
        history_.erase(history_.begin());
    history_.push_back({page_, file_, title_, showingIndex_, indexKeyword_,
                        browser_->verticalScrollBar()->value()});
    back_->setEnabled(true);
}

void TFHelp::Back() {
    if (history_.empty())
        return;
    Step step = std::move(history_.back());
    history_.pop_back();
    back_->setEnabled(!history_.empty());
    page_ = std::move(step.page);
    file_ = std::move(step.file);
    Present(step.title);
    if (step.index)
        ShowIndex(step.keyword);
    else
        ShowPage({});
    browser_->verticalScrollBar()->setValue(step.scroll);
}

void TFHelp::Present(const std::string& title) {
    title_ = title;
    setWindowTitle(Q(std::string(kCaption) + " - " + title));
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void TFHelp::ShowPage(const std::string& anchor) {
    browser_->document()->setBaseUrl(file_.empty() ? QUrl() : QUrl::fromLocalFile(Q(file_)));
    browser_->setHtml(Q(page_.html));
    showingIndex_ = false;
    shown_ = true;
    if (anchor.empty())
        browser_->moveCursor(QTextCursor::Start);
    else
        browser_->scrollToAnchor(Q(anchor));
}

void TFHelp::ShowIndex(const std::string& keyword) {
    browser_->setHtml(Q(HeadingIndexHtml(page_, keyword)));
    showingIndex_ = true;
    indexKeyword_ = keyword;
    shown_ = true;
}

bool TFHelp::SelectFirst(const std::string& keyword) {
    QTextDocument* doc = browser_->document();
    // A whole word first: F1 on "print" should not land in "printf".
    QTextCursor found = doc->find(Q(keyword), 0, QTextDocument::FindWholeWords);
    if (found.isNull())
        found = doc->find(Q(keyword));
    if (found.isNull())
        return false;
    browser_->setTextCursor(found);
    browser_->ensureCursorVisible();
    return true;
}

void TFHelp::LinkClicked(const QUrl& url) {
    if (url.isRelative() && url.path().isEmpty()) {
        // An anchor of the page itself, or of the page behind the index.
        Remember();
        if (showingIndex_ || url.fragment().isEmpty())
            ShowPage(url.fragment().toStdString());
        else
            browser_->scrollToAnchor(url.fragment());
        return;
    }
    QUrl target = file_.empty() ? url : QUrl::fromLocalFile(Q(file_)).resolved(url);
    if (target.isRelative())
        return; // a page from no file has nothing to resolve it against
    if (target.isLocalFile() && IsHelpPage(target.toLocalFile().toStdString())) {
        std::string path = target.toLocalFile().toStdString();
        if (!FileExists(path)) {
            messages_.Show(path + kNotFound);
            return;
        }
        if (Load(path)) {
            Present(ExtractFileName(path));
            ShowPage(target.fragment().toStdString());
        }
        return;
    }
    // Any other scheme (file: of a program, a handler's own) is shown, never handed on.
    if (!GoesOut(target)) {
        messages_.Show(kNotFollowed + target.toString().toStdString());
        return;
    }
    launcher_.StartDetached(OpenerCommand(target.toString().toStdString()));
}

LazyHelpViewer::~LazyHelpViewer() = default;

TFHelp& LazyHelpViewer::Window() {
    if (!window_)
        window_ = new TFHelp(messages_, launcher_, parent_);
    return *window_;
}
