// An application-print conversion, which runs inside the engine: its start,
// the timer's poll, what each phase puts in the log, and the cancel action.
// Its handle and the last phase seen are written here only. No OCR pass
// follows a printed document.
#pragma once

#include <atomic>

#include "run/RunLog.h"
#include "run/RunState.h"
#include "run/SourceDeletion.h"

namespace quilbex {

class PrintMonitor {
public:
    PrintMonitor(RunState& run, RunLog& log, SourceDeletion& deletion)
        : run_(run), log_(log), deletion_(deletion) {}

    // Starts the application-print conversion of the source into OutPath;
    // the engine's result.
    int StartConversion();
    // A conversion has started: follow it on the timer from now on.
    void Begin();
    // One tick of the timer (Timer1Timer).
    void Poll();
    // The cancel action (acAppCancelExecute).
    void Cancel();
    // The cancel request of an application-print conversion.
    void CancelAppConversion();
    // An application-print conversion is being followed (read on the worker too).
    bool Monitoring() const { return monitoring_; }

private:
    // Logs a new phase; for the last two also ends the run.
    void OnPhase(const XDW_CREATION_STATUS& status);
    // The conversion finished: the document is written.
    void OnFinished();
    // The conversion stopped, as asked or because it failed.
    void OnCancelled();
    // キャンセル or a termination signal has asked this run to stop.
    bool StopAsked() const;
    // Ends an application-print conversion that has been seen to end.
    void EndMonitoring();

    RunState& run_;
    RunLog& log_;
    SourceDeletion& deletion_;
    std::atomic<bool> monitoring_{false};
};

}  // namespace quilbex
