// The program as a desktop installs it: cmake --install into a prefix (and under DESTDIR), the
// desktop entry and AppStream data as their validators see them, the icon at every size, and the
// installed program started the way the desktop entry starts it, on a Python script.
#include "e2e/Installed.h"
#include "e2e/Program.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

// The one id that names the program on the desktop: entry, component and icon.
const std::string kAppId = "example.vexilpro.VexilPro";

int Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

// The width and height a PNG file's header gives.
std::pair<int, int> PngSize(const std::string& path) {
    std::string bytes = ReadFileBytes(path);
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0)
        return {0, 0};
    auto at = [&bytes](size_t i) {
        return (static_cast<unsigned char>(bytes[i]) << 24) |
               (static_cast<unsigned char>(bytes[i + 1]) << 16) |
               (static_cast<unsigned char>(bytes[i + 2]) << 8) |
               static_cast<unsigned char>(bytes[i + 3]);
    };
    return {static_cast<int>(at(16)), static_cast<int>(at(20))};
}

} // namespace

TEST(Install, APrefixGetsTheProgramItsDesktopDataAndStartsFromTheEntryOnAPythonScript) {
    TempDir stage;
    // Under DESTDIR everything lands below the stage, nothing outside it.
    ASSERT_EQ(Shell("DESTDIR='" + stage.File("d") +
                    "' cmake --install '" VEXIL_BUILD_DIR "' --prefix /opt/vx"),
              0);
    EXPECT_TRUE(fs::is_symlink(stage.File("d/opt/vx/bin/vexilpro")));
    EXPECT_TRUE(fs::exists(stage.File("d/opt/vx/lib/vexilpro/libnkf32.so")));

    const std::string prefix = stage.File("usr");
    ASSERT_EQ(Shell("cmake --install '" VEXIL_BUILD_DIR "' --prefix '" + prefix + "'"), 0);
    const std::string program = prefix + "/lib/vexilpro/";
    for (const char* file :
         {"vexilpro", "libnkf32.so", "libbregexp.so", "VexilPro.hlp", "default-defs/perl.def"})
        EXPECT_TRUE(fs::is_regular_file(program + file)) << file;
    EXPECT_EQ(fs::canonical(prefix + "/bin/vexilpro"), fs::canonical(program + "vexilpro"));

    const std::string entry = prefix + "/share/applications/" + kAppId + ".desktop";
    EXPECT_EQ(Shell("desktop-file-validate '" + entry + "'"), 0);
    EXPECT_EQ(Shell("appstreamcli validate --no-net '" + prefix + "/share/metainfo/" + kAppId +
                    ".metainfo.xml'"),
              0);
    // The entry's icon is the one installed, at every size, under the program's id.
    ASSERT_EQ(DesktopKey(entry, "Icon"), kAppId);
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        std::string png = prefix + "/share/icons/hicolor/" + std::to_string(size) + "x" +
                          std::to_string(size) + "/apps/" + kAppId + ".png";
        EXPECT_EQ(PngSize(png), std::make_pair(size, size)) << png;
    }
    EXPECT_TRUE(fs::exists(prefix + "/share/icons/hicolor/scalable/apps/" + kAppId + ".svg"));
    EXPECT_TRUE(fs::exists(prefix + "/share/man/man1/vexilpro.1"));

    // Started as the entry says, with the installed bin folder on PATH.
    std::string exec = DesktopKey(entry, "Exec");
    ASSERT_EQ(exec, "vexilpro %f");
    Program p;
    ASSERT_TRUE(p.StartWindowManager());
    p.SetExecutable(prefix + "/bin/" + exec.substr(0, exec.find(' ')));
    p.SetEnv("PATH=" + prefix + "/bin:" + std::getenv("PATH"));
    // Installed, it is not portable: the settings go to the configuration folder, for root too.
    const std::string config = stage.File("config");
    fs::create_directories(config);
    p.SetEnv("XDG_CONFIG_HOME=" + config);
    std::string script = stage.Write("hello.py", "import sys\nprint('py', 6 * 7)\n");
    p.Start({script}, stage.Path());
    // No first-start message: the installed definitions are there, Python among what PATH has.
    std::string main = p.WaitForWindow("^Vexil2 - ");
    ASSERT_FALSE(main.empty()) << "the installed program did not come up";
    EXPECT_TRUE(fs::exists(config + "/VexilPro/defs/perl.def"));
    EXPECT_TRUE(fs::exists(config + "/VexilPro/defs/python.def"));
    EXPECT_FALSE(fs::exists(program + "defs"))
        << "an installed program's folder stays as installed";
    p.Run("xdotool windowactivate --sync " + main);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    p.Run("xdotool key F9");
    std::string clip;
    for (int i = 0; i < 20 && clip != "py 42\n"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        p.Run("xdotool key ctrl+a ctrl+c");
        clip = p.Clipboard();
    }
    EXPECT_EQ(clip, "py 42\n") << "F9 ran the script with Python";
}
