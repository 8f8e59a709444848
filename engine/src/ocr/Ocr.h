// Text recognition and page up-righting on an open document.
#pragma once

#include "Document.h"
#include "xdwapi/xdwapi.h"

namespace xdw {

// page counts from 1. Throws EngineError on failure.
void ApplyOcr(Document& doc, int page, const XDW_OCR_OPTION& option);
void RotatePageAuto(Document& doc, int page);  // leaves the page when not confident

// Ends any worker the recognition keeps.
void FinalizeOcr();

}  // namespace xdw
