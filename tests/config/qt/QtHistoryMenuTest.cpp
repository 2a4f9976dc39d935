#include "config/qt/QtHistoryMenu.h"
#include "config/Kfilehistory.h"
#include "platform/IniFile.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// What the user sees in the real menu: visible entries only, "-" for a separator and "(off)"
// for a disabled one.
Lines Visible(const QMenu& menu) {
    Lines lines;
    for (QAction* a : menu.actions()) {
        if (!a->isVisible())
            continue;
        if (a->isSeparator()) {
            lines.push_back("-");
            continue;
        }
        lines.push_back(a->text().toStdString() + (a->isEnabled() ? "" : " (off)"));
    }
    return lines;
}

} // namespace

TEST(QtHistoryMenu, InsertsDeletesAndUpdatesActionsInPlace) {
    QMenu menu;
    QtHistoryMenu items(&menu);
    std::vector<int> clicks;
    items.InsertItem(0, "last", "Last", 7, [&](int tag) { clicks.push_back(tag); });
    items.InsertSeparator(0);
    items.InsertItem(0, "first", "First", 1, [&](int tag) { clicks.push_back(tag); });
    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(menu.actions()[0]->objectName().toStdString(), "first");
    EXPECT_TRUE(menu.actions()[1]->isSeparator());
    EXPECT_TRUE(items.IsSeparator(1));
    EXPECT_EQ(items.Name(2), "last");
    EXPECT_EQ(items.Caption(2), "Last");

    items.SetTag(2, 9); // the click reports the tag as it is at the time of the click
    menu.actions()[2]->trigger();
    menu.actions()[0]->trigger();
    EXPECT_EQ(clicks, (std::vector<int>{9, 1}));

    items.SetCaption(0, "&1 /a");
    items.SetEnabled(2, false);
    items.SetVisible(1, false);
    EXPECT_EQ(Visible(menu), (Lines{"&1 /a", "Last (off)"}));
    EXPECT_FALSE(items.Enabled(2));
    EXPECT_FALSE(items.Visible(1));

    items.DeleteItem(0);
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Tag(1), 9);
    EXPECT_THROW(items.Caption(5), std::out_of_range);
}

TEST(QtHistoryMenu, CarriesTheRecentFileHistory) {
    TempDir dir;
    QMenu reload("開きなおす(&R)");
    QtHistoryMenu items(&reload);
    ScriptedMessages messages;
    std::vector<int> opened;
    KFileHistory history(items, messages, [&](int index) { opened.push_back(index); });
    EXPECT_EQ(Visible(reload), (Lines{"(なし) (off)", "-", "履歴をクリア(&C) (off)"}));

    history.Load(IniFile(
        dir.Write("VexilPro.cfg",
                  "[FileHistory]\nItemNumber=3\nFile0=/s/a.pl\nFile1=/s/b.pl\nFile2=/s/c.pl\n")));
    EXPECT_EQ(Visible(reload),
              (Lines{"&0 /s/a.pl", "&1 /s/b.pl", "&2 /s/c.pl", "-", "履歴をクリア(&C)"}));
    EXPECT_EQ(reload.actions()[2]->objectName().toStdString(), "MMFileHistory2");

    history.Add("/s/d.pl");
    EXPECT_EQ(Visible(reload), (Lines{"&1 /s/d.pl", "&2 /s/a.pl", "&3 /s/b.pl", "&4 /s/c.pl", "-",
                                      "履歴をクリア(&C)"}));
    reload.actions()[3]->trigger();
    EXPECT_EQ(opened, (std::vector<int>{3}));
    EXPECT_EQ(history.Path(opened[0]), "/s/c.pl");

    // The clear item asks; No keeps everything, Yes leaves only the fixed items.
    QAction* clear = reload.actions().last();
    messages.Answer(MessageAnswer::No);
    clear->trigger();
    EXPECT_EQ(history.Count(), 4);
    messages.Answer(MessageAnswer::Yes);
    clear->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(history.Count(), 0);
    EXPECT_EQ(reload.actions().size(), 3);
    EXPECT_EQ(Visible(reload), (Lines{"(なし) (off)", "-", "履歴をクリア(&C) (off)"}));
    EXPECT_EQ(messages.Count(), 2u);
}
