// One conversion run: the logic behind the main window's events. The window
// forwards create, show, destroy, its actions and the timer tick here; the run
// reaches the window through WindowOps and the engine through docuworks::Api.
#pragma once

#include <atomic>
#include <ctime>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "docuworks/DocuWorksApi.h"
#include "run/RunOptions.h"
#include "run/RunOutcome.h"
#include "run/WindowOps.h"
#include "run/Worker.h"

namespace quilbex {

// Local time now; replaced by a fixed time in tests.
using Clock = std::function<std::tm()>;
Clock SystemClock();

// The main window's caption: the program's name and version.
std::string MainCaption();

class ConversionRun {
public:
    // args: the command-line arguments after the program name.
    ConversionRun(WindowOps& window, docuworks::Api& engine, std::vector<std::string> args,
                  Clock clock = SystemClock());

    // The direct conversion and the OCR pass run on worker; by default they
    // run inside the Execute action. Set before the window is shown.
    void SetWorker(Worker& worker) { worker_ = &worker; }

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

    // How the run ended so far; the program's exit status comes from it.
    const RunOutcome& Outcome() const { return outcome_; }
    // The run has been carried to its end (FinishRun).
    bool Finished() const { return finished_; }

    const RunOptions& Options() const { return options_; }
    RunOptions& Options() { return options_; }
    const std::string& ExeDir() const { return exeDir_; }
    bool Monitoring() const { return monitoring_; }
    // The direct conversion or the OCR pass is working on the worker.
    bool Working() const { return working_; }
    // The user asked for this run to stop.
    bool CancelRequested() const { return cancelRequested_; }
    // The window goes away while the worker works: stop after the current
    // step, touch the window no more, write no log file.
    void Abandon();

    // Parts of a run, public so they can be driven one at a time.
    void PlanRun();
    void AddLog(const std::string& text);
    void ReportError(int code);
    void FinishRun();
    void RunOcrPass();

private:
    const std::string& Source() const { return args_.front(); }
    // The extension of the source without its dot ("" when it has none).
    std::string SourceExtension() const;
    // Deletes the source after a successful conversion when asked, logging a failure.
    void DeleteSourceWhenAsked();
    // The worker's part of Execute: the direct conversion and what follows it.
    void ConvertOnWorker(int route);
    // The cancel request of an application-print conversion.
    void CancelAppConversion();
    // Ends an application-print conversion that has been seen to end.
    void EndMonitoring();
    // A cancel that came while the worker worked has been honoured: log it.
    void LogCancelled();
    void ShowProgress(RunProgress::Step step, int current = 0, int total = 0);
    // Records a failure of the run: the status (a written document stays
    // counted as written) and one line for standard error.
    void Fail(ExitStatus status, const std::string& reason);
    // The message for a result code with the engine's reason behind it.
    std::string Reason(int code);
    // A failure the run itself finds: logged, shown in an interactive run, recorded.
    void RefuseRun(const std::string& text);
    // The output folder for this run, made when it is the documents folder;
    // "" after a refusal.
    std::string OutputFolder();
    // The composed name checked against the folder's limits; false after a refusal.
    bool NameFits(const std::string& name);
    // When a termination signal has come: logged, recorded, the run finished.
    bool StoppedByTermination();

    WindowOps& window_;
    docuworks::Api& engine_;
    std::vector<std::string> args_;
    Clock clock_;
    std::string exeDir_;
    RunOptions options_;
    InlineWorker inlineWorker_;
    Worker* worker_ = &inlineWorker_;
    bool finalized_ = false;
    // Shared between the window's thread and the worker.
    std::atomic<bool> monitoring_{false};  // an application-print conversion is being followed
    std::atomic<bool> working_{false};
    std::atomic<bool> cancelRequested_{false};
    std::atomic<bool> abandoned_{false};
    bool finished_ = false;
    bool cancelAsked_ = false;  // the cancel action was used during this run
    RunOutcome outcome_;
};

}  // namespace quilbex
