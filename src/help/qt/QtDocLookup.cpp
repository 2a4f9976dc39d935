#include "help/qt/QtDocLookup.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>

QtDocLookup::QtDocLookup(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { Finished(false); });
}

QtDocLookup::~QtDocLookup() {
    Stop();
}

void QtDocLookup::Start(const DocCall& call, Done done) {
    Stop();
    if (call.argv.empty()) {
        done(std::nullopt);
        return;
    }
    // An empty folder of its own: pydoc puts its working folder first on the module path, -I
    // or not, so a helper.py beside the user's script would run.
    folder_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/vexil-doc-XXXXXX");
    if (!folder_->isValid()) {
        folder_.reset();
        done(std::nullopt);
        return;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const std::string& name : call.unset)
        environment.remove(QString::fromStdString(name));
    for (const auto& [name, value] : call.set)
        environment.insert(QString::fromStdString(name), QString::fromStdString(value));

    process_ = new QProcess(this);
    process_->setProcessEnvironment(environment);
    process_->setWorkingDirectory(folder_->path());
    process_->setStandardInputFile(QProcess::nullDevice());
    process_->setStandardErrorFile(QProcess::nullDevice());
    done_ = std::move(done);
    maxBytes_ = call.maxBytes;
    output_.clear();
    connect(process_, &QProcess::readyReadStandardOutput, this, [this] {
        const QByteArray part = process_->readAllStandardOutput();
        const qsizetype room = static_cast<qsizetype>(maxBytes_) - output_.size();
        if (room > 0)
            output_ += part.left(room);
    });
    connect(process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        Finished(status == QProcess::NormalExit && code == 0);
    });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            Finished(false);
    });
    QStringList arguments;
    for (std::size_t i = 1; i < call.argv.size(); ++i)
        arguments << QString::fromStdString(call.argv[i]);
    qApp->installEventFilter(this);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    timer_.start(call.timeout);
    process_->start(QString::fromStdString(call.argv[0]), arguments, QIODevice::ReadOnly);
}

void QtDocLookup::Cancel() {
    Stop();
}

void QtDocLookup::Stop() {
    if (!process_)
        return;
    timer_.stop();
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    QProcess* process = process_;
    process_ = nullptr;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(2000);
    }
    // Stop may run inside one of the process's own signals.
    process->deleteLater();
    folder_.reset();
    done_ = nullptr;
    output_.clear();
}

void QtDocLookup::Finished(bool ok) {
    if (!process_)
        return;
    if (ok)
        output_ += process_->readAllStandardOutput().left(static_cast<qsizetype>(maxBytes_) -
                                                          output_.size());
    std::optional<std::string> result;
    if (ok)
        result = output_.toStdString();
    Done done = std::move(done_);
    Stop();
    // Last: done may start another lookup.
    if (done)
        done(std::move(result));
}

bool QtDocLookup::eventFilter(QObject* watched, QEvent* event) {
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (process_ && key && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        // Escape is the lookup's while it runs: no shortcut of a window takes it first.
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        Cancel();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
