#pragma once
// Long work done on the window's thread (replacing all hits of a large text) tells how far it
// is and learns whether the user asked it to stop. The window shows the progress and takes
// Escape; the logic only asks.

class WorkProgress {
public:
    virtual ~WorkProgress() = default;
    // done: the part of the work done, from 0 to 1. Answers false once the user asked to stop.
    // Called often; an answer must be cheap when nothing is to be shown.
    virtual bool Continue(double done) = 0;
};
