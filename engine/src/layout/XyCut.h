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

// The rows of text among boxes: how many bands of ink, with blanks between
// them, they make across (or down, for columns) the page.
int RowsOf(const std::vector<PixelBox>& boxes, bool down = false);

}  // namespace xdw
