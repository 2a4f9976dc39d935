// The editor with real keys under a private X server: Return keeps the indentation, and a real
// Ctrl+Z takes back one step (the editor and the menu never both take it). What needs no real
// keys is checked offscreen, in the editing and editor-key tests.
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

TEST(EndToEnd, TypedLineKeepsItsIndentAndARealCtrlZTakesBackOneStep) {
    Program p;
    ASSERT_TRUE(p.X().Running());
    std::filesystem::create_directories(p.Folder() + "/defs");
    WriteFileBytes(p.Folder() + "/defs/perl.def", "[Language]\nName=Perl\nExt=pl\n");
    TempDir work;
    // LF line ends, which the typed line follows.
    const std::string script = work.Write("block.pl", "\tprint 1;\n");
    pid_t pid = p.Start({script});
    std::string main = p.WaitForWindow("^Vexil2 - " + script + "$");
    ASSERT_FALSE(main.empty());

    // A line typed below, indented by Return alone; then the whole text commented in one step.
    ASSERT_TRUE(p.Keys(main, "ctrl+Home End Return x ctrl+a ctrl+slash ctrl+s"));
    const std::string commented = "\t# print 1;\n\t# x\n";
    EXPECT_EQ(WaitForContent(script, commented), commented);

    // One press takes back the commenting and nothing of the typing.
    ASSERT_TRUE(p.Keys(main, "ctrl+z ctrl+s"));
    const std::string typed = "\tprint 1;\n\tx\n";
    EXPECT_EQ(WaitForContent(script, typed), typed);

    ASSERT_TRUE(p.Keys(main, "alt+F4"));
    EXPECT_EQ(p.Wait(pid), 0);
}
