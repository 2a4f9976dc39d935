// The X11 pieces against a real (virtual) X server, driven with xdotool.
#include "platform/HotKey.h"
#include "platform/KeyStateProbe.h"
#include "support/Xvfb.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {
bool PressedWithin(X11GlobalHotKey& hotKey, int ms) {
    for (int i = 0; i < ms / 10; ++i) {
        if (hotKey.TakePressed())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}
} // namespace

TEST(X11, EscapeProbeSeesTheKeyHeldOnItsOwnThread) {
    XvfbServer x;
    ASSERT_TRUE(x.Running());
    auto probeOnNewThread = [] {
        bool held = false;
        std::thread([&] { held = X11KeyStateProbe().EscapeHeld(); }).join();
        return held;
    };
    auto heldWithin = [&](bool want, int ms) {
        for (int i = 0; i < ms / 20; ++i) {
            if (probeOnNewThread() == want)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    };
    EXPECT_FALSE(probeOnNewThread());
    // xdotool lets go of its keys when it exits, so it holds Escape for a while in the background.
    ASSERT_TRUE(x.Xdotool("keydown Escape sleep 3 keyup Escape &"));
    EXPECT_TRUE(heldWithin(true, 2800));
    EXPECT_TRUE(heldWithin(false, 8000));
}

TEST(X11, GlobalHotKeyFiresOnlyForItsModifiers) {
    XvfbServer x;
    ASSERT_TRUE(x.Running());
    X11GlobalHotKey hotKey;
    ASSERT_GE(hotKey.Fd(), 0);
    ASSERT_TRUE(hotKey.Register(kHotKeyCtrl | kHotKeyAlt | 'V'));
    ASSERT_TRUE(x.Xdotool("key ctrl+alt+v"));
    EXPECT_TRUE(PressedWithin(hotKey, 2000));
    ASSERT_TRUE(x.Xdotool("key ctrl+v"));
    EXPECT_FALSE(PressedWithin(hotKey, 300));
    // Caps Lock on must not defeat the grab.
    ASSERT_TRUE(x.Xdotool("key Caps_Lock key ctrl+alt+v key Caps_Lock"));
    EXPECT_TRUE(PressedWithin(hotKey, 2000));

    // A second client cannot take the same key; after Unregister it can.
    X11GlobalHotKey other;
    EXPECT_FALSE(other.Register(kHotKeyCtrl | kHotKeyAlt | 'V'));
    hotKey.Unregister();
    EXPECT_TRUE(other.Register(kHotKeyCtrl | kHotKeyAlt | 'V'));
    ASSERT_TRUE(x.Xdotool("key ctrl+alt+v"));
    EXPECT_FALSE(PressedWithin(hotKey, 300));
    EXPECT_TRUE(PressedWithin(other, 2000));
}

TEST(HotKeyTable, CodesTranslateBothWays) {
    EXPECT_EQ(VirtualKeyToKeySym('A'), VirtualKeyToKeySym(kHotKeyShift | 'A'));
    EXPECT_EQ(KeySymToVirtualKey(VirtualKeyToKeySym(0x7B)), 0x7Bu); // F12
    EXPECT_EQ(VirtualKeyToQtKey(0x70), 0x01000030);                 // F1 is Qt::Key_F1
    EXPECT_EQ(QtKeyToVirtualKey(0x01000030), 0x70u);
    EXPECT_EQ(QtKeyToVirtualKey('q'), unsigned('Q'));
    for (unsigned vk : {0x08u, 0x20u, 0x2Eu, 0x30u, 0x5Au, 0x87u, 0xBAu, 0xDEu})
        EXPECT_EQ(QtKeyToVirtualKey(VirtualKeyToQtKey(vk)), vk) << vk;
    EXPECT_EQ(VirtualKeyToKeySym(0xFF), 0u);
    X11GlobalHotKey unknown;
    EXPECT_FALSE(unknown.Register(0xFF));
}
