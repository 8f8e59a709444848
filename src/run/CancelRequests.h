// The stops asked of one run: by the cancel action, by a termination that
// cancels an application-print conversion, and by the window going away.
// Asked for on the window's thread, seen by the worker between its steps.
#pragma once

#include <atomic>

namespace quilbex {

class CancelRequests {
public:
    // Execute begins: the cancel action has not been used in this run.
    void ExecuteBegins() { actionUsed_ = false; }
    // The conversion begins: no stop has been asked of it yet.
    void ConversionBegins() { requested_ = false; }
    // Asks the run to stop after its current step; true for the first request.
    bool Request() { return !requested_.exchange(true); }
    bool Requested() const { return requested_; }
    // The cancel request went to an application-print conversion.
    void ActionUsed() { actionUsed_ = true; }
    bool ActionWasUsed() const { return actionUsed_; }
    // The window goes away while the worker works: stop, and touch the
    // window no more.
    void WindowGone() {
        gone_ = true;
        requested_ = true;
    }
    bool IsWindowGone() const { return gone_; }

private:
    std::atomic<bool> requested_{false};
    std::atomic<bool> gone_{false};
    bool actionUsed_ = false;
};

}  // namespace quilbex
