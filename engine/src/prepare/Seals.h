// Seals and stamps laid over a page's text: a ring or a frame of seal ink
// (a company's round seal, a received-stamp's box) with what it encloses.
// Seal-coloured text that is no such mark (a red heading, a red 「至急」)
// stays and is read.
#pragma once

#include "layout/Pix.h"

namespace xdw {

// The seals of page made paper in grey, the page's own 8-bit copy, with the
// rim the ink leaves around them, and seal-coloured text made black. False
// when grey was left as it was.
bool DropSeals(PIX* grey, const RenderedPage& page);

}  // namespace xdw
