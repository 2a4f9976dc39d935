#include "platform/qt/QtDialogService.h"

#include <gtest/gtest.h>

TEST(QtDialogService, SettingsFiltersBecomeQtNameFilters) {
    EXPECT_EQ(ToQtNameFilters("Perl Files(*.pl,*.cgi)|*.pl;*.cgi|All Files(*.*)|*.*"),
              (QStringList{"Perl Files (*.pl *.cgi)", "All Files (*)"}));
    // A language without extensions still gives a usable pair; parentheses of the name stay.
    EXPECT_EQ(ToQtNameFilters("Perl Files()||All Files(*.*)|*.*|(x)|*.x|A (b) c|*.c"),
              (QStringList{"Perl Files ()", "All Files (*)", "(x) (*.x)", "A (b) c (*.c)"}));
    EXPECT_TRUE(ToQtNameFilters("").isEmpty());
}
