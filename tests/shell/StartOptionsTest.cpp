#include "shell/logic/StartOptions.h"

#include <gtest/gtest.h>

using Args = std::vector<std::string>;
using Action = StartOptions::Action;

TEST(StartOptions, HelpAndVersionAnswerWhereverTheyStandBeforeTheEnd) {
    for (const Args& args :
         {Args{"--help"}, Args{"-h"}, Args{"a.pl", "--help"}, Args{"--help", "--version"}})
        EXPECT_EQ(ParseStartOptions(args).action, Action::Help) << args.size();
    EXPECT_EQ(ParseStartOptions({"--version"}).action, Action::Version);
    EXPECT_EQ(ParseStartOptions({"--version", "--help"}).action, Action::Version);
    EXPECT_EQ(VersionText("1.2.3"), "VexilPro 1.2.3\n");
}

TEST(StartOptions, AfterTheEndEveryWordIsTheFileEvenAnOption) {
    StartOptions o = ParseStartOptions({"--", "--help"});
    EXPECT_EQ(o.action, Action::Start);
    EXPECT_EQ(o.fileTail, "--help");
    o = ParseStartOptions({"--", "-x.pl", "--", "b"});
    EXPECT_EQ(o.fileTail, "-x.pl -- b");
    // Words join as one tail, as the start file has always been read.
    o = ParseStartOptions({"my", "script.pl"});
    EXPECT_EQ(o.action, Action::Start);
    EXPECT_EQ(o.fileTail, "my script.pl");
    EXPECT_EQ(ParseStartOptions({}).fileTail, "");
    EXPECT_EQ(ParseStartOptions({"-"}).fileTail, "-");
    EXPECT_EQ(ParseStartOptions({"a", "--", "-b"}).fileTail, "a -b");
}

TEST(StartOptions, AnUnknownOptionIsRefusedNotTakenForAFileToCreate) {
    for (const char* option : {"-x", "--halp", "-style", "--help=1"}) {
        StartOptions o = ParseStartOptions({"a.pl", option});
        EXPECT_EQ(o.action, Action::Refuse) << option;
        EXPECT_EQ(o.refused, option);
    }
    const std::string text = RefusalText("-x");
    EXPECT_EQ(text.rfind("vexilpro: unknown option '-x'\n", 0), 0u) << text;
    EXPECT_NE(text.find("vexilpro --help"), std::string::npos);
    EXPECT_NE(text.find("vexilpro -- -x"), std::string::npos);
}

TEST(StartOptions, TheUsageNamesEveryOptionTheParserTakes) {
    const std::string usage = UsageText();
    EXPECT_EQ(usage.rfind("Usage: vexilpro [OPTION]... [--] [FILE]\n", 0), 0u);
    for (const char* option : {"-h, --help", "--version", "  --  "})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    EXPECT_EQ(usage.back(), '\n');
}
