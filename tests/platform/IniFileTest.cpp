#include "platform/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(IniFile, ReadsCaseInsensitivelyWithDefaultsAndCrLf) {
    TempDir dir;
    auto path = dir.Write("a.ini", "; top comment\r\n[Language]\r\nNAME = Ruby \r\nExt=\r\n"
                                   "[Other]\r\nName=x\r\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("language", "name", "Perl"), "Ruby");
    EXPECT_EQ(ini.ReadString("Language", "Ext", "pl"), ""); // present but empty is not missing
    EXPECT_EQ(ini.ReadString("Language", "Missing", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("Nowhere", "Name", "d"), "d");
    EXPECT_EQ(ini.ReadString("Other", "Name", ""), "x");
}

TEST(IniFile, IntegersAndBooleans) {
    TempDir dir;
    auto path =
        dir.Write("a.ini", "[S]\nyes=yes\ntwo=2\nhex=0x1\nbig=0X1F\nHex=5\nneg=-1\nbad=12a\n"
                           "zero=0\nx=0x\nempty=\n");
    IniFile ini(path);
    EXPECT_FALSE(ini.ReadBool("S", "yes", false));
    EXPECT_TRUE(ini.ReadBool("S", "yes", true));
    EXPECT_TRUE(ini.ReadBool("S", "two", false));
    EXPECT_TRUE(ini.ReadBool("S", "hex", false));
    EXPECT_EQ(ini.ReadInteger("S", "big", 7), 31);
    EXPECT_EQ(ini.ReadInteger("S", "HEX", 7), 1); // the first of two case-equal keys wins
    EXPECT_EQ(ini.ReadInteger("S", "neg", 0), -1);
    EXPECT_EQ(ini.ReadInteger("S", "bad", 5), 5);
    EXPECT_FALSE(ini.ReadBool("S", "zero", true));
    EXPECT_EQ(ini.ReadInteger("S", "x", 9), 9);
    EXPECT_EQ(ini.ReadInteger("S", "empty", 9), 9);
}

TEST(IniFile, LongValuesAreCutAt2047Bytes) {
    TempDir dir;
    auto path = dir.Write("a.ini", "[S]\nk=" + std::string(10000, 'v') + "\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "k", "").size(), 2047u);
}

TEST(IniFile, WritesInPlaceAndKeepsForeignLinesByteForByte) {
    TempDir dir;
    std::string original = "; hand comment\n[Language]\nName=Perl\nMine=kept\n\n"
                           "[Unknown]\nfoo = bar\n\n[Debug]\nRegExpErr=x\n";
    auto path = dir.Write("a.def", original);
    IniFile ini(path);
    ini.WriteString("language", "Name", "Perl");
    ini.WriteString("Language", "Ext", "pl"); // new key: after the last key of its section
    ini.WriteString("Debug", "RegExpErr", "x");
    ini.WriteString("Fresh", "Key", "v"); // new section at the end
    ini.UpdateFile();
    EXPECT_EQ(dir.Read("a.def"), "; hand comment\n[Language]\nName=Perl\nMine=kept\nExt=pl\n\n"
                                 "[Unknown]\nfoo = bar\n\n[Debug]\nRegExpErr=x\n[Fresh]\nKey=v\n");
    // A second identical save changes nothing.
    IniFile again(path);
    again.WriteString("Language", "Name", "Perl");
    again.WriteString("Language", "Ext", "pl");
    again.UpdateFile();
    EXPECT_EQ(dir.Read("a.def"), ReadFileBytes(path));
    EXPECT_EQ(IniFile(path).Text(), ini.Text());
}

TEST(IniFile, FailedSaveNamesTheFileAndLeavesTheOldOneWhole) {
    TempDir dir;
    auto path = dir.Write("ro.cfg", "[S]\nk=old\n");
    ::chmod(path.c_str(), 0444);
    IniFile ini(path);
    ini.WriteString("S", "k", "new");
    try {
        ini.UpdateFile();
        FAIL() << "a read-only file was overwritten";
    } catch (const IniError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
        EXPECT_EQ(e.FileName(), path);
    }
    EXPECT_EQ(ReadFileBytes(path), "[S]\nk=old\n");

    // A folder the user cannot write to: the permission check of the system itself.
    ::chmod(path.c_str(), 0644);
    ::chmod(dir.Path().c_str(), 0555);
    EXPECT_TRUE(RunUnprivileged([&] {
        IniFile locked(path);
        locked.WriteString("S", "k", "new");
        try {
            locked.UpdateFile();
        } catch (const IniError& e) {
            return std::string(e.what()).find(path) != std::string::npos;
        }
        return false;
    }));
    EXPECT_EQ(ReadFileBytes(path), "[S]\nk=old\n");
}

TEST(IniFile, MissingFileIsCreatedOnSaveWithKeepMode) {
    TempDir dir;
    IniFile ini(dir.File("new.cfg"));
    EXPECT_EQ(ini.ReadString("S", "k", "d"), "d");
    ini.WriteInteger("S", "n", -1);
    ini.WriteBool("S", "b", true);
    ini.UpdateFile();
    EXPECT_EQ(dir.Read("new.cfg"), "[S]\nn=-1\nb=1\n");
    ::chmod(dir.File("new.cfg").c_str(), 0640);
    IniFile again(dir.File("new.cfg"));
    again.WriteString("S", "n", "2");
    again.UpdateFile();
    struct stat st {};
    ::stat(dir.File("new.cfg").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(IniFile, LfCrLfAndCrOnlyLineEndsReadAlikeAndASaveWritesLf) {
    struct Row {
        const char* name;
        std::string text;
    };
    // The same file as Linux, Windows and old Mac editors (and a mix of them) write it.
    const std::string lines[] = {"; note", "[Environment]", "Editor=vi", "", "[Others]", "A=1"};
    auto joined = [&](const std::vector<std::string>& ends) {
        std::string text;
        for (size_t i = 0; i < std::size(lines); ++i)
            text += lines[i] + ends[i % ends.size()];
        return text;
    };
    for (const Row& r : {Row{"lf", joined({"\n"})}, Row{"crlf", joined({"\r\n"})},
                         Row{"cr", joined({"\r"})}, Row{"mixed", joined({"\r", "\r\n", "\n"})},
                         Row{"cr, no end", joined({"\r"}).substr(0, joined({"\r"}).size() - 1)}}) {
        TempDir dir;
        auto path = dir.Write("VexilPro.cfg", r.text);
        IniFile ini(path);
        EXPECT_EQ(ini.ReadString("Environment", "Editor", "xdg-open"), "vi") << r.name;
        EXPECT_TRUE(ini.ReadBool("Others", "A", false)) << r.name;
        EXPECT_FALSE(ini.HasKey("Environment", "A")) << r.name << ": sections stay apart";
        ini.WriteString("Environment", "Editor", "emacs");
        ini.WriteString("Others", "B", "2");
        ini.UpdateFile();
        // The value replaced in place, nothing appended after a one-line blob.
        EXPECT_EQ(dir.Read("VexilPro.cfg"),
                  "; note\n[Environment]\nEditor=emacs\n\n[Others]\nA=1\nB=2\n")
            << r.name;
    }
}

TEST(IniFile, ARefusedValueFailsTheSaveByNameAndWritesNothing) {
    TempDir dir;
    const std::string original = "[Language]\nName=Perl\n[Environment]\nExePath=/usr/bin/perl\n";
    auto path = dir.Write("perl.def", original);
    for (const char* value : {"/opt/a\nb", "/opt/a\rb", "\r\n", "x\n[Debug]\nRegExpErr=y"}) {
        IniFile ini(path);
        ini.WriteString("Language", "Name", "Ruby"); // a good value beside it
        EXPECT_FALSE(ini.WriteString("Environment", "ExePath", value));
        EXPECT_EQ(ini.ReadString("Environment", "ExePath", ""), "/usr/bin/perl");
        try {
            ini.UpdateFile();
            ADD_FAILURE() << "a refused value passed for saved";
        } catch (const IniError& e) {
            EXPECT_EQ(e.FileName(), path);
            const std::string what = e.what();
            EXPECT_NE(what.find(path), std::string::npos) << what;
            EXPECT_NE(what.find("ExePath"), std::string::npos) << what;
            EXPECT_EQ(what.find("Name"), std::string::npos) << "only the refused key: " << what;
        }
        EXPECT_EQ(ReadFileBytes(path), original) << "nothing of the file is written";
    }
    // A refusal alone, with nothing else changed, is reported too.
    IniFile untouched(path);
    untouched.WriteString("Environment", "Option", "-w\n");
    EXPECT_THROW(untouched.UpdateFile(), IniError);
    // Values without a line break go through as before.
    IniFile fine(path);
    EXPECT_TRUE(fine.WriteString("Environment", "Option", "-w\t-T"));
    EXPECT_NO_THROW(fine.UpdateFile());
    EXPECT_EQ(IniFile(path).ReadString("Environment", "Option", ""), "-w\t-T");
}
