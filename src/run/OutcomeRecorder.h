// How the run has gone so far. Every part of the run reports here what
// happened, and only here is the outcome (the exit status, the reasons for
// standard error) decided: each event moves the status by one table.
#pragma once

#include <string>

#include "run/RunOutcome.h"

namespace quilbex {

// What the parts of a run report.
enum class RunEvent {
    kExecuteBegins,  // Execute begins: an end from here on is a failure
    kWritten,        // the document is complete
    kEndingCancels,  // an end from here on (window closed, conversion followed) leaves no document
    kStopped,        // stopped by the user or a termination signal
    kConversionFailed,  // the run or its conversion failed
    kLaterStepFailed,   // a step after the document (the OCR pass, the deletion) failed
    kNobodyToAnswer,    // an interactive run waits for someone at the screen, and there is nobody
};

// The status an event leaves, from the status before it and whether the
// run's document has been written.
ExitStatus StatusAfter(RunEvent event, ExitStatus before, bool written);

class OutcomeRecorder {
public:
    // A run with a file to convert that ends before its conversion is done
    // has been cancelled; a start without one ends as done.
    explicit OutcomeRecorder(bool convertsAFile);

    const RunOutcome& Result() const { return outcome_; }
    bool Cancelled() const { return outcome_.status == ExitStatus::kCancelled; }

    // An event without a reason of its own.
    void Report(RunEvent event);
    // Execute begins: nothing has been written yet.
    void ExecuteBegins();
    // The conversion of source begins; it has not been deleted.
    void Converting(const std::string& source);
    // The document at outPath is complete.
    void Written(const std::string& outPath);
    // The source was deleted after its document was complete.
    void SourceDeleted();
    bool SourceWasDeleted() const { return sourceDeleted_; }
    // The document written was taken away again (a pass over it was stopped
    // while its source is still there to convert again).
    void DocumentWithdrawn() { outcome_.outPath.clear(); }
    // A document already had the output's name; the first one met is kept.
    void MetExisting(const std::string& path);

    // A failure or a stop of the run, told on standard error about subject.
    // The first reason is the outcome's.
    void Fail(RunEvent event, const std::string& reason, const std::string& subject);
    // A line for standard error that changes nothing else.
    void Note(const std::string& text);

private:
    RunOutcome outcome_;
    bool sourceDeleted_ = false;
};

}  // namespace quilbex
