#include "Ocr.h"

#include "Error.h"

namespace xdw {

// Placeholder until recognition is written: fails plainly.
void ApplyOcr(Document&, int, const XDW_OCR_OPTION&) { throw EngineError(XDW_E_FAIL, "OCR not built"); }
void RotatePageAuto(Document&, int) { throw EngineError(XDW_E_FAIL, "rotation not built"); }
void FinalizeOcr() {}

}  // namespace xdw
