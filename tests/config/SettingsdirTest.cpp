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

const SettingsUser kUser{false, "/home/db"};
const SettingsUser kRoot{true, "/root"};

} // namespace

TEST(Settingsdir, OnlyAPortableWritableProgramKeepsThemBesideItElseTheUsersConfigFolder) {
    Env home("HOME", "/home/u");
    {
        Env xdg("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(SettingsFolderFor("/opt/v", true, kUser), "/opt/v/");
        EXPECT_EQ(SettingsFolderFor("/opt/v/", false, kUser), "/cfg/VexilPro/");
    }
    Env relative("XDG_CONFIG_HOME", "cfg");
    EXPECT_EQ(SettingsFolderFor("/opt/v", false, kUser), "/home/u/.config/VexilPro/");
}

TEST(Settingsdir, TheMarkerBesideTheProgramMakesItPortableAndTheBuildFolderHasIt) {
    TempDir program;
    EXPECT_FALSE(IsPortableProgram(program.Path()));
    std::filesystem::create_directories(program.File(kPortableMarker));
    EXPECT_FALSE(IsPortableProgram(program.Path())) << "a folder of that name is no marker";
    std::filesystem::remove(program.File(kPortableMarker));
    program.Write(kPortableMarker, "");
    EXPECT_TRUE(IsPortableProgram(program.Path()));
    EXPECT_TRUE(IsPortableProgram(program.Path() + "/"));
    // ./run starts the build folder's program: a portable one.
    EXPECT_TRUE(IsPortableProgram(VEXIL_BIN_DIR));
    // The real decision: marked, and writable by whoever runs the tests (root included).
    EXPECT_EQ(SettingsFolderFor(program.Path()), program.Path() + "/");
}

TEST(Settingsdir, RootKeepsItsSettingsInTheHomeThePasswordDatabaseGivesWhateverSudoKept) {
    // "sudo -E" keeps the caller's HOME and XDG_CONFIG_HOME; root's files must not land there.
    TempDir callers;
    Env home("HOME", "/home/u");
    {
        Env xdg("XDG_CONFIG_HOME", callers.Path().c_str());
        if (::geteuid() == 0) {
            // A folder root owns counts; handed to the user, it no longer does.
            EXPECT_EQ(SettingsFolderFor("/usr/lib/v", false, kRoot), callers.Path() + "/VexilPro/");
            ASSERT_EQ(::chown(callers.Path().c_str(), 65534, 65534), 0);
        }
        // The caller's own folder never counts for root.
        EXPECT_EQ(SettingsFolderFor("/usr/lib/v", false, kRoot), "/root/.config/VexilPro/");
        // The same values serve an ordinary user as they are.
        EXPECT_EQ(SettingsFolderFor("/usr/lib/v", false, kUser), callers.Path() + "/VexilPro/");
    }
    {
        // A root-owned folder (as /etc is everywhere) is root's own choice.
        Env xdg("XDG_CONFIG_HOME", "/etc");
        EXPECT_EQ(SettingsFolderFor("/usr/lib/v", false, kRoot), "/etc/VexilPro/");
        Env missing("XDG_CONFIG_HOME", "/no/such/folder");
        EXPECT_EQ(SettingsFolderFor("/usr/lib/v", false, kRoot), "/root/.config/VexilPro/");
    }
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserHomeFolder(kRoot), "/root");
    EXPECT_EQ(UserHomeFolder(kUser), "/home/u");
    EXPECT_EQ(SettingsFolderFor("/usr/lib/v", false, kRoot), "/root/.config/VexilPro/");
    EXPECT_EQ(SettingsFolderFor("/usr/lib/v", false, kUser), "/home/u/.config/VexilPro/");
    // A root without a usable home keeps them beside the program, whose save then fails loudly.
    EXPECT_EQ(SettingsFolderFor("/usr/lib/v", false, SettingsUser{true, "/"}), "/usr/lib/v/");
    // A portable copy root runs is root's to write, as it always was.
    EXPECT_EQ(SettingsFolderFor("/home/u/v", true, kRoot), "/home/u/v/");
}

TEST(Settingsdir, TheCurrentUserIsTheEffectiveOneWithItsDatabaseHome) {
    const SettingsUser user = CurrentSettingsUser();
    EXPECT_EQ(user.root, ::geteuid() == 0);
    const passwd* pw = ::getpwuid(::geteuid());
    EXPECT_EQ(user.databaseHome, pw && pw->pw_dir ? pw->pw_dir : "");
}

TEST(Settingsdir, WithoutAUsableHomeTheUsersHomeComesFromThePasswordDatabase) {
    const std::string fromDatabase = "/home/db/.config/VexilPro/";
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
        const std::string folder = SettingsFolderFor("/opt/v", false, kUser);
        EXPECT_EQ(folder, r.folder) << what;
        // Nor is the database's home taken when it is not usable.
        EXPECT_EQ(SettingsFolderFor("/opt/v", false, SettingsUser{false, "relative"}),
                  r.folder == fromDatabase ? "/opt/v/" : r.folder)
            << what;
        EXPECT_EQ(SettingsFolderFor("/opt/v", true, kUser), "/opt/v/") << what;
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
