// The engine's failure reason, read field by field right after the failed
// call (xdwapi/xdwreason.h).
#pragma once

#include <cstdint>
#include <string>

#include "xdwapi/xdwreason.h"

namespace docuworks {
class Api;
}

namespace quilbex {

// Every field has its empty value, so a reason names only what applies.
struct EngineReason {
    std::string prose{};         // the English text
    int kind = XDW_REASON_NONE;  // what the failure concerns
    std::string path{};
    int err = 0;
    std::string type{};
    std::int64_t limit = 0;          // the limit passed ...
    int limitUnit = XDW_LIMIT_NONE;  // ... counted in XDW_LIMIT_*
};

// The reason of the engine's last failed call on this thread.
EngineReason ReadEngineReason(docuworks::Api& engine);

}  // namespace quilbex
