#pragma once
// Reads whether the Escape key is held down at this moment, whichever window has the focus.
// The process runner asks it from two threads; each thread gets its own X connection.

class KeyStateProbe {
public:
    virtual ~KeyStateProbe() = default;
    virtual bool EscapeHeld() = 0;
};

// The real probe: XQueryKeymap on a display connection owned by the calling thread.
// Without an X display Escape cannot be read and is never held.
class X11KeyStateProbe : public KeyStateProbe {
public:
    bool EscapeHeld() override;
};

// The probe the program uses unless it is told otherwise.
KeyStateProbe& DefaultKeyStateProbe();
