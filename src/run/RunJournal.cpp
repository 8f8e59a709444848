#include "run/RunJournal.h"

#include <syslog.h>

namespace quilbex {

namespace {

const char* ResultWord(ExitStatus status) {
    switch (status) {
        case ExitStatus::kDone:
            return "done";
        case ExitStatus::kFailed:
            return "failed";
        case ExitStatus::kUsage:
            return "refused";
        case ExitStatus::kNeedsUser:
            return "needs-user";
        case ExitStatus::kCancelled:
            return "cancelled";
        case ExitStatus::kIncomplete:
            return "incomplete";
    }
    return "failed";
}

std::string OrDash(const std::string& text) { return text.empty() ? "-" : text; }

}  // namespace

std::string JournalLine(const RunOutcome& outcome) {
    return "file=" + OrDash(outcome.source) + " document=" + OrDash(outcome.outPath) +
           " result=" + ResultWord(outcome.status) +
           " status=" + std::to_string(ExitCode(outcome.status)) +
           " reason=" + OrDash(outcome.reason);
}

void JournalOutcome(const RunOutcome& outcome) {
    const int priority = outcome.status == ExitStatus::kDone        ? LOG_INFO
                         : outcome.status == ExitStatus::kCancelled ? LOG_NOTICE
                                                                    : LOG_WARNING;
    ::openlog("quilbex", LOG_PID, LOG_USER);
    ::syslog(priority, "%s", JournalLine(outcome).c_str());
    ::closelog();
}

}  // namespace quilbex
