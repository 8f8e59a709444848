// What a fax line or a dirty glass adds to a page and is no text: specks
// standing alone, streaks across the whole page, and the transmission line a
// fax machine prints along the top edge.
#pragma once

#include "layout/Pix.h"

namespace xdw {

// The noise among ink (1 = ink) of a page at dpi, as ink; the transmission
// line only on a bilevel page (a fax). Throws std::bad_alloc.
PixPtr Noise(PIX* ink, int dpi, bool bilevel);

}  // namespace xdw
