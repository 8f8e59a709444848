// The layout of a page image, found before it is recognised: where its text
// lies, of what kind each piece is and in what order it reads.
#pragma once

#include <memory>
#include <vector>

#include "layout/Pix.h"
#include "layout/PixelTypes.h"

namespace xdw {

enum class RegionKind {
    Block,     // lines of one column or paragraph, read as one block
    Line,      // one line on its own: a heading, a right-aligned or centred line
    Cell,      // the text inside one cell of a ruled table
    Vertical,  // columns written top to bottom, read right to left
};

struct Region {
    PixelBox box;  // in the straightened image's pixels
    RegionKind kind = RegionKind::Block;
    int lines = 1;  // rows of text found in it
    // Regions of one column (its headings, blocks and lines apart) share a
    // number; each table cell and each block of vertical columns has its own.
    int column = 0;
    // The cells of one row of a table share a number (-1: no cell).
    int row = -1;
};

struct PageLayout {
    // The angle (degrees, clockwise as shown) by which the scan was turned
    // to stand level; the regions lie on that straightened copy.
    double skewDegrees = 0;
    // The height of the page's text, in pixels (0: none the layout cuts), and how
    // many pieces of ink that may be text it holds (specks and rules left
    // out, pictures' pieces counted).
    int textSize = 0;
    int inkPieces = 0;
    // The height of the ink's pieces as textSize takes it, however large.
    int inkHeight = 0;
    // The image to recognise: the page, straightened, with its rules and
    // pictures painted out.
    RenderedPage image;
    // The same straightened page before anything was painted out, and the
    // pictures that were: what the reading is checked against.
    RenderedPage straight;
    std::vector<PixelBox> pictures;
    // The straightened page's ink (1) and the dashed lines in it, as found
    // here: the reading's check against the ink starts from them (none when
    // no text was found).
    std::shared_ptr<PIX> ink, dashes;
    // Every piece of text, in reading order: top to bottom, columns of
    // horizontal text left to right, vertical columns right to left, a table
    // row by row.
    std::vector<Region> regions;
};

// findVertical: also look for text written top to bottom (languages that
// have it). Throws std::bad_alloc.
PageLayout FindLayout(const RenderedPage& page, bool findVertical);

}  // namespace xdw
