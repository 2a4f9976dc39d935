// The peer of the start-up benchmark: the least a Qt 6 program does to show a main window.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Minimal");
    window.resize(600, 400);
    window.show();
    return app.exec();
}
