#include "config/Kfilehistory.h"
#include "platform/IniFile.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include "ListMenu.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// The menu as a user sees it: caption, tag for enabled items, and the state of the others.
Lines Describe(const HistoryMenu& menu) {
    Lines lines;
    for (int i = 0; i < menu.Count(); ++i) {
        if (menu.IsSeparator(i)) {
            lines.push_back("-");
            continue;
        }
        std::string line = menu.Caption(i);
        if (!menu.Visible(i))
            line += " hidden";
        if (!menu.Enabled(i))
            line += " disabled";
        else
            line += " #" + std::to_string(menu.Tag(i));
        lines.push_back(line);
    }
    return lines;
}

const std::string kNone = "(なし)";
const std::string kClear = "履歴をクリア(&C)";

struct Fixture {
    ListMenu menu;
    ScriptedMessages messages;
    std::vector<int> opened;
    KFileHistory history{menu, messages, [this](int index) { opened.push_back(index); }};
};

std::string Section(int count, int firstIndex = 0) {
    std::string text = "[FileHistory]\nItemNumber=" + std::to_string(count) + "\n";
    for (int i = firstIndex; i < count; ++i)
        text += "File" + std::to_string(i) + "=/s/f" + std::to_string(i) + ".pl\n";
    return text;
}

} // namespace

TEST(KFileHistory, StartsWithPlaceholderSeparatorAndDisabledClear) {
    Fixture f;
    EXPECT_EQ(Describe(f.menu), (Lines{kNone + " disabled", "-", kClear + " disabled"}));
    EXPECT_EQ(f.history.Count(), 0);
}

TEST(KFileHistory, LoadNumbersFromZeroAndAddFromOne) {
    TempDir dir;
    Fixture f;
    IniFile ini(dir.Write("VexilPro.cfg", Section(3)));
    f.history.Load(ini);
    EXPECT_EQ(Describe(f.menu), (Lines{"&0 /s/f0.pl #0", "&1 /s/f1.pl #1", "&2 /s/f2.pl #2",
                                       kNone + " hidden disabled", "-", kClear + " #0"}));
    EXPECT_EQ(f.menu.Name(0), "MMFileHistory0");
    EXPECT_EQ(f.menu.Name(2), "MMFileHistory2");

    f.history.Add("/s/new.pl");
    EXPECT_EQ(Describe(f.menu),
              (Lines{"&1 /s/new.pl #0", "&2 /s/f0.pl #1", "&3 /s/f1.pl #2", "&4 /s/f2.pl #3",
                     kNone + " hidden disabled", "-", kClear + " #0"}));
    EXPECT_EQ(f.menu.Name(3), "MMFileHistory3");
}

TEST(KFileHistory, AddingTheSamePathInOtherCaseKeepsOneEntryAtTheTop) {
    Fixture f;
    f.history.Add("/home/a/One.pl");
    f.history.Add("/home/a/two.pl");
    f.history.Add("  /HOME/A/one.PL\t"); // blanks around are dropped, the newer form is kept
    EXPECT_EQ(f.history.Paths(), (Lines{"/HOME/A/one.PL", "/home/a/two.pl"}));
    EXPECT_EQ(Describe(f.menu), (Lines{"&1 /HOME/A/one.PL #0", "&2 /home/a/two.pl #1",
                                       kNone + " hidden disabled", "-", kClear + " #0"}));
}

TEST(KFileHistory, KeepsAtMostTenDroppingTheOldest) {
    Fixture f;
    for (int i = 1; i <= 11; ++i)
        f.history.Add("/p/" + std::to_string(i));
    ASSERT_EQ(f.history.Count(), 10);
    EXPECT_EQ(f.history.Path(0), "/p/11");
    EXPECT_EQ(f.history.Path(9), "/p/2");
    EXPECT_EQ(f.menu.Count(), 13);
    EXPECT_EQ(f.menu.Caption(0), "&1 /p/11");
    EXPECT_EQ(f.menu.Caption(9), "1&0 /p/2"); // the key 1 stays item 1's
    EXPECT_EQ(f.menu.Tag(9), 9);
    EXPECT_EQ(f.menu.Caption(10), kNone);
}

TEST(KFileHistory, LoadHasNoLimitAndAddShrinksOneAtATime) {
    TempDir dir;
    Fixture f;
    f.history.Load(IniFile(dir.Write("c.cfg", Section(12))));
    ASSERT_EQ(f.history.Count(), 12);
    EXPECT_EQ(f.menu.Count(), 15);
    EXPECT_EQ(f.menu.Caption(11), "11 /s/f11.pl"); // no key past the tenth

    f.history.Add("/s/new.pl"); // a new path keeps twelve
    EXPECT_EQ(f.history.Count(), 12);
    EXPECT_EQ(f.history.Path(0), "/s/new.pl");
    EXPECT_EQ(f.history.Path(11), "/s/f10.pl");
    f.history.Add("/s/f5.pl"); // a known path lowers the count by one
    EXPECT_EQ(f.history.Count(), 11);
    EXPECT_EQ(f.history.Path(0), "/s/f5.pl");
    f.history.Add("/s/f0.pl");
    EXPECT_EQ(f.history.Count(), 10);
    f.history.Add("/s/f1.pl");
    EXPECT_EQ(f.history.Count(), 10);
    EXPECT_EQ(f.menu.Count(), 13);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(f.menu.Caption(i),
                  (i < 9 ? "&" + std::to_string(i + 1) : "1&0") + " " + f.history.Path(i));
        EXPECT_EQ(f.menu.Name(i), "MMFileHistory" + std::to_string(i));
    }
}

TEST(KFileHistory, HandEditedSectionsLoadSafely) {
    TempDir dir;
    {
        Fixture f; // fewer entries than promised, one of them blank
        f.history.Load(IniFile(dir.Write(
            "a.cfg", "[FileHistory]\nItemNumber=1000000000\nFile0=/a\nFile1=\nFile2=/c\n")));
        EXPECT_EQ(f.history.Paths(), (Lines{"/a", "/c"}));
        EXPECT_EQ(f.menu.Caption(1), "&1 /c");
        EXPECT_EQ(f.menu.Tag(1), 1);
    }
    {
        Fixture f; // a negative count leaves the history empty and the menu consistent
        f.history.Load(IniFile(dir.Write("b.cfg", "[FileHistory]\nItemNumber=-3\nFile0=/a\n")));
        EXPECT_EQ(f.history.Count(), 0);
        EXPECT_EQ(Describe(f.menu), (Lines{kNone + " disabled", "-", kClear + " disabled"}));
    }
    {
        Fixture f; // keys past ItemNumber are ignored; duplicates are kept as written
        f.history.Load(IniFile(
            dir.Write("c.cfg", "[FileHistory]\nItemNumber=2\nFile0=/a\nFile1=/A\nFile2=/x\n")));
        EXPECT_EQ(f.history.Paths(), (Lines{"/a", "/A"}));
    }
}

TEST(KFileHistory, SaveWritesTheSectionAndLeavesOlderKeys) {
    TempDir dir;
    Fixture f;
    auto path = dir.Write("c.cfg", "[FileHistory]\nItemNumber=3\nFile0=/x\nFile1=/y\nFile2=/z\n");
    f.history.Add("/b");
    f.history.Add("/a");
    IniFile ini(path);
    f.history.Save(ini);
    ini.UpdateFile();
    EXPECT_EQ(dir.Read("c.cfg"), "[FileHistory]\nItemNumber=2\nFile0=/a\nFile1=/b\nFile2=/z\n");

    Fixture g;
    g.history.Load(IniFile(path));
    EXPECT_EQ(g.history.Paths(), (Lines{"/a", "/b"}));
}

TEST(KFileHistory, ClicksReachTheOpenHandlerWithTheIndex) {
    TempDir dir;
    Fixture f;
    f.history.Load(IniFile(dir.Write("c.cfg", Section(3))));
    ASSERT_TRUE(f.menu.Press(2));
    EXPECT_EQ(f.opened, (std::vector<int>{2}));
    f.history.Add("/s/f2.pl"); // moves to the top; the item at the top now carries tag 0
    ASSERT_TRUE(f.menu.Press(0));
    ASSERT_TRUE(f.menu.Press(2));
    EXPECT_EQ(f.opened, (std::vector<int>{2, 0, 2}));
    EXPECT_EQ(f.history.Path(2), "/s/f1.pl");
}

TEST(KFileHistory, ClearAsksFirst) {
    Fixture f;
    f.history.Add("/a");
    f.history.Add("/b");
    Lines before = Describe(f.menu);

    f.messages.Answer(MessageAnswer::No);
    ASSERT_TRUE(f.menu.Press(4)); // the clear item
    ASSERT_EQ(f.messages.Count(), 1u);
    EXPECT_EQ(f.messages.Shown()[0].text, "全てのファイル履歴を削除してよろしいですか？");
    EXPECT_EQ(f.messages.Shown()[0].caption, "Vexil - 確認");
    EXPECT_EQ(f.messages.Shown()[0].kind, ShownMessage::YesNo);
    EXPECT_EQ(Describe(f.menu), before);
    EXPECT_EQ(f.history.Count(), 2);

    f.messages.Answer(MessageAnswer::Yes);
    EXPECT_TRUE(f.history.Clear());
    EXPECT_EQ(f.history.Count(), 0);
    EXPECT_EQ(Describe(f.menu), (Lines{kNone + " disabled", "-", kClear + " disabled"}));
    EXPECT_FALSE(f.menu.Press(2)); // the disabled clear item does nothing

    f.history.Add("/c"); // and the history starts over, numbered from 1
    EXPECT_EQ(Describe(f.menu),
              (Lines{"&1 /c #0", kNone + " hidden disabled", "-", kClear + " #0"}));
}

TEST(KFileHistory, LoadingAgainReplacesTheItems) {
    TempDir dir;
    Fixture f;
    f.history.Add("/old");
    f.history.Load(IniFile(dir.Write("c.cfg", Section(2))));
    EXPECT_EQ(f.history.Paths(), (Lines{"/s/f0.pl", "/s/f1.pl"}));
    EXPECT_EQ(Describe(f.menu), (Lines{"&0 /s/f0.pl #0", "&1 /s/f1.pl #1",
                                       kNone + " hidden disabled", "-", kClear + " #0"}));
    f.history.Load(IniFile(dir.Write("d.cfg", "")));
    EXPECT_EQ(Describe(f.menu), (Lines{kNone + " disabled", "-", kClear + " disabled"}));
}
