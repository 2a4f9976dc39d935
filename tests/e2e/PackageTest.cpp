// The Debian package as ./scripts/package makes it: its name, control fields, files, identity and
// lintian's verdict; then the package unpacked into a read-only root and started on a Perl script
// with a home of its own, as a user starts an installed program.
#include "e2e/Installed.h"
#include "e2e/Program.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kAppId = "example.vexilpro.VexilPro";
const std::string kMaintainer = "The VexilPro developers <developers@vexilpro.example>";
// Root may write anywhere, so as root the unpacked program runs as nobody, like any user.
constexpr uid_t kNobody = 65534;

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

std::string LastLine(const std::string& text) {
    std::string t = Trimmed(text);
    size_t at = t.rfind('\n');
    return at == std::string::npos ? t : t.substr(at + 1);
}

// The fields of a control file; a continuation line joins its field after a newline.
std::map<std::string, std::string> ControlFields(const std::string& text) {
    std::map<std::string, std::string> fields;
    std::istringstream in(text);
    std::string line, last;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == ' ' && !last.empty()) {
            fields[last] += "\n" + line.substr(1);
        } else if (size_t colon = line.find(':'); colon != std::string::npos) {
            last = line.substr(0, colon);
            fields[last] = line.substr(line.find_first_not_of(' ', colon + 1) == std::string::npos
                                           ? line.size()
                                           : line.find_first_not_of(' ', colon + 1));
        }
    }
    return fields;
}

// The package names of a relation field such as Depends, without versions.
std::set<std::string> PackageNames(const std::string& relations) {
    std::set<std::string> names;
    std::istringstream in(relations);
    std::string item;
    while (std::getline(in, item, ',')) {
        size_t start = item.find_first_not_of(' ');
        if (start == std::string::npos)
            continue;
        names.insert(item.substr(start, item.find_first_of(" (", start) - start));
    }
    return names;
}

// Every path below root with its kind and size, to see that nothing under it changed.
std::vector<std::string> Listing(const std::string& root) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        std::string kind = e.is_symlink() ? "l" : e.is_directory() ? "d" : "f";
        std::string size = e.is_regular_file() && !e.is_symlink()
                               ? std::to_string(fs::file_size(e.path()))
                               : std::string();
        out.push_back(kind + " " + e.path().string() + " " + size);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The host names on the .example placeholder domain, and the reverse-DNS names under "example.",
// that a file's bytes hold.
std::set<std::string> PlaceholderNames(const std::string& bytes) {
    auto nameChar = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_' || c == '.';
    };
    std::set<std::string> names;
    for (size_t at = bytes.find("example"); at != std::string::npos;
         at = bytes.find("example", at + 1)) {
        size_t begin = at, end = at + 7;
        while (begin > 0 && nameChar(bytes[begin - 1]))
            --begin;
        while (end < bytes.size() && nameChar(bytes[end]))
            ++end;
        std::string name = bytes.substr(begin, end - begin);
        if (name.size() > 8 &&
            (name.rfind("example.", 0) == 0 || name.find(".example") != std::string::npos))
            names.insert(name);
    }
    return names;
}

uid_t OwnerOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_uid : static_cast<uid_t>(-1);
}

void MakeFolder(const std::string& path, uid_t owner) {
    fs::create_directories(path);
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace);
    if (::geteuid() == 0) {
        EXPECT_EQ(::chown(path.c_str(), owner, owner), 0) << path;
    }
}

} // namespace

TEST(Package, BuildsAVerifiedDebThatRunsFromAReadOnlyRootWithItsSettingsUnderHome) {
    TempDir work;
    // Readable for nobody, who runs the unpacked program when the tests run as root.
    fs::permissions(work.Path(), fs::perms::owner_all | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read |
                                     fs::perms::others_exec);
    const std::string out = work.File("out");
    fs::create_directories(out);

    // --- Built from what the build folder holds.
    CommandResult made = RunCommand("VEXIL_BUILD_DIR=" + Quoted(VEXIL_BUILD_DIR) + " " +
                                    Quoted(VEXIL_SOURCE_DIR "/scripts/package") +
                                    " --no-build --output " + Quoted(out));
    ASSERT_EQ(made.status, 0) << made.output;
    const std::string arch = Trimmed(RunCommand("dpkg --print-architecture").output);
    const std::string deb = out + "/vexilpro_" VEXIL_VERSION "_" + arch + ".deb";
    ASSERT_EQ(LastLine(made.output), deb);
    ASSERT_TRUE(fs::is_regular_file(deb));
    // Reproducible: packaging the same build again gives the same bytes, time stamps included.
    const std::string again = work.File("again");
    fs::create_directories(again);
    CommandResult remade = RunCommand("VEXIL_BUILD_DIR=" + Quoted(VEXIL_BUILD_DIR) + " " +
                                      Quoted(VEXIL_SOURCE_DIR "/scripts/package") +
                                      " --no-build --output " + Quoted(again));
    ASSERT_EQ(remade.status, 0) << remade.output;
    EXPECT_TRUE(ReadFileBytes(LastLine(remade.output)) == ReadFileBytes(deb))
        << "two packagings of one build differ";

    // --- Control fields.
    auto fields = ControlFields(RunCommand("dpkg-deb -f " + Quoted(deb)).output);
    const std::pair<const char*, std::string> exact[] = {
        {"Package", "vexilpro"},
        {"Version", VEXIL_VERSION},
        {"Architecture", arch},
        {"Maintainer", kMaintainer},
        {"Section", "devel"},
        {"Priority", "optional"},
        {"Homepage", "https://vexilpro.example/"},
        // A real package before a virtual one, and any of three Japanese fonts.
        {"Recommends", "perl-doc, fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic, "
                       "xdg-utils, xterm | x-terminal-emulator"},
    };
    for (const auto& [name, value] : exact)
        EXPECT_EQ(fields[name], value) << name;
    // The libraries' packages as dpkg-shlibdeps found them, PCRE2 only through the run-time
    // loaded libbregexp.so; and perl, which runs the scripts.
    std::set<std::string> depends = PackageNames(fields["Depends"]);
    for (const char* p :
         {"perl", "libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6",
          "libqt6svg6", "libqscintilla2-qt6-15", "libx11-6", "libpcre2-8-0"})
        EXPECT_EQ(depends.count(p), 1u) << p << " missing from Depends: " << fields["Depends"];
    EXPECT_NE(fields["Depends"].find("libc6 (>= "), std::string::npos) << "unversioned libraries";
    const std::string description = fields["Description"];
    const size_t firstBreak = description.find('\n');
    ASSERT_NE(firstBreak, std::string::npos) << "no long description";
    EXPECT_GT(firstBreak, 10u);
    EXPECT_LT(firstBreak, 80u);
    EXPECT_GE(std::count(description.begin(), description.end(), '\n'), 6) << description;

    // --- Files: everything under /usr, owned by root, no mode beyond 755.
    std::istringstream contents(RunCommand("dpkg-deb -c " + Quoted(deb)).output);
    int entries = 0;
    for (std::string line; std::getline(contents, line); ++entries) {
        std::istringstream words(line);
        std::string mode, owner, size, date, time, path;
        words >> mode >> owner >> size >> date >> time >> path;
        EXPECT_EQ(owner, "root/root") << line;
        EXPECT_TRUE(path == "./" || path.rfind("./usr/", 0) == 0) << line;
        EXPECT_EQ(path.rfind("./usr/local", 0), std::string::npos) << line;
        EXPECT_TRUE(mode == "drwxr-xr-x" || mode == "-rw-r--r--" || mode == "-rwxr-xr-x" ||
                    mode == "lrwxrwxrwx")
            << line;
    }
    EXPECT_GT(entries, 20);

    const std::string root = work.File("root");
    ASSERT_EQ(RunCommand("dpkg-deb -x " + Quoted(deb) + " " + Quoted(root)).status, 0);
    const std::string program = root + "/usr/lib/vexilpro/";
    const std::string doc = root + "/usr/share/doc/vexilpro/";
    EXPECT_EQ(fs::read_symlink(root + "/usr/bin/vexilpro"), "../lib/vexilpro/vexilpro");
    const std::string files[] = {
        program + "vexilpro",
        program + "libnkf32.so",
        program + "libbregexp.so",
        program + "VexilPro.hlp",
        program + "default-defs/perl.def",
        root + "/usr/share/applications/" + kAppId + ".desktop",
        root + "/usr/share/metainfo/" + kAppId + ".metainfo.xml",
        root + "/usr/share/icons/hicolor/scalable/apps/" + kAppId + ".svg",
        root + "/usr/share/icons/hicolor/48x48/apps/" + kAppId + ".png",
        root + "/usr/share/man/man1/vexilpro.1.gz",
        doc + "copyright",
        doc + "changelog.gz",
        root + "/usr/share/lintian/overrides/vexilpro",
    };
    uintmax_t bytes = 0;
    size_t paths = 0;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        ++paths;
        if (e.is_regular_file() && !e.is_symlink())
            bytes += e.file_size();
    }
    for (const auto& f : files)
        EXPECT_TRUE(fs::is_regular_file(f)) << f;
    // The README, compressed once it is over 4 KiB as Debian's helpers do, and no portable
    // marker: an installed program keeps its settings in the user's home.
    const std::string readme = ReadFileBytes(VEXIL_SOURCE_DIR "/README.md");
    EXPECT_EQ(readme.size() > 4096 ? RunCommand("gzip -dc " + Quoted(doc + "README.md.gz")).output
                                   : ReadFileBytes(doc + "README.md"),
              readme);
    EXPECT_FALSE(fs::exists(program + "VexilPro.portable"));
    EXPECT_TRUE(fs::exists(VEXIL_BIN_DIR "/VexilPro.portable"));
    // Installed-Size counts KiB: at least the files' bytes, at most one more KiB for each path.
    const uintmax_t installed = std::strtoull(fields["Installed-Size"].c_str(), nullptr, 10);
    EXPECT_GE(installed * 1024, bytes);
    EXPECT_LE(installed, bytes / 1024 + paths + 1);
    // Stripped, as Debian ships programs: no symbol table, no debugging sections.
    for (const char* elf : {"vexilpro", "libnkf32.so", "libbregexp.so"}) {
        std::string sections = RunCommand("readelf -S " + Quoted(program + elf)).output;
        EXPECT_NE(sections.find(".text"), std::string::npos) << elf;
        EXPECT_EQ(sections.find(".symtab"), std::string::npos) << elf;
        EXPECT_EQ(sections.find(".debug_"), std::string::npos) << elf;
    }

    // --- Changelog and copyright.
    std::string changelog = RunCommand("gzip -dc " + Quoted(doc + "changelog.gz")).output;
    EXPECT_EQ(changelog.rfind("vexilpro (" VEXIL_VERSION ") ", 0), 0u) << changelog;
    EXPECT_NE(changelog.find(" -- " + kMaintainer + "  "), std::string::npos) << changelog;
    std::string copyright = ReadFileBytes(doc + "copyright");
    for (const char* text :
         {"The VexilPro developers", "License: GPL-3+", "/usr/share/common-licenses/GPL-3"})
        EXPECT_NE(copyright.find(text), std::string::npos) << text;
    // Every library the package depends on is named with its licence. (An instrumented build
    // also links the sanitizers' run-time libraries and, linked differently, OpenGL's; it is
    // never shipped, so its list is not the copyright file's.)
    for (const auto& p : VEXIL_SANITIZED ? std::set<std::string>() : depends) {
        if (p.rfind("lib", 0) == 0) {
            EXPECT_NE(copyright.find(p), std::string::npos) << p << " not in the copyright file";
        }
    }

    // --- Identity: one id, and no placeholder name but the program's own.
    const std::string entry = root + "/usr/share/applications/" + kAppId + ".desktop";
    const std::string metainfo = root + "/usr/share/metainfo/" + kAppId + ".metainfo.xml";
    EXPECT_EQ(DesktopKey(entry, "Icon"), kAppId);
    std::string component = ReadFileBytes(metainfo);
    for (const std::string& text :
         {"<id>" + kAppId + "</id>", "<launchable type=\"desktop-id\">" + kAppId + ".desktop<",
          "<icon type=\"stock\">" + kAppId + "<",
          std::string("<project_license>GPL-3.0-or-later<")})
        EXPECT_NE(component.find(text), std::string::npos) << text;
    // The data files, compressed ones read through gzip. (A program's strings may sit in its
    // machine code in pieces, so the About box's addresses are the help tests' to check.)
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file() || e.is_symlink())
            continue;
        const std::string path = e.path().string();
        std::string bytes = path.ends_with(".gz") ? RunCommand("gzip -dc " + Quoted(path)).output
                                                  : ReadFileBytes(path);
        if (bytes.starts_with("\x7f"
                              "ELF"))
            continue;
        for (const auto& name : PlaceholderNames(bytes))
            EXPECT_TRUE(name.starts_with("example.vexilpro.") ||
                        name.find("vexilpro.example") != std::string::npos)
                << name << " in " << path;
    }
    EXPECT_NE((";" + DesktopKey(entry, "Categories")).find(";TextEditor;"), std::string::npos);
    CommandResult desktop = RunCommand("desktop-file-validate " + Quoted(entry));
    EXPECT_EQ(desktop.status, 0) << desktop.output;
    CommandResult appstream = RunCommand("appstreamcli validate --no-net " + Quoted(metainfo));
    EXPECT_EQ(appstream.status, 0) << appstream.output;

    // --- lintian: neither errors nor warnings; the program's own misspelt message is overridden,
    // and a build with Debian's flags (./scripts/package's own) shows no hardening gap.
    CommandResult lint =
        RunCommand("lintian --fail-on error,warning -I --show-overrides " + Quoted(deb));
    EXPECT_EQ(lint.status, 0) << lint.output;
    std::cout << "lintian:\n" << lint.output << std::endl;
    EXPECT_NE(lint.output.find("O: vexilpro: spelling-error-in-binary proccess process"),
              std::string::npos)
        << lint.output;
    EXPECT_EQ(lint.output.find("I: vexilpro: spelling-error"), std::string::npos) << lint.output;
    if (ReadFileBytes(VEXIL_BUILD_DIR "/CMakeCache.txt").find("-fstack-protector-strong") !=
        std::string::npos) {
        EXPECT_EQ(lint.output.find("hardening-"), std::string::npos) << lint.output;
    }

    // --- The command line answers without a display, and the manual lists what it answers.
    const std::string command = Quoted(root + "/usr/bin/vexilpro");
    CommandResult help = RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY " + command + " --help");
    EXPECT_EQ(help.status, 0) << help.output;
    EXPECT_EQ(help.output.rfind("Usage: vexilpro [OPTION]... [--] [FILE]\n", 0), 0u) << help.output;
    CommandResult version = RunCommand("env -u DISPLAY " + command + " --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "VexilPro " VEXIL_VERSION "\n");
    CommandResult refused = RunCommand("env -u DISPLAY " + command + " --frobnicate");
    EXPECT_EQ(refused.status, 2) << refused.output;
    const std::string manual =
        RunCommand("gzip -dc " + Quoted(root + "/usr/share/man/man1/vexilpro.1.gz")).output;
    const size_t options = manual.find("\n.SH OPTIONS\n");
    ASSERT_NE(options, std::string::npos) << "no OPTIONS section";
    const std::string section =
        manual.substr(options, manual.find("\n.SH ", options + 1) - options);
    // Each option as the manual's roff writes it, and as --help prints it.
    const std::pair<const char*, const char*> listed[] = {{"\\-h", "-h, "},
                                                          {"\\-\\-help", "--help"},
                                                          {"\\-\\-version", "--version"},
                                                          {"\n.B \\-\\-\n", "\n  --  "}};
    for (const auto& [roff, text] : listed) {
        EXPECT_NE(section.find(roff), std::string::npos) << roff << " not in\n" << section;
        EXPECT_NE(help.output.find(text), std::string::npos) << text << " not in --help";
    }

    // --- Run from the unpacked root, which its user cannot write to.
    const bool asRoot = ::geteuid() == 0;
    const uid_t user = asRoot ? kNobody : ::getuid();
    ASSERT_EQ(RunCommand("chmod -R a-w " + Quoted(root)).status, 0);
    const std::string home = work.File("home");
    const std::string runtime = work.File("runtime");
    MakeFolder(home, user);
    MakeFolder(runtime, user);
    MakeFolder(home + "/tmp", user);
    const std::string script = home + "/hello.pl";
    WriteFileBytes(script, "print 'perl ', 6 * 7, \"\\n\";\n");
    if (asRoot) {
        ASSERT_EQ(::chown(script.c_str(), user, user), 0);
    }
    ASSERT_TRUE(RunUnprivileged([&] {
        return ::access(program.c_str(), W_OK) != 0 && ::access(home.c_str(), W_OK) == 0 &&
               ::access(script.c_str(), R_OK) == 0;
    })) << "the program's user must be able to write its home, and only its home";
    const std::vector<std::string> before = Listing(root);

    Program p;
    ASSERT_TRUE(p.StartWindowManager());
    std::vector<std::string> args;
    if (asRoot) {
        p.SetExecutable("/usr/bin/setpriv");
        args = {"--reuid=" + std::to_string(user), "--regid=" + std::to_string(user),
                "--clear-groups", "--", "/usr/bin/env"};
    } else {
        p.SetExecutable("/usr/bin/env");
    }
    for (const std::string& a : {std::string("-u"), std::string("XDG_CONFIG_HOME"), "HOME=" + home,
                                 "XDG_RUNTIME_DIR=" + runtime, "TMPDIR=" + home + "/tmp",
                                 root + "/usr/bin/vexilpro", script})
        args.push_back(a);
    pid_t pid = p.Start(args, home);
    std::string main = p.WaitForWindow("^Vexil2 - ", 30);
    ASSERT_FALSE(main.empty()) << "the unpacked program did not come up";

    // The first start copied the installed Perl definition into the settings under HOME.
    const std::string settings = home + "/.config/VexilPro/";
    EXPECT_EQ(ReadFileBytes(settings + "defs/perl.def"),
              ReadFileBytes(program + "default-defs/perl.def"));
    EXPECT_EQ(fs::status(settings).permissions() & fs::perms::all, fs::perms::owner_all);
    p.Run("xdotool windowactivate --sync " + main);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    p.Run("xdotool key F9");
    std::string clip;
    for (int i = 0; i < 20 && clip != "perl 42\n"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        p.Run("xdotool key ctrl+a ctrl+c");
        clip = p.Clipboard();
    }
    EXPECT_EQ(clip, "perl 42\n") << "F9 ran the script with the installed Perl definition";

    p.Keys(main, "alt+F4");
    EXPECT_EQ(p.Wait(pid), 0) << "closed without a message";
    // The settings were saved under HOME, by the user, and nothing under the root changed.
    EXPECT_TRUE(fs::is_regular_file(settings + "VexilPro.cfg"));
    EXPECT_EQ(OwnerOf(settings + "VexilPro.cfg"), user);
    EXPECT_EQ(Listing(root), before);

    // --- Root, as "sudo -E vexilpro" starts it: the user's HOME kept, and a configuration folder
    // root owns (its own home would be the real /root). Root may write into the program folder,
    // and must not; nor may it leave files of its own in the user's home.
    if (!asRoot)
        return; // the choice is tried without root by the settings folder's own tests
    const std::string rootConfig = work.File("rootconfig");
    MakeFolder(rootConfig, 0);
    MakeFolder(work.File("rootruntime"), 0);
    p.SetExecutable("/usr/bin/env");
    pid_t asSuperuser =
        p.Start({"HOME=" + home, "XDG_CONFIG_HOME=" + rootConfig,
                 "XDG_RUNTIME_DIR=" + work.File("rootruntime"), root + "/usr/bin/vexilpro", script},
                home);
    main = p.WaitForWindow("^Vexil2 - ", 30);
    ASSERT_FALSE(main.empty()) << "the unpacked program did not come up for root";
    p.Keys(main, "alt+F4");
    EXPECT_EQ(p.Wait(asSuperuser), 0);
    EXPECT_TRUE(fs::is_regular_file(rootConfig + "/VexilPro/VexilPro.cfg"));
    EXPECT_TRUE(fs::is_regular_file(rootConfig + "/VexilPro/defs/perl.def"));
    EXPECT_EQ(Listing(root), before) << "root wrote into the installed program";
    for (const auto& e : fs::recursive_directory_iterator(home))
        EXPECT_EQ(OwnerOf(e.path().string()), user) << e.path() << " in the user's home";
}

// ./scripts/package builds in a folder of its own with Debian's flags (dpkg-buildflags,
// hardening=+all). Its two libraries are built here with them, the whole program would take
// minutes: stack protector, fortified calls where the compiler knows sizes, full RELRO with
// BIND_NOW.
TEST(Package, ItsBuildFolderTakesDebiansHardeningFlags) {
    TempDir work;
    const std::string dir = work.File("hardened");
    CommandResult configured =
        RunCommand(Quoted(VEXIL_SOURCE_DIR "/scripts/package") + " --configure " + Quoted(dir));
    ASSERT_EQ(configured.status, 0) << configured.output;
    const std::string cache = ReadFileBytes(dir + "/CMakeCache.txt");
    for (const char* flag :
         {"-fstack-protector-strong", "-D_FORTIFY_SOURCE=2",
          "CMAKE_SHARED_LINKER_FLAGS:STRING=-Wl,-z,relro -Wl,-z,now",
          "CMAKE_EXE_LINKER_FLAGS:STRING=-Wl,-z,relro -Wl,-z,now", "CMAKE_BUILD_TYPE:STRING=None"})
        EXPECT_NE(cache.find(flag), std::string::npos) << flag;
    CommandResult built = RunCommand("CCACHE_BASEDIR=" + Quoted(VEXIL_SOURCE_DIR) +
                                     " CCACHE_NOHASHDIR=1 cmake --build " + Quoted(dir) +
                                     " --target nkf32 bregexp -j2");
    ASSERT_EQ(built.status, 0) << built.output;
    for (const char* lib : {"libnkf32.so", "libbregexp.so"}) {
        const std::string path = Quoted(dir + "/bin/" + lib);
        const std::string dynamic = RunCommand("readelf -d " + path).output;
        EXPECT_NE(dynamic.find("BIND_NOW"), std::string::npos) << lib << "\n" << dynamic;
        EXPECT_NE(RunCommand("readelf -lW " + path).output.find("GNU_RELRO"), std::string::npos)
            << lib;
        const std::string symbols = RunCommand("readelf --dyn-syms -W " + path).output;
        EXPECT_NE(symbols.find("__stack_chk_fail"), std::string::npos) << lib;
    }
}
