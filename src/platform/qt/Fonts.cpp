#include "platform/qt/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

QString MonospaceFamily() {
    static const QString family = [] {
        const QString cjk = QStringLiteral("Noto Sans Mono CJK JP");
        return QFontDatabase::families().contains(cjk) ? cjk : QStringLiteral("monospace");
    }();
    return family;
}

QFont MonospaceFont(int pixelSize) {
    QFont font(MonospaceFamily());
    font.setPixelSize(pixelSize);
    font.setStyleHint(QFont::Monospace);
    return font;
}
