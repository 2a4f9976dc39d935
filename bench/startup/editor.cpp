// The floor of the start-up benchmark for a program whose first frame shows a script: a main
// window with a menu bar and one QScintilla editor holding a line of text in a Japanese font.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <Qsci/qsciscintilla.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Editor");
    QFont font("Noto Sans CJK JP");
    font.setPixelSize(12);
    window.setFont(font);
    window.menuBar()->addMenu("ファイル(&F)");
    auto* editor = new QsciScintilla(&window);
    editor->setUtf8(true);
    editor->setText("print \"こんにちは\\n\";\n");
    window.setCentralWidget(editor);
    window.resize(600, 400);
    window.show();
    return app.exec();
}
