// icon_sheet: draws every tool-bar icon into one PNG so a person can judge them side by side.
//   icon_sheet [--theme NAME] [--zoom N] [OUTPUT.png]
// Without --theme only our own pictures are drawn, as on a machine without an icon theme; with
// it, each button shows what it would show under that theme. --zoom enlarges the finished sheet
// without smoothing, so single pixels can be judged. The default output is docs/icons.png of
// the source tree.
#include "platform/qt/Icons.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace {

struct Button {
    const char* name;
    const char* hint;
    bool separatorBefore;
};

// Hints as the tool bar shows them, so the sheet shows what each picture has to say.
const Button kButtons[] = {
    {"TBNew", "新規作成", false},
    {"TBOpen", "開く", false},
    {"TBSave", "保存", false},
    {"TBCut", "切り取り", true},
    {"TBCopy", "コピー", false},
    {"TBPaste", "貼り付け", false},
    {"TBReadOnly", "編集禁止", false},
    {"TBExecuteScript", "スクリプトを実行", true},
    {"TBExecToBrowser", "ブラウザへ出力", false},
    {"TBExecToClip", "クリップボードから入力", false},
    {"TBExecDOS", "DOS窓へ実行", false},
    {"TBMemoryDroppedFiles", "ドロップファイルを記憶", true},
    {"TBToBrowserAll", "常にブラウザへ", false},
    {"TBNotClip", "クリップボードへ出力しない", false},
    {"TBUseCGI", "CGIデータを使う", false},
    {"TBSaveAll", "常に結果をファイルに保存", false},
    {"TBRunInTerminal", "端末モードで実行", false},
    {"TBAutoRefresh", "オートリフレッシュ", true},
    {"TBExecuteEditor", "外部エディタの実行", false},
    {"TBSeachKeyword", "キーワード検索", true},
};

const QColor kLight(0xF5, 0xF5, 0xF5);
const QColor kDark(0x2B, 0x2B, 0x2B);
const QColor kText(0x21, 0x21, 0x21);
const QColor kDown(0xCF, 0xD8, 0xDC);

constexpr int kRow = 56;
constexpr int kNameWidth = 190;
constexpr int kHintWidth = 230;
constexpr int kThemeWidth = 190;
constexpr int kCell = 60;
const int kSizes[] = {16, 24, 32, 48};

void Centre(QPainter& p, const QIcon& icon, const QRect& cell, int size,
            QIcon::Mode mode = QIcon::Normal) {
    const QPixmap pm = icon.pixmap(QSize(size, size), 1.0, mode);
    p.drawPixmap(cell.x() + (cell.width() - size) / 2, cell.y() + (cell.height() - size) / 2, pm);
}

QImage Draw(bool themed) {
    const int columns = 4 + 2 + 2; // light sizes, dark 16/24, disabled 24, down 24
    const int width = kNameWidth + kHintWidth + kThemeWidth + columns * kCell + 20;
    const int stripHeight = 120;
    const int height = 40 + kRow * int(std::size(kButtons)) + stripHeight;
    QImage sheet(width, height, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    QFont font("Noto Sans CJK JP");
    font.setPixelSize(13);
    p.setFont(font);
    p.setPen(kText);

    int x = 10 + kNameWidth + kHintWidth + kThemeWidth;
    const QStringList heads = {"16", "24", "32", "48", "16 dark", "24 dark", "disabled", "down"};
    p.drawText(10, 26,
               themed ? QString("button (theme: %1)").arg(QIcon::themeName())
                      : QString("button (own pictures)"));
    p.drawText(10 + kNameWidth + kHintWidth, 26, "theme name asked");
    for (const QString& h : heads) {
        p.drawText(QRect(x, 10, kCell, 24), Qt::AlignCenter, h);
        x += kCell;
    }

    int y = 40;
    for (const Button& b : kButtons) {
        const QString name = QString::fromUtf8(b.name);
        const QIcon icon = themed ? ToolIcon(name) : BundledToolIcon(name);
        const QString theme = ThemeIconName(name);
        p.setPen(kText);
        p.drawText(QRect(10, y, kNameWidth, kRow), Qt::AlignVCenter, name);
        p.drawText(QRect(10 + kNameWidth, y, kHintWidth, kRow), Qt::AlignVCenter,
                   QString::fromUtf8(b.hint));
        p.drawText(QRect(10 + kNameWidth + kHintWidth, y, kThemeWidth, kRow), Qt::AlignVCenter,
                   theme.isEmpty() ? QString("-") : theme);
        x = 10 + kNameWidth + kHintWidth + kThemeWidth;
        for (int size : kSizes) {
            QRect cell(x, y, kCell, kRow);
            p.fillRect(cell.adjusted(2, 2, -2, -2), kLight);
            Centre(p, icon, cell, size);
            x += kCell;
        }
        for (int size : {16, 24}) {
            QRect cell(x, y, kCell, kRow);
            p.fillRect(cell.adjusted(2, 2, -2, -2), kDark);
            Centre(p, icon, cell, size);
            x += kCell;
        }
        QRect disabled(x, y, kCell, kRow);
        p.fillRect(disabled.adjusted(2, 2, -2, -2), kLight);
        Centre(p, icon, disabled, 24, QIcon::Disabled);
        x += kCell;
        // A checked option's button: a sunken square behind the picture, as the tool bar
        // draws it while the option is on.
        QRect down(x, y, kCell, kRow);
        p.fillRect(down.adjusted(2, 2, -2, -2), kLight);
        const QRect frame(down.center().x() - 15, down.center().y() - 15, 30, 30);
        p.fillRect(frame, kDown);
        p.setPen(QColor(0x90, 0xA4, 0xAE));
        p.drawRect(frame.adjusted(0, 0, -1, -1));
        Centre(p, icon, down, 24);
        y += kRow;
    }

    // The tool bar as it stands, at 24 and at 16 pixels, then the window icon.
    p.setPen(kText);
    p.drawText(10, y + 24, "tool bar");
    for (int size : {24, 16}) {
        const int rowY = y + (size == 24 ? 34 : 74);
        x = 10;
        p.fillRect(QRect(x, rowY - 4, 19 * (size + 8) + 5 * 9 + 8, size + 8), kLight);
        x += 4;
        for (const Button& b : kButtons) {
            if (b.separatorBefore) {
                p.setPen(QColor(0xB0, 0xBE, 0xC5));
                p.drawLine(x + 4, rowY, x + 4, rowY + size);
                x += 9;
            }
            const QString name = QString::fromUtf8(b.name);
            p.drawPixmap(
                x + 4, rowY,
                (themed ? ToolIcon(name) : BundledToolIcon(name)).pixmap(QSize(size, size), 1.0));
            x += size + 8;
        }
    }
    x = width - 10 - (16 + 32 + 64 + 3 * 12);
    p.setPen(kText);
    p.drawText(x, y + 24, "window icon");
    for (int size : {16, 32, 64}) {
        p.drawPixmap(x, y + 34, AppIcon().pixmap(QSize(size, size), 1.0));
        x += size + 12;
    }
    return sheet;
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QString theme;
    int zoom = 1;
    QString output = QStringLiteral(VEXIL_SOURCE_DIR "/docs/icons.png");
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--theme" && i + 1 < args.size()) {
            theme = args[++i];
        } else if (args[i] == "--zoom" && i + 1 < args.size()) {
            zoom = args[++i].toInt();
        } else if (args[i].startsWith("-")) {
            std::fprintf(stderr, "usage: icon_sheet [--theme NAME] [--zoom N] [OUTPUT.png]\n");
            return 2;
        } else {
            output = args[i];
        }
    }
    if (zoom < 1 || zoom > 8) {
        std::fprintf(stderr, "icon_sheet: --zoom takes 1 to 8\n");
        return 2;
    }
    if (!theme.isEmpty()) {
        // The offscreen platform knows no icon folders; look where a desktop session would.
        QStringList paths = QIcon::themeSearchPaths();
        paths << QDir::homePath() + "/.icons";
        const QString dataDirs =
            qEnvironmentVariable("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
        for (const QString& dir : dataDirs.split(':', Qt::SkipEmptyParts))
            paths << dir + "/icons";
        QIcon::setThemeSearchPaths(paths);
        QIcon::setThemeName(theme);
    }

    QImage sheet = Draw(!theme.isEmpty());
    if (zoom > 1)
        sheet = sheet.scaled(sheet.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!sheet.save(output, "PNG")) {
        std::fprintf(stderr, "icon_sheet: cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%s\n", qPrintable(output));
    return 0;
}
