// Text recognition and page up-righting on an open document.
#pragma once

#include <cstdint>
#include <exception>
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
// the next two pages are queued, for a second thread and for this one while
// it waits (see OcrAhead.h); a thread left with no page of its own helps
// with the regions of one still being read. A page whose own text already
// covers its ink (see PageText.h) gets no layer. A page whose turn waited for
// this reading and could not be made (see PageResult::turnError) gets its
// layer as it stands, and then the call throws that failure.
void ApplyOcr(Document& doc, int page, const XDW_OCR_OPTION& option,
              const OcrSettings& settings = {});
// Leaves the page when not confident. Before any page of the document was
// read, the page is drawn and its turn waits for its reading (XDW_ApplyOcr),
// or for TurnPending. A page read ahead whose way up could not be looked for
// keeps its reading as it stands for XDW_ApplyOcr, and the call throws.
void RotatePageAuto(Document& doc, int page, const OcrSettings& settings = {});
// Turns the page whose turn waits for its reading, if any, now: called before
// the document is saved or another page is turned or read. A page that
// cannot be drawn again is left as it stands. When the orientation data is
// installed but does not load, the page is left as it stands too, and the
// error (naming the page) is given back for the caller to report.
std::exception_ptr TurnPending(Document& doc);

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
