#include "cgi/Placement.h"

#include <algorithm>

namespace {

// start moved so that [start, start + size) lies in [low, high) where it can, and start
// never before low.
int Inside(int start, int size, int low, int high) {
    return std::max(low, std::min(start, high - size));
}

} // namespace

ScreenPoint BesidePlacement(const ScreenBox& main, int width, int height, const ScreenBox& screen) {
    constexpr int kGap = 4;
    int x;
    if (main.Right() + kGap + width <= screen.Right())
        x = main.Right() + kGap;
    else if (main.x - kGap - width >= screen.x)
        x = main.x - kGap - width;
    else // over the main window's right part: its menu bar starts on the left and stays seen
        x = screen.Right() - width;
    return {Inside(x, width, screen.x, screen.Right()),
            Inside(main.y, height, screen.y, screen.Bottom())};
}
