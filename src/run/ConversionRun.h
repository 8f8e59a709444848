// One conversion run: the logic behind the main window's events. The window
// forwards create, show, destroy, its actions and the timer tick here; the run
// reaches the window through WindowOps and the engine through docuworks::Api.
// Its parts share one RunState: the run plan (RunPlan.h), the Execute action
// (ExecuteStep.h), the print monitor (PrintMonitor.h), the OCR pass
// (OcrPass.h), the deletion of the source (SourceDeletion.h) and the run log
// every part reports through (RunLog.h); how the run ended is decided by its
// OutcomeRecorder (OutcomeRecorder.h).
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "run/ExecuteStep.h"
#include "run/OcrPass.h"
#include "run/PrintMonitor.h"
#include "run/RunLog.h"
#include "run/RunState.h"
#include "run/SourceDeletion.h"

namespace quilbex {

// The main window's caption: the program's name and version.
std::string MainCaption();

class ConversionRun {
public:
    // args: the command-line arguments after the program name.
    ConversionRun(WindowOps& window, docuworks::Api& engine, std::vector<std::string> args,
                  Clock clock = SystemClock());

    // The direct conversion and the OCR pass run on worker; by default they
    // run inside the Execute action. Set before the window is shown.
    void SetWorker(Worker& worker) { run_.worker = &worker; }
    // Runs started together take turns through queue; by default a run
    // works at once. Set before the window is shown.
    void SetTurnQueue(TurnQueue& queue) { run_.turns = &queue; }

    // A note about the settings file for the start (which file is used):
    // shown by a settings-only start, told on standard error by a run.
    void NoteSettings(std::string note) { settingsNote_ = std::move(note); }

    // Window events.
    void FormCreate(const std::string& exeDir);  // exeDir ends with '/'
    void FormShow();                             // caption, focus, then PlanRun
    void FormDestroy();                          // releases the engine
    void acExecuteExecute();
    void acCloseExecute();
    void acAppCancelExecute();
    void Timer1Timer();

    // Called by the window for an error that escaped one of the events above.
    void HandleException(const std::exception& error);

    // A termination signal arrived (the program's event loop hands it on):
    // a conversion being followed is cancelled as キャンセル does and ends the
    // run as usual; a run that has not started ends as cancelled. Blocking
    // steps see TerminationRequested() themselves and stop at the next step.
    void Terminate();

    // Nothing but a user can end the run and there is nobody at the screen.
    // An interactive run waits for someone; an automatic one waits only
    // after an error stopped it, and ends with what the error made of it.
    void NobodyToAnswer();

    // How the run ended so far; the program's exit status comes from it.
    const RunOutcome& Outcome() const { return run_.outcome.Result(); }
    // The run has been carried to its end (FinishRun).
    bool Finished() const { return log_.Finished(); }

    const RunOptions& Options() const { return run_.options; }
    RunOptions& Options() { return run_.options; }
    const std::string& ExeDir() const { return run_.exeDir; }
    bool Monitoring() const { return monitor_.Monitoring(); }
    // The direct conversion or the OCR pass is working on the worker.
    bool Working() const { return run_.working; }
    // Waiting for a turn at the heavy work; the timer asks again.
    bool Waiting() const { return execute_.Waiting(); }
    // The place the run works in beside other runs (0 for the first).
    int Place() const { return run_.turns->Place(); }
    // The user asked for this run to stop.
    bool CancelRequested() const { return run_.cancel.Requested(); }
    // The window goes away while the worker works: stop after the current
    // step, touch the window no more, write no log file.
    void Abandon();

    // Parts of a run, public so they can be driven one at a time.
    void PlanRun();
    void AddLog(const std::string& text) { log_.AddLog(text); }
    void ReportError(int code) { log_.ReportError(code); }
    void FinishRun() { log_.FinishRun(); }
    void RunOcrPass() { ocr_.Run(); }

private:
    RunState run_;
    RunLog log_{run_};
    SourceDeletion deletion_{run_, log_};
    OcrPass ocr_{run_, log_, deletion_};
    PrintMonitor monitor_{run_, log_, deletion_};
    ExecuteStep execute_{run_, log_, deletion_, monitor_, ocr_};
    bool finalized_ = false;
    std::string settingsNote_;
};

}  // namespace quilbex
