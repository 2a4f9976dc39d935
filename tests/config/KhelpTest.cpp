// The help decisions on a real program folder: which file, which branch, which message, and
// the program's own help file back in place after a lookup in a language's file.

#include "config/Khelp.h"
#include "config/Kvexilconfig.h"
#include "support/HostDoubles.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using Lines = std::vector<std::string>;

struct RecordingViewer : HelpViewer {
    void ShowContents(const std::string& file) override { Events.push_back("contents " + file); }
    void ShowKeyword(const std::string& file, const std::string& keyword) override {
        Events.push_back("keyword " + file + " [" + keyword + "]");
        if (DuringKeyword)
            DuringKeyword();
    }
    void ShowText(const std::string& title, const std::string& text) override {
        Events.push_back("text " + title + ": " + text);
    }
    Lines Events;
    std::function<void()> DuringKeyword;
};

struct Help : ::testing::Test {
    TempDir program, elsewhere;
    ScriptedMessages messages;
    RecordingViewer viewer;
    RecordingLauncher launcher;
    KVexilConfig config{program.Path(), messages};
    std::string word = "open";
    bool associated = true;
    Lines docAsked;
    std::optional<std::string> doc;
    KHelp help{config, KHelpServices{messages, viewer, launcher, [this] { return word; },
                                     [this](const std::string&) { return associated; },
                                     [this](const std::string& name) {
                                         docAsked.push_back(name);
                                         return doc;
                                     }}};

    void SetUp() override {
        config.LoadDefFiles(); // none: the built-in Perl, told once
        messages.Reset();
        program.Write("VexilPro.hlp", "<html><body><h1>VexilPro</h1></body></html>");
        Lang().ExePath = "/usr/bin/ruby";
    }
    KDefConfig& Lang() { return *config.Current; }
    // Every effect in order: the viewer's, the launcher's and the messages.
    Lines Effects() {
        Lines all = viewer.Events;
        for (const auto& argv : launcher.Started) {
            std::string line = "start";
            for (const auto& a : argv)
                line += " " + a;
            all.push_back(line);
        }
        for (const auto& t : messages.Texts())
            all.push_back("message " + t);
        return all;
    }
};

struct Case {
    const char* name;
    const char* helpFile; // "@" stands for the program folder, "~" for another folder
    const char* copies;   // files made in the program folder and the other one: "@x", "~x"
    bool useHelpFile;
    bool useHtmlHelp;
    bool associated;
    Lines expected;
};

std::string Expand(std::string text, const std::string& program, const std::string& other) {
    for (size_t i; (i = text.find('@')) != std::string::npos;)
        text.replace(i, 1, program + "/");
    for (size_t i; (i = text.find('~')) != std::string::npos;)
        text.replace(i, 1, other + "/");
    return text;
}

TEST_F(Help, KeywordHelpChoosesFileAndBranch) {
    const Case cases[] = {
        {"empty HelpFile", "", "", true, false, true, {"message が見つかりません。"}},
        {"empty HelpFile, UseHelpFile off",
         "",
         "",
         false,
         false,
         true,
         {"message が見つかりません。"}},
        {"missing everywhere",
         "~ruby.html",
         "",
         true,
         false,
         true,
         {"message ~ruby.html"
          "が見つかりません。"}},
        {"found only in the program folder, through the lookup even with HTML Help on",
         "~gone/ruby.chm",
         "@ruby.chm",
         true,
         true,
         true,
         {"keyword @ruby.chm [open]"}},
        {"UseHelpFile off opens the program's own contents",
         "~ruby.html",
         "~ruby.html",
         false,
         false,
         true,
         {"contents @VexilPro.hlp"}},
        {"a language's file looked up",
         "~ruby.html",
         "~ruby.html",
         true,
         false,
         true,
         {"keyword ~ruby.html [open]"}},
        {"HTML Help with an HTML file: the viewer",
         "~ruby.html",
         "~ruby.html",
         true,
         true,
         true,
         {"keyword ~ruby.html [open]"}},
        {"HTML Help with a .chm: the desktop's program",
         "~ruby.CHM",
         "~ruby.CHM",
         true,
         true,
         true,
         {"start xdg-open ~ruby.CHM"}},
        {"HTML Help with a .chm and no program for it",
         "~ruby.chm",
         "~ruby.chm",
         true,
         true,
         false,
         {"message HHCTRL.OCXが見つかりません"}},
    };
    ::unsetenv("VEXIL_OPENER");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir, other;
        KVexilConfig cfg{dir.Path(), messages};
        cfg.LoadDefFiles();
        messages.Reset();
        viewer.Events.clear();
        launcher.Started.clear();
        cfg.Current->ExePath = "/usr/bin/ruby";
        cfg.Current->HelpFile = Expand(c.helpFile, dir.Path(), other.Path());
        cfg.Current->UseHelpFile = c.useHelpFile;
        cfg.Current->UseHtmlHelp = c.useHtmlHelp;
        std::string copies = c.copies;
        if (!copies.empty())
            WriteFileBytes(Expand(copies, dir.Path(), other.Path()), "<h1>Ruby</h1>open");
        dir.Write("VexilPro.hlp", "<h1>VexilPro</h1>");
        associated = c.associated;
        KHelp h{cfg, KHelpServices{messages,
                                   viewer,
                                   launcher,
                                   [this] { return word; },
                                   [this](const std::string&) { return associated; },
                                   {}}};
        h.ShowKeywordHelp();
        Lines expected;
        for (const auto& e : c.expected)
            expected.push_back(Expand(e, dir.Path(), other.Path()));
        EXPECT_EQ(Effects(), expected);
    }
}

TEST_F(Help, TheProgramsOwnHelpIsBackAfterALookup) {
    Lang().HelpFile = elsewhere.Write("ruby.txt", "open");
    Lang().UseHelpFile = true;
    std::string during;
    viewer.DuringKeyword = [&] { during = help.HelpFile; };
    help.ShowKeywordHelp();
    help.ShowHelpContents();
    EXPECT_EQ(during, Lang().HelpFile); // the lookup used the language's file
    EXPECT_EQ(Effects(), (Lines{"keyword " + Lang().HelpFile + " [open]",
                                "contents " + program.File("VexilPro.hlp")}));

    // Also when the lookup fails half-way.
    viewer.Events.clear();
    viewer.DuringKeyword = [] { throw std::runtime_error("viewer failed"); };
    EXPECT_THROW(help.ShowKeywordHelp(), std::runtime_error);
    help.ShowHelpContents();
    EXPECT_EQ(viewer.Events.back(), "contents " + program.File("VexilPro.hlp"));
    EXPECT_EQ(help.HelpFile, config.HelpPath);
}

TEST_F(Help, AMissingProgramHelpFileIsNamed) {
    ::unlink(program.File("VexilPro.hlp").c_str());
    help.ShowHelpContents();
    EXPECT_EQ(Effects(), Lines{"message " + program.File("VexilPro.hlp") + "が見つかりません。"});
}

TEST_F(Help, PerlWithoutAHelpFileShowsTheFunctionsEntry) {
    Lang().ExePath = "/usr/bin/perl";
    Lang().HelpFile = "perlfunc.chm";
    word = "print;";
    doc = "print LIST\n    Prints a string";
    help.ShowKeywordHelp();
    EXPECT_EQ(docAsked, Lines{"print"});
    EXPECT_EQ(Effects(), Lines{"text perldoc -f print: print LIST\n    Prints a string"});

    // No entry: the not-found message after all.
    viewer.Events.clear();
    doc.reset();
    help.ShowKeywordHelp();
    EXPECT_EQ(Effects(), Lines{"message perlfunc.chmが見つかりません。"});

    // A variable is no function, and another interpreter has no perldoc.
    docAsked.clear();
    messages.Reset();
    word = "$fh";
    help.ShowKeywordHelp();
    Lang().ExePath = "/usr/bin/python3";
    word = "print";
    help.ShowKeywordHelp();
    EXPECT_TRUE(docAsked.empty());
    EXPECT_EQ(messages.Count(), 2u);
}

TEST(PerlFunctionName, TheFunctionAWordNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"print", "print"}, {"print;", "print"}, {"split(", "split"}, {"-e", "-e"},
        {"$fh", nullptr},   {"@list", nullptr},  {"", nullptr},       {"File::Spec", nullptr},
        {"lc,uc", "lc"},    {"_x1", "_x1"},      {"-", nullptr},      {"9lives", nullptr},
    };
    for (const auto& [word, name] : cases) {
        auto got = PerlFunctionName(word);
        EXPECT_EQ(got.value_or("(none)"), name ? name : "(none)") << word;
    }
    EXPECT_TRUE(IsPerlInterpreter("/usr/bin/perl"));
    EXPECT_TRUE(IsPerlInterpreter("/opt/perl5/bin/perl5.36.0"));
    EXPECT_TRUE(IsPerlInterpreter("C:/Perl/bin/Perl.exe"));
    EXPECT_FALSE(IsPerlInterpreter("/usr/bin/python3"));
    EXPECT_FALSE(IsPerlInterpreter("/opt/perl/bin/ruby"));
}

// The installed Perl documentation (package perl-doc).
TEST(PerlFunctionDoc, ReadsTheEntryFromPerldoc) {
    auto entry = PerlFunctionDoc("print");
    ASSERT_TRUE(entry.has_value()) << "perldoc -f print failed: is perl-doc installed?";
    EXPECT_NE(entry->find("Prints a string"), std::string::npos);
    EXPECT_EQ(entry->find('\x1b'), std::string::npos); // no terminal escapes
    EXPECT_FALSE(PerlFunctionDoc("no_such_function_here").has_value());
}

} // namespace
