#include "ocr/SlashedZero.h"

#include <algorithm>
#include <cstdint>

#include "Marks.h"
#include "ocr/OcrTuning.h"

namespace xdw {

namespace {

const double kSlant = Tuned(Ocr::ZeroSlashSlant);

// A hole's pixels as (x, y), and where it lies.
struct Hole {
    std::vector<std::pair<int, int>> pixels;
    double y = 0;
};

// The pieces of a grid of w x h cells that fill marks: each 1 in ink taken
// with its 8 neighbours, or each 0 with its 4, as labels from 1 (0: none).
std::vector<int> Label(const std::vector<uint8_t>& ink, int w, int h, uint8_t what, int& count) {
    std::vector<int> label(ink.size(), 0);
    std::vector<int> stack;
    count = 0;
    for (int start = 0; start < w * h; ++start) {
        if (ink[start] != what || label[start]) continue;
        label[start] = ++count;
        stack.assign(1, start);
        while (!stack.empty()) {
            const int p = stack.back();
            stack.pop_back();
            const int x = p % w, y = p / w;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    if (what == 0 && dx != 0 && dy != 0) continue;
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                    const int q = ny * w + nx;
                    if (ink[q] == what && !label[q]) label[q] = count, stack.push_back(q);
                }
        }
    }
    return label;
}

// Where the holes' facing rows lie across: the mean x of the upper hole's
// lowest row against the lower hole's highest, in the glyph's widths.
double Slant(const Hole& upper, const Hole& lower, int width) {
    auto row = [](const Hole& hole, bool lowest) {
        int edge = hole.pixels[0].second;
        for (const auto& [x, y] : hole.pixels)
            edge = lowest ? std::max(edge, y) : std::min(edge, y);
        double sum = 0, n = 0;
        for (const auto& [x, y] : hole.pixels)
            if (y == edge) sum += x, ++n;
        return sum / n;
    };
    return (row(lower, false) - row(upper, true)) / width;
}

bool Looped(char32_t c) {
    return c == U'6' || c == U'8' || c == U'9' || c == U'６' || c == U'８' || c == U'９';
}

}  // namespace

bool SlashedZero(const RenderedPage& image, const PixelBox& box) {
    const int left = std::max(box.left, 0), top = std::max(box.top, 0);
    const int right = std::min(box.right, image.geometry.width);
    const int bottom = std::min(box.bottom, image.geometry.height);
    const int w = right - left, h = bottom - top;
    if (w < 4 || h < 7) return false;
    uint8_t darkest = 255, lightest = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const uint8_t v = image.pixels[static_cast<size_t>(y) * image.bytesPerLine + x];
            darkest = std::min(darkest, v), lightest = std::max(lightest, v);
        }
    if (lightest - darkest < 64) return false;
    const int level = (darkest + lightest) / 2;
    std::vector<uint8_t> ink(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ink[y * w + x] =
                image.pixels[static_cast<size_t>(top + y) * image.bytesPerLine + left + x] < level;
    // The glyph: the largest piece of ink, alone in its own box.
    int pieces = 0;
    const std::vector<int> piece = Label(ink, w, h, 1, pieces);
    std::vector<int> size(pieces + 1, 0);
    for (int p : piece) ++size[p];
    const int glyph =
        static_cast<int>(std::max_element(size.begin() + 1, size.end()) - size.begin());
    if (pieces == 0) return false;
    int gl = w, gt = h, gr = 0, gb = 0;
    for (int i = 0; i < w * h; ++i)
        if (piece[i] == glyph)
            gl = std::min(gl, i % w), gr = std::max(gr, i % w + 1), gt = std::min(gt, i / w),
            gb = std::max(gb, i / w + 1);
    const int gw = gr - gl, gh = gb - gt;
    if (gw < 4 || gh < 7) return false;
    std::vector<uint8_t> shape(static_cast<size_t>(gw) * gh);
    for (int y = 0; y < gh; ++y)
        for (int x = 0; x < gw; ++x) shape[y * gw + x] = piece[(gt + y) * w + gl + x] == glyph;
    // Its holes: white that reaches no side of the glyph's box, two pixels
    // at least (a speck of white in a stroke is none).
    int whites = 0;
    const std::vector<int> white = Label(shape, gw, gh, 0, whites);
    std::vector<Hole> holes(whites + 1);
    std::vector<bool> open(whites + 1, false);
    for (int i = 0; i < gw * gh; ++i) {
        if (!white[i]) continue;
        const int x = i % gw, y = i / gw;
        if (x == 0 || y == 0 || x == gw - 1 || y == gh - 1) open[white[i]] = true;
        holes[white[i]].pixels.push_back({x, y});
    }
    std::vector<Hole> closed;
    for (int k = 1; k <= whites; ++k)
        if (!open[k] && holes[k].pixels.size() >= 2) closed.push_back(std::move(holes[k]));
    if (closed.size() != 2) return false;
    for (Hole& hole : closed) {
        for (const auto& [x, y] : hole.pixels) hole.y += y;
        hole.y /= static_cast<double>(hole.pixels.size());
    }
    if (closed[0].y > closed[1].y) std::swap(closed[0], closed[1]);
    // One above the other, and the stroke between them slanting across.
    if (closed[1].y - closed[0].y < 0.25 * gh) return false;
    // Cut by a slant stroke, the two holes share rows; an 8's waist, however
    // slanted, stands between them.
    int upperBottom = 0, lowerTop = gh;
    for (const auto& [x, y] : closed[0].pixels) upperBottom = std::max(upperBottom, y);
    for (const auto& [x, y] : closed[1].pixels) lowerTop = std::min(lowerTop, y);
    if (upperBottom < lowerTop) return false;
    const double slant = Slant(closed[0], closed[1], gw);
    if (slant < kSlant && slant > -kSlant) return false;
    XDW_MARK("figures: a slashed zero");
    return true;
}

void MendSlashedZeros(std::vector<OcrLine>& lines, const RenderedPage& image, double skewDegrees) {
    if (image.pixels.empty()) return;
    for (OcrLine& line : lines) {
        if (line.vertical || line.skewDegrees != skewDegrees) continue;
        for (OcrWord& word : line.words)
            for (OcrSymbol& symbol : word.symbols) {
                if (symbol.text.size() != 1 || !Looped(symbol.text[0]) ||
                    !SlashedZero(image, symbol.box))
                    continue;
                symbol.text[0] = symbol.text[0] < 0x80 ? U'0' : U'０';
            }
    }
}

}  // namespace xdw
