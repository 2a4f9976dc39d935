#include "shell/logic/View.h"

#include <gtest/gtest.h>

TEST(View, PanelsMarksAndRadioItemsFollowTheState) {
    ViewInputs in;
    in.scriptTitle = "Vexil2 - /w/a.pl";
    in.positionText = " 3: 1 (5)";
    in.languageName = "perl";
    in.codeName = "JIS";
    in.lineEndName = "CRLF";
    in.activeFolder = "/w";
    in.readOnly = true;
    in.useCgi = true;
    in.canUndo = true;
    in.codeChoice = 2;
    in.languageNames = {"Ruby", "Perl", "PERL"};
    ViewState v = ComputeView(in);
    EXPECT_EQ(v.caption, "Vexil2 - /w/a.pl");
    EXPECT_EQ(v.panels, (std::array<std::string, 5>{" 3: 1 (5)", "perl", "JIS", "CRLF", "/w"}));
    EXPECT_FALSE(v.autoRefresh);
    EXPECT_TRUE(v.readOnly);
    EXPECT_TRUE(v.useCgi);
    EXPECT_TRUE(v.undoEnabled);
    EXPECT_EQ(v.encodingItem, 3); // JIS(&J)
    EXPECT_EQ(v.languageItem, 1); // the first name equal without regard to case
}

TEST(View, AutomaticEncodingAndNoLanguages) {
    ViewInputs in;
    in.codeChoice = -1;
    EXPECT_EQ(ComputeView(in).encodingItem, 0);
    EXPECT_EQ(ComputeView(in).languageItem, -1);
    in.codeChoice = 3;
    in.languageNames = {"Ruby"};
    in.languageName = "Perl";
    EXPECT_EQ(ComputeView(in).encodingItem, 4);
    EXPECT_EQ(ComputeView(in).languageItem, -1);
}
