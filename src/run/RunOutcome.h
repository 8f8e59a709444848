// What became of the file at the end of a run, for the desktop to announce.
#pragma once

#include <string>

namespace quilbex {

struct RunOutcome {
    enum class Status {
        kConverted,  // the document is in place (reason names a step that failed, if any)
        kCancelled,  // stopped by the user; outPath may hold the document as converted
        kFailed,     // no document; reason says why
    };
    Status status = Status::kFailed;
    std::string reason;
    std::string source;
    std::string outPath;
    bool documentWritten = false;  // outPath holds a complete document
};

}  // namespace quilbex
