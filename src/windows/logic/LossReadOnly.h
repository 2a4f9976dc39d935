#pragma once
// The read-only a lossy read puts on a file belongs to the program, not to the user: a later
// faithful read lifts it, and only it. The user's own 編集禁止 stays whatever is read, and
// only a file the program made read-only is offered a read in another code.

class LossReadOnly {
public:
    // What read-only becomes after a read that was or was not faithful, from what it was.
    bool AfterRead(bool readOnly, bool faithful) {
        if (!faithful) {
            if (!readOnly)
                imposed_ = true;
            return true;
        }
        if (imposed_) {
            imposed_ = false;
            return false;
        }
        return readOnly;
    }
    // Read-only was set by hand (or by a setting): whatever it is now is the user's.
    void TakenOver() { imposed_ = false; }
    bool Imposed() const { return imposed_; }
    // A file gone back to carries what it was left with.
    void Restore(bool imposed) { imposed_ = imposed; }

private:
    bool imposed_ = false;
};
