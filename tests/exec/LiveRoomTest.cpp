#include "exec/LiveRoom.h"

#include <gtest/gtest.h>

// The room a growing text takes: none while what is known to come fits; exact once nothing
// more will come; by a quarter beyond what is known otherwise, and again once text outgrew an
// exact room; never beyond where the appends stop, never below what is needed.
TEST(LiveRoom, GrowsForWhatIsKnownToComeExactlyOnceTheOutputEnded) {
    const struct {
        std::size_t needed, room;
        LiveAhead ahead;
        std::size_t least, most, grown;
    } cases[] = {
        {100, 100, {0, false}, 0, 0, 0},     // fits to the last byte
        {100, 200, {100, false}, 0, 0, 0},   // and with what is to come
        {101, 100, {0, false}, 0, 0, 126},   // one byte over: a quarter more
        {50, 100, {51, false}, 0, 0, 126},   // taken early, while the text is small
        {50, 100, {51, true}, 0, 0, 101},    // the output ended: exact
        {101, 100, {9, true}, 0, 0, 137},    // outgrew its room: a quarter again
        {101, 100, {0, true}, 0, 0, 101},    // nothing at all to follow: exact
        {10, 0, {0, false}, 1000, 0, 1000},  // least
        {10, 0, {0, true}, 1000, 0, 10},     // but not for a text that is all there
        {101, 100, {0, false}, 0, 110, 110}, // most
        {200, 100, {0, false}, 0, 110, 200}, // not below what is needed
        {100, 100, {50, false}, 0, 100, 0},  // most already reached: no growth
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.needed << " in " << c.room << " with " << c.ahead.bytes
                                        << (c.ahead.final ? " final" : ""));
        EXPECT_EQ(GrownRoom(c.needed, c.room, c.ahead, c.least, c.most), c.grown);
    }
}
