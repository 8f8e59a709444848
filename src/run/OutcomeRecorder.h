// How the run has gone so far. Every part of the run reports here what
// happened, and only here is the outcome (the exit status, the reasons for
// standard error) decided.
#pragma once

#include <string>

#include "run/RunOutcome.h"

namespace quilbex {

class OutcomeRecorder {
public:
    // A run with a file to convert that ends before its conversion is done
    // has been cancelled; a start without one ends as done.
    explicit OutcomeRecorder(bool convertsAFile);

    const RunOutcome& Result() const { return outcome_; }
    bool Cancelled() const { return outcome_.status == ExitStatus::kCancelled; }

    // Execute begins: until the run says otherwise, an end from here on is a
    // failure, and nothing has been written yet.
    void ExecuteBegins();
    // The conversion of source begins; it has not been deleted.
    void Converting(const std::string& source);
    // The document at outPath is complete.
    void Written(const std::string& outPath);
    // An end from here on (the window closed, the conversion followed)
    // leaves no document: a cancel.
    void EndingCancels();
    // The source was deleted after its document was complete.
    void SourceDeleted();
    bool SourceWasDeleted() const { return sourceDeleted_; }
    // The document written was taken away again (a pass over it was stopped
    // while its source is still there to convert again).
    void DocumentWithdrawn() { outcome_.outPath.clear(); }
    // A document already had the output's name; the first one met is kept.
    void MetExisting(const std::string& path);

    // A failure of the run, told on standard error about subject. The first
    // reason is the outcome's. A cancel always counts as one; once the
    // document is written, any other failure makes a done run incomplete;
    // before, the failure's own status stands.
    void Fail(ExitStatus status, const std::string& reason, const std::string& subject);
    // A line for standard error that changes nothing else.
    void Note(const std::string& text);

private:
    RunOutcome outcome_;
    bool sourceDeleted_ = false;
};

}  // namespace quilbex
