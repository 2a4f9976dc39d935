// screenshot OUT.png [WINDOW-ID]: grabs the X screen (or one window) into a PNG.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    WId window = argc > 2 ? static_cast<WId>(std::stoull(argv[2])) : 0;
    QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(window);
    return shot.save(argv[1], "PNG") ? 0 : 1;
}
