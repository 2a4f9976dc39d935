// A jump from an error line into another file, as a user makes it: real keys on the built
// program under a private X server, a real Python run, read through the caption, the files,
// the pixels and the clipboard.
#include "e2e/Program.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

constexpr unsigned kMarkRed = 0xD03030;

} // namespace

TEST(EndToEndJump, F4IntoAModuleAltLeftBackAndF9RunsTheScriptWithTheModuleEdited) {
    if (!std::filesystem::exists("/usr/bin/python3"))
        GTEST_SKIP() << "python3 is not installed: the jump across files is not tried";
    Program p;
    TempDir work;
    std::filesystem::create_directories(p.Folder() + "/defs");
    WriteFileBytes(p.Folder() + "/defs/python.def",
                   "[Language]\nName=Python\nExt=py\n[Environment]\nExePath=/usr/bin/python3\n"
                   "Option=-u\n[Debug]\nShowError=0\nRegExpErr=line [0-9]+\n"
                   "RegExpFile=File \"([^\"]+)\", line [0-9]+\nUseTagJumpToOtherFile=1\n");
    WriteFileBytes(p.Folder() + "/VexilPro.cfg", "[Window]\nWidth=640\nHeight=440\n");
    const std::string script =
        work.Write("main.py", "import mod\nprint(\"start\")\nmod.risky(-1)\n");
    const std::string module = work.Write("mod.py", "def risky(v):\n"
                                                    "    raise ValueError(\"bad value %d\" % v)\n"
                                                    "    print(\"value\", v)\n");
    ASSERT_TRUE(p.X().Running());
    ASSERT_TRUE(p.StartWindowManager());
    p.Start({script}, work.Path());
    const std::string scriptCaption = "^Vexil2 - .*/main\\.py$";
    const std::string moduleCaption = "^Vexil2 - .*/mod\\.py .*F9.*main\\.py";
    std::string main = p.WaitForWindow(scriptCaption);
    ASSERT_FALSE(main.empty());
    p.Run("xdotool windowactivate --sync " + main);
    p.Run("xdotool key F9");

    // F4 walks the traceback: the script's frame, then the module's, which opens the module.
    // Keys pressed while the run lasts are swallowed, so the walk goes on until it is there.
    bool opened = false;
    for (int i = 0; i < 20 && !opened; ++i) {
        p.Run("xdotool key F4");
        opened = !p.WaitForWindow(moduleCaption, 2).empty();
    }
    ASSERT_TRUE(opened) << "F4 did not open the module";
    // The module's frame is marked in its margin.
    EXPECT_TRUE(WaitFor([&] { return p.Pixels(main, kMarkRed) > 0; }));

    // Alt+Left goes back to the script, Alt+Right to the module where the caret was left.
    p.Run("xdotool key alt+Left");
    EXPECT_FALSE(p.WaitForWindow(scriptCaption).empty()) << "Alt+Left did not return";
    p.Run("xdotool key alt+Right");
    ASSERT_FALSE(p.WaitForWindow(moduleCaption).empty()) << "Alt+Right did not go forward";

    // The caret is at the start of the module's line 2: the raise becomes a comment.
    p.Run("xdotool type --delay 40 '#'");
    ASSERT_FALSE(p.WaitForWindow("^Vexil2 \\* .*/mod\\.py").empty());
    // F9 asks to save the module (the script imports it from disk), then runs the script.
    p.Run("xdotool key F9");
    const std::string question = p.WaitForWindow("^Vexil - ");
    ASSERT_FALSE(question.empty()) << "no save question";
    p.Run("xdotool windowactivate --sync " + question);
    p.Run("xdotool key Return");
    EXPECT_TRUE(WaitFor([&] {
        return ReadFileBytes(module).find("\n#    raise ValueError") != std::string::npos;
    })) << ReadFileBytes(module);

    // The new result is the script's output with the module changed.
    std::string clip;
    EXPECT_TRUE(WaitFor([&] {
        p.Run("xdotool key ctrl+a ctrl+c");
        clip = p.Clipboard();
        return clip == "start\nvalue -1\n";
    })) << clip;
    // The module is still what is shown, and the script is untouched.
    EXPECT_FALSE(p.WaitForWindow(moduleCaption, 2).empty());
    EXPECT_EQ(ReadFileBytes(script), "import mod\nprint(\"start\")\nmod.risky(-1)\n");
}
