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
// Leaves the page when not confident.
void RotatePageAuto(Document& doc, int page, const OcrSettings& settings = {});

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
