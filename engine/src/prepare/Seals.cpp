#include "prepare/Seals.h"

#include <algorithm>
#include <array>
#include <vector>

#include "PageColour.h"
#include "prepare/Lengths.h"
#include "prepare/PrepareTuning.h"

namespace xdw {

namespace {

// A seal: a mark of seal ink, once the strokes of text crossing it (black
// over seal ink) are bridged, at least kSealInsidePx across and down (8 mm)
// whose ring or frame encloses kSealHoleShare of it, or one at least
// kSealLargePx (15 mm) both ways, its inside however full. Letters enclose
// less, and a heading is not that tall.
const int kBridgePx = TunedInt(Prepare::BridgePx);
const int kSealInsidePx = TunedInt(Prepare::SealInsidePx);
const double kSealHoleShare = Tuned(Prepare::SealHoleShare);
const int kSealLargePx = TunedInt(Prepare::SealLargePx);
// Around what a ring encloses, its ring and rim: 3 mm.
const int kRingPx = TunedInt(Prepare::RingPx);
// The seal ink's edge, where its colour and the paper's mix: 2 px.
const int kSealEdgePx = TunedInt(Prepare::SealEdgePx);
// Seal ink over more than this share of the page is the paper's colour.
const double kPaperShare = Tuned(Prepare::PaperShare);
// A frame at least kLabelAspect times as long as it is high (or high as it
// is long) over no black ink is a label boxed in colour (a red 請求書在中),
// read as text: seals are round or square, and a stamp is laid over what it
// marks. Black ink over at most kLabelBlackShare of its box is none.
const double kLabelAspect = Tuned(Prepare::LabelAspect);
const double kLabelBlackShare = Tuned(Prepare::LabelBlackShare);
// Its frame: the ink reaching over kFrameShare of the box's length or height;
// its letters fill kLabelFill of the frame across.
const double kFrameShare = Tuned(Prepare::FrameShare);
const double kLabelFill = Tuned(Prepare::LabelFill);

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
// pixel's brightness). The pixels along the seal ink's edges (edged) are
// read so too, there its colour and the paper's mix into a grey with no hue
// left (the more so in a JPEG saved again), unless black ink lies within
// reach of them: the soft edge of a stroke is no seal's.
void ReadThrough(PIX* grey, const RenderedPage& page, PIX* edged, int reach, const PixelBox& box) {
    const int w = page.geometry.width;
    auto level = [&](int x, int y) {
        return page.pixels[static_cast<size_t>(y) * page.bytesPerLine + x];
    };
    auto mark = [&](int x, int y) { return page.stampInk[static_cast<size_t>(y) * w + x]; };
    std::array<uint32_t, 256> levels{};
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            if (mark(x, y) == kStampInk) ++levels[level(x, y)];
    const int seal = std::max(1, Middle(levels));
    // Black ink in the box: no seal colour, and well darker than the seal.
    const int bw = box.right - box.left, bh = box.bottom - box.top;
    std::vector<uint8_t> black(static_cast<size_t>(bw) * bh);
    for (int y = 0; y < bh; ++y)
        for (int x = 0; x < bw; ++x)
            black[static_cast<size_t>(y) * bw + x] = mark(box.left + x, box.top + y) == kNoStamp &&
                                                     2 * level(box.left + x, box.top + y) < seal;
    auto besideBlack = [&](int x, int y) {
        for (int dy = -reach; dy <= reach; ++dy)
            for (int dx = -reach; dx <= reach; ++dx) {
                const int bx = x - box.left + dx, by = y - box.top + dy;
                if (bx >= 0 && by >= 0 && bx < bw && by < bh &&
                    black[static_cast<size_t>(by) * bw + bx])
                    return true;
            }
        return false;
    };
    l_uint32* data = pixGetData(grey);
    const int wpl = pixGetWpl(grey);
    const l_uint32* near = pixGetData(edged);
    const int nearWpl = pixGetWpl(edged);
    for (int y = box.top; y < box.bottom; ++y) {
        l_uint32* line = data + static_cast<size_t>(y) * wpl;
        const l_uint32* nearLine = near + static_cast<size_t>(y) * nearWpl;
        for (int x = box.left; x < box.right; ++x) {
            if (mark(x, y) == kNoStamp && (!GET_DATA_BIT(nearLine, x) || besideBlack(x, y)))
                continue;
            SET_DATA_BYTE(line, x, std::min(255, level(x, y) * 255 / seal));
        }
    }
}

// True for the mark in box (x, y, bw, bh) when it is a label boxed in
// colour rather than a seal: long and narrow, with no black ink under it
// (darker than half the mark's own ink, and of no seal colour).
bool BoxedLabel(const RenderedPage& page, int x, int y, int bw, int bh) {
    if (std::max(bw, bh) < kLabelAspect * std::min(bw, bh)) return false;
    const int w = page.geometry.width;
    std::array<uint32_t, 256> levels{};
    for (int py = y; py < y + bh; ++py)
        for (int px = x; px < x + bw; ++px)
            if (page.stampInk[static_cast<size_t>(py) * w + px] == kStampInk)
                ++levels[page.pixels[static_cast<size_t>(py) * page.bytesPerLine + px]];
    const int seal = std::max(1, Middle(levels));
    double black = 0;
    for (int py = y; py < y + bh; ++py)
        for (int px = x; px < x + bw; ++px)
            if (page.stampInk[static_cast<size_t>(py) * w + px] == kNoStamp &&
                2 * page.pixels[static_cast<size_t>(py) * page.bytesPerLine + px] < seal)
                ++black;
    return black <= kLabelBlackShare * bw * bh;
}

// For a label (see BoxedLabel), adds to frames the strokes of ink in box
// that reach across most of it, its frame, which is no text, and true when
// the rest, its letters, fill the frame across as a label's do; false, and
// nothing added, when they do not (a stamp's date in a roomy frame).
bool AddFrame(PIX* ink, PIX* frames, int x, int y, int bw, int bh) {
    BOX* box = boxCreate(x, y, bw, bh);
    PixPtr part(pixClipRectangle(ink, box, nullptr));
    boxDestroy(&box);
    if (!part) return false;
    PIXA* pieces = nullptr;
    BoxaPtr boxes(pixConnComp(part.get(), &pieces, 8));
    std::vector<int> frame;
    const bool upright = bh > bw;
    int from = upright ? bw : bh, to = 0;
    for (int i = 0; boxes && pieces && i < boxaGetCount(boxes.get()); ++i) {
        l_int32 px = 0, py = 0, pw = 0, ph = 0;
        boxaGetBoxGeometry(boxes.get(), i, &px, &py, &pw, &ph);
        if (pw >= kFrameShare * bw || ph >= kFrameShare * bh) {
            frame.push_back(i);
        } else {
            from = std::min(from, upright ? px : py);
            to = std::max(to, upright ? px + pw : py + ph);
        }
    }
    const bool label = to - from >= kLabelFill * std::min(bw, bh);
    for (int i : label ? frame : std::vector<int>{}) {
        l_int32 px = 0, py = 0, pw = 0, ph = 0;
        boxaGetBoxGeometry(boxes.get(), i, &px, &py, &pw, &ph);
        PixPtr piece(pixaGetPix(pieces, i, L_CLONE));
        pixRasterop(frames, x + px, y + py, pw, ph, PIX_PAINT, piece.get(), 0, 0);
    }
    pixaDestroy(&pieces);
    return label;
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
    PixPtr frames = Checked(pixCreate(w, h, 1));
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
        if (BoxedLabel(page, x, y, bw, bh) && AddFrame(ink.get(), frames.get(), x, y, bw, bh))
            continue;
        pixRasterop(seals.get(), x - ring, y - ring, bw + 2 * ring, bh + 2 * ring, PIX_SET, nullptr,
                    0, 0);
        found.push_back(PixelBox{std::max(0, x - ring), std::max(0, y - ring),
                                 std::min(w, x + bw + ring), std::min(h, y + bh + ring)});
    }
    pixSubtract(text.get(), text.get(), seals.get());
    pixSubtract(text.get(), text.get(), frames.get());
    pixSetMasked(grey, text.get(), 0);
    pixSetMasked(grey, frames.get(), 255);
    if (found.empty()) return true;
    // Seal ink and its tint, with the pixels along their edges.
    PixPtr marked = StampMask(page, kStampInk);
    PixPtr tint = StampMask(page, kStampTint);
    pixOr(marked.get(), marked.get(), tint.get());
    const int reach = AtDpi(kSealEdgePx, dpi);
    PixPtr edged = Checked(pixDilateBrick(nullptr, marked.get(), 2 * reach + 1, 2 * reach + 1));
    for (const PixelBox& box : found) ReadThrough(grey, page, edged.get(), reach, box);
    return true;
}

}  // namespace xdw
