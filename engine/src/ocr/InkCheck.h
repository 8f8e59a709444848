// The regions' readings checked against the page's ink, so that every piece
// of ink is read or known to be no text: marks read off long strokes go,
// light letters on dark bands are read inverted, a region that reads unsure
// is read again by the recogniser's own layout (which takes its place where
// it holds clearly more), and ink no word covers is read again the same way.
#pragma once

#include "ocr/PageReading.h"
#include "ocr/Recognizer.h"

namespace xdw {

// Checks reading's regions against its ink (see the top of this file); the
// lines read apart from the regions go to reading.apart. A page of nothing
// but noise is left as read (reading.noise). Throws as PageLines.
void CheckAgainstInk(PageReading& reading, const OcrRecipe& recipe);

}  // namespace xdw
