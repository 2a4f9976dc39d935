#pragma once
// The global hot key. Its stored form is the Windows shortcut code the settings file has
// always held: the virtual-key code in the low byte, 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt.
// One table translates that code to X keysyms (for the grab) and to Qt key values (for the
// settings dialog), so the three can never disagree.

#include <cstdint>
#include <string>

constexpr uint16_t kHotKeyShift = 0x2000;
constexpr uint16_t kHotKeyCtrl = 0x4000;
constexpr uint16_t kHotKeyAlt = 0x8000;

// 0 when the table holds no such key.
unsigned long VirtualKeyToKeySym(unsigned virtualKey);
unsigned KeySymToVirtualKey(unsigned long keySym);
// Qt::Key values as plain integers, so this table stays free of Qt.
int VirtualKeyToQtKey(unsigned virtualKey);
unsigned QtKeyToVirtualKey(int qtKey);

// The hot key grabbed on the X root window through a connection of its own, so it works
// whichever window has the focus. Without an X display nothing is registered and nothing fails
// loudly: the key simply does nothing.
class X11GlobalHotKey {
public:
    X11GlobalHotKey();
    ~X11GlobalHotKey();
    X11GlobalHotKey(const X11GlobalHotKey&) = delete;
    X11GlobalHotKey& operator=(const X11GlobalHotKey&) = delete;

    // Replaces any earlier registration; false when the key is unknown, there is no display,
    // or another client holds the grab.
    bool Register(uint16_t code);
    void Unregister();
    bool Registered() const { return keyCode_ != 0; }
    // The connection's descriptor, for the event loop to watch; -1 without a display.
    int Fd() const;
    // Reads what the X server sent; true when the hot key was pressed since the last call.
    bool TakePressed();

private:
    void* display_ = nullptr; // Display*, kept out of this header
    unsigned keyCode_ = 0;
    unsigned modifiers_ = 0;
    unsigned numLockMask_ = 0;
};
