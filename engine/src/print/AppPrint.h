// Conversion by application printing: LibreOffice headless in a child
// process, followed by a worker thread; the caller only polls.
#pragma once

#include <memory>
#include <string>

#include "xdwapi/xdwapi.h"

namespace xdw {

XDW_CREATE_HANDLE BeginAppPrint(const std::string& input, const std::string& output,
                                bool attachOriginal);
void AppPrintStatus(XDW_CREATE_HANDLE handle, XDW_CREATION_STATUS* status);
void CancelAppPrint(XDW_CREATE_HANDLE handle);
void EndAppPrint(XDW_CREATE_HANDLE handle);
// What the document of the last conversion ended after it finished was built
// from: "picture", "pdf" or "document"; "" when none has finished.
std::string LastFinishedSourceKind();
// Ends every child process and worker and removes their temporary files.
void FinalizeAppPrint();

class AppPrintJob;
// The conversion behind a live handle (for inspection); throws
// EngineError(XDW_E_INVALID_ARG) for any other handle.
std::shared_ptr<AppPrintJob> LookupAppPrintJob(XDW_CREATE_HANDLE handle);

}  // namespace xdw
