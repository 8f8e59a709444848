// Text recognition and page up-righting on an open document.
#pragma once

#include "pdf/Document.h"
#include "xdwapi/xdwapi.h"

namespace xdw {

// page counts from 1. Throws EngineError on failure. While it works on page,
// the next page is already read on a second thread (see OcrAhead.h). A page
// whose own text already covers its ink (see PageText.h) gets no layer.
void ApplyOcr(Document& doc, int page, const XDW_OCR_OPTION& option);
void RotatePageAuto(Document& doc, int page);  // leaves the page when not confident

// Cancels and ends the reading ahead, dropping what it read.
void StopOcrLookAhead();
// Cancels the page being read and the one read ahead, from any thread.
void CancelOcrUnderWay();

// Ends any worker the recognition keeps.
void FinalizeOcr();

}  // namespace xdw
