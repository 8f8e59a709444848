#include "run/Termination.h"

#include <atomic>

namespace quilbex {

namespace {

std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

}  // namespace

void RequestTermination() noexcept { requested.store(true); }
bool TerminationRequested() noexcept { return requested.load(); }
void ClearTermination() noexcept { requested.store(false); }

}  // namespace quilbex
