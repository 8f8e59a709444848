// What a fax line or a dirty glass adds to a page and is no text: specks
// standing alone and streaks across the whole page. (The transmission line a
// fax machine prints along the top edge, its date, sender and number, is
// text, and read.)
#pragma once

#include "layout/Pix.h"

namespace xdw {

// What the page's picture tells of where it came from.
enum class Capture {
    Any,
    Bilevel,  // one bit a pixel: a fax, or a black-and-white scan
    Fax,      // one bit a pixel, finer across than down or the other way, as faxes are sent
};

// The capture a page's picture tells.
Capture CaptureOf(const RenderedPage& page);

// The ink of the pieces larger than most pixels one way or the other. Joined,
// pieces a pixel apart are judged as one: a mark that the cut at half grey
// broke apart (a coarse fax's 。, the two ticks of a dakuten) stays whole
// rather than pass for specks. Throws std::bad_alloc.
PixPtr LargerPieces(PIX* ink, int most, bool joined);

// The noise among ink (1 = ink) of a page at dpi, as ink; on a page of one
// bit a pixel, whose picture's resolution along its coarser axis is
// pictureDpi when known, specks up to a fax's size. Throws std::bad_alloc.
PixPtr Noise(PIX* ink, int dpi, Capture capture, int pictureDpi = 0);

}  // namespace xdw
