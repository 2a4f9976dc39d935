// The help decisions on a real program folder: which file, which branch, which message, and
// the program's own help file back in place after a lookup in a language's file.

#include "help/Khelp.h"
#include "config/Kvexilconfig.h"
#include "platform/Launcher.h"
#include "support/HostDoubles.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
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

// The lookup as the window runs it, answered when the test says.
struct HeldLookup : DocLookup {
    void Start(const DocCall& call, Done done) override {
        Calls.push_back(call);
        Pending = std::move(done);
    }
    void Cancel() override {
        Pending = nullptr;
        ++Cancels;
    }
    bool Busy() const override { return Pending != nullptr; }
    void Answer(std::optional<std::string> output) {
        Done done = std::move(Pending);
        Pending = nullptr;
        done(std::move(output));
    }
    std::vector<DocCall> Calls;
    Done Pending;
    int Cancels = 0;
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
    HeldLookup lookup;
    KHelp help{config, KHelpServices{messages, viewer, launcher, [this] { return word; },
                                     [this](const std::string&) { return associated; },
                                     [this](const std::string& name) {
                                         docAsked.push_back(name);
                                         return doc;
                                     },
                                     &lookup}};

    void SetUp() override {
        config.LoadDefFiles(); // none: the built-in Perl, told once
        program.Write("VexilPro.hlp", "<h1>VexilPro</h1>");
        Lang().ExePath = "/usr/bin/ruby";
        Clear();
    }
    KDefConfig& Lang() { return *config.Current; }
    void Clear() {
        messages.Reset();
        viewer.Events.clear();
        launcher.Started.clear();
    }
    // "@" stands for the program folder, "~" for another one.
    std::string Expand(std::string text) {
        for (size_t i; (i = text.find_first_of("@~")) != std::string::npos;)
            text.replace(i, 1, (text[i] == '@' ? program.Path() : elsewhere.Path()) + "/");
        return text;
    }
    // Every effect: the viewer's, then the launcher's, then the messages.
    Lines Effects() {
        Lines all = viewer.Events;
        for (const auto& argv : launcher.Started)
            all.push_back("start " + argv.at(0) + " " + argv.at(1));
        for (const auto& t : messages.Texts())
            all.push_back("message " + t);
        return all;
    }
};

TEST_F(Help, KeywordHelpChoosesFileAndBranch) {
    struct Case {
        const char* name;
        const char* helpFile;
        const char* made; // a file that exists, or ""
        bool useHelpFile, useHtmlHelp, associated;
        const char* expected;
    } const cases[] = {
        {"empty HelpFile", "", "", true, false, true, "message が見つかりません。"},
        {"empty HelpFile, UseHelpFile off", "", "", false, false, true,
         "message が見つかりません。"},
        {"missing everywhere", "~ruby.html", "", true, false, true,
         "message ~ruby.htmlが見つかりません。"},
        {"only in the program folder: the lookup, even with HTML Help", "~gone/ruby.chm",
         "@ruby.chm", true, true, true, "keyword @ruby.chm [open]"},
        {"UseHelpFile off: the program's own contents", "~ruby.html", "~ruby.html", false, false,
         true, "contents @VexilPro.hlp"},
        {"the language's file looked up", "~ruby.html", "~ruby.html", true, false, true,
         "keyword ~ruby.html [open]"},
        {"HTML Help on an HTML file: the viewer", "~ruby.html", "~ruby.html", true, true, true,
         "keyword ~ruby.html [open]"},
        {"HTML Help on a .chm: the desktop's program", "~ruby.CHM", "~ruby.CHM", true, true, true,
         "start xdg-open ~ruby.CHM"},
        {"a .chm without a program", "~ruby.chm", "~ruby.chm", true, true, false,
         "message HHCTRL.OCXが見つかりません"},
    };
    ::unsetenv("VEXIL_OPENER");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string made = Expand(c.made);
        if (!made.empty())
            WriteFileBytes(made, "<h1>Ruby</h1>open");
        Lang().HelpFile = Expand(c.helpFile);
        Lang().UseHelpFile = c.useHelpFile;
        Lang().UseHtmlHelp = c.useHtmlHelp;
        associated = c.associated;
        help.ShowKeywordHelp();
        EXPECT_EQ(Effects(), Lines{Expand(c.expected)});
        Clear();
        if (!made.empty())
            ::unlink(made.c_str());
    }
}

TEST_F(Help, TheProgramsOwnHelpIsBackAfterALookup) {
    Lang().HelpFile = elsewhere.Write("ruby.txt", "open");
    Lang().UseHelpFile = true;
    std::string during;
    viewer.DuringKeyword = [&] { during = help.HelpFile; };
    help.ShowKeywordHelp();
    help.ShowHelpContents();
    EXPECT_EQ(during, Lang().HelpFile); // the lookup borrowed it
    EXPECT_EQ(Effects(),
              (Lines{"keyword " + Lang().HelpFile + " [open]", "contents " + config.HelpPath}));

    // Also when the lookup fails half-way.
    viewer.DuringKeyword = [] { throw std::runtime_error("viewer failed"); };
    EXPECT_THROW(help.ShowKeywordHelp(), std::runtime_error);
    EXPECT_EQ(help.HelpFile, config.HelpPath);

    // A program help file that is missing is named.
    Clear();
    ::unlink(config.HelpPath.c_str());
    help.ShowHelpContents();
    EXPECT_EQ(Effects(), Lines{"message " + config.HelpPath + "が見つかりません。"});
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
    Clear();
    doc.reset();
    help.ShowKeywordHelp();
    EXPECT_EQ(Effects(), Lines{"message perlfunc.chmが見つかりません。"});

    // A variable is no function, and another interpreter has no perldoc.
    docAsked.clear();
    word = "$fh";
    help.ShowKeywordHelp();
    Lang().ExePath = "/usr/bin/python3";
    word = "print";
    help.ShowKeywordHelp();
    EXPECT_TRUE(docAsked.empty());
    EXPECT_EQ(lookup.Calls.size(), 1u);
    EXPECT_EQ(messages.Count(), 2u);
}

TEST_F(Help, PythonWithoutAHelpFileAsksPydocForANameAndAnswersWhenItEnds) {
    Lang().ExePath = " /usr/local/bin/python3.12 ";
    Lang().HelpFile = "";
    const std::string entry = "Help on function join in os.path:";
    // word at the caret, what pydoc is asked about (nothing: not asked, the word is named).
    const std::pair<const char*, const char*> cases[] = {
        {"os.path.join(", "os.path.join"}, {"if", "if"}, {"-k", nullptr}, {"./x.py", nullptr}};
    for (const auto& [caret, name] : cases) {
        Clear();
        lookup.Calls.clear();
        word = caret;
        help.ShowKeywordHelp();
        if (!name) {
            EXPECT_TRUE(lookup.Calls.empty());
            EXPECT_EQ(Effects(), Lines{"message " + std::string(caret) + "が見つかりません。"});
            continue;
        }
        ASSERT_EQ(lookup.Calls.size(), 1u);
        EXPECT_EQ(lookup.Calls[0].argv,
                  (Lines{"/usr/local/bin/python3.12", "-I", "-m", "pydoc", name}));
        // Nothing is shown while pydoc runs; the entry comes when it ends.
        EXPECT_TRUE(Effects().empty());
        lookup.Answer(entry);
        EXPECT_EQ(Effects(), Lines{"text pydoc " + std::string(name) + ": " + entry});
    }
    // No entry, said either way: the name looked up is named.
    for (const std::optional<std::string>& output :
         {std::optional<std::string>(), std::optional<std::string>("No Python documentation "
                                                                   "found for 'nosuch'.\n")}) {
        Clear();
        word = "nosuch.thing(";
        help.ShowKeywordHelp();
        lookup.Answer(output);
        EXPECT_EQ(Effects(), Lines{"message nosuch.thingが見つかりません。"});
    }
    // Called off (Escape): nothing is said.
    Clear();
    help.ShowKeywordHelp();
    lookup.Cancel();
    EXPECT_TRUE(Effects().empty());
    const std::pair<const char*, bool> interpreters[] = {
        {"Python3", true}, {"python3.12", true}, {"python2", false}, {"python3-config", false}};
    for (auto [path, python] : interpreters)
        EXPECT_EQ(IsPythonInterpreter(path), python) << path;
}

TEST(HelpLifetime, AHelpThatGoesAwayCallsItsLookupOff) {
    TempDir program;
    ScriptedMessages messages;
    RecordingViewer viewer;
    RecordingLauncher launcher;
    KVexilConfig config{program.Path(), messages};
    HeldLookup lookup;
    {
        KHelp help{config, KHelpServices{
                               messages, viewer, launcher, [] { return "len"; }, {}, {}, &lookup}};
    }
    EXPECT_EQ(lookup.Cancels, 1);
}

TEST(PerlFunctionName, TheFunctionAWordNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"print", "print"}, {"print;", "print"}, {"split(", "split"},     {"-e", "-e"},
        {"$fh", nullptr},   {"", nullptr},       {"File::Spec", nullptr}, {"9lives", nullptr},
    };
    for (const auto& [word, name] : cases)
        EXPECT_EQ(PerlFunctionName(word).value_or("(none)"), name ? name : "(none)") << word;
    EXPECT_TRUE(IsPerlInterpreter("/opt/perl5/bin/perl5.36.0"));
    EXPECT_TRUE(IsPerlInterpreter("C:/Perl/bin/Perl.exe"));
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
