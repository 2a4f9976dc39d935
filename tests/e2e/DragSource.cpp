// dragsource FILE...: a small window that starts a real drag of the files' URLs when pressed,
// so tests can drop files on the program with the X server's own drag and drop.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

class Source : public QWidget {
public:
    explicit Source(QList<QUrl> urls) : urls_(std::move(urls)) {}

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* drag = new QDrag(this);
        auto* mime = new QMimeData;
        mime->setUrls(urls_);
        drag->setMimeData(mime);
        drag->exec(Qt::CopyAction);
    }

private:
    QList<QUrl> urls_;
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QList<QUrl> urls;
    for (int i = 1; i < argc; ++i)
        urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
    Source window(urls);
    window.setWindowTitle("dragsource");
    window.resize(120, 120);
    window.move(0, 0);
    window.show();
    return app.exec();
}
