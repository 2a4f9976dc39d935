#pragma once
// Output shown while a run lasts: each call takes what has been captured so far and answers
// the part not yet shown, cut where no character is split (and, for the error list, after a
// whole line), in the code the window holds it in. The code is decided by the first output
// that is not ASCII, as the whole stream's will be at the end; Other output of a script in
// EUC-JP or JIS goes through the converter line by line. At the end Holds tells whether the
// text shown is already the final one, so the window need not be filled a second time.

#include "platform/Cp932.h"

#include <functional>
#include <string>
#include <string_view>

class LiveText {
public:
    // Text() points into the captured text, or into converted, which the piece owns (so a
    // piece may be moved or copied: no view into its own member is kept).
    struct Piece {
        std::string_view captured;
        TextCode code = TextCode::Cp932;
        std::string converted;
        bool owned = false;
        std::string_view Text() const { return owned ? std::string_view(converted) : captured; }
    };
    // convert turns complete lines of EUC-JP or JIS into CP932.
    LiveText(int scriptCode, bool wholeLines, std::function<std::string(std::string_view)> convert);

    // The new text in captured, from where the last call stopped.
    Piece Next(std::string_view captured);
    // The window stopped taking text (its display cap): nothing shown holds the final text.
    void Abandon() { abandoned_ = true; }
    // True when the text shown so far is exactly final, held in code.
    bool Holds(std::string_view final, TextCode code) const;
    std::size_t Shown() const { return consumed_; }

private:
    std::size_t SafeEnd(std::string_view text) const;

    int scriptCode_;
    bool wholeLines_;
    std::function<std::string(std::string_view)> convert_;
    std::size_t consumed_ = 0;
    bool decided_ = false;
    TextCode code_;
    bool converted_ = false;
    bool abandoned_ = false;
};
