#include "AppPrint.h"

#include "Error.h"

namespace xdw {

// Placeholder until application printing is written: fails plainly.
XDW_CREATE_HANDLE BeginAppPrint(const std::string&, const std::string&, bool) {
    throw EngineError(XDW_E_NOT_INSTALLED, "application printing not built");
}
void AppPrintStatus(XDW_CREATE_HANDLE, XDW_CREATION_STATUS*) { throw EngineError(XDW_E_INVALID_ARG, "handle"); }
void CancelAppPrint(XDW_CREATE_HANDLE) { throw EngineError(XDW_E_INVALID_ARG, "handle"); }
void EndAppPrint(XDW_CREATE_HANDLE) { throw EngineError(XDW_E_INVALID_ARG, "handle"); }
void FinalizeAppPrint() {}

}  // namespace xdw
