#include "platform/qt/Icons.h"

#include <array>
#include <stdexcept>

// The pictures are compiled into the static GUI library; a static library's resource
// initialiser is only linked in when something refers to it, and this is that reference.
static void InitIconResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)done;
}

namespace {

struct ToolPicture {
    const char* button;
    const char* theme; // freedesktop icon naming; nullptr: always our own picture
    const char* file;  // under :/icons/
};

// The run buttons and the run options form one family of our own (a green play badge runs, an
// orange loop badge means "always", a red bar means "off"); a themed triangle beside our
// badges would break that, so none of them asks the theme.
constexpr std::array<ToolPicture, 20> kPictures{{
    {"TBNew", "document-new", "new.svg"},
    {"TBOpen", "document-open", "open.svg"},
    {"TBSave", "document-save", "save.svg"},
    {"TBCut", "edit-cut", "cut.svg"},
    {"TBCopy", "edit-copy", "copy.svg"},
    {"TBPaste", "edit-paste", "paste.svg"},
    {"TBReadOnly", nullptr, "lock.svg"},
    {"TBExecuteScript", nullptr, "run.svg"},
    {"TBExecToBrowser", nullptr, "run-browser.svg"},
    {"TBExecToClip", nullptr, "run-clipboard.svg"},
    {"TBExecDOS", nullptr, "run-terminal.svg"},
    {"TBMemoryDroppedFiles", nullptr, "pin-files.svg"},
    {"TBToBrowserAll", nullptr, "browser-always.svg"},
    {"TBNotClip", nullptr, "clipboard-off.svg"},
    {"TBUseCGI", nullptr, "form.svg"},
    {"TBSaveAll", nullptr, "save-always.svg"},
    {"TBRunInTerminal", nullptr, "terminal-mode.svg"},
    {"TBAutoRefresh", "view-refresh", "refresh.svg"},
    {"TBExecuteEditor", "accessories-text-editor", "editor.svg"},
    {"TBSeachKeyword", "help-contents", "help-keyword.svg"},
}};

const ToolPicture& Find(const QString& buttonName) {
    for (const ToolPicture& p : kPictures) {
        if (buttonName == QLatin1String(p.button))
            return p;
    }
    throw std::invalid_argument("no tool-bar icon for unknown button \"" +
                                buttonName.toStdString() + "\"");
}

QIcon Bundled(const char* file) {
    InitIconResources();
    return QIcon(QStringLiteral(":/icons/") + QLatin1String(file));
}

} // namespace

const QStringList& ToolButtonNames() {
    static const QStringList names = [] {
        QStringList list;
        for (const ToolPicture& p : kPictures)
            list << QLatin1String(p.button);
        return list;
    }();
    return names;
}

QIcon BundledToolIcon(const QString& buttonName) {
    return Bundled(Find(buttonName).file);
}

QString ThemeIconName(const QString& buttonName) {
    const ToolPicture& p = Find(buttonName);
    return p.theme ? QLatin1String(p.theme) : QString();
}

QIcon ToolIcon(const QString& buttonName) {
    const ToolPicture& p = Find(buttonName);
    QIcon own = Bundled(p.file);
    if (!p.theme)
        return own;
    return QIcon::fromTheme(QLatin1String(p.theme), own);
}

QIcon AppIcon() {
    return Bundled("vexilpro.svg");
}
