#include "platform/HotKey.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <cstdlib>

namespace {

struct KeyRow {
    unsigned vk;
    unsigned long keySym;
    int qtKey;
};

// Qt::Key values: letters, digits and punctuation are their ASCII codes; the rest live at
// 0x01000000 and up. The numeric keypad has no Qt key of its own (Qt marks it with a modifier).
constexpr KeyRow kNamedKeys[] = {
    {0x08, XK_BackSpace, 0x01000003},
    {0x09, XK_Tab, 0x01000001},
    {0x0D, XK_Return, 0x01000004},
    {0x13, XK_Pause, 0x01000008},
    {0x1B, XK_Escape, 0x01000000},
    {0x20, XK_space, 0x20},
    {0x21, XK_Prior, 0x01000016},
    {0x22, XK_Next, 0x01000017},
    {0x23, XK_End, 0x01000011},
    {0x24, XK_Home, 0x01000010},
    {0x25, XK_Left, 0x01000012},
    {0x26, XK_Up, 0x01000013},
    {0x27, XK_Right, 0x01000014},
    {0x28, XK_Down, 0x01000015},
    {0x2D, XK_Insert, 0x01000006},
    {0x2E, XK_Delete, 0x01000007},
    {0x6A, XK_KP_Multiply, 0},
    {0x6B, XK_KP_Add, 0},
    {0x6D, XK_KP_Subtract, 0},
    {0x6E, XK_KP_Decimal, 0},
    {0x6F, XK_KP_Divide, 0},
    {0x90, XK_Num_Lock, 0x01000025},
    {0x91, XK_Scroll_Lock, 0x01000026},
    {0xBA, XK_semicolon, 0x3B},
    {0xBB, XK_equal, 0x3D},
    {0xBC, XK_comma, 0x2C},
    {0xBD, XK_minus, 0x2D},
    {0xBE, XK_period, 0x2E},
    {0xBF, XK_slash, 0x2F},
    {0xC0, XK_grave, 0x60},
    {0xDB, XK_bracketleft, 0x5B},
    {0xDC, XK_backslash, 0x5C},
    {0xDD, XK_bracketright, 0x5D},
    {0xDE, XK_apostrophe, 0x27},
};

bool Lookup(unsigned vk, KeyRow& row) {
    if (vk >= '0' && vk <= '9') {
        row = {vk, XK_0 + (vk - '0'), static_cast<int>(vk)};
        return true;
    }
    if (vk >= 'A' && vk <= 'Z') {
        row = {vk, XK_a + (vk - 'A'), static_cast<int>(vk)};
        return true;
    }
    if (vk >= 0x60 && vk <= 0x69) {
        row = {vk, XK_KP_0 + (vk - 0x60), 0};
        return true;
    }
    if (vk >= 0x70 && vk <= 0x87) {
        row = {vk, XK_F1 + (vk - 0x70), 0x01000030 + static_cast<int>(vk - 0x70)};
        return true;
    }
    for (const auto& r : kNamedKeys)
        if (r.vk == vk) {
            row = r;
            return true;
        }
    return false;
}

bool grabFailed = false;
int NoteGrabError(Display*, XErrorEvent* e) {
    if (e->error_code == BadAccess)
        grabFailed = true;
    return 0;
}

Display* AsDisplay(void* d) {
    return static_cast<Display*>(d);
}

} // namespace

unsigned long VirtualKeyToKeySym(unsigned vk) {
    KeyRow row{};
    return Lookup(vk & 0xFF, row) ? row.keySym : 0;
}

unsigned KeySymToVirtualKey(unsigned long keySym) {
    if (keySym >= XK_A && keySym <= XK_Z)
        keySym = keySym - XK_A + XK_a;
    for (unsigned vk = 1; vk < 256; ++vk) {
        KeyRow row{};
        if (Lookup(vk, row) && row.keySym == keySym)
            return vk;
    }
    return 0;
}

int VirtualKeyToQtKey(unsigned vk) {
    KeyRow row{};
    return Lookup(vk & 0xFF, row) ? row.qtKey : 0;
}

unsigned QtKeyToVirtualKey(int qtKey) {
    if (qtKey == 0)
        return 0;
    if (qtKey >= 'a' && qtKey <= 'z')
        qtKey -= 'a' - 'A';
    for (unsigned vk = 1; vk < 256; ++vk) {
        KeyRow row{};
        if (Lookup(vk, row) && row.qtKey == qtKey)
            return vk;
    }
    return 0;
}

X11GlobalHotKey::X11GlobalHotKey() {
    const char* name = std::getenv("DISPLAY");
    if (name && *name)
        display_ = XOpenDisplay(nullptr);
}

X11GlobalHotKey::~X11GlobalHotKey() {
    Unregister();
    if (display_)
        XCloseDisplay(AsDisplay(display_));
}

int X11GlobalHotKey::Fd() const {
    return display_ ? ConnectionNumber(AsDisplay(display_)) : -1;
}

bool X11GlobalHotKey::Register(uint16_t code) {
    Unregister();
    Display* d = AsDisplay(display_);
    unsigned long sym = VirtualKeyToKeySym(code & 0xFF);
    if (!d || sym == 0)
        return false;
    KeyCode key = XKeysymToKeycode(d, sym);
    if (key == 0)
        return false;
    unsigned mods = 0;
    if (code & kHotKeyShift)
        mods |= ShiftMask;
    if (code & kHotKeyCtrl)
        mods |= ControlMask;
    if (code & kHotKeyAlt)
        mods |= Mod1Mask;

    // The grab must hold whatever the state of Caps Lock and Num Lock.
    numLockMask_ = 0;
    if (XModifierKeymap* map = XGetModifierMapping(d)) {
        KeyCode numLock = XKeysymToKeycode(d, XK_Num_Lock);
        for (int m = 0; m < 8; ++m)
            for (int k = 0; k < map->max_keypermod; ++k)
                if (numLock && map->modifiermap[m * map->max_keypermod + k] == numLock)
                    numLockMask_ = 1u << m;
        XFreeModifiermap(map);
    }
    Window root = DefaultRootWindow(d);
    XSync(d, False);
    grabFailed = false;
    auto previous = XSetErrorHandler(NoteGrabError);
    for (unsigned extra : {0u, unsigned(LockMask), numLockMask_, LockMask | numLockMask_})
        XGrabKey(d, key, mods | extra, root, True, GrabModeAsync, GrabModeAsync);
    XSync(d, False);
    XSetErrorHandler(previous);
    keyCode_ = key;
    modifiers_ = mods;
    if (grabFailed) {
        Unregister();
        return false;
    }
    return true;
}

void X11GlobalHotKey::Unregister() {
    Display* d = AsDisplay(display_);
    if (!d || keyCode_ == 0)
        return;
    Window root = DefaultRootWindow(d);
    for (unsigned extra : {0u, unsigned(LockMask), numLockMask_, LockMask | numLockMask_})
        XUngrabKey(d, static_cast<int>(keyCode_), modifiers_ | extra, root);
    XSync(d, False);
    keyCode_ = 0;
    modifiers_ = 0;
}

bool X11GlobalHotKey::TakePressed() {
    Display* d = AsDisplay(display_);
    if (!d)
        return false;
    bool pressed = false;
    while (XPending(d) > 0) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == KeyPress && keyCode_ != 0 && e.xkey.keycode == keyCode_ &&
            (e.xkey.state & (ShiftMask | ControlMask | Mod1Mask)) == modifiers_)
            pressed = true;
    }
    return pressed;
}
