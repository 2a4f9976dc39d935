#include "platform/qt/QtDialogService.h"

#include <gtest/gtest.h>

TEST(QtDialogService, SettingsFiltersBecomeQtNameFilters) {
    EXPECT_EQ(ToQtNameFilters("Perl Files(*.pl,*.cgi)|*.pl;*.cgi|All Files(*.*)|*.*"),
              (QStringList{"Perl Files(*.pl,*.cgi) (*.pl *.cgi)", "All Files(*.*) (*)"}));
    // A language without extensions still gives a usable pair.
    EXPECT_EQ(ToQtNameFilters("Perl Files()||All Files(*.*)|*.*"),
              (QStringList{"Perl Files() ()", "All Files(*.*) (*)"}));
    EXPECT_TRUE(ToQtNameFilters("").isEmpty());
}
