#include "layout/Rules.h"
#include "layout/LayoutTuning.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace xdw {

namespace {

// How long a stroke must be to be a rule, in text sizes.
const int kHorizontalRuleSizes = TunedInt(Layout::HorizontalRuleSizes);
const double kVerticalRuleSizes = Tuned(Layout::VerticalRuleSizes);
// A rule is looked for in ink thickened to this many pixels across it.
const int kRuleStepPx = TunedInt(Layout::RuleStepPx);
// Room erased around a rule: its anti-aliased edges are lighter than ink.
const int kRuleRoomPx = TunedInt(Layout::RuleRoomPx);
// Boxes for one character each (a postal code, a phone number) are at most
// this many text sizes wide.
const int kCharacterBoxSizes = TunedInt(Layout::CharacterBoxSizes);

struct BoxFree {
    void operator()(BOX* box) const { boxDestroy(&box); }
};
using BoxPtr = std::unique_ptr<BOX, BoxFree>;

BoxPtr BoxOf(const PixelBox& b) {
    return BoxPtr(boxCreate(b.left, b.top, b.right - b.left, b.bottom - b.top));
}

// How many separate rules of one direction lie in the box.
int RulesIn(PIX* rules, const PixelBox& b) {
    BoxPtr box = BoxOf(b);
    PixPtr part(pixClipRectangle(rules, box.get(), nullptr));
    return part ? static_cast<int>(InkBoxes(part.get()).size()) : 0;
}

// The spaces the rules enclose inside the table, row by row.
std::vector<PixelBox> Cells(PIX* room, const PixelBox& table, int textSize) {
    BoxPtr box = BoxOf(table);
    PixPtr inside(pixClipRectangle(room, box.get(), nullptr));
    if (!inside) return {};
    pixInvert(inside.get(), inside.get());
    BoxaPtr parts(pixConnCompBB(inside.get(), 4));
    std::vector<PixelBox> cells;
    const int n = parts ? boxaGetCount(parts.get()) : 0;
    for (int i = 0; i < n; ++i) {
        l_int32 x = 0, y = 0, w = 0, h = 0;
        boxaGetBoxGeometry(parts.get(), i, &x, &y, &w, &h);
        if (w < textSize / 2 || h < textSize / 2) continue;  // gaps at crossings
        cells.push_back(
            PixelBox{table.left + x, table.top + y, table.left + x + w, table.top + y + h});
    }
    // Rows: cells whose tops are within half a text size of each other.
    std::sort(cells.begin(), cells.end(),
              [](const PixelBox& a, const PixelBox& b) { return a.top < b.top; });
    for (size_t first = 0; first < cells.size();) {
        size_t end = first + 1;
        while (end < cells.size() && cells[end].top - cells[first].top < textSize / 2) ++end;
        std::sort(cells.begin() + first, cells.begin() + end,
                  [](const PixelBox& a, const PixelBox& b) { return a.left < b.left; });
        first = end;
    }
    return cells;
}

// True when the cells are one row of boxes for a character each: what they
// hold is one field, read with the text beside it, not cell by cell.
bool CharacterBoxes(const std::vector<PixelBox>& cells, int textSize) {
    return std::all_of(cells.begin(), cells.end(), [&](const PixelBox& c) {
        return std::abs(c.top - cells.front().top) < textSize / 2 &&
               c.right - c.left <= kCharacterBoxSizes * textSize;
    });
}

}  // namespace

Rules FindRules(PIX* binary, int textSize, bool straightened) {
    const int size = std::max(textSize, 8);
    // A rule on a straightened scan steps by a pixel here and there (turned
    // twice, by the scanner and back, it is a staircase): thickened by a
    // pixel on each side first, it holds a straight run again.
    const int step = straightened ? kRuleStepPx : 1;
    PixPtr thickDown = Checked(pixDilateBrick(nullptr, binary, 1, step));
    PixPtr thickAcross = Checked(pixDilateBrick(nullptr, binary, step, 1));
    PixPtr across = LongRuns(thickDown.get(), kHorizontalRuleSizes * size, true);
    PixPtr down = LongRuns(thickAcross.get(), static_cast<int>(kVerticalRuleSizes * size), false);
    PixPtr both = Checked(pixOr(nullptr, across.get(), down.get()));
    Rules rules;
    rules.mask =
        Checked(pixDilateCompBrick(nullptr, both.get(), 2 * kRuleRoomPx + 1, 2 * kRuleRoomPx + 1));
    for (const PixelBox& grid : InkBoxes(rules.mask.get())) {
        if (grid.right - grid.left < 3 * size || grid.bottom - grid.top < 2 * size) continue;
        if (RulesIn(across.get(), grid) < 2 || RulesIn(down.get(), grid) < 2) continue;
        Table table{grid, Cells(rules.mask.get(), grid, size)};
        if (table.cells.size() >= 2 && !CharacterBoxes(table.cells, size))
            rules.tables.push_back(std::move(table));
    }
    return rules;
}

namespace {

// A dash is at most this fraction of a text size thick and at least this
// fraction long, its gaps at most this fraction long, and a dashed line at
// least this many text sizes long.
const int kDashThinDivisor = TunedInt(Layout::DashThinDivisor);
const int kDashGapDivisor = TunedInt(Layout::DashGapDivisor);
const int kDashShortestDivisor = TunedInt(Layout::DashShortestDivisor);
const int kDashedSizes = TunedInt(Layout::DashedSizes);

}  // namespace

PixPtr DashedLines(PIX* binary, int textSize) {
    const int thin = std::max(textSize / kDashThinDivisor, 2);
    const int gap = std::max(textSize / kDashGapDivisor, 2) | 1;
    const int length = std::max(kDashedSizes * textSize, 8);
    PixPtr all = Checked(pixCreateTemplate(binary));
    const int shortest = std::max(textSize / kDashShortestDivisor, 3);
    for (const bool flat : {true, false}) {
        // Dashes, not dots: thin one way, longer the other.
        PixPtr thinPieces =
            Checked(pixSelectBySize(binary, thin, thin, 8, flat ? L_SELECT_HEIGHT : L_SELECT_WIDTH,
                                    L_SELECT_IF_LTE, nullptr));
        PixPtr pieces = Checked(pixSelectBySize(thinPieces.get(), shortest, shortest, 8,
                                                flat ? L_SELECT_WIDTH : L_SELECT_HEIGHT,
                                                L_SELECT_IF_GTE, nullptr));
        PixPtr joined = Checked(flat ? pixCloseSafeCompBrick(nullptr, pieces.get(), gap, 1)
                                     : pixCloseSafeCompBrick(nullptr, pieces.get(), 1, gap));
        PixPtr dashes = LongRuns(joined.get(), length, flat);
        pixAnd(dashes.get(), dashes.get(), pieces.get());
        pixOr(all.get(), all.get(), dashes.get());
    }
    // With the small pieces next to their ends: a dashed frame's corners.
    const int small = textSize;
    PixPtr pieces = Checked(
        pixSelectBySize(binary, small, small, 8, L_SELECT_IF_BOTH, L_SELECT_IF_LTE, nullptr));
    PixPtr near = Checked(pixDilateCompBrick(nullptr, all.get(), 2 * gap + 1, 2 * gap + 1));
    pixAnd(near.get(), near.get(), pieces.get());
    PixPtr corners = Checked(pixSeedfillBinary(nullptr, near.get(), pieces.get(), 8));
    pixOr(all.get(), all.get(), corners.get());
    return all;
}

}  // namespace xdw
