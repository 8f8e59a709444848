#include "prepare/Seals.h"

#include <algorithm>
#include <array>
#include <vector>

#include "prepare/Colour.h"
#include "prepare/Lengths.h"

namespace xdw {

namespace {

// A seal: a mark of seal ink, once the strokes of text crossing it (black
// over seal ink) are bridged, at least kSealInsidePx across and down (8 mm)
// whose ring or frame encloses kSealHoleShare of it, or one at least
// kSealLargePx (15 mm) both ways, its inside however full. Letters enclose
// less, and a heading is not that tall.
constexpr int kBridgePx = 15;
constexpr int kSealInsidePx = 94;
constexpr double kSealHoleShare = 0.25;
constexpr int kSealLargePx = 177;
// Around what a ring encloses, its ring and rim: 3 mm.
constexpr int kRingPx = 35;
// Seal ink over more than this share of the page is the paper's colour.
constexpr double kPaperShare = 0.3;

// The pixels of page marked mark, as 1.
PixPtr StampMask(const RenderedPage& page, uint8_t mark) {
    const int w = page.geometry.width, h = page.geometry.height;
    PixPtr mask = Checked(pixCreate(w, h, 1));
    l_uint32* data = pixGetData(mask.get());
    const int wpl = pixGetWpl(mask.get());
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = page.stampInk.data() + static_cast<size_t>(y) * w;
        l_uint32* line = data + static_cast<size_t>(y) * wpl;
        for (int x = 0; x < w; ++x)
            if (row[x] == mark) SET_DATA_BIT(line, x);
    }
    return mask;
}

// The pixels set in binary within the box.
double Within(PIX* binary, int x, int y, int w, int h) {
    BOX* box = boxCreate(x, y, w, h);
    PixPtr part(pixClipRectangle(binary, box, nullptr));
    boxDestroy(&box);
    l_int32 count = 0;
    if (part) pixCountPixels(part.get(), &count, nullptr);
    return count;
}

// The seal in box read through: each of its pixels of seal ink or tint
// takes the grey of the black ink it holds, paper where it holds none. Black
// ink darkens seal ink as it darkens paper, so a pixel holds as much black as
// it is darker than the seal's own ink. Brightness tells that even where a
// JPEG spreads the seal's colour over the black beside it, or the paper's
// over the seal's edge (it keeps one colour for every four pixels, but each
// pixel's brightness).
void ReadThrough(PIX* grey, const RenderedPage& page, const PixelBox& box) {
    const int w = page.geometry.width;
    auto level = [&](int x, int y) {
        return page.pixels[static_cast<size_t>(y) * page.bytesPerLine + x];
    };
    std::array<uint32_t, 256> levels{};
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            if (page.stampInk[static_cast<size_t>(y) * w + x] == kStampInk) ++levels[level(x, y)];
    const int seal = std::max(1, Middle(levels));
    l_uint32* data = pixGetData(grey);
    const int wpl = pixGetWpl(grey);
    for (int y = box.top; y < box.bottom; ++y) {
        l_uint32* line = data + static_cast<size_t>(y) * wpl;
        for (int x = box.left; x < box.right; ++x)
            if (page.stampInk[static_cast<size_t>(y) * w + x] != kNoStamp)
                SET_DATA_BYTE(line, x, std::min(255, level(x, y) * 255 / seal));
    }
}

}  // namespace

bool DropSeals(PIX* grey, const RenderedPage& page) {
    const int w = page.geometry.width, h = page.geometry.height;
    if (page.stampInk.size() != static_cast<size_t>(w) * h || w <= 0 || h <= 0) return false;
    const int dpi = page.dpi > 0 ? page.dpi : 300;
    PixPtr ink = StampMask(page, kStampInk);
    l_int32 count = 0;
    pixCountPixels(ink.get(), &count, nullptr);
    if (count == 0 || count > kPaperShare * w * h) return false;

    const int bridge = AtDpi(kBridgePx, dpi), inside = AtDpi(kSealInsidePx, dpi);
    PixPtr closed = Checked(pixCloseSafeBrick(nullptr, ink.get(), bridge, bridge));
    PixPtr holes = Checked(pixHolesByFilling(closed.get(), 4));
    PixPtr filled = Checked(pixOr(nullptr, closed.get(), holes.get()));
    BoxaPtr marks(pixConnCompBB(filled.get(), 8));
    if (!marks) return false;
    // Seal-coloured ink that is no seal is text, read as black: bright red
    // is too light a grey for the recogniser.
    PixPtr text = Checked(pixCopy(nullptr, ink.get()));
    PixPtr seals = Checked(pixCreate(w, h, 1));
    std::vector<PixelBox> found;
    const int ring = AtDpi(kRingPx, dpi);
    const int large = AtDpi(kSealLargePx, dpi);
    for (int i = 0; i < boxaGetCount(marks.get()); ++i) {
        l_int32 x = 0, y = 0, bw = 0, bh = 0;
        boxaGetBoxGeometry(marks.get(), i, &x, &y, &bw, &bh);
        if (bw < inside || bh < inside) continue;
        if ((bw < large || bh < large) &&
            Within(holes.get(), x, y, bw, bh) < kSealHoleShare * Within(filled.get(), x, y, bw, bh))
            continue;
        pixRasterop(seals.get(), x - ring, y - ring, bw + 2 * ring, bh + 2 * ring, PIX_SET, nullptr,
                    0, 0);
        found.push_back(PixelBox{std::max(0, x - ring), std::max(0, y - ring),
                                 std::min(w, x + bw + ring), std::min(h, y + bh + ring)});
    }
    pixSubtract(text.get(), text.get(), seals.get());
    pixSetMasked(grey, text.get(), 0);
    for (const PixelBox& box : found) ReadThrough(grey, page, box);
    return true;
}

}  // namespace xdw
