// screenshot OUT.png [WINDOW-ID]: grabs the X screen (or one window) into a PNG.
// screenshot --count RRGGBB [WINDOW-ID]: prints how many pixels have exactly that colour, for
// tests that must tell what a window shows without comparing whole pictures.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const bool count = std::string(argv[1]) == "--count";
    const int windowArg = count ? 3 : 2;
    if (count && argc < 3)
        return 2;
    WId window = argc > windowArg ? static_cast<WId>(std::stoull(argv[windowArg])) : 0;
    QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(window);
    if (!count)
        return shot.save(argv[1], "PNG") ? 0 : 1;
    const QRgb wanted = 0xff000000u | static_cast<QRgb>(std::stoul(argv[2], nullptr, 16));
    const QImage image = shot.toImage().convertToFormat(QImage::Format_RGB32);
    long n = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            n += line[x] == wanted;
    }
    std::printf("%ld\n", n);
    return 0;
}
