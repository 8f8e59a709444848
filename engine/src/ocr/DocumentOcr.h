// Text recognition and page up-righting on an open document.
#pragma once

#include <cstdint>
#include <string>

#include "ocr/Recognizer.h"
#include "ocr/TesseractPool.h"
#include "pdf/Document.h"
#include "xdwapi/xdwapi.h"

namespace xdw {

// Where the language data (and the layer's font) is read from and how long
// one page may take.
struct OcrSettings {
    std::string tessdata = kDefaultTessdata;
    int timeLimitMs = kDefaultOcrTimeLimitMs;
};

// page counts from 1. Throws EngineError on failure. While it works on page,
// the next page is already read on a second thread (see OcrAhead.h). A page
// whose own text already covers its ink (see PageText.h) gets no layer.
void ApplyOcr(Document& doc, int page, const XDW_OCR_OPTION& option,
              const OcrSettings& settings = {});
// Leaves the page when not confident. Before any page of the document was
// read, the page is drawn and its turn waits for its reading (XDW_ApplyOcr),
// or for TurnPending.
void RotatePageAuto(Document& doc, int page, const OcrSettings& settings = {});
// Turns the page whose turn waits for its reading, if any, now: called before
// the document is saved or another page is turned or read. A page that
// cannot be drawn again is left as it stands.
void TurnPending(Document& doc);

// How far the recognition of page of the document (Document::handle) has got,
// 0 to 100; -1 when it is not being recognised. Safe from any thread.
int OcrProgress(std::uintptr_t document, int page);

// Cancels and ends the reading ahead, dropping what it read.
void StopOcrLookAhead();
// Cancels the page being read and the one read ahead, from any thread.
void CancelOcrUnderWay();

// Ends any worker the recognition keeps.
void FinalizeOcr();

}  // namespace xdw
