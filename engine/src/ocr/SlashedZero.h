// Zeros struck through by a slash, as fax machines print their sender line
// and printers and terminals their figures: the recogniser takes them for
// 8, 6 or 9. Such a zero is one ring cut by a slant stroke into two holes,
// one above the other, shifted across and sharing rows; an 8's two holes
// have its waist between them, a 6 and a 9 have one.
#pragma once

#include <vector>

#include "layout/PixelTypes.h"
#include "ocr/OcrTypes.h"

namespace xdw {

// Whether the glyph in box of image (its largest piece of ink) is a zero
// struck through.
bool SlashedZero(const RenderedPage& image, const PixelBox& box);

// Every 6, 8 and 9 of lines (read from image, horizontal and as straightened
// by skewDegrees) drawn as a slashed zero becomes a 0 of its width.
void MendSlashedZeros(std::vector<OcrLine>& lines, const RenderedPage& image, double skewDegrees);

}  // namespace xdw
