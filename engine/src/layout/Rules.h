// Ruled lines on a page, and the tables they draw.
#pragma once

#include <vector>

#include "layout/Pix.h"

namespace xdw {

struct Table {
    PixelBox box;
    std::vector<PixelBox> cells;  // inside the rules; row by row, left to right
};

struct Rules {
    PixPtr mask;  // 1 on the rules' pixels, with a little room around them
    std::vector<Table> tables;
};

// The long straight lines of a 1-bit page image, for text of about textSize
// pixels: horizontal ones at least a few words long, vertical ones taller
// than any character. Where they cross into a grid of at least two by two
// they draw a table, whose cells are the spaces they enclose; a row of boxes
// for one character each is no table. straightened: the page was turned
// level, and its rules step by a pixel here and there.
Rules FindRules(PIX* binary, int textSize, bool straightened);

// The dashes of dashed lines in a 1-bit page image, for text of about
// textSize pixels: thin pieces in a row, across or down, with gaps shorter
// than a third of a text size, as long together as a few characters (a
// slip's dashed frame, a dotted line to write on). Throws std::bad_alloc.
PixPtr DashedLines(PIX* binary, int textSize);

}  // namespace xdw
