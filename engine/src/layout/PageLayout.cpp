#include "layout/PageLayout.h"

#include <algorithm>
#include <limits>

#include "layout/LayoutTuning.h"
#include "layout/Pix.h"
#include "layout/Rules.h"
#include "layout/Skew.h"
#include "layout/XyCut.h"

namespace xdw {

namespace {

// Specks of this size or less are noise, not strokes.
const int kSpeckPx = TunedInt(Layout::SpeckPx);
// A picture is at least this many text sizes across and down.
const int kPictureSizes = TunedInt(Layout::PictureSizes);
// Characters break into pieces (radicals, dots), most of them lower than the
// character: the text size is taken high among the pieces' heights.
const double kSizeRank = Tuned(Layout::SizeRank);
const int kMaxTextPx = TunedInt(Layout::MaxTextPx);

int TextSize(const std::vector<PixelBox>& boxes, int most) {
    std::vector<int> heights;
    for (const PixelBox& b : boxes)
        if (b.bottom - b.top > kSpeckPx * 2 && b.bottom - b.top < most)
            heights.push_back(b.bottom - b.top);
    if (heights.empty()) return 0;
    const size_t k = static_cast<size_t>(kSizeRank * (heights.size() - 1));
    std::nth_element(heights.begin(), heights.begin() + k, heights.end());
    return heights[k];
}

std::vector<PixelBox> Pictures(PIX* ink, int size) {
    l_int32 found = 0;
    PixPtr mask(pixGenerateHalftoneMask(ink, nullptr, &found, nullptr));
    std::vector<PixelBox> pictures;
    if (!mask || !found) return pictures;
    for (const PixelBox& b : InkBoxes(mask.get()))
        if (b.right - b.left >= kPictureSizes * size && b.bottom - b.top >= kPictureSizes * size)
            pictures.push_back(b);
    return pictures;
}

void PaintWhite(RenderedPage& page, PIX* mask) {
    const l_uint32* data = pixGetData(mask);
    const int wpl = pixGetWpl(mask);
    for (int y = 0; y < page.geometry.height; ++y) {
        const l_uint32* line = data + static_cast<size_t>(y) * wpl;
        uint8_t* row = page.pixels.data() + static_cast<size_t>(y) * page.bytesPerLine;
        for (int x = 0; x < page.geometry.width; ++x)
            if (GET_DATA_BIT(line, x)) row[x] = 0xff;
    }
}

void PaintWhite(RenderedPage& page, const PixelBox& b) {
    for (int y = std::max(b.top, 0); y < std::min(b.bottom, page.geometry.height); ++y)
        std::fill(
            page.pixels.begin() + static_cast<size_t>(y) * page.bytesPerLine + std::max(b.left, 0),
            page.pixels.begin() + static_cast<size_t>(y) * page.bytesPerLine +
                std::min(b.right, page.geometry.width),
            0xff);
}

// The regions of a table's cells, in its order; the text pieces it holds are
// taken out of boxes.
CutItem TableItem(const Table& table, std::vector<PixelBox>& boxes) {
    CutItem item{table.box, {}};
    std::vector<std::vector<PixelBox>> inCell(table.cells.size());
    std::erase_if(boxes, [&](const PixelBox& b) {
        if (!MiddleWithin(b, table.box)) return false;
        for (size_t c = 0; c < table.cells.size(); ++c)
            if (MiddleWithin(b, table.cells[c])) {
                inCell[c].push_back(b);
                break;
            }
        return true;
    });
    // Cells come row by row, left to right: one left of the one before
    // starts a row.
    int row = -1;
    for (size_t c = 0; c < inCell.size(); ++c) {
        if (c == 0 || table.cells[c].left < table.cells[c - 1].left) ++row;
        const auto& cell = inCell[c];
        if (cell.empty()) continue;
        PixelBox b = cell.front();
        for (const PixelBox& p : cell) b = Union(b, p);
        item.table.push_back(Region{b, RegionKind::Cell, RowsOf(cell), 0, row});
    }
    return item;
}

}  // namespace

PageLayout FindLayout(const RenderedPage& page, bool findVertical) {
    PageLayout layout;
    PixPtr grey = GreyPix(page);
    PixPtr ink = Ink(grey.get());
    layout.skewDegrees = FindSkew(ink.get());
    if (layout.skewDegrees != 0) {
        grey = Turned(grey.get(), layout.skewDegrees);
        ink = Ink(grey.get());
        layout.image = GreyPage(grey.get(), page);
    } else {
        layout.image = page;
    }

    std::vector<PixelBox> boxes = InkBoxes(ink.get());
    const int size = TextSize(boxes, kMaxTextPx);
    layout.textSize = size;
    layout.inkHeight = TextSize(boxes, std::numeric_limits<int>::max());
    if (size == 0) {
        // No text of a size the layout cuts (a blank page, or letters too
        // large): what ink there is is left to a reading of the whole page.
        layout.inkPieces =
            static_cast<int>(std::count_if(boxes.begin(), boxes.end(), [](const PixelBox& b) {
                return b.bottom - b.top > kSpeckPx * 2;
            }));
        layout.straight = layout.image;
        return layout;
    }
    Rules rules = FindRules(ink.get(), size, layout.skewDegrees != 0);
    // Dashed lines are rules too: read, each dash would be a ー or a |.
    PixPtr dashes = DashedLines(ink.get(), size);
    PixPtr room = Checked(pixDilateBrick(nullptr, dashes.get(), 3, 3));
    pixOr(rules.mask.get(), rules.mask.get(), room.get());
    const std::vector<PixelBox> pictures = Pictures(ink.get(), size);

    PixPtr text(pixSubtract(nullptr, ink.get(), rules.mask.get()));
    if (!text) throw std::bad_alloc();
    boxes = InkBoxes(text.get());
    std::erase_if(boxes, [&](const PixelBox& b) {
        return b.right - b.left <= kSpeckPx && b.bottom - b.top <= kSpeckPx;
    });
    layout.inkPieces = static_cast<int>(boxes.size());
    std::erase_if(boxes, [&](const PixelBox& b) {
        return std::any_of(pictures.begin(), pictures.end(),
                           [&](const PixelBox& p) { return MiddleWithin(b, p); });
    });
    std::vector<CutItem> items;
    for (const Table& table : rules.tables) items.push_back(TableItem(table, boxes));
    for (const PixelBox& b : boxes) items.push_back(CutItem{b, {}});
    layout.regions = CutRegions(items, size, findVertical);

    layout.straight = layout.image;
    layout.pictures = pictures;
    layout.ink.reset(ink.release(), PixFree());
    layout.dashes.reset(dashes.release(), PixFree());
    PaintWhite(layout.image, rules.mask.get());
    for (const PixelBox& p : pictures) PaintWhite(layout.image, p);
    return layout;
}

}  // namespace xdw
