// The Execute action: works out the output path, picks the route by the
// source's extension and carries a direct conversion to its end on the
// worker, or hands an application-print conversion to the monitor.
#pragma once

#include <functional>

#include "run/OcrPass.h"
#include "run/PrintMonitor.h"
#include "run/RunLog.h"
#include "run/RunState.h"
#include "run/SourceDeletion.h"

namespace quilbex {

class ExecuteStep {
public:
    ExecuteStep(RunState& run, RunLog& log, SourceDeletion& deletion, PrintMonitor& monitor,
                OcrPass& ocr)
        : run_(run), log_(log), deletion_(deletion), monitor_(monitor), ocr_(ocr) {}

    // acExecuteExecute.
    void Execute();
    // A tick of the timer while the run waits for its turn: asks again.
    void PollTurn();
    // The cancel action or a termination while the run waits: it ends as cancelled.
    void CancelWaiting();
    // Waiting for a turn at the heavy work; the timer asks again.
    bool Waiting() const { return waiting_; }

private:
    // The options from the boxes, a clean log and outcome.
    void Prepare();
    // The run's turn has come: the output path, then the conversion.
    void Proceed();
    // The output path before anything is converted; false when the run has
    // ended already.
    bool Target();
    // The composed name for the output folder. A name made from the time to
    // the second that is taken (a document exists, or another run writes
    // one) gives way to the next second whose name is free.
    std::string FreeName(const std::string& folder);
    // The output folder for this run, made when it is the documents folder;
    // "" after a refusal.
    std::string OutputFolder();
    // The composed name checked against the folder's limits; false after a refusal.
    bool NameFits(const std::string& name);
    // Runs job on the run's worker (working while it runs); an error that
    // escapes it goes to the default error handler.
    void StartWork(std::function<void()> job);
    // The worker's part of Execute: the direct conversion and what follows it.
    void ConvertOnWorker(int route);
    // The direct conversion of the route; kNoDirectRoute when it has none.
    int ConvertDirectly(int route);
    // No direct conversion took the file: application printing.
    void PrintWithApplication();
    // The source differs from what it was when the run opened it: the
    // document is removed and the run failed. False when it is the same.
    bool SourceChangedWhileRead();
    // The direct conversion wrote the document: the source and the OCR pass.
    void AfterDirectConversion();

    RunState& run_;
    RunLog& log_;
    SourceDeletion& deletion_;
    PrintMonitor& monitor_;
    OcrPass& ocr_;
    // Waiting for a turn; ahead: the runs before this one, as last shown.
    bool waiting_ = false;
    int ahead_ = 0;
};

}  // namespace quilbex
