#pragma once
// When the output of a running script is shown: the first piece, and the first after a quiet
// spell, at once; a steady stream gathered into refreshes an interval apart, so that filling
// the page never holds the capture up.

#include <cstddef>

class LivePace {
public:
    explicit LivePace(double interval = 0.1) : interval_(interval) {}

    // At seconds since the run started, with bytes captured so far: true when what is new is to
    // be shown now. A true answer counts as shown.
    bool Due(double seconds, std::size_t bytes) {
        if (bytes <= shownBytes_ || (shown_ && seconds < shownAt_ + interval_))
            return false;
        shown_ = true;
        shownAt_ = seconds;
        shownBytes_ = bytes;
        return true;
    }

private:
    double interval_;
    bool shown_ = false;
    double shownAt_ = 0;
    std::size_t shownBytes_ = 0;
};
