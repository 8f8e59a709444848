#include "Convert.h"

#include "Error.h"

namespace xdw {

// Placeholder until conversion is written: fails plainly.
std::string DefaultOutputFolder() { return {}; }
void ConvertPdf(const std::string&, const std::string&) { throw EngineError(XDW_E_FAIL, "not built"); }
void ConvertImage(const std::string&, const std::string&, const XDW_CREATE_OPTION*) {
    throw EngineError(XDW_E_FAIL, "not built");
}

}  // namespace xdw
