// The layout's parts on synthetic pages: boxes cut into regions in reading
// order, ruled lines found as tables, and the skew of drawn lines of text.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "layout/Pix.h"
#include "layout/Rules.h"
#include "layout/Skew.h"
#include "layout/XyCut.h"

using namespace xdw;

namespace {

constexpr int kSize = 40;  // text size of the synthetic pages, in pixels

// count boxes of w x h, each step pixels after the previous one, across or down.
std::vector<CutItem> Run(int x, int y, int w, int h, int count, int step, bool down) {
    std::vector<CutItem> items;
    for (int i = 0; i < count; ++i) {
        const int dx = down ? 0 : i * step, dy = down ? i * step : 0;
        items.push_back(CutItem{PixelBox{x + dx, y + dy, x + dx + w, y + dy + h}, {}});
    }
    return items;
}

std::vector<CutItem> Joined(std::vector<std::vector<CutItem>> parts) {
    std::vector<CutItem> all;
    for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct Expected {
    int left;
    RegionKind kind;
};

struct CutCase {
    const char* name;
    std::vector<CutItem> items;
    bool findVertical;
    std::vector<Expected> regions;  // in reading order
};

std::vector<CutCase> CutCases() {
    using K = RegionKind;
    return {
        {"two columns of lines read left then right",
         Joined({Run(900, 100, 600, kSize, 4, 60, true), Run(100, 100, 600, kSize, 4, 60, true)}),
         false,
         {{100, K::Block}, {900, K::Block}}},
        {"two columns of lines are not vertical text, their blank as wide as it is",
         Joined({Run(900, 100, 600, kSize, 4, 60, true), Run(100, 100, 600, kSize, 4, 60, true)}),
         true,
         {{100, K::Block}, {900, K::Block}}},
        {"a taller heading stands before its paragraph",
         Joined(
             {Run(100, 100, 500, 2 * kSize, 1, 0, true), Run(100, 200, 800, kSize, 3, 60, true)}),
         false,
         {{100, K::Line}, {100, K::Block}}},
        {"a right-aligned date is a line of its own",
         Joined({Run(700, 100, 200, kSize, 1, 0, true), Run(100, 160, 800, kSize, 3, 60, true)}),
         false,
         {{700, K::Line}, {100, K::Block}}},
        {"two vertical columns read right to left",
         Joined({Run(100, 100, kSize, kSize, 6, 75, true),
                 Run(100 + kSize + 65, 100, kSize, kSize, 3, 75, true)}),
         true,
         {{205, K::Vertical}, {100, K::Vertical}}},
        {"vertical columns with horizontal lines under them",
         Joined({Run(300, 100, kSize, kSize, 5, 45, true), Run(200, 100, kSize, kSize, 5, 45, true),
                 Run(100, 500, 700, kSize, 2, 60, true)}),
         true,
         {{200, K::Vertical}, {100, K::Block}}},
        {"specks whose every row stands in columns are not cut again and again",
         {{{995, 574, 997, 577}, {}},
          {{1144, 577, 1146, 580}, {}},
          {{954, 583, 956, 586}, {}},
          {{984, 586, 985, 589}, {}},
          {{1270, 586, 1272, 589}, {}}},
         true,
         {{995, K::Line}, {954, K::Line}}},
    };
}

TEST(CutRegionsTest, ReadingOrderAndKinds) {
    for (const CutCase& c : CutCases()) {
        SCOPED_TRACE(c.name);
        const std::vector<Region> regions = CutRegions(c.items, kSize, c.findVertical);
        ASSERT_EQ(regions.size(), c.regions.size());
        for (size_t i = 0; i < regions.size(); ++i) {
            EXPECT_EQ(regions[i].box.left, c.regions[i].left) << "region " << i;
            EXPECT_EQ(regions[i].kind, c.regions[i].kind) << "region " << i;
        }
    }
}

PixPtr Blank(int w, int h) { return PixPtr(pixCreate(w, h, 1)); }

void Fill(PIX* pix, int left, int top, int right, int bottom) {
    pixRasterop(pix, left, top, right - left, bottom - top, PIX_SET, nullptr, 0, 0);
}

// Lines of character-sized blocks, their baselines falling by degrees
// (clockwise as shown) from left to right.
PixPtr TextLines(double degrees) {
    PixPtr pix = Blank(1600, 1200);
    const double slope = std::tan(degrees * std::numbers::pi / 180);
    for (int line = 0; line < 12; ++line)
        for (int x = 100; x < 1450; x += 45) {
            const int y = 150 + line * 75 + static_cast<int>(std::lround(x * slope));
            Fill(pix.get(), x, y, x + 36, y + 36);
        }
    return pix;
}

TEST(FindSkewTest, LevelsLinesTurnedByAFewDegrees) {
    struct Case {
        double drawn;
        double found;  // 0: left alone
    } cases[] = {{0, 0}, {0.05, 0}, {2, -2}, {-4.5, 4.5}, {5.5, -5.5}, {-5.8, 5.8}, {8, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drawn);
        PixPtr page = TextLines(c.drawn);
        const double found = FindSkew(page.get());
        EXPECT_NEAR(found, c.found, 0.2);
        if (found == 0) continue;
        // Turning by the angle found stands the lines level.
        PixPtr grey(pixConvert1To8(nullptr, page.get(), 255, 0));
        PixPtr level(pixThresholdToBinary(Turned(grey.get(), found).get(), 128));
        EXPECT_EQ(FindSkew(level.get()), 0);
    }
}

TEST(FindRulesTest, GridsAreTablesAndLoneRulesAreNot) {
    struct Case {
        const char* name;
        int across, down;  // rules of a grid, evenly spaced
        size_t tables, cells;
        int step = 0;  // a one-pixel rule stepping a pixel each step pixels, as a turned scan's
    } cases[] = {
        {"three by three rules", 3, 3, 1, 4},
        {"four rules across, three down", 4, 3, 1, 6},
        {"an underline alone", 1, 0, 0, 0},
        {"a box of one cell", 2, 2, 0, 0},
        {"three by three rules in steps", 3, 3, 1, 4, 90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PixPtr page = Blank(1200, 900);
        const int left = 100, top = 100, right = 1100, bottom = 800;
        for (int i = 0; i < c.across; ++i) {
            const int y = c.across == 1 ? 400 : top + i * (bottom - top) / (c.across - 1);
            if (!c.step) Fill(page.get(), left, y, right + 3, y + 3);
            for (int x = left; c.step && x < right; x += 2 * c.step)
                Fill(page.get(), x, y + (x - left) / c.step / 2,
                     std::min(x + 2 * c.step, right + 10), y + (x - left) / c.step / 2 + 1);
        }
        for (int i = 0; i < c.down; ++i) {
            const int x = left + i * (right - left) / (c.down - 1);
            if (!c.step) Fill(page.get(), x, top, x + 3, bottom + 3);
            for (int y = top; c.step && y < bottom; y += c.step)
                Fill(page.get(), x + (y - top) / c.step, y, x + (y - top) / c.step + 1,
                     std::min(y + c.step, bottom + 10));
        }
        Fill(page.get(), 300, 200, 330, 240);  // a character in the first cell
        const Rules rules = FindRules(page.get(), kSize, c.step != 0);
        ASSERT_EQ(rules.tables.size(), c.tables);
        if (c.tables) {
            EXPECT_EQ(rules.tables[0].cells.size(), c.cells);
            EXPECT_LT(rules.tables[0].cells[0].left, 300);
            EXPECT_GT(rules.tables[0].cells[0].right, 330);
        }
        // The rules are in the mask, the character is not.
        l_uint32 bit = 1;
        pixGetPixel(rules.mask.get(), 315, 220, &bit);
        EXPECT_EQ(bit, 0u);
        if (c.across > 0 && !c.step) {
            pixGetPixel(rules.mask.get(), 600, c.across == 1 ? 401 : 101, &bit);
            EXPECT_EQ(bit, 1u);
        }
    }
}

}  // namespace

TEST(LongRunsTest, KeepsWhatAnOpeningByALineKeeps) {
    // Strokes of every length, at the edges and across word boundaries.
    PixPtr ink = Checked(pixCreate(301, 203, 1));
    unsigned seed = 7;
    for (int i = 0; i < 900; ++i) {
        seed = seed * 1103515245 + 12345;
        const int x = int(seed >> 8) % 301, y = int(seed >> 4) % 203, n = int(seed >> 20) % 150;
        if (i % 2)
            pixRasterop(ink.get(), x, y, n, 1 + i % 3, PIX_SET, nullptr, 0, 0);
        else
            pixRasterop(ink.get(), x, y, 1 + i % 3, n, PIX_SET, nullptr, 0, 0);
    }
    for (const int length : {2, 9, 33, 61, 123})
        for (const bool across : {true, false}) {
            PixPtr opened = Checked(across ? pixOpenCompBrick(nullptr, ink.get(), length, 1)
                                           : pixOpenCompBrick(nullptr, ink.get(), 1, length));
            l_int32 same = 0;
            pixEqual(opened.get(), LongRuns(ink.get(), length, across).get(), &same);
            EXPECT_TRUE(same) << length << (across ? " across" : " down");
        }
}
