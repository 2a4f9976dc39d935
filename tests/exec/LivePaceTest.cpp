#include "exec/LivePace.h"

#include <gtest/gtest.h>

// A script that prints now and then has each line shown as it comes; a steady stream is shown
// an interval apart, and nothing is shown twice.
TEST(LivePace, TheFirstOutputAndTheFirstAfterAQuietSpellAreShownAtOnce) {
    LivePace pace(0.1);
    EXPECT_FALSE(pace.Due(0.0, 0)) << "nothing captured yet";
    EXPECT_FALSE(pace.Due(0.04, 0));
    EXPECT_TRUE(pace.Due(0.05, 12)) << "the first line, although the interval has not passed";
    EXPECT_FALSE(pace.Due(0.06, 12)) << "nothing new";
    // A steady stream: gathered until the interval since the last show has passed.
    EXPECT_FALSE(pace.Due(0.09, 40));
    EXPECT_FALSE(pace.Due(0.1499, 80));
    EXPECT_TRUE(pace.Due(0.151, 90));
    EXPECT_FALSE(pace.Due(0.25, 120));
    EXPECT_TRUE(pace.Due(0.252, 130));
    // Quiet, then a line: shown when it comes.
    EXPECT_FALSE(pace.Due(0.5, 130));
    EXPECT_FALSE(pace.Due(1.0, 130));
    EXPECT_TRUE(pace.Due(1.01, 140));
}
