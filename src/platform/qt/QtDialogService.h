#pragma once
// File dialogs on the screen. Filters in the settings' "description|patterns|..." form become
// Qt name filters; "*.*" means every file.

#include "platform/DialogService.h"

#include <QString>
#include <QStringList>

class QWidget;

// "Perl Files(*.pl,*.cgi)|*.pl;*.cgi|All Files(*.*)|*.*" ->
// {"Perl Files(*.pl,*.cgi) (*.pl *.cgi)", "All Files(*.*) (*)"}
QStringList ToQtNameFilters(const std::string& filter);

class QtDialogService : public DialogService {
public:
    explicit QtDialogService(QWidget* parent = nullptr) : parent_(parent) {}
    std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override;

private:
    std::optional<std::string> Ask(const FileDialogRequest& request, bool save);
    QWidget* parent_;
    QString lastSaveName_; // the save dialog shows whatever it held last
};
