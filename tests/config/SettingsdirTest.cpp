#include "config/Settingsdir.h"
#include "config/Kvexilconfig.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

namespace {

// Sets an environment variable for one scope.
struct Env {
    std::string name;
    std::string old;
    bool had;
    Env(const char* n, const char* value) : name(n) {
        const char* o = std::getenv(n);
        had = o != nullptr;
        old = o ? o : "";
        ::setenv(n, value, 1);
    }
    ~Env() {
        if (had)
            ::setenv(name.c_str(), old.c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
};

auto Writable(bool yes) {
    return [yes](const std::string&) { return yes; };
}

} // namespace

TEST(Settingsdir, AWritableProgramFolderKeepsAllElseTheUsersConfigFolder) {
    Env home("HOME", "/home/u");
    {
        Env xdg("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(SettingsFolderFor("/opt/v", Writable(true)), "/opt/v/");
        EXPECT_EQ(SettingsFolderFor("/opt/v/", Writable(false)), "/cfg/VexilPro/");
    }
    Env relative("XDG_CONFIG_HOME", "cfg");
    EXPECT_EQ(SettingsFolderFor("/opt/v", Writable(false)), "/home/u/.config/VexilPro/");
}

TEST(Settingsdir, WithoutAUsableHomeTheUsersHomeComesFromThePasswordDatabase) {
    // What the system itself knows of the user, whatever the environment says.
    const passwd* pw = ::getpwuid(::getuid());
    const std::string known = pw && pw->pw_dir ? pw->pw_dir : "";
    const bool usable = known.size() > 1 && known.front() == '/';
    const std::string fromDatabase = usable ? known + "/.config/VexilPro/" : "/opt/v/";

    Env xdg("XDG_CONFIG_HOME", "");
    ::unsetenv("XDG_CONFIG_HOME");
    struct Row {
        const char* home; // nullptr: unset
        std::string folder;
    };
    for (const Row& r :
         {Row{"/home/u", "/home/u/.config/VexilPro/"}, Row{"/home/u/", "/home/u/.config/VexilPro/"},
          Row{"", fromDatabase}, Row{nullptr, fromDatabase}, Row{"/", fromDatabase},
          Row{"//", fromDatabase}, Row{"relative/home", fromDatabase}}) {
        Env home("HOME", r.home ? r.home : "");
        if (!r.home)
            ::unsetenv("HOME");
        const std::string what = r.home ? std::string("HOME=") + r.home : "HOME unset";
        const std::string folder = SettingsFolderFor("/opt/v", Writable(false));
        EXPECT_EQ(folder, r.folder) << what;
        EXPECT_NE(folder, "/.config/VexilPro/") << what;
        EXPECT_EQ(folder.rfind("//", 0), std::string::npos) << what;
        // A writable program folder keeps the settings whatever HOME says.
        EXPECT_EQ(SettingsFolderFor("/opt/v", Writable(true)), "/opt/v/") << what;
    }
}

TEST(Settingsdir, AFirstStartBeginsFromTheInstalledDefinitionsAndOverwritesNothing) {
    TempDir program, home;
    std::filesystem::create_directories(program.File("default-defs"));
    WriteFileBytes(program.File("default-defs/perl.def"), "[Language]\nName=Perl\nExt=pl,cgi\n");
    // An installed definition of a language PATH also has wins over the one PATH would give.
    WriteFileBytes(program.File("default-defs/bash.def"), "[Language]\nName=Shell\n");
    // Installed read-only, as a read-only system folder holds it.
    std::filesystem::permissions(program.File("default-defs/bash.def"),
                                 std::filesystem::perms::owner_read |
                                     std::filesystem::perms::group_read |
                                     std::filesystem::perms::others_read);
    const std::string settings = home.Path() + "/VexilPro/";
    EXPECT_EQ(PrepareSettingsFolder(program.Path(), settings), settings);
    EXPECT_EQ(std::filesystem::status(settings).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);

    ScriptedMessages messages;
    KVexilConfig config(program.Path(), messages, nullptr, {}, settings);
    config.LoadDefFiles();
    EXPECT_EQ(messages.Count(), 0u) << "no first-start message: definitions came installed";
    EXPECT_EQ(home.Read("VexilPro/defs/perl.def"), "[Language]\nName=Perl\nExt=pl,cgi\n");
    EXPECT_EQ(home.Read("VexilPro/defs/bash.def"), "[Language]\nName=Shell\n");
    EXPECT_EQ(config.Languages[0]->Name, "Shell");
    EXPECT_TRUE(std::any_of(config.Languages.begin(), config.Languages.end(),
                            [](const auto& language) { return language->Name == "Perl"; }));
    EXPECT_EQ(config.CfgPath, settings + "VexilPro.cfg");
    EXPECT_EQ(config.GetTempFilePath(), settings + "vexil.tmp");
    EXPECT_EQ(config.HelpPath, program.Path() + "/VexilPro.hlp") << "help stays with the program";
    // The user's copy of a read-only installed definition saves like any other.
    config.Languages[0]->ExePath = "/bin/sh";
    EXPECT_NO_THROW(config.Languages[0]->Save());
    EXPECT_NE(home.Read("VexilPro/defs/bash.def").find("ExePath=/bin/sh"), std::string::npos);

    // Not a first start any more: the user's own definitions stand.
    WriteFileBytes(settings + "defs/perl.def", "[Language]\nName=Mine\n");
    std::filesystem::remove(settings + "defs/bash.def");
    config.LoadDefFiles();
    EXPECT_EQ(home.Read("VexilPro/defs/perl.def"), "[Language]\nName=Mine\n");
    EXPECT_FALSE(std::filesystem::exists(settings + "defs/bash.def"));
}
