// The engine's failure reason read back into its fields (the form
// xdwapi/xdwreason.h describes).
#pragma once

#include <string>

namespace quilbex {

struct EngineReason {
    std::string prose;  // the English first line
    std::string kind;   // an XDW_REASON_* word; empty when the engine named none
    std::string path;
    int err = 0;
    std::string type;
};

EngineReason ParseEngineReason(const std::string& text);

}  // namespace quilbex
