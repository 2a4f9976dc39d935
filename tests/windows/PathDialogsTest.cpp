// The change-directory and file-name dialogs as widgets, offscreen, driven from inside their
// modal loops.
#include "platform/Browse.h"
#include "support/HostDoubles.h"
#include "support/ModalDialogs.h"
#include "support/TempDir.h"
#include "windows/Opendir.h"
#include "windows/Openfile.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <gtest/gtest.h>

TEST(PathDialogs, ChangeDirectoryEscRestoresTheFolderAndOkKeepsTheOneChosen) {
    TempDir dir;
    std::filesystem::create_directories(dir.File("a/b"));
    const std::string cwd = CurrentFolder();
    ASSERT_TRUE(ChangeFolder(dir.Path()));
    TFOpenDir dialog;
    WhenModal browse("FOpenDir", [&](QWidget*) {
        EXPECT_EQ(dialog.ShownFolder(), dir.Path());
        EXPECT_EQ(dialog.DriveComboBox->itemText(0), "/");
        dialog.OpenFolder(dir.File("a/b"));
        EXPECT_EQ(dialog.ShownFolder(), dir.File("a/b"));
        EXPECT_EQ(CurrentFolder(), dir.File("a/b"));
        QTest::keyClick(dialog.DirectoryListBox, Qt::Key_Escape);
    });
    EXPECT_FALSE(dialog.Prompt());
    EXPECT_EQ(browse.Count(), 1);
    EXPECT_EQ(dialog.SelectedDir(), dir.File("a/b"));
    EXPECT_EQ(CurrentFolder(), dir.Path());

    // Choosing a folder in the list moves the current directory; OK keeps it there.
    WhenModal choose("FOpenDir", [&](QWidget*) {
        auto* model = dialog.DirectoryListBox->model();
        QModelIndex a = dialog.DirectoryListBox->currentIndex();
        for (int tries = 0; tries < 200 && model->rowCount(a) == 0; ++tries)
            QTest::qWait(10); // the file-system model reads folders in the background
        ASSERT_EQ(model->rowCount(a), 1);
        dialog.DirectoryListBox->setCurrentIndex(model->index(0, 0, a));
        EXPECT_EQ(CurrentFolder(), dir.File("a"));
        dialog.Button1->click();
    });
    ASSERT_TRUE(ChangeFolder(dir.Path()));
    EXPECT_TRUE(dialog.Prompt());
    EXPECT_EQ(dialog.SelectedDir(), dir.File("a"));
    EXPECT_EQ(CurrentFolder(), dir.File("a"));
    ChangeFolder(cwd);
}

TEST(PathDialogs, FileNameDialogStartsWithTheFileAndTakesAnEmptyPath) {
    ScriptedDialogs dialogs;
    TFOpenFile dialog(dialogs);
    WhenModal confirm("FOpenFile", [&](QWidget*) {
        EXPECT_EQ(dialog.EdText->text(), "/r/result.txt");
        dialogs.Answer("/r/other.txt");
        dialog.BtBrouse->click();
        EXPECT_EQ(dialog.EdText->text(), "/r/other.txt");
        dialog.EdText->clear();
        QTest::keyClick(dialog.EdText, Qt::Key_Return);
    });
    EXPECT_TRUE(dialog.Prompt("/r/result.txt"));
    EXPECT_EQ(dialog.ChosenPath(), "");
    WhenModal cancel("FOpenFile", [&](QWidget*) {
        dialog.EdText->setText(" typed ");
        dialog.BtCancel->click();
    });
    EXPECT_FALSE(dialog.Prompt("/x"));
    EXPECT_EQ(cancel.Count(), 1);
    EXPECT_EQ(dialog.ChosenPath(), "") << "Cancel keeps what the last OK gave";
}
