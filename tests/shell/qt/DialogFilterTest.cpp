#include "platform/Browse.h"
#include "platform/qt/QtDialogService.h"
#include "support/ModalDialogs.h"
#include "support/TempDir.h"

#include <QFileDialog>
#include <filesystem>
#include <gtest/gtest.h>

TEST(QtDialogService, SettingsFiltersBecomeQtNameFilters) {
    EXPECT_EQ(ToQtNameFilters("Perl Files(*.pl,*.cgi)|*.pl;*.cgi|All Files(*.*)|*.*"),
              (QStringList{"Perl Files (*.pl *.cgi)", "All Files (*)"}));
    // A language without extensions still gives a usable pair; parentheses of the name stay.
    EXPECT_EQ(ToQtNameFilters("Perl Files()||All Files(*.*)|*.*|(x)|*.x|A (b) c|*.c"),
              (QStringList{"Perl Files ()", "All Files (*)", "(x) (*.x)", "A (b) c (*.c)"}));
    EXPECT_TRUE(ToQtNameFilters("").isEmpty());
}

TEST(QtDialogService, FileDialogsStartInTheFieldsFolderElseTheCurrentOneNeverTheLastUsed) {
    TempDir dir;
    std::filesystem::create_directories(dir.File("last"));
    std::filesystem::create_directories(dir.File("cwd"));
    const std::string cwd = CurrentFolder();
    ASSERT_TRUE(ChangeFolder(dir.File("cwd")));
    QtDialogService dialogs;
    const std::string picked = dir.Write("last/x.txt", "");
    struct Row {
        std::string fileName, folder;
        bool selected; // the field's file is chosen already
    };
    const Row rows[] = {
        {picked, dir.File("last"), true}, // picked: Qt now remembers this folder as its last
        {"", dir.File("cwd"), false},         {"/usr/bin/env", "/usr/bin", true},
        {"xdg-open", dir.File("cwd"), false}, {"/no/such/dir/x", dir.File("cwd"), false},
    };
    for (const Row& r : rows) {
        QString shown, selected;
        WhenModal modal("QFileDialog", [&](QWidget* w) {
            auto* dialog = static_cast<QFileDialog*>(w);
            shown = dialog->directory().absolutePath();
            selected = dialog->selectedFiles().value(0);
            // QFileDialog's accept is its own; done() is what its Open button ends with.
            if (r.fileName == picked)
                QMetaObject::invokeMethod(dialog, "accept");
            else
                dialog->reject();
        });
        FileDialogRequest request;
        request.fileName = r.fileName;
        EXPECT_EQ(dialogs.AskOpenFile(request),
                  r.fileName == picked ? std::optional<std::string>(picked) : std::nullopt);
        EXPECT_EQ(modal.Count(), 1);
        std::error_code ec;
        EXPECT_EQ(std::filesystem::canonical(shown.toStdString(), ec),
                  std::filesystem::canonical(r.folder))
            << r.fileName << " showed " << shown.toStdString();
        if (r.selected) {
            EXPECT_EQ(selected.toStdString(), r.fileName);
        }
    }
    ChangeFolder(cwd);
}
