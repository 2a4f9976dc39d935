#pragma once
// Runs its action only when the scope is left by an exception: the clean-up a run owes the
// user whatever escapes it (memory running out, a failed conversion), without touching the
// ordinary way out.

#include <exception>
#include <utility>

template <class Action> class OnUnwind {
public:
    explicit OnUnwind(Action action)
        : action_(std::move(action)), uncaught_(std::uncaught_exceptions()) {}
    ~OnUnwind() {
        if (std::uncaught_exceptions() > uncaught_) {
            // A second exception here would end the program: the clean-up is best effort.
            try {
                action_();
            } catch (...) {
            }
        }
    }
    OnUnwind(const OnUnwind&) = delete;
    OnUnwind& operator=(const OnUnwind&) = delete;

private:
    Action action_;
    int uncaught_;
};
