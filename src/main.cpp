// The program entry.
#include <signal.h>

#include <cstdio>
#include <cstdlib>

#include "run/RunOutcome.h"
#include "ui/Program.h"
#include "ui/TerminationSignals.h"

namespace {

// The program's first code, run before any library it uses is initialised
// (Qt's and the others' start-up takes a while on a busy machine): from here
// on a termination signal waits for its handler instead of ending the
// program by the system's default action.
void HoldTerminationFromTheStart(int, char**, char**) {
    sigset_t set;
    sigemptyset(&set);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set, sig);
    sigprocmask(SIG_BLOCK, &set, nullptr);
}

__attribute__((section(".preinit_array"),
               used)) void (*const kHoldTermination)(int, char**,
                                                     char**) = HoldTerminationFromTheStart;

}  // namespace

int main(int argc, char** argv) {
    // Held already; said again for whoever reads this first.
    quilbex::BlockTermination();
    const int status = quilbex::RunProgram(argc, argv);
    // A stopped run has done its own ending (LibreOffice ended, temporary
    // files removed, log and journal written) by now. What the libraries
    // would still do as the process ends is left undone: a stop may have left
    // a language-model load behind in the engine, which would otherwise hold
    // the exit until it is over.
    if (status == quilbex::ExitCode(quilbex::ExitStatus::kCancelled)) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
