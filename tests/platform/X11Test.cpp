// The X11 pieces against a real (virtual) X server, driven with xdotool.
#include "platform/HotKey.h"
#include "platform/KeyStateProbe.h"
#include "support/Xvfb.h"

#include <chrono>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <string>
#include <thread>
// Xlib last: its macros (None, Bool) would break gtest.
#include <X11/Xlib.h>
#include <X11/keysym.h>

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

// Holds Escape down through the XTEST extension (libXtst comes with xdotool). The server lets
// go of such keys when the client that pressed them disconnects, so the connection stays open
// while the key is held.
class FakeKeyboard {
public:
    FakeKeyboard() {
        // A server busy with other tests' clients can turn a connection away for a moment.
        for (int i = 0; i < 50 && !display_; ++i) {
            display_ = XOpenDisplay(nullptr);
            if (!display_)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        void* xtst = ::dlopen("libXtst.so.6", RTLD_NOW);
        fake_ = xtst ? reinterpret_cast<FakeKey>(::dlsym(xtst, "XTestFakeKeyEvent")) : nullptr;
    }
    // Why Escape cannot be faked, or empty.
    std::string Problem() const {
        if (!display_)
            return "no connection to the X server";
        if (!fake_)
            return std::string("no XTestFakeKeyEvent: ") + (::dlerror() ? ::dlerror() : "");
        return {};
    }
    ~FakeKeyboard() {
        if (display_)
            XCloseDisplay(display_);
    }
    bool Escape(bool down) {
        if (!fake_ || !display_)
            return false;
        fake_(display_, XKeysymToKeycode(display_, XK_Escape), down ? 1 : 0, 0);
        XSync(display_, False);
        return true;
    }

private:
    using FakeKey = int (*)(Display*, unsigned, int, unsigned long);
    Display* display_ = nullptr;
    FakeKey fake_ = nullptr;
};

TEST(X11, EscapeProbeSeesTheKeyHeldOnItsOwnThread) {
    XvfbServer x;
    ASSERT_TRUE(x.Running());
    auto probeOnNewThread = [] {
        bool held = false;
        std::thread([&] { held = X11KeyStateProbe().EscapeHeld(); }).join();
        return held;
    };
    EXPECT_FALSE(probeOnNewThread());
    FakeKeyboard keyboard;
    ASSERT_TRUE(keyboard.Escape(true)) << keyboard.Problem();
    EXPECT_TRUE(probeOnNewThread());
    ASSERT_TRUE(keyboard.Escape(false));
    EXPECT_FALSE(probeOnNewThread());
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
