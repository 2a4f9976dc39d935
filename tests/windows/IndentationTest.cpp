#include "windows/logic/Indentation.h"

#include <gtest/gtest.h>

namespace {

const IndentStyle kTabs{0, 8, '{'};
const IndentStyle kPython{4, 8, ':'};

} // namespace

TEST(Indentation, TheLanguageGivesTheOpenerAndItsDefinitionTheSpaces) {
    const IndentStyle python = IndentStyleFor(4, 8, "Py3", "/usr/bin/python3", "py");
    EXPECT_EQ(python.opener, ':');
    EXPECT_EQ(python.spaces, 4);
    const IndentStyle perl = IndentStyleFor(0, 4, "Perl", "/usr/bin/perl", "pl");
    EXPECT_EQ(perl.opener, '{');
    EXPECT_EQ(perl.spaces, 0);
    EXPECT_EQ(StepColumns(perl), 4);
    // An unknown language opens blocks with braces; values out of range keep the TAB.
    EXPECT_EQ(IndentStyleFor(17, 0, "Mine", "/opt/mine", "mn").opener, '{');
    EXPECT_EQ(IndentStyleFor(17, 0, "Mine", "/opt/mine", "mn").spaces, 0);
    EXPECT_EQ(IndentStyleFor(16, 0, "Mine", "/opt/mine", "mn").spaces, 16);
    EXPECT_EQ(IndentStyleFor(-4, 33, "Mine", "/opt/mine", "mn").tabColumns, 8);
}

TEST(Indentation, ABlockOpensAtItsLastCharacterBlanksAndAPythonCommentAside) {
    EXPECT_TRUE(OpensBlock("if (x) {", kTabs));
    EXPECT_TRUE(OpensBlock("if (x) { \t", kTabs));
    EXPECT_FALSE(OpensBlock("if (x) { y }", kTabs));
    EXPECT_FALSE(OpensBlock("", kTabs));
    EXPECT_FALSE(OpensBlock("if x:", kTabs));
    EXPECT_TRUE(OpensBlock("if x:", kPython));
    EXPECT_TRUE(OpensBlock("else:   # the other way", kPython));
    // A '#' inside quotes is no comment; a quote escaped inside them does not end them.
    EXPECT_FALSE(OpensBlock("s = 'a # b:' + x", kPython));
    EXPECT_TRUE(OpensBlock("for c in 'it\\'s #':", kPython));
    EXPECT_FALSE(OpensBlock("d = {", kPython));
    EXPECT_FALSE(OpensBlock("x = 1  # note:", kPython));
    EXPECT_FALSE(OpensBlock("{", IndentStyle{}));
}

TEST(Indentation, ReturnKeepsTheIndentationAboveAndAddsAStepAfterAnOpener) {
    EXPECT_EQ(IndentBelow("\t  x;", kTabs), "\t  ");
    EXPECT_EQ(IndentBelow("\t  if (a) {", kTabs), "\t  \t");
    EXPECT_EQ(IndentBelow("sub f {", kTabs), "\t");
    EXPECT_EQ(IndentBelow("    if x:", kPython), "        ");
    EXPECT_EQ(IndentBelow("    pass", kPython), "    ");
    EXPECT_EQ(IndentBelow("   ", kPython), "   ");
    EXPECT_EQ(IndentBelow("", kPython), "");
}

TEST(Indentation, AStepBackGoesToTheStepBeforeTheWidth) {
    EXPECT_EQ(StepBack("\t\t", kTabs), "\t");
    EXPECT_EQ(StepBack("\t", kTabs), "");
    EXPECT_EQ(StepBack("", kTabs), "");
    // A partial step goes whole; tabs and blanks count by their columns.
    EXPECT_EQ(StepBack("\t   ", kTabs), "\t");
    EXPECT_EQ(StepBack("         ", kTabs), "\t");
    EXPECT_EQ(StepBack("        ", kPython), "    ");
    EXPECT_EQ(StepBack("      ", kPython), "    ");
    EXPECT_EQ(StepBack("\t", kPython), "    ");
    EXPECT_EQ(StepBack("   ", kPython), "");
    // A four-column TAB language built of TABs.
    EXPECT_EQ(StepBack("\t\t\t", IndentStyle{0, 4, '{'}), "\t\t");
    EXPECT_EQ(StepBack("\t\t", IndentStyle{2, 4, '{'}), "      ");
    EXPECT_EQ(IndentColumns("\t \tx\t", 4), 8);
}
