// A copy of a page made fit to be read: the sheet found on a photo's desk and
// its perspective undone, a scanner's dark borders taken away, light evened
// out and the page binarised on its own background, specks removed. The
// page's own image is never touched.
#pragma once

#include <array>

#include "layout/PixelTypes.h"

namespace xdw {

struct PreparedPage {
    // Ink 0, paper 255, the page's geometry; the same size as the page.
    RenderedPage image;
    // True when the copy is the sheet of a photograph unwarped: back then
    // carries the copy's points onto the page.
    bool unwarped = false;
    std::array<float, 8> back{};
};

// Throws std::bad_alloc.
PreparedPage PreparePage(const RenderedPage& page);

// Where the point (x, y) of the prepared copy lies on the page.
void PagePoint(const PreparedPage& prepared, double& x, double& y);

}  // namespace xdw
