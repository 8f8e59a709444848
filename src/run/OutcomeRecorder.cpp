#include "run/OutcomeRecorder.h"

#include <algorithm>

namespace quilbex {

OutcomeRecorder::OutcomeRecorder(bool convertsAFile) {
    if (convertsAFile) outcome_.status = ExitStatus::kCancelled;
}

void OutcomeRecorder::ExecuteBegins() {
    outcome_.status = ExitStatus::kFailed;
    outcome_.reason.clear();
    outcome_.outPath.clear();
    outcome_.existing.clear();
}

void OutcomeRecorder::Converting(const std::string& source) {
    outcome_.source = source;
    sourceDeleted_ = false;
}

void OutcomeRecorder::Written(const std::string& outPath) {
    outcome_.status = ExitStatus::kDone;
    outcome_.outPath = outPath;
}

void OutcomeRecorder::EndingCancels() { outcome_.status = ExitStatus::kCancelled; }

void OutcomeRecorder::SourceDeleted() { sourceDeleted_ = true; }

void OutcomeRecorder::MetExisting(const std::string& path) {
    if (outcome_.existing.empty()) outcome_.existing = path;
}

void OutcomeRecorder::Fail(ExitStatus status, const std::string& reason,
                           const std::string& subject) {
    const bool written = !outcome_.outPath.empty();
    std::string told = reason;
    if (status == ExitStatus::kCancelled) {
        outcome_.status = status;
        // Stopped after the document was complete and the source deleted.
        if (sourceDeleted_)
            told += " (the document was complete; the source had already been deleted)";
    } else if (written || status == ExitStatus::kIncomplete) {
        // A later step of a run whose document is complete.
        if (outcome_.status == ExitStatus::kDone) outcome_.status = ExitStatus::kIncomplete;
    } else {
        outcome_.status = status;
    }
    if (outcome_.reason.empty()) outcome_.reason = reason;
    Note(subject + ": " + told);
}

void OutcomeRecorder::Note(const std::string& text) {
    // Said once: a page's turning and its reading may fail for one reason.
    const std::string line = "quilbex: " + text;
    if (std::find(outcome_.failures.begin(), outcome_.failures.end(), line) ==
        outcome_.failures.end())
        outcome_.failures.push_back(line);
}

}  // namespace quilbex
