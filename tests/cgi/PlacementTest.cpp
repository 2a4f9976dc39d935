#include "cgi/Placement.h"

#include <gtest/gtest.h>

TEST(Placement, BesideTheMainWindowAndAlwaysOnTheScreen) {
    const ScreenBox screen{0, 0, 1920, 1050};     // a 1080-pixel screen less a 30-pixel panel
    const ScreenBox offset{1920, 24, 1280, 1000}; // a second screen right of the first
    struct Row {
        const char* what;
        ScreenBox main;
        int width, height;
        ScreenBox screen;
        ScreenPoint expected;
    };
    const Row rows[] = {
        {"right", {100, 80, 600, 400}, 565, 476, screen, {704, 80}},
        {"right, just fits", {1000, 80, 351, 400}, 565, 476, screen, {1355, 80}},
        {"left", {1300, 200, 600, 400}, 565, 476, screen, {731, 200}},
        // Neither side: over the main window's right part, whatever the left has.
        {"over the right part", {200, 0, 1500, 900}, 565, 476, screen, {1355, 0}},
        {"over, more room left", {400, 0, 1500, 900}, 565, 476, screen, {1355, 0}},
        {"lifted onto the screen", {100, 900, 600, 100}, 565, 476, screen, {704, 574}},
        {"main above the screen", {100, -50, 600, 400}, 565, 476, screen, {704, 0}},
        // Larger than the screen: the title bar stays on it.
        {"too large", {0, 0, 300, 200}, 2500, 1200, screen, {0, 0}},
        {"second screen", {2000, 100, 500, 500}, 565, 476, offset, {2504, 100}},
        {"second screen, left", {2700, 100, 500, 500}, 565, 476, offset, {2131, 100}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(BesidePlacement(r.main, r.width, r.height, r.screen), r.expected) << r.what;
        const ScreenPoint at = BesidePlacement(r.main, r.width, r.height, r.screen);
        EXPECT_GE(at.x, r.screen.x) << r.what;
        EXPECT_GE(at.y, r.screen.y) << r.what;
    }
}
