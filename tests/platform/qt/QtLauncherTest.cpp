#include "platform/qt/QtLauncher.h"

#include <QTest>
#include <gtest/gtest.h>

// Reports come on the event loop and only for an opener that failed; one that succeeded, even
// slowly, never reports.
TEST(QtLauncher, CallsBackOnTheEventLoopOnlyForAnOpenerThatFailed) {
    QtLauncher launcher;
    bool quietFailed = false, loudFailed = false;
    ASSERT_TRUE(
        launcher.StartShowing({"sh", "-c", "sleep 0.2; exit 0"}, [&] { quietFailed = true; }));
    ASSERT_TRUE(
        launcher.StartShowing({"sh", "-c", "sleep 0.4; exit 3"}, [&] { loudFailed = true; }));
    EXPECT_FALSE(loudFailed); // not from inside the call
    EXPECT_TRUE(QTest::qWaitFor([&] { return loudFailed; }, 5000));
    EXPECT_FALSE(quietFailed);
    EXPECT_FALSE(launcher.StartShowing({}, [] {}));
}
