// Renders the program's SVG icon to the PNG sizes of the desktop's icon theme at build time.
//   render_icon ICON.svg OUTDIR SIZE...   writes OUTDIR/SIZExSIZE/apps/vexilpro.png
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: render_icon ICON.svg OUTDIR SIZE...\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (int i = 3; i < argc; ++i) {
        int size = QString(argv[i]).toInt();
        QImageReader reader(QString::fromLocal8Bit(argv[1]));
        reader.setScaledSize(QSize(size, size));
        QImage image = reader.read();
        QString folder = QString("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        if (image.isNull() || !QDir().mkpath(folder) || !image.save(folder + "/vexilpro.png")) {
            std::fprintf(stderr, "render_icon: %s at %d: %s\n", argv[1], size,
                         qPrintable(reader.errorString()));
            return 1;
        }
    }
    return 0;
}
