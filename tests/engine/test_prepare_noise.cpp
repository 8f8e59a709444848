// Noise taken off the copy of a page that is read, on synthetic pages: a
// streak across or down the whole page is noise, a table's rule, a thick bar
// and the text are not; on a fax, the transmission line along the top edge
// is, a title standing there is not, nor a mark the cut broke into specks.
#include <gtest/gtest.h>

#include "prepare/Noise.h"

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
        {"a table's rule stopping at the margins", {{150, 700, kW - 150, 702}}, false},
        {"a thick bar across the page", {{0, 700, kW, 730}}, false},
        {"a bullet standing before its line", {{60, 114, 68, 122}}, false},
        {"a fax's transmission line, a comma's tail under it",
         {{100, 20, 700, 50}, {300, 50, 304, 52}, {300, 52, 310, 56}},
         true,
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

}  // namespace
