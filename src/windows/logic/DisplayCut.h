#pragma once
// Output larger than a window can hold is shown as its beginning and its end, with a line
// between that says what was left out. The cut falls on line ends where there are any, and
// never inside a character.

#include "platform/Cp932.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// How much of one output a window shows whole: a third of the available memory, at least
// 64 MiB and at most 1 GiB (1 GiB where the memory is not known).
std::size_t DisplayCap(std::size_t availableMemory);

// Nothing when bytes fit in cap. Otherwise about cap/2 bytes of the beginning, a line naming
// the lines and bytes left out, and about cap/2 bytes of the end, in code. wholeKept adds that
// the save and the copy still get the whole output.
std::optional<std::string> CutForDisplay(std::string_view bytes, std::size_t cap, TextCode code,
                                         bool wholeKept);
// The same cut as its parts, for a window that loads them one after the other instead of
// holding a copy of the shown text: bytes up to headEnd, the line that names what was left
// out (with its line ends), and bytes from tailStart.
struct DisplayPieces {
    std::size_t headEnd = 0;
    std::string note;
    std::size_t tailStart = 0;
};
std::optional<DisplayPieces> CutPieces(std::string_view bytes, std::size_t cap, TextCode code,
                                       bool wholeKept);
