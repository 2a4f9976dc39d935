#include "platform/KeyStateProbe.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <cstdlib>

namespace {

// One connection per thread, opened on first use and closed when the thread ends. A failed
// open is remembered so that a display-less run does not retry every 50 ms.
struct ThreadDisplay {
    Display* display = nullptr;
    bool tried = false;
    KeyCode escape = 0;

    Display* Get() {
        if (!tried) {
            tried = true;
            const char* name = std::getenv("DISPLAY");
            if (name && *name)
                display = XOpenDisplay(nullptr);
            if (display)
                escape = XKeysymToKeycode(display, XK_Escape);
        }
        return display;
    }
    ~ThreadDisplay() {
        if (display)
            XCloseDisplay(display);
    }
};

thread_local ThreadDisplay tlsDisplay;

} // namespace

bool X11KeyStateProbe::EscapeHeld() {
    Display* display = tlsDisplay.Get();
    if (!display || tlsDisplay.escape == 0)
        return false;
    char keys[32] = {};
    XQueryKeymap(display, keys);
    KeyCode code = tlsDisplay.escape;
    return (keys[code / 8] & (1 << (code % 8))) != 0;
}

KeyStateProbe& DefaultKeyStateProbe() {
    static X11KeyStateProbe probe;
    return probe;
}
