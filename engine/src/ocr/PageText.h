// Text a page already carries (drawn by whatever made it, not by this
// engine's layer) against the ink of its rendering: a page whose own text
// already covers most of its ink is not read again, and recognised lines that
// lie on such text are dropped, so no text is ever there twice.
#pragma once

#include <vector>

#include "layout/PixelTypes.h"
#include "ocr/OcrTypes.h"

namespace xdw {

// True when the page's own text covers at least half of its ink: dark
// pixels inside the text's boxes against all dark pixels but those of rules,
// frames and filled boxes (a form's field borders: its fields' text is the
// page's own). A page with text and no ink at all (only invisible text)
// counts as covered too. A scan with a stamped line, a printed header or a
// page number is not covered.
bool TextCoversInk(const RenderedPage& page, const std::vector<PixelBox>& text);

// Removes the lines whose box lies at least half on the page's own text.
void DropLinesOverText(std::vector<OcrLine>& lines, const std::vector<PixelBox>& text, int width,
                       int height);

}  // namespace xdw
