#include "Document.h"

#include "Error.h"

namespace xdw {

// Placeholder until documents are written: fails plainly.
XDW_DOCUMENT_HANDLE OpenDocument(const std::string&) { throw EngineError(XDW_E_FAIL, "not built"); }
Document& LookupDocument(XDW_DOCUMENT_HANDLE) { throw EngineError(XDW_E_INVALID_ARG, "handle"); }
int PageCount(Document&) { return 0; }
void SaveDocument(Document&) { throw EngineError(XDW_E_FAIL, "not built"); }
void CloseDocument(XDW_DOCUMENT_HANDLE) { throw EngineError(XDW_E_INVALID_ARG, "handle"); }
void CloseAllDocuments() {}
int32_t CodeFromErrno(int) { return XDW_E_FAIL; }

}  // namespace xdw
