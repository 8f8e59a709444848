// The Execute action: works out the output path, picks the route by the
// source's extension and carries a direct conversion to its end on the
// worker, or hands an application-print conversion to the monitor.
#pragma once

#include "run/OcrPass.h"
#include "run/PrintMonitor.h"
#include "run/RunLog.h"
#include "run/RunState.h"

namespace quilbex {

class ExecuteStep {
public:
    ExecuteStep(RunState& run, RunLog& log, PrintMonitor& monitor, OcrPass& ocr)
        : run_(run), log_(log), monitor_(monitor), ocr_(ocr) {}

    // acExecuteExecute.
    void Execute();

private:
    // The checks and the output path before anything is converted; false
    // when the run has ended already.
    bool Prepare();
    // The output folder for this run, made when it is the documents folder;
    // "" after a refusal.
    std::string OutputFolder();
    // The composed name checked against the folder's limits; false after a refusal.
    bool NameFits(const std::string& name);
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
    PrintMonitor& monitor_;
    OcrPass& ocr_;
};

}  // namespace quilbex
