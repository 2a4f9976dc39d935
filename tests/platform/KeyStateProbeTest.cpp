#include "platform/KeyStateProbe.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

TEST(KeyStateProbe, WithoutADisplayEscapeIsNeverHeld) {
    const char* saved = std::getenv("DISPLAY");
    std::string keep = saved ? saved : "";
    ::unsetenv("DISPLAY");
    bool held = true;
    std::thread t(
        [&] { held = X11KeyStateProbe().EscapeHeld() || X11KeyStateProbe().EscapeHeld(); });
    t.join();
    EXPECT_FALSE(held);
    if (saved)
        ::setenv("DISPLAY", keep.c_str(), 1);
}
