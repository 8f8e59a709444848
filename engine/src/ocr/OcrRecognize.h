// Recognition of a rendered page with Tesseract.
#pragma once

#include <string>
#include <vector>

#include "ocr/PageRender.h"
#include "ocr/TextLayer.h"

namespace xdw {

// The time one page may take before its recognition is abandoned.
constexpr int kDefaultOcrTimeLimitMs = 180000;
int OcrTimeLimitMs();
void SetOcrTimeLimitMs(int ms);  // <= 0: the default

// The lines, words and characters Tesseract finds on the page, with their
// boxes in the image's pixels. Throws EngineError(XDW_E_NOT_INSTALLED) when
// the language data is missing, XDW_E_FAIL when the time limit ran out.
std::vector<OcrLine> RecognizePage(const RenderedPage& page, const std::string& languages);

}  // namespace xdw
