// A request to end the program, made by a termination signal (SIGTERM,
// SIGINT, SIGHUP). The signal handler only sets it; the run looks at it
// between the steps that block the event loop.
#pragma once

namespace quilbex {

void RequestTermination() noexcept;  // async-signal-safe
bool TerminationRequested() noexcept;
void ClearTermination() noexcept;

}  // namespace quilbex
