#include "prepare/PreparePage.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <optional>

#include "layout/Pix.h"
#include "prepare/Lengths.h"
#include "prepare/Noise.h"
#include "prepare/PrepareTuning.h"
#include "prepare/Seals.h"

namespace xdw {

namespace {

// Pages narrower than this (slivers, stamps of a page) are binarised as
// they are, with no sheet looked for and no background evened out.
const int kLeastSidePx = TunedInt(Prepare::LeastSidePx);
// The sheet is looked for on a copy this many pixels across at most.
const int kSheetSearchPx = TunedInt(Prepare::SheetSearchPx);
// A sheet this large (of the page's width and height) fills the page.
const double kFillsPage = Tuned(Prepare::FillsPage);
// A sheet is at least this share of the page's area.
const double kMinSheetShare = Tuned(Prepare::MinSheetShare);
// What lies off the sheet is taken away only when this share of it is dark.
const double kDarkAround = Tuned(Prepare::DarkAround);
// Corners this far (of the page's diagonal) from the sheet's bounding box
// make a sheet seen in perspective or askew rather than an upright one.
const double kCornerSlack = Tuned(Prepare::CornerSlack);
// The unwarped sheet's edges taken in by this share of its size.
const double kEdgeInset = Tuned(Prepare::EdgeInset);
// A sheet's edge is the straight line that at least kEdgeFitShare of the
// outermost paper along it (kEdgeFitLeast points or more) lies on, within
// kEdgeFitPx, found among lines through kEdgeFitTries of them; its corners
// lie no further than kEdgeFitOutside (of the page's size) off the page.
const double kEdgeFitPx = Tuned(Prepare::EdgeFitPx);
const double kEdgeFitShare = Tuned(Prepare::EdgeFitShare);
constexpr size_t kEdgeFitLeast = 8;
constexpr size_t kEdgeFitTries = 48;
const double kEdgeFitOutside = Tuned(Prepare::EdgeFitOutside);

struct PixaFree {
    void operator()(PIXA* pixa) const { pixaDestroy(&pixa); }
};
struct PtaFree {
    void operator()(PTA* pta) const { ptaDestroy(&pta); }
};
using PtaPtr = std::unique_ptr<PTA, PtaFree>;

struct Point {
    double x = 0, y = 0;
};

// The sheet of paper on the page: its corners (top left, top right, bottom
// right, bottom left) in the page's pixels.
struct Sheet {
    std::array<Point, 4> corners;
    PixelBox box;
    bool upright = false;  // its edges along the page's
};

// Pure white: margins around a picture, never a photographed desk.
const int kBlankLevel = TunedInt(Prepare::BlankLevel);

// A sheet's outline: its corners, top left, top right, bottom right, bottom
// left, clockwise on the screen (y down).
using Outline = std::array<Point, 4>;

double Edge(const Outline& c, int a, int b) { return std::hypot(c[a].x - c[b].x, c[a].y - c[b].y); }

double Area(const Outline& c) {
    double twice = 0;
    for (int i = 0; i < 4; ++i) twice += c[i].x * c[(i + 1) % 4].y - c[(i + 1) % 4].x * c[i].y;
    return std::abs(twice) / 2;
}

// Within a pixel of the inner side of every edge.
bool Within(const Outline& c, double x, double y) {
    for (int i = 0; i < 4; ++i) {
        const Point& a = c[i];
        const Point& b = c[(i + 1) % 4];
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        if (length > 0 && ((b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x)) / length < -1)
            return false;
    }
    return true;
}

// The pixels set in binary whose centres lie off the outline by more than a
// pixel (its corners are the centres of the sheet's outermost pixels).
double Outside(PIX* binary, const Outline& c) {
    const int w = pixGetWidth(binary), h = pixGetHeight(binary), wpl = pixGetWpl(binary);
    const l_uint32* data = pixGetData(binary);
    double count = 0;
    for (int y = 0; y < h; ++y) {
        const l_uint32* line = data + static_cast<size_t>(y) * wpl;
        for (int x = 0; x < w; ++x)
            if (GET_DATA_BIT(line, x) && !Within(c, x + 0.5, y + 0.5)) ++count;
    }
    return count;
}

// A straight line: the points (x, y) with a x + b y = c, (a, b) of length 1.
struct StraightLine {
    double a = 0, b = 0, c = 0;
};

// The straight line that most of the points lie on, within kEdgeFitPx, fitted
// to those points; none when fewer than kEdgeFitShare of them do. A sheet's
// edge found so holds where a shadow cuts one of its corners off: the
// shadow's border bends away from the line of the edge's lit part.
std::optional<StraightLine> FitEdge(const std::vector<Point>& points) {
    const size_t n = points.size();
    if (n < kEdgeFitLeast) return std::nullopt;
    const size_t step = std::max<size_t>(1, n / kEdgeFitTries);
    auto near = [&](const StraightLine& l, const Point& p) {
        return std::abs(l.a * p.x + l.b * p.y - l.c) <= kEdgeFitPx;
    };
    size_t most = 0;
    StraightLine best;
    for (size_t i = 0; i < n; i += step)
        for (size_t j = i + step; j < n; j += step) {
            const double dx = points[j].x - points[i].x, dy = points[j].y - points[i].y;
            const double length = std::hypot(dx, dy);
            if (length < 1) continue;
            StraightLine l{-dy / length, dx / length, 0};
            l.c = l.a * points[i].x + l.b * points[i].y;
            const size_t on = static_cast<size_t>(std::count_if(
                points.begin(), points.end(), [&](const Point& p) { return near(l, p); }));
            if (on > most) most = on, best = l;
        }
    if (most < kEdgeFitShare * double(n)) return std::nullopt;
    // Fitted to the points on it: through their mean, along their spread.
    double mx = 0, my = 0, k = 0;
    for (const Point& p : points)
        if (near(best, p)) mx += p.x, my += p.y, ++k;
    mx /= k, my /= k;
    double sxx = 0, sxy = 0, syy = 0;
    for (const Point& p : points)
        if (near(best, p))
            sxx += (p.x - mx) * (p.x - mx), sxy += (p.x - mx) * (p.y - my),
                syy += (p.y - my) * (p.y - my);
    const double angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
    StraightLine fitted{-std::sin(angle), std::cos(angle), 0};
    fitted.c = fitted.a * mx + fitted.b * my;
    return fitted;
}

std::optional<Point> Crossing(const StraightLine& p, const StraightLine& q) {
    const double d = p.a * q.b - p.b * q.a;
    if (std::abs(d) < 1e-6) return std::nullopt;
    return Point{(p.c * q.b - p.b * q.c) / d, (p.a * q.c - p.c * q.a) / d};
}

// The sheet's corners where its four edges cross, each edge fitted to the
// outermost paper along it between the rough corners (the points furthest
// along the diagonals); the rough corners when an edge is not straight
// enough to tell, or the corners so found enclose less.
Outline EdgeCorners(PIX* part, int bx, int by, const Outline& rough, int sw, int sh) {
    const int w = pixGetWidth(part), h = pixGetHeight(part);
    auto on = [&](int x, int y) {
        l_uint32 v = 0;
        pixGetPixel(part, x, y, &v);
        return v != 0;
    };
    // Along each edge, the paper furthest out: top, right, bottom, left.
    std::array<std::vector<Point>, 4> edges;
    auto span = [](double a, double b, int size) {
        return std::pair{std::clamp(int(std::ceil(std::min(a, b))), 0, size),
                         std::clamp(int(std::floor(std::max(a, b))), 0, size)};
    };
    const auto [topFrom, topTo] = span(rough[0].x - bx, rough[1].x - bx, w);
    for (int x = topFrom; x < topTo; ++x)
        for (int y = 0; y < h; ++y)
            if (on(x, y)) {
                edges[0].push_back({bx + x + 0.5, by + y + 0.5});
                break;
            }
    const auto [bottomFrom, bottomTo] = span(rough[3].x - bx, rough[2].x - bx, w);
    for (int x = bottomFrom; x < bottomTo; ++x)
        for (int y = h - 1; y >= 0; --y)
            if (on(x, y)) {
                edges[2].push_back({bx + x + 0.5, by + y + 0.5});
                break;
            }
    const auto [rightFrom, rightTo] = span(rough[1].y - by, rough[2].y - by, h);
    for (int y = rightFrom; y < rightTo; ++y)
        for (int x = w - 1; x >= 0; --x)
            if (on(x, y)) {
                edges[1].push_back({bx + x + 0.5, by + y + 0.5});
                break;
            }
    const auto [leftFrom, leftTo] = span(rough[0].y - by, rough[3].y - by, h);
    for (int y = leftFrom; y < leftTo; ++y)
        for (int x = 0; x < w; ++x)
            if (on(x, y)) {
                edges[3].push_back({bx + x + 0.5, by + y + 0.5});
                break;
            }
    std::array<StraightLine, 4> lines;
    for (int i = 0; i < 4; ++i) {
        const std::optional<StraightLine> l = FitEdge(edges[i]);
        if (!l) return rough;
        lines[i] = *l;
    }
    Outline corners;
    const int around[4][2] = {{0, 3}, {0, 1}, {2, 1}, {2, 3}};
    for (int i = 0; i < 4; ++i) {
        const std::optional<Point> c = Crossing(lines[around[i][0]], lines[around[i][1]]);
        const double mx = kEdgeFitOutside * sw, my = kEdgeFitOutside * sh;
        if (!c || c->x < -mx || c->x > sw + mx || c->y < -my || c->y > sh + my) return rough;
        corners[i] = *c;
    }
    if (Area(corners) < Area(rough)) return rough;
    return corners;
}

// The grey level that parts paper from what lies around it: the one that
// parts the page's logarithms of grey best (Otsu's rule). A shadow
// multiplies the light of paper and desk alike, so on a logarithmic scale
// it only moves both by the same step and the gap between them stays as
// wide in the shadow as in full light.
std::optional<int> SheetThreshold(PIX* small) {
    NUMA* counts = pixGetGrayHistogram(small, 1);
    if (counts == nullptr) return std::nullopt;
    double n[256] = {}, total = 0, sum = 0;
    for (int v = 0; v < 256; ++v) {
        l_float32 c = 0;
        numaGetFValue(counts, v, &c);
        n[v] = c, total += c, sum += c * std::log1p(v);
    }
    numaDestroy(&counts);
    double below = 0, belowSum = 0, best = -1;
    int threshold = 0;
    for (int v = 0; v < 255; ++v) {
        below += n[v], belowSum += n[v] * std::log1p(v);
        const double above = total - below;
        if (below <= 0 || above <= 0) continue;
        const double gap = belowSum / below - (sum - belowSum) / above;
        if (below * above * gap * gap > best) best = below * above * gap * gap, threshold = v + 1;
    }
    if (best < 0) return std::nullopt;
    return threshold;
}

// The bright, paper-like part of a small copy of the page, and the share of
// the rest that is dark; none when the paper fills the page.
std::optional<Sheet> FindSheet(PIX* grey) {
    const int w = pixGetWidth(grey), h = pixGetHeight(grey);
    if (std::min(w, h) < kLeastSidePx) return std::nullopt;
    const float scale = std::min(1.0f, float(kSheetSearchPx) / float(std::max(w, h)));
    PixPtr small(pixScale(grey, scale, scale));
    if (!small) return std::nullopt;
    const std::optional<int> threshold = SheetThreshold(small.get());
    if (!threshold) return std::nullopt;
    // Paper is at least as bright as the threshold: ink and desk are darker.
    PixPtr dark = Checked(pixThresholdToBinary(small.get(), *threshold));
    PixPtr paper = Checked(pixInvert(nullptr, dark.get()));
    PIXA* parts = nullptr;
    BoxaPtr boxes(pixConnComp(paper.get(), &parts, 8));
    std::unique_ptr<PIXA, PixaFree> owned(parts);
    if (!boxes || !parts) return std::nullopt;
    int best = -1, bestCount = 0;
    for (int i = 0; i < pixaGetCount(parts); ++i) {
        PixPtr part(pixaGetPix(parts, i, L_CLONE));
        l_int32 count = 0;
        pixCountPixels(part.get(), &count, nullptr);
        if (count > bestCount) best = i, bestCount = count;
    }
    const int sw = pixGetWidth(small.get()), sh = pixGetHeight(small.get());
    if (best < 0 || bestCount < kMinSheetShare * sw * sh) return std::nullopt;
    l_int32 bx = 0, by = 0, bw = 0, bh = 0;
    pixaGetBoxGeometry(parts, best, &bx, &by, &bw, &bh);

    // The corners: the sheet's points furthest along the four diagonals.
    PixPtr part(pixaGetPix(parts, best, L_CLONE));
    double score[4] = {1e18, -1e18, -1e18, -1e18};  // x+y min, x-y max, x+y max, y-x max
    Outline corners;
    for (int y = 0; y < bh; ++y)
        for (int x = 0; x < bw; ++x) {
            l_uint32 on = 0;
            pixGetPixel(part.get(), x, y, &on);
            if (!on) continue;
            const double px = bx + x + 0.5, py = by + y + 0.5;
            if (px + py < score[0]) score[0] = px + py, corners[0] = {px, py};
            if (px - py > score[1]) score[1] = px - py, corners[1] = {px, py};
            if (px + py > score[2]) score[2] = px + py, corners[2] = {px, py};
            if (py - px > score[3]) score[3] = py - px, corners[3] = {px, py};
        }
    corners = EdgeCorners(part.get(), bx, by, corners, sw, sh);

    // A sheet laid askew on the glass has its box fill the scan while the
    // lid shows in a wedge along each edge: its size is its edges'.
    if (std::max(Edge(corners, 0, 1), Edge(corners, 3, 2)) >= kFillsPage * sw &&
        std::max(Edge(corners, 0, 3), Edge(corners, 1, 2)) >= kFillsPage * sh)
        return std::nullopt;

    // Off the sheet must be desk or scanner lid: mostly dark. Pure white
    // there is no part of the picture but the margin it was set in (a photo
    // fitted to a page of other proportions).
    PixPtr blank = Checked(pixThresholdToBinary(small.get(), kBlankLevel));
    pixInvert(blank.get(), blank.get());
    const double off = double(sw) * sh - Area(corners);
    const double offDark = Outside(dark.get(), corners);
    if (off <= 0 || offDark < kDarkAround * (off - Outside(blank.get(), corners)))
        return std::nullopt;

    Sheet sheet;
    const double back = 1.0 / scale;
    for (int i = 0; i < 4; ++i) sheet.corners[i] = {corners[i].x * back, corners[i].y * back};
    sheet.box = PixelBox{int(bx * back), int(by * back), int(std::ceil((bx + bw) * back)),
                         int(std::ceil((by + bh) * back))};
    const double slack = kCornerSlack * std::hypot(sw, sh);
    const double ideal[4][2] = {{double(bx), double(by)},
                                {double(bx + bw), double(by)},
                                {double(bx + bw), double(by + bh)},
                                {double(bx), double(by + bh)}};
    sheet.upright = true;
    for (int i = 0; i < 4; ++i)
        sheet.upright = sheet.upright &&
                        std::hypot(corners[i].x - ideal[i][0], corners[i].y - ideal[i][1]) <= slack;
    return sheet;
}

// Everything off the sheet's box made paper.
void WhiteOutside(PIX* grey, const PixelBox& b) {
    const int w = pixGetWidth(grey), h = pixGetHeight(grey);
    const int left = std::clamp(b.left, 0, w), right = std::clamp(b.right, left, w);
    const int top = std::clamp(b.top, 0, h), bottom = std::clamp(b.bottom, top, h);
    pixRasterop(grey, 0, 0, w, top, PIX_SET, nullptr, 0, 0);
    pixRasterop(grey, 0, bottom, w, h - bottom, PIX_SET, nullptr, 0, 0);
    pixRasterop(grey, 0, top, left, bottom - top, PIX_SET, nullptr, 0, 0);
    pixRasterop(grey, right, top, w - right, bottom - top, PIX_SET, nullptr, 0, 0);
}

double Distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

// The sheet drawn upright and level on a white page of the same size, the
// coefficients that carry the copy's points back onto the page, and where the
// sheet lies on the copy.
PixPtr Unwarped(PIX* grey, const Sheet& sheet, std::array<float, 8>& back, PixelBox& within) {
    const int w = pixGetWidth(grey), h = pixGetHeight(grey);
    const auto& c = sheet.corners;
    double sw = std::max(Distance(c[0], c[1]), Distance(c[3], c[2]));
    double sh = std::max(Distance(c[0], c[3]), Distance(c[1], c[2]));
    const double fit = std::min({1.0, w / sw, h / sh});
    sw *= fit;
    sh *= fit;
    const double x0 = (w - sw) / 2, y0 = (h - sh) / 2;
    PtaPtr from(ptaCreate(4)), to(ptaCreate(4));
    const Point target[4] = {{x0, y0}, {x0 + sw, y0}, {x0 + sw, y0 + sh}, {x0, y0 + sh}};
    for (int i = 0; i < 4; ++i) {
        ptaAddPt(from.get(), float(c[i].x), float(c[i].y));
        ptaAddPt(to.get(), float(target[i].x), float(target[i].y));
    }
    l_float32* coeffs = nullptr;
    if (getProjectiveXformCoeffs(to.get(), from.get(), &coeffs) != 0 || coeffs == nullptr)
        throw std::bad_alloc();
    std::copy_n(coeffs, 8, back.begin());
    LEPT_FREE(coeffs);
    PixPtr level = Checked(pixProjectivePta(grey, to.get(), from.get(), L_BRING_IN_WHITE));
    // The sheet's edges, where the corners found are rough, keep a line of
    // desk: a frame the layout would take for a picture around the text.
    const int inset = static_cast<int>(kEdgeInset * std::max(sw, sh));
    within = PixelBox{static_cast<int>(x0) + inset, static_cast<int>(y0) + inset,
                      static_cast<int>(x0 + sw) - inset, static_cast<int>(y0 + sh) - inset};
    WhiteOutside(level.get(), within);
    return level;
}

// The box within the picture.
PixelBox Clamped(PIX* pix, const PixelBox& b) {
    const int w = pixGetWidth(pix), h = pixGetHeight(pix);
    const int left = std::clamp(b.left, 0, w), top = std::clamp(b.top, 0, h);
    return PixelBox{left, top, std::clamp(b.right, left, w), std::clamp(b.bottom, top, h)};
}

// The box of pix on its own; none when it is empty.
PixPtr Clip(PIX* pix, const PixelBox& b) {
    if (b.right <= b.left || b.bottom <= b.top) return nullptr;
    BOX* box = boxCreate(b.left, b.top, b.right - b.left, b.bottom - b.top);
    PIX* clip = pixClipRectangle(pix, box, nullptr);
    boxDestroy(&box);
    return Checked(clip);
}

// part laid at the box's corner on a page like like, all of whose other
// pixels are cleared (ink: none) or set (grey: white).
PixPtr Placed(PIX* part, const PixelBox& b, PIX* like, bool set) {
    PixPtr page = Checked(pixCreate(pixGetWidth(like), pixGetHeight(like), pixGetDepth(part)));
    if (set) pixSetAll(page.get());
    pixRasterop(page.get(), b.left, b.top, b.right - b.left, b.bottom - b.top, PIX_SRC, part, 0, 0);
    return page;
}

// The grey within the box, its light evened out against the paper there
// alone, on a white page; and the ink within the box as 1, cut from that
// evened grey where its levels divide best (the page is evened out once for
// both). Evened against the box alone: the white made of a desk would pass
// for the paper's light around the sheet and make its shadowed edges ink.
// Nothing outside the box is ink.
struct Evened {
    PixPtr level;
    PixPtr ink;
};

Evened EvenedWithin(PIX* grey, const PixelBox& b, int dpi) {
    const PixelBox c = Clamped(grey, b);
    PixPtr clip = Clip(grey, c);
    if (!clip)
        return {Checked(pixCreate(pixGetWidth(grey), pixGetHeight(grey), 8)),
                Checked(pixCreate(pixGetWidth(grey), pixGetHeight(grey), 1))};
    const int tile = std::max(16, dpi / 4);
    PIX* evened = nullptr;
    if (std::min(c.right - c.left, c.bottom - c.top) >= kLeastSidePx)
        evened = pixBackgroundNorm(clip.get(), nullptr, nullptr, tile, tile, 100, 50, 255, 2, 2);
    if (evened == nullptr) {
        // A sliver, or no paper found to even out against: halfway is ink.
        PixPtr ink = Checked(pixThresholdToBinary(clip.get(), 128));
        return {Placed(clip.get(), c, grey, true), Placed(ink.get(), c, grey, false)};
    }
    PixPtr level = Checked(evened);
    // One tile the whole box: the level that divides its greys best.
    PIX* levels = nullptr;
    pixOtsuAdaptiveThreshold(level.get(), pixGetWidth(level.get()), pixGetHeight(level.get()), 0, 0,
                             0.1f, &levels, nullptr);
    l_uint32 cut = 0;
    if (levels != nullptr) pixGetPixel(levels, 0, 0, &cut);
    pixDestroy(&levels);
    PixPtr ink = Checked(pixThresholdToBinary(level.get(), static_cast<l_int32>(cut)));
    return {Placed(level.get(), c, grey, true), Placed(ink.get(), c, grey, false)};
}

// The grey's levels stretched so that the mean grey of its ink (1 in ink)
// is black, paper staying white: print left faint (a thermal receipt's
// fading band), evened out, stays faint, and would be paper to the layout.
void InkMadeBlack(PIX* grey, PIX* ink) {
    l_int32 none = 0;
    pixZero(ink, &none);
    if (none) return;
    l_float32 mean = 0;
    if (pixGetAverageMasked(grey, ink, 0, 0, 1, L_MEAN_ABSVAL, &mean) != 0 || mean >= kBlankLevel)
        return;
    pixGammaTRC(grey, grey, 1.0f, static_cast<l_int32>(mean), 255);
}

// Specks: pieces of ink at most this wide and high, at 300 dpi. On a page
// drawn from a picture so coarse that one of its pixels is that large (a
// fax's 98 rows an inch, whose thin strokes come out one row tall), pieces a
// pixel apart are judged together: a dakuten or a 。 that the cut broke into
// such pieces is no speck.
const int kSpeckPx = TunedInt(Prepare::SpeckPx);

// Grey darker than this, once the page's ink is made black, is a stroke too
// faint for the cut rather than paper, if it is thinner than kFaintStrokePx
// (at 300 dpi) one way or the other.
const l_int32 kFaintStrokeLevel = TunedInt(Prepare::FaintStrokeLevel);
const int kFaintStrokePx = TunedInt(Prepare::FaintStrokePx);

PixPtr WithoutSpecks(PIX* binary, int dpi, int pictureDpi) {
    const int most = std::max(1, kSpeckPx * std::max(dpi, 100) / 300);
    return LargerPieces(binary, most, pictureDpi > 0 && dpi >= most * pictureDpi);
}

// A page is plain white paper when this share of it is at least this light.
const double kCleanShare = Tuned(Prepare::CleanShare);
const int kCleanLevel = TunedInt(Prepare::CleanLevel);

// True when the part of grey inside area is plain white paper.
bool CleanPaper(PIX* grey, const PixelBox& area) {
    const PixelBox c = Clamped(grey, area);
    const int wpl = pixGetWpl(grey);
    const l_uint32* data = pixGetData(grey);
    size_t light = 0;
    for (int y = c.top; y < c.bottom; ++y) {
        const l_uint32* line = data + static_cast<size_t>(y) * wpl;
        for (int x = c.left; x < c.right; ++x) light += GET_DATA_BYTE(line, x) >= kCleanLevel;
    }
    return light >= kCleanShare * (c.right - c.left) * (c.bottom - c.top);
}

}  // namespace

PreparedPage PreparePage(const RenderedPage& page) {
    PreparedPage out;
    PixPtr grey = GreyPix(page);
    // The sheet is looked for before seals are dropped: a wooden desk has a
    // seal's hue, and made paper it would join the sheet.
    const std::optional<Sheet> sheet = FindSheet(grey.get());
    const bool sealed = DropSeals(grey.get(), page);
    const int dpi = page.dpi > 0 ? page.dpi : 300;
    PixelBox within{0, 0, pixGetWidth(grey.get()), pixGetHeight(grey.get())};
    if (sheet && sheet->upright) {
        // A scan's dark borders and what lay off the glass become paper. The
        // box is found on a reduced copy: its edges, taken in a little, leave
        // no line of the border, which would pass for a rule and outweigh
        // the text's own slant.
        const PixelBox& b = sheet->box;
        const int inset =
            static_cast<int>(kEdgeInset * std::max(b.right - b.left, b.bottom - b.top));
        within = PixelBox{b.left + inset, b.top + inset, b.right - inset, b.bottom - inset};
        WhiteOutside(grey.get(), within);
    }
    if ((!sheet || sheet->upright) && !page.bilevel && CleanPaper(grey.get(), within)) {
        // White paper edge to edge, or within a scan's borders: the
        // recogniser reads its grey best (binarised, the thin strokes of a
        // small Mincho break), with only its noise made paper, the grey rim
        // around it too. (A fax is black and white already: it is
        // binarised, which loses nothing.)
        PixPtr noise = Noise(Ink(grey.get()).get(), dpi, CaptureOf(page), page.picture.Coarser());
        l_int32 none = 0;
        pixZero(noise.get(), &none);
        if (none && !sealed && !sheet) {
            out.image = page;
            return out;
        }
        PixPtr rim = Checked(pixDilateBrick(nullptr, noise.get(), 3, 3));
        pixSetMasked(grey.get(), rim.get(), 255);
        out.image = GreyPage(grey.get(), page);
        return out;
    }
    if (sheet && !sheet->upright) {
        grey = Unwarped(grey.get(), *sheet, out.back, within);
        out.unwarped = true;
    }
    // A black-and-white page has no light to even out: its only greys are
    // the edges of its pixels as they were drawn, ink where more ink than
    // paper. (Evened out, its thin strokes come out thinner still.)
    Evened evened;
    if (!page.bilevel) evened = EvenedWithin(grey.get(), within, dpi);
    PixPtr binary =
        page.bilevel ? Checked(pixThresholdToBinary(grey.get(), 128)) : std::move(evened.ink);
    PixPtr ink = WithoutSpecks(binary.get(), dpi, page.bilevel ? page.picture.Coarser() : 0);
    PixPtr noise = Noise(ink.get(), dpi, CaptureOf(page), page.picture.Coarser());
    pixSubtract(ink.get(), ink.get(), noise.get());
    if (page.bilevel) {
        PixPtr level = Checked(pixConvert1To8(nullptr, ink.get(), 255, 0));
        out.image = GreyPage(level.get(), page);
        return out;
    }
    // The page is read in its own grey, evened out, with its ink and a pixel
    // around it kept: binarised, the strokes the lens blurred or the printer
    // left faint (a small Mincho's thin ones, a thermal receipt's) break or
    // run together, and the recogniser misreads them (二 as ニニ). Strokes
    // too faint for the cut are kept too where the ink made black leaves
    // them dark enough (a photographed Mincho's 十 and 一, whose thin
    // strokes the cut drops: 十一月 read as トー月); the specks and noise
    // taken away stay paper.
    PixPtr level = std::move(evened.level);
    InkMadeBlack(level.get(), ink.get());
    PixPtr paper = Checked(pixDilateBrick(nullptr, ink.get(), 3, 3));
    PixPtr faint = Checked(pixThresholdToBinary(level.get(), kFaintStrokeLevel));
    const int wide = AtDpi(kFaintStrokePx, dpi);
    PixPtr broad = Checked(pixOpenBrick(nullptr, faint.get(), wide, wide));
    pixSubtract(faint.get(), faint.get(), broad.get());  // a shadow, a dark desk
    pixSubtract(binary.get(), binary.get(), ink.get());  // the specks and noise taken away
    PixPtr taken = Checked(pixDilateBrick(nullptr, binary.get(), 3, 3));
    pixSubtract(faint.get(), faint.get(), taken.get());
    pixOr(paper.get(), paper.get(), faint.get());
    pixInvert(paper.get(), paper.get());
    pixSetMasked(level.get(), paper.get(), 255);
    out.image = GreyPage(level.get(), page);
    return out;
}

void PagePoint(const PreparedPage& prepared, double& x, double& y) {
    if (!prepared.unwarped) return;
    const auto& c = prepared.back;
    const double d = c[6] * x + c[7] * y + 1;
    const double px = (c[0] * x + c[1] * y + c[2]) / d;
    const double py = (c[3] * x + c[4] * y + c[5]) / d;
    x = px;
    y = py;
}

}  // namespace xdw
