// How each region of a page is handed to the recogniser: a line standing on
// its own (a heading, a short cell) must be read as one line, never as a
// block, which misreads it.
#include <gtest/gtest.h>

#include "ocr/RegionReading.h"

namespace {

using xdw::RegionKind;

TEST(RegionMode, EachKindOfRegionIsReadItsWay) {
    const struct {
        RegionKind kind;
        int lines;
        tesseract::PageSegMode mode;
    } rows[] = {
        {RegionKind::Block, 1, tesseract::PSM_SINGLE_BLOCK},
        {RegionKind::Block, 6, tesseract::PSM_SINGLE_BLOCK},
        {RegionKind::Line, 1, tesseract::PSM_SINGLE_LINE},
        {RegionKind::Line, 2, tesseract::PSM_SINGLE_BLOCK},
        {RegionKind::Cell, 1, tesseract::PSM_SINGLE_LINE},
        {RegionKind::Cell, 3, tesseract::PSM_SINGLE_BLOCK},
        {RegionKind::Vertical, 4, tesseract::PSM_SINGLE_BLOCK_VERT_TEXT},
    };
    for (const auto& row : rows) {
        xdw::Region region;
        region.kind = row.kind;
        region.lines = row.lines;
        EXPECT_EQ(xdw::ModeFor(region), row.mode)
            << "kind " << static_cast<int>(row.kind) << ", " << row.lines << " lines";
    }
}

}  // namespace
