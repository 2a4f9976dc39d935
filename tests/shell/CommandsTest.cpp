#include "shell/logic/Commands.h"
#include "platform/IniFile.h"
#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>
#include <set>
#include <string_view>

TEST(Commands, TheDispatchPointReportsWhatAHandlerThrowsAndGoesOn) {
    ScriptedMessages messages;
    CommandDispatcher commands(messages);
    int ran = 0;
    commands.Register("MMSave",
                      [] { throw IniError("/ro/VexilPro.cfg", "Cannot write the file"); });
    commands.Register("MMNew", [&ran] { ++ran; });
    commands.Register("MMHuge", [] { throw std::bad_alloc(); });
    EXPECT_FALSE(commands.Dispatch("MMSave"));
    EXPECT_TRUE(commands.Dispatch("MMNew"));
    EXPECT_FALSE(commands.Dispatch("MMHuge"));
    EXPECT_FALSE(commands.Dispatch("MMUnknown"));
    EXPECT_FALSE(commands.Guard("drop", [] { throw 42; }));
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{"Cannot write the file", "メモリが足りません。",
                                        "Unexpected error in drop"}));
    EXPECT_EQ(messages.Shown()[0].caption, kErrorCaption);
}

TEST(Commands, EveryButtonAndSubmenuNamesACommandOfTheTable) {
    std::set<std::string> names, menus;
    for (const MenuRow& m : MenuTable())
        menus.insert(m.name);
    for (const CommandRow& c : CommandTable()) {
        EXPECT_TRUE(menus.count(c.menu)) << c.name << " sits in an unknown menu " << c.menu;
        if (c.submenu)
            menus.insert(c.name);
        if (std::string_view(c.name) != "-") {
            EXPECT_TRUE(names.insert(c.name).second) << c.name << " twice";
        }
    }
    for (const ButtonRow& b : ToolBarTable())
        if (std::string_view(b.name) != "-") {
            EXPECT_TRUE(names.count(b.command)) << b.name;
        }
}
