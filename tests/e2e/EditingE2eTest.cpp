// The editor with real keys under a private X server: an indented block typed, Return keeping
// the indentation, replace all through the replace dialog, one undo taking all of it back.
#include "e2e/Program.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Waits until the file holds the text (a save is asynchronous to the keys that asked for it).
std::string WaitForContent(const std::string& path, const std::string& expected) {
    std::string text;
    for (int i = 0; i < 50; ++i) {
        text = ReadFileBytes(path);
        if (text == expected)
            break;
        Pause(100);
    }
    return text;
}

} // namespace

TEST(EndToEnd, TypedBlockKeepsItsIndentAndReplaceAllIsOneUndo) {
    Program p;
    ASSERT_TRUE(p.X().Running());
    std::filesystem::create_directories(p.Folder() + "/defs");
    WriteFileBytes(p.Folder() + "/defs/perl.def", "[Language]\nName=Perl\nExt=pl\n");
    TempDir work;
    // A first line with LF, which the typed lines follow.
    const std::string script = work.Write("block.pl", "#!/usr/bin/perl\n");
    pid_t pid = p.Start({script});
    std::string main = p.WaitForWindow("^Vexil2 - " + script + "$");
    ASSERT_FALSE(main.empty());

    // sub f {  / my $x = 1;  / return $x;  (Return indents a step after the brace, then keeps it)
    ASSERT_TRUE(p.Keys(main,
                       "ctrl+End s u b space f space braceleft Return m y space dollar x space "
                       "equal space 1 semicolon Return r e t u r n space dollar x "
                       "semicolon ctrl+s"));
    const std::string typed = "#!/usr/bin/perl\nsub f {\n\tmy $x = 1;\n\treturn $x;";
    EXPECT_EQ(WaitForContent(script, typed), typed);

    ASSERT_TRUE(p.Keys(main, "ctrl+h"));
    std::string dialog = p.WaitForWindow("^置換$");
    ASSERT_FALSE(dialog.empty()) << "Ctrl+H opened no replace dialog";
    // Find x, replace with count, replace all.
    ASSERT_TRUE(p.Keys(dialog, "ctrl+a x Tab c o u n t alt+a"));
    Pause(300);
    ASSERT_TRUE(p.Keys(dialog, "Escape"));
    Pause(300);
    ASSERT_TRUE(p.Keys(main, "ctrl+s"));
    const std::string replaced = "#!/usr/bin/perl\nsub f {\n\tmy $count = 1;\n\treturn $count;";
    EXPECT_EQ(WaitForContent(script, replaced), replaced);

    // One undo takes back both replacements, and nothing of the typing.
    ASSERT_TRUE(p.Keys(main, "ctrl+z ctrl+s"));
    EXPECT_EQ(WaitForContent(script, typed), typed);

    ASSERT_TRUE(p.Keys(main, "alt+F4"));
    EXPECT_EQ(p.Wait(pid), 0);
}
