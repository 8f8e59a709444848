// What the user is told about a failed engine call: one sentence naming the
// thing concerned and what to do, for stderr and the desktop notification.
// The log file keeps the fixed lines of the error table.
#pragma once

#include <cstdint>
#include <string>

#include "run/EngineReason.h"

namespace quilbex {

// code is the call's result, reason its reason, source the file the
// run converts (named when the engine named nothing); page the page of the
// OCR pass that failed (0 for the rest of the run).
std::string ReasonSentence(int32_t code, const EngineReason& reason, const std::string& source,
                           int page = 0);

// A media type as the user knows it ("ZIP 書庫"); the type itself when it has
// no name here.
std::string TypeName(const std::string& mimeType);

}  // namespace quilbex
