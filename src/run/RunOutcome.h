// How a run ended, as the program's exit status tells scripts and file
// managers, with the reasons of its failures.
#pragma once

#include <string>
#include <vector>

namespace quilbex {

// The exit statuses of the program. Scripts rely on these numbers.
enum class ExitStatus : int {
    kDone = 0,        // the document was written (and, with OCR on, saved)
    kFailed = 1,      // no document: the conversion failed; the source is kept
    kUsage = 2,       // the command line or the start cannot work (no file without a display)
    kNeedsUser = 3,   // the run would wait for someone at the screen, and there is nobody
    kCancelled = 4,   // stopped by the user or a signal before the document was complete
    kIncomplete = 5,  // the document was written, but the OCR pass or the deletion failed
};

inline int ExitCode(ExitStatus status) { return static_cast<int>(status); }

struct RunOutcome {
    ExitStatus status = ExitStatus::kDone;
    // The first failure's reason ("" when there was none).
    std::string reason;
    // The document written by the run ("" when none was).
    std::string outPath;
    // One reason per failure, in the order they happened.
    std::vector<std::string> failures;
    // The file the run converted.
    std::string source;
    // A document that already had the output's name ("" when none was met).
    std::string existing;
};

}  // namespace quilbex
