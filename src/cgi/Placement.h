#pragma once
// Where the form editor opens: beside the main window, so that neither hides the other's
// menu, and always on the screen.

struct ScreenBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int Right() const { return x + width; }
    int Bottom() const { return y + height; }
};

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

// The top-left corner for a window frame of width x height beside the main window's frame on
// the screen's free area: to its right where that fits, else to its left, else against the
// screen's right edge, over the main window's right part, so that the start of its menu bar
// stays in view; level with its top. Kept inside the screen as far as the frame fits, and its
// top-left corner (the title bar) always inside.
ScreenPoint BesidePlacement(const ScreenBox& main, int width, int height, const ScreenBox& screen);
