// Leptonica images held by the layout step, and the way between them and the
// engine's grey page images.
#pragma once

#include <memory>

#include <leptonica/allheaders.h>

#include "layout/PixelTypes.h"

namespace xdw {

struct PixFree {
    void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<PIX, PixFree>;

struct BoxaFree {
    void operator()(BOXA* boxa) const { boxaDestroy(&boxa); }
};
using BoxaPtr = std::unique_ptr<BOXA, BoxaFree>;

// Leptonica's complaints (on a hostile page: "Error in numaGetIValue", "Out
// of memory") are kept off the program's standard error; once is enough.
void QuietLeptonica();

// Takes what a Leptonica call returned; throws std::bad_alloc for nothing.
// Each step of a page's work ends here: the calling thread's work limit is
// asked (see CheckWorkLimit), and its failure thrown.
PixPtr Checked(PIX* pix);

// An 8-bit copy of the page's grey pixels. Throws std::bad_alloc.
PixPtr GreyPix(const RenderedPage& page);

// The pixels of an 8-bit image back into a page image with page's geometry.
RenderedPage GreyPage(PIX* grey, const RenderedPage& page);

// Ink as 1, from an 8-bit image.
PixPtr Ink(PIX* grey);

// Keeps, across each row of a 1-bit image, the runs of ink at least length
// long, each with its gaps of at most gap pixels of paper bridged (and set)
// and at least inkShare of it ink; every other pixel is cleared.
void KeepLongRuns(PIX* pix, int length, int gap = 0, double inkShare = 0);

// The ink of a 1-bit image that lies in runs across (or down) at least
// length long: the pixels an opening by a line of that length keeps (those
// of pixOpenCompBrick, at the length it composes), found run by run instead
// of by shifting the whole image over and over. Throws std::bad_alloc.
PixPtr LongRuns(PIX* binary, int length, bool across);

// The boxes of the 8-connected pieces of ink in a 1-bit image.
std::vector<PixelBox> InkBoxes(PIX* binary);

}  // namespace xdw
