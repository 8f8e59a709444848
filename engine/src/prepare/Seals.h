// Seals and stamps laid over a page's text: a ring or a frame of seal ink
// (a company's round seal, a received-stamp's box) with what it encloses.
// Seal-coloured text that is no such mark (a red heading, a red 「至急」)
// stays and is read.
#pragma once

#include "layout/Pix.h"

namespace xdw {

// The seals of page read through in grey, the page's own 8-bit copy (their
// ink and its tint paper, black text crossing them kept), and seal-coloured
// text made black. False when grey was left as it was.
bool DropSeals(PIX* grey, const RenderedPage& page);

}  // namespace xdw
