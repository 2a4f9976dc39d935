#include "windows/FindDialog.h"

#include "regex/Kregexp.h"
#include "support/HostDoubles.h"

#include "platform/Cp932.h"
#include "windows/ScintillaEditor.h"
#include "windows/logic/TextWindow.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

TEST(FindDialog, StartsDownwardSearchingAsAlwaysUntilABoxIsTicked) {
    FindDialog dialog;
    dialog.ShowDialog();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.isModal());
    EXPECT_TRUE(dialog.SearchDown());
    // Case matters, plain text, no wrap: the find as it has always been.
    EXPECT_TRUE(dialog.CbMatchCase->isChecked());
    EXPECT_TRUE(dialog.CbMatchCase->isVisible());
    EXPECT_FALSE(dialog.CbRegExp->isChecked());
    EXPECT_FALSE(dialog.CbWrap->isChecked());
    EXPECT_FALSE(dialog.CbWholeWord->isVisible());
    const SearchOptions plain = dialog.Options();
    EXPECT_TRUE(plain.matchCase && !plain.regex && !plain.wrap);
    // Without the regex library the box cannot be ticked, and says why.
    EXPECT_FALSE(RegExpLoaded());
    EXPECT_FALSE(dialog.CbRegExp->isEnabled());
    EXPECT_NE(dialog.CbRegExp->toolTip().indexOf("libbregexp.so"), -1);
    dialog.CbRegExp->setChecked(true);
    dialog.CbMatchCase->setChecked(false);
    dialog.CbWrap->setChecked(true);
    const SearchOptions ticked = dialog.Options();
    EXPECT_TRUE(!ticked.matchCase && !ticked.regex && ticked.wrap);
    dialog.RbUp->setChecked(true);
    EXPECT_FALSE(dialog.SearchDown());
    dialog.CloseDialog();
    EXPECT_FALSE(dialog.isVisible());
}

// The text is kept as typed: a character CP932 lacks must not come back as 〓.
TEST(FindDialog, TextTravelsAsTyped) {
    FindDialog dialog;
    dialog.SetFindText("日本ｱx é😀");
    EXPECT_EQ(dialog.EdFindText->text(), QString::fromUtf8("日本ｱx é😀"));
    dialog.EdFindText->setText(QString::fromUtf8("表\\〜"));
    EXPECT_EQ(dialog.FindText(), "表\\〜");
}

TEST(FindDialog, FindButtonSearchesTheWindowThatOpenedIt) {
    FindDialog dialog;
    ScintillaEditor editor;
    editor.SetWholeText("alpha\r\nbeta \x93\xFA\r\ngamma \x93\xFA");
    FakeClipboard clipboard;
    TextWindow window(editor, dialog, clipboard);
    window.SearchText = "beta";
    window.Find();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.EdFindText->text(), QStringLiteral("beta"));
    dialog.EdFindText->setText(QString::fromUtf8("日"));
    QTest::mouseClick(dialog.BtFind, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(window.SearchText, "日");
    EXPECT_EQ(editor.SelectionStart(), 7 + 5);
    EXPECT_EQ(editor.SelectionLength(), 2);
    // Return in the text presses the find button as well.
    window.Find();
    QTest::keyClick(dialog.EdFindText, Qt::Key_Return);
    EXPECT_EQ(editor.SelectionStart(), 7 + 9 + 6);
}
