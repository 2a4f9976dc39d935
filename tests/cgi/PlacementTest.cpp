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
        {"room on the right", {100, 80, 600, 400}, 565, 476, screen, {704, 80}},
        {"flush against the right edge", {1000, 80, 351, 400}, 565, 476, screen, {1355, 80}},
        {"no room on the right: the left", {1300, 200, 600, 400}, 565, 476, screen, {731, 200}},
        {"neither side: over the main window, the roomier side",
         {200, 0, 1500, 900},
         565,
         476,
         screen,
         {1355, 0}},
        {"neither side, more room left", {400, 0, 1500, 900}, 565, 476, screen, {0, 0}},
        {"a low main window lifts the editor onto the screen",
         {100, 900, 600, 100},
         565,
         476,
         screen,
         {704, 574}},
        {"a main window above the screen's top", {100, -50, 600, 400}, 565, 476, screen, {704, 0}},
        {"an editor larger than the screen keeps its title bar on it",
         {0, 0, 300, 200},
         2500,
         1200,
         screen,
         {0, 0}},
        {"on a second screen", {2000, 100, 500, 500}, 565, 476, offset, {2504, 100}},
        {"on a second screen, its left edge", {2700, 100, 500, 500}, 565, 476, offset, {2131, 100}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(BesidePlacement(r.main, r.width, r.height, r.screen), r.expected) << r.what;
        const ScreenPoint at = BesidePlacement(r.main, r.width, r.height, r.screen);
        EXPECT_GE(at.x, r.screen.x) << r.what;
        EXPECT_GE(at.y, r.screen.y) << r.what;
    }
}
