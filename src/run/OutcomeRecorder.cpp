#include "run/OutcomeRecorder.h"

#include <algorithm>
#include <optional>

namespace quilbex {

namespace {

enum class Document { kEither, kNotWritten, kWritten };

// The first rule that fits an event gives the status after it; an event no
// rule fits leaves the status as it was. A cancel always wins; once the
// document is written a failure makes a done run incomplete, and nothing
// else it was; before, a failure is the run's.
struct StatusRule {
    RunEvent event;
    Document document;
    std::optional<ExitStatus> before;  // none: any
    ExitStatus after;
};

constexpr StatusRule kStatusRules[] = {
    {RunEvent::kExecuteBegins, Document::kEither, std::nullopt, ExitStatus::kFailed},
    {RunEvent::kWritten, Document::kEither, std::nullopt, ExitStatus::kDone},
    {RunEvent::kEndingCancels, Document::kEither, std::nullopt, ExitStatus::kCancelled},
    {RunEvent::kStopped, Document::kEither, std::nullopt, ExitStatus::kCancelled},
    {RunEvent::kConversionFailed, Document::kNotWritten, std::nullopt, ExitStatus::kFailed},
    {RunEvent::kConversionFailed, Document::kWritten, ExitStatus::kDone, ExitStatus::kIncomplete},
    {RunEvent::kLaterStepFailed, Document::kEither, ExitStatus::kDone, ExitStatus::kIncomplete},
    {RunEvent::kNobodyToAnswer, Document::kEither, std::nullopt, ExitStatus::kNeedsUser},
};

}  // namespace

ExitStatus StatusAfter(RunEvent event, ExitStatus before, bool written) {
    for (const StatusRule& rule : kStatusRules) {
        if (rule.event != event || (rule.before && *rule.before != before)) continue;
        if (rule.document == (written ? Document::kNotWritten : Document::kWritten)) continue;
        return rule.after;
    }
    return before;
}

OutcomeRecorder::OutcomeRecorder(bool convertsAFile) {
    if (convertsAFile) outcome_.status = ExitStatus::kCancelled;
}

void OutcomeRecorder::Report(RunEvent event) {
    outcome_.status = StatusAfter(event, outcome_.status, !outcome_.outPath.empty());
}

void OutcomeRecorder::ExecuteBegins() {
    outcome_.reason.clear();
    outcome_.outPath.clear();
    outcome_.existing.clear();
    Report(RunEvent::kExecuteBegins);
}

void OutcomeRecorder::Converting(const std::string& source) {
    outcome_.source = source;
    sourceDeleted_ = false;
}

void OutcomeRecorder::Written(const std::string& outPath) {
    outcome_.outPath = outPath;
    Report(RunEvent::kWritten);
}

void OutcomeRecorder::SourceDeleted() { sourceDeleted_ = true; }

void OutcomeRecorder::MetExisting(const std::string& path) {
    if (outcome_.existing.empty()) outcome_.existing = path;
}

void OutcomeRecorder::Fail(RunEvent event, const std::string& reason, const std::string& subject) {
    Report(event);
    if (outcome_.reason.empty()) outcome_.reason = reason;
    // Stopped after the document was complete and the source deleted.
    if (event == RunEvent::kStopped && sourceDeleted_)
        Note(subject + ": " + reason +
             " (the document was complete; the source had already been deleted)");
    else
        Note(subject + ": " + reason);
}

void OutcomeRecorder::Note(const std::string& text) {
    // Said once: a page's turning and its reading may fail for one reason.
    const std::string line = "quilbex: " + text;
    if (std::find(outcome_.failures.begin(), outcome_.failures.end(), line) ==
        outcome_.failures.end())
        outcome_.failures.push_back(line);
}

}  // namespace quilbex
