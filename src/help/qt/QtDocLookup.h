#pragma once
// DocLookup on QProcess: the program runs while the window goes on; a busy cursor shows that a
// lookup is on, and Escape anywhere in the program calls it off.

#include "help/DocLookup.h"

#include <QObject>
#include <QTimer>
#include <memory>

class QProcess;
class QTemporaryDir;

class QtDocLookup : public QObject, public DocLookup {
    Q_OBJECT
public:
    explicit QtDocLookup(QObject* parent = nullptr);
    ~QtDocLookup() override;

    void Start(const DocCall& call, Done done) override;
    void Cancel() override;
    bool Busy() const override { return process_ != nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Ends the program and forgets the lookup; done is not called.
    void Stop();
    void Finished(bool ok);

    QProcess* process_ = nullptr;
    std::unique_ptr<QTemporaryDir> folder_;
    QTimer timer_;
    Done done_;
    std::size_t maxBytes_ = 0;
    QByteArray output_;
};
