// Noise taken off the copy of a page that is read, on synthetic pages: a
// streak across or down the whole page is noise, a table's rule, a thick bar
// and the text are not, nor, on a fax, the transmission line along the top
// edge, a title standing there or a mark the cut broke into specks.
// A sheet's corner in a dark shadow is found where its edges meet.
// A seal is read through without thinning the black strokes crossing it, and
// a desk of a seal's hue is still a desk.
#include <gtest/gtest.h>

#include <cmath>

#include "prepare/Noise.h"
#include "prepare/PreparePage.h"
#include "prepare/Seals.h"

using namespace xdw;

namespace {

constexpr int kW = 1200, kH = 1600;

struct NoiseCase {
    const char* name;
    std::vector<std::vector<int>> marks;  // left top right bottom, ink
    bool noise;                           // the marks are all noise, or none of them
    Capture capture = Capture::Any;
    int pictureDpi = 0;
};

TEST(NoiseTest, StreaksAcrossThePageAreNoiseRulesAndBarsAreNot) {
    const std::vector<NoiseCase> cases = {
        {"a thin streak across the whole page", {{0, 700, kW, 702}}, true},
        {"a thin streak down the whole page", {{500, 0, 503, kH}}, true},
        {"a streak across, not quite from edge to edge", {{20, 300, kW - 20, 302}}, true},
        {"a streak down, a fax line's pixel dropped",
         {{500, 0, 503, 900}, {500, 906, 503, kH}},
         true},
        {"a table's rule stopping at the margins", {{150, 700, kW - 150, 702}}, false},
        {"a thick bar across the page", {{0, 700, kW, 730}}, false},
        {"a bullet standing before its line", {{60, 114, 68, 122}}, false},
        {"a fax's transmission line, a comma's tail under it: text",
         {{100, 20, 700, 50}, {300, 50, 304, 52}, {300, 52, 310, 56}},
         false,
         Capture::Fax},
        {"a title at the top of a fax", {{500, 20, 700, 60}}, false, Capture::Fax},
        {"a 。 standing apart on a 98-row fax, broken into arcs by the cut",
         {{1154, 130, 1158, 133},
          {1150, 134, 1153, 142},
          {1159, 134, 1162, 142},
          {1154, 143, 1158, 146}},
         false,
         Capture::Fax,
         98},
    };
    for (const NoiseCase& c : cases) {
        SCOPED_TRACE(c.name);
        PixPtr ink(pixCreate(kW, kH, 1));
        // Lines of text-sized pieces, which are never noise.
        for (int y = 100; y < kH - 100; y += 80)
            for (int x = 100; x < kW - 100; x += 45)
                pixRasterop(ink.get(), x, y, 36, 36, PIX_SET, nullptr, 0, 0);
        l_int32 textInk = 0;
        pixCountPixels(ink.get(), &textInk, nullptr);
        PixPtr marks(pixCreate(kW, kH, 1));
        for (const auto& m : c.marks)
            pixRasterop(marks.get(), m[0], m[1], m[2] - m[0], m[3] - m[1], PIX_SET, nullptr, 0, 0);
        pixOr(ink.get(), ink.get(), marks.get());
        PixPtr noise = Noise(ink.get(), 300, c.capture, c.pictureDpi);
        PixPtr marksFound(pixAnd(nullptr, noise.get(), marks.get()));
        l_int32 found = 0, all = 0, marked = 0;
        pixCountPixels(marksFound.get(), &found, nullptr);
        pixCountPixels(noise.get(), &all, nullptr);
        pixCountPixels(marks.get(), &marked, nullptr);
        EXPECT_EQ(found, c.noise ? marked : 0);
        EXPECT_EQ(all, found) << "text taken for noise";
    }
}

// A grey page w by h of level paper, with marked pixels of seal ink where
// inked(x, y) gives a level, and unmarked ones where plain(x, y) gives one.
template <typename Inked, typename Plain>
RenderedPage Page(int w, int h, int dpi, Inked inked, Plain plain) {
    RenderedPage page;
    page.geometry.width = page.bytesPerLine = w;
    page.geometry.height = h;
    page.dpi = dpi;
    page.pixels.assign(static_cast<size_t>(w) * h, 245);
    page.stampInk.assign(page.pixels.size(), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t at = static_cast<size_t>(y) * w + x;
            const int ink = inked(x, y), level = plain(x, y);
            if (ink >= 0) page.pixels[at] = ink, page.stampInk[at] = 1;
            if (level >= 0) page.pixels[at] = level, page.stampInk[at] = 0;
        }
    return page;
}

// A black bar crossing a round seal: its soft grey edge beside the seal's
// ring stays the stroke's, not paper.
TEST(SealTest, BlackCrossingASealKeepsItsEdges) {
    const RenderedPage page = Page(
        600, 600, 300,
        [](int x, int y) {
            const double r = std::hypot(x - 300, y - 300);
            return r >= 120 && r < 132 ? 110 : -1;
        },
        [](int x, int y) {
            if (x < 100 || x >= 500 || y < 294 || y > 306) return -1;
            return y >= 296 && y <= 304 ? 0 : 128;
        });
    PixPtr grey = GreyPix(page);
    ASSERT_TRUE(DropSeals(grey.get(), page));
    int lost = 0;
    for (const int y : {294, 295, 305, 306})
        for (int x = 100; x < 500; ++x) {
            l_uint32 level = 0;
            pixGetPixel(grey.get(), x, y, &level);
            lost += level > 200;
        }
    EXPECT_EQ(lost, 0);
}

// A sheet photographed askew on a red-brown desk: the desk is no seal made
// paper, and the sheet is found and set level.
TEST(SealTest, ADeskOfASealsHueIsNoSeal) {
    const double corners[4][2] = {{100, 40}, {950, 100}, {980, 1360}, {30, 1300}};
    auto onSheet = [&](int x, int y) {
        for (int i = 0; i < 4; ++i) {
            const double* a = corners[i];
            const double* b = corners[(i + 1) % 4];
            if ((b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]) < 0) return false;
        }
        return true;
    };
    const RenderedPage page = Page(
        1000, 1400, 150, [&](int x, int y) { return onSheet(x, y) ? -1 : 90; },
        [](int x, int y) {
            const bool text = x > 200 && x < 800 && y > 200 && y < 1200;
            return text && y % 60 < 12 && x % 40 < 30 ? 20 : -1;
        });
    EXPECT_TRUE(PreparePage(page).unwarped);
}

// A sheet photographed with its lower right corner in a shadow as dark as
// the desk: the corner is where its lit edges meet, not where the lit paper
// ends, and the sheet is set level by it.
TEST(SheetTest, ACornerInShadowIsWhereTheEdgesMeet) {
    const double c[4][2] = {{100, 40}, {950, 100}, {980, 1360}, {30, 1300}};
    auto onSheet = [&](int x, int y) {
        for (int i = 0; i < 4; ++i) {
            const double* a = c[i];
            const double* b = c[(i + 1) % 4];
            if ((b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]) < 0) return false;
        }
        return true;
    };
    const RenderedPage page = Page(
        1000, 1400, 150, [](int, int) { return -1; },
        [&](int x, int y) {
            if (!onSheet(x, y) || x + y > 2000) return 50;
            return x > 200 && x < 800 && y > 200 && y < 1000 && y % 60 < 12 && x % 40 < 30 ? 20
                                                                                           : 235;
        });
    const PreparedPage prepared = PreparePage(page);
    ASSERT_TRUE(prepared.unwarped);
    // The sheet is drawn level in the middle of the copy, as wide and high as
    // its longer edges.
    auto edge = [&](int a, int b) { return std::hypot(c[a][0] - c[b][0], c[a][1] - c[b][1]); };
    const double sw = std::max(edge(0, 1), edge(3, 2)), sh = std::max(edge(0, 3), edge(1, 2));
    const double fit = std::min({1.0, 1000 / sw, 1400 / sh});
    double x = (1000 + sw * fit) / 2, y = (1400 + sh * fit) / 2;
    PagePoint(prepared, x, y);
    EXPECT_NEAR(x, c[2][0], 12);
    EXPECT_NEAR(y, c[2][1], 12);
}

}  // namespace
