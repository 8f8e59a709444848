// Cutting a page's pieces of ink into regions along the blank bands between
// them, the widest (column gaps) first, so that reading order follows.
#pragma once

#include <vector>

#include "layout/PageLayout.h"

namespace xdw {

struct CutItem {
    PixelBox box;
    // A table stands whole among the ink; its cells' regions in their order.
    std::vector<Region> table;
};

// The regions of items, in reading order, for text of about textSize pixels.
// findVertical: groups of lines laid out as top-to-bottom columns become
// Vertical regions.
std::vector<Region> CutRegions(const std::vector<CutItem>& items, int textSize, bool findVertical);

// How many rows of text the boxes make: bands of ink one under the other,
// with blanks between them.
int RowsOf(const std::vector<PixelBox>& boxes);
// How many columns of text written top to bottom the boxes make: bands of ink
// side by side, with blanks between them.
int VerticalColumnsOf(const std::vector<PixelBox>& boxes);

}  // namespace xdw
