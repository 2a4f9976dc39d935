#include "platform/qt/Icons.h"
#include "support/TempDir.h"

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>
#include <set>
#include <stdexcept>

namespace {

// The tool bar from left to right, as the main window builds it.
const QStringList kButtons = {
    "TBNew",           "TBOpen",        "TBSave",          "TBCut",
    "TBCopy",          "TBPaste",       "TBReadOnly",      "TBExecuteScript",
    "TBExecToBrowser", "TBExecToClip",  "TBExecDOS",       "TBMemoryDroppedFiles",
    "TBToBrowserAll",  "TBNotClip",     "TBUseCGI",        "TBSaveAll",
    "TBRunInTerminal", "TBAutoRefresh", "TBExecuteEditor", "TBSeachKeyword"};

QImage Render(const QIcon& icon, int size, QIcon::Mode mode = QIcon::Normal) {
    return icon.pixmap(QSize(size, size), 1.0, mode)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

int OpaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 128;
    return count;
}

// A picture drawn in one solid colour, written as a PNG into an icon theme folder.
void WriteSolidIcon(const QString& folder, const QString& name, int size, QColor colour) {
    QDir().mkpath(folder);
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(folder + "/" + name + ".png", "PNG"));
}

// Every test chooses its own icon theme and leaves the process's choice as it found it.
class Icons : public ::testing::Test {
protected:
    void SetUp() override {
        themeName_ = QIcon::themeName();
        searchPaths_ = QIcon::themeSearchPaths();
        fallbackName_ = QIcon::fallbackThemeName();
        fallbackPaths_ = QIcon::fallbackSearchPaths();
    }
    void TearDown() override {
        QIcon::setThemeSearchPaths(searchPaths_);
        QIcon::setFallbackSearchPaths(fallbackPaths_);
        QIcon::setFallbackThemeName(fallbackName_);
        QIcon::setThemeName(themeName_);
    }

    // A bare machine: no icon theme anywhere, not even the hicolor fallback.
    void NoTheme() {
        QIcon::setThemeSearchPaths({QString::fromStdString(empty_.Path())});
        QIcon::setFallbackSearchPaths({});
        QIcon::setFallbackThemeName("vexil-no-such-theme");
        QIcon::setThemeName("vexil-no-such-theme");
    }

    // A theme that draws document-new, edit-copy, view-refresh and media-playback-start in
    // solid magenta at 16 and 24 pixels, and has nothing else.
    void MagentaTheme() {
        const QString root = QString::fromStdString(themes_.Path());
        const QString theme = root + "/vexil-magenta";
        QDir().mkpath(theme);
        std::string index = "[Icon Theme]\nName=vexil-magenta\n"
                            "Directories=16x16/actions,24x24/actions\n\n"
                            "[16x16/actions]\nSize=16\nType=Fixed\n\n"
                            "[24x24/actions]\nSize=24\nType=Fixed\n";
        themes_.Write("vexil-magenta/index.theme", index);
        for (int size : {16, 24}) {
            const QString folder = theme + QString("/%1x%1/actions").arg(size);
            for (const char* name :
                 {"document-new", "edit-copy", "view-refresh", "media-playback-start"})
                WriteSolidIcon(folder, name, size, Qt::magenta);
        }
        QIcon::setThemeSearchPaths({root});
        QIcon::setFallbackSearchPaths({});
        QIcon::setFallbackThemeName("vexil-no-such-theme");
        QIcon::setThemeName("vexil-magenta");
    }

private:
    TempDir empty_;
    TempDir themes_;
    QString themeName_;
    QStringList searchPaths_;
    QString fallbackName_;
    QStringList fallbackPaths_;
};

bool AllMagenta(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != QColor(Qt::magenta).rgba())
                return false;
    return true;
}

} // namespace

TEST_F(Icons, NamesTheToolBarButtonsInOrder) {
    EXPECT_EQ(ToolButtonNames(), kButtons);
}

TEST_F(Icons, EveryButtonHasAVisiblePictureOnABareMachine) {
    NoTheme();
    for (const QString& name : kButtons) {
        SCOPED_TRACE(name.toStdString());
        const QIcon icon = ToolIcon(name);
        ASSERT_FALSE(icon.isNull());
        for (int size : {16, 24}) {
            const QImage image = Render(icon, size);
            ASSERT_EQ(image.size(), QSize(size, size));
            // A picture, not a speck: at least a sixth of the square is covered, and not a
            // filled square either (the engine's answer for a picture it cannot read).
            const int covered = OpaquePixels(image);
            EXPECT_GE(covered, size * size / 6);
            EXPECT_LT(covered, size * size);
        }
        // The disabled look of the tool bar is derived from the same picture.
        EXPECT_GE(OpaquePixels(Render(icon, 24, QIcon::Disabled)), 24 * 24 / 6);
    }
}

TEST_F(Icons, NoTwoButtonsShareAPicture) {
    NoTheme();
    std::set<QByteArray> seen;
    for (const QString& name : kButtons) {
        const QImage image = Render(ToolIcon(name), 24);
        const QByteArray bytes(reinterpret_cast<const char*>(image.constBits()),
                               image.sizeInBytes());
        EXPECT_TRUE(seen.insert(bytes).second) << name.toStdString() << " looks like another";
    }
}

TEST_F(Icons, UnknownButtonNamesFailLoudly) {
    NoTheme();
    // The real spelling of the keyword button lacks an r; the mended spelling is a mistake.
    for (const QString& bad :
         {QString("TBSearchKeyword"), QString("tbnew"), QString(""), QString("MMNew")}) {
        SCOPED_TRACE(bad.toStdString());
        try {
            ToolIcon(bad);
            ADD_FAILURE() << "no exception";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find('"' + bad.toStdString() + '"'), std::string::npos)
                << e.what();
        }
        EXPECT_THROW(BundledToolIcon(bad), std::invalid_argument);
        EXPECT_THROW(ThemeIconName(bad), std::invalid_argument);
    }
}

TEST_F(Icons, ThemeIconsReplaceOursOnlyWhereTheThemeHasTheAction) {
    MagentaTheme();
    for (int size : {16, 24}) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(AllMagenta(Render(ToolIcon("TBNew"), size)));
        EXPECT_TRUE(AllMagenta(Render(ToolIcon("TBCopy"), size)));
        EXPECT_TRUE(AllMagenta(Render(ToolIcon("TBAutoRefresh"), size)));
        // The theme lacks document-open: our own picture stands in, whole.
        EXPECT_EQ(Render(ToolIcon("TBOpen"), size), Render(BundledToolIcon("TBOpen"), size));
        // The run family keeps its own look even where the theme has a play triangle.
        EXPECT_EQ(Render(ToolIcon("TBExecuteScript"), size),
                  Render(BundledToolIcon("TBExecuteScript"), size));
        EXPECT_FALSE(AllMagenta(Render(ToolIcon("TBExecuteScript"), size)));
    }
    // The bundled picture ignores the theme.
    EXPECT_FALSE(AllMagenta(Render(BundledToolIcon("TBNew"), 24)));
}

TEST_F(Icons, AskTheThemeOnlyForFreedesktopNames) {
    // Names of the freedesktop icon naming that fit commands of this tool bar.
    const std::set<QString> standard = {"accessories-text-editor",
                                        "document-new",
                                        "document-open",
                                        "document-save",
                                        "document-save-as",
                                        "edit-copy",
                                        "edit-cut",
                                        "edit-find",
                                        "edit-paste",
                                        "help-contents",
                                        "help-faq",
                                        "media-playback-start",
                                        "system-search",
                                        "utilities-terminal",
                                        "view-refresh",
                                        "web-browser"};
    int themed = 0;
    for (const QString& name : kButtons) {
        const QString theme = ThemeIconName(name);
        if (theme.isEmpty())
            continue;
        ++themed;
        EXPECT_TRUE(standard.count(theme))
            << name.toStdString() << " asks for " << theme.toStdString();
    }
    // The file and edit buttons follow the desktop.
    EXPECT_GE(themed, 6);
}

TEST_F(Icons, WindowIconDrawsAtEverySize) {
    NoTheme();
    const QIcon icon = AppIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 32, 64, 256}) {
        SCOPED_TRACE(size);
        const QImage image = Render(icon, size);
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_GE(OpaquePixels(image), size * size / 2);
    }
}
