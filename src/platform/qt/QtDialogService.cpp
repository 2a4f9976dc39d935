#include "platform/qt/QtDialogService.h"

#include "platform/Browse.h"
#include "platform/FileFacts.h"

#include <QFileDialog>

QStringList ToQtNameFilters(const std::string& filter) {
    QStringList parts = QString::fromStdString(filter).split('|');
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (QString p : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            p = p.trimmed();
            patterns << (p == "*.*" ? QStringLiteral("*") : p);
        }
        // The description's own list of patterns ("Perl Files(*.pl)") gives way to the one Qt
        // reads and shows, so the patterns are not shown twice.
        QString description = parts[i];
        if (description.endsWith(')')) {
            qsizetype open = description.lastIndexOf('(');
            if (open > 0)
                description = description.left(open).trimmed();
        }
        result << description + " (" + patterns.join(' ') + ")";
    }
    return result;
}

std::optional<std::string> QtDialogService::Ask(const FileDialogRequest& request, bool save) {
    // Started in a folder of our choosing: left to itself, Qt shows the folder of its last use.
    QFileDialog dialog(parent_, QString::fromStdString(request.title),
                       QString::fromStdString(DialogStartFolder(request)));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(ToQtNameFilters(request.filter));
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultExt));
        dialog.selectFile(request.fileName.empty() ? lastSaveName_
                                                   : QString::fromStdString(request.fileName));
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
        // The field's file is picked already when it is there; a bare program name such as
        // "xdg-open" names no file here and would only stand in the way.
        if (FileExists(request.fileName) && request.fileName.front() == '/')
            dialog.selectFile(QString::fromStdString(request.fileName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    QString chosen = dialog.selectedFiles().first();
    if (save)
        lastSaveName_ = chosen;
    return chosen.toStdString();
}

std::optional<std::string> QtDialogService::AskOpenFile(const FileDialogRequest& request) {
    return Ask(request, false);
}

std::optional<std::string> QtDialogService::AskSaveFile(const FileDialogRequest& request) {
    return Ask(request, true);
}
