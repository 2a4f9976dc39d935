#pragma once
// Room taken ahead for text that grows while a run lasts. Growing a buffer copies what it holds
// into a new one beside the old, so a late growth holds the text twice at once: the room
// follows what the capture already holds beyond the text shown, which is taken early, while the
// text is still small, and once the output has ended the room is what the text will be.

#include <algorithm>
#include <cstddef>

struct LiveAhead {
    std::size_t bytes = 0; // captured and not yet shown
    bool final = false;    // nothing will come beyond them
};

// The room to grow to so that needed bytes fit and ahead can follow; 0 when the room there is
// will do. least: the smallest room worth taking; most: where the appends stop (0: nowhere).
inline std::size_t GrownRoom(std::size_t needed, std::size_t room, LiveAhead ahead,
                             std::size_t least = 0, std::size_t most = 0) {
    const std::size_t coming = needed + ahead.bytes;
    if (coming <= room)
        return 0;
    // Exact only while the text still fits, or when nothing at all is to follow: text that
    // outgrew its room (converted text grows beyond the bytes captured) goes on growing by a
    // quarter, not by a step at every append.
    const bool exact = ahead.final && (needed <= room || ahead.bytes == 0);
    std::size_t target = exact ? coming : std::max(coming + coming / 4, least);
    if (most != 0)
        target = std::min(target, most);
    target = std::max(target, needed);
    return target > room ? target : 0;
}
