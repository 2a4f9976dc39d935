#include "platform/CommandLine.h"

#include <gtest/gtest.h>

using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksSeparateOutsideQuotesAndQuotesAreRemoved) {
    EXPECT_EQ(SplitCommandLine("/usr/bin/perl  -w \"/tmp/my script.pl\" a\tb"),
              (Args{"/usr/bin/perl", "-w", "/tmp/my script.pl", "a", "b"}));
    EXPECT_EQ(SplitCommandLine("a\"b c\"d \"\" e"), (Args{"ab cd", "", "e"}));
    // Nothing else is special: no variables, globs or escapes.
    EXPECT_EQ(SplitCommandLine("echo $HOME *.pl a\\ b 'q r'"),
              (Args{"echo", "$HOME", "*.pl", "a\\", "b", "'q", "r'"}));
}

TEST(SplitCommandLine, UnterminatedQuoteRunsToTheEndAndEmptyLinesHaveNoProgram) {
    EXPECT_EQ(SplitCommandLine("perl -e \"print 'a  b'"), (Args{"perl", "-e", "print 'a  b'"}));
    EXPECT_TRUE(SplitCommandLine("").empty());
    EXPECT_TRUE(SplitCommandLine(" \t ").empty());
}

TEST(SplitCommandLine, AQuotedArgumentComesBackWholeWhateverItHolds) {
    // Two quotes inside a quoted part are one quote character; outside they are an empty part.
    EXPECT_EQ(SplitCommandLine("\"a\"\"b\" \"\" \"\"\"\""), (Args{"a\"b", "", "\""}));
    for (const std::string text : {"q\"uote $HOME.txt", "/My Files/in.txt", "\"", "", "x\"\"y",
                                   "tab\there", "end\"", "\"\" \" \"\""})
        EXPECT_EQ(SplitCommandLine("prog " + QuoteArgument(text) + " next"),
                  (Args{"prog", text, "next"}))
            << text;
}
