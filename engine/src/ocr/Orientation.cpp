#include "ocr/Orientation.h"

#include <string>

#include <tesseract/baseapi.h>

#include "ocr/OcrTuning.h"
#include "ocr/TesseractPool.h"

namespace xdw {

namespace {

// The copy the orientation is decided on: a letter's shape shows which way
// up it stands as well at this resolution as at 300 dpi, and the check's
// work grows with the pixels.
const int kOrientationDpi = TunedInt(Ocr::OrientationDpi);

// The page averaged down by factor in both directions.
RenderedPage Reduced(const RenderedPage& page, int factor) {
    RenderedPage small;
    small.dpi = page.dpi / factor;
    small.geometry.width = page.geometry.width / factor;
    small.geometry.height = page.geometry.height / factor;
    small.bytesPerLine = small.geometry.width;
    small.pixels.resize(static_cast<size_t>(small.bytesPerLine) * small.geometry.height);
    const int area = factor * factor;
    for (int y = 0; y < small.geometry.height; ++y) {
        for (int x = 0; x < small.geometry.width; ++x) {
            int sum = 0;
            for (int dy = 0; dy < factor; ++dy) {
                const uint8_t* row = page.pixels.data() +
                                     static_cast<size_t>(y * factor + dy) * page.bytesPerLine +
                                     static_cast<size_t>(x) * factor;
                for (int dx = 0; dx < factor; ++dx) sum += row[dx];
            }
            small.pixels[static_cast<size_t>(y) * small.bytesPerLine + x] =
                static_cast<uint8_t>((sum + area / 2) / area);
        }
    }
    return small;
}

}  // namespace

namespace {

// The way up is first looked for in this many characters, and the answer
// taken when its confidence reaches kQuickConfidence; only a page they leave
// in doubt is looked at again with Tesseract's usual number: where the
// usual check is confident, the quick one gives the same answer for far less
// work.
const int kQuickCharacters = TunedInt(Ocr::QuickCharacters);
const float kQuickConfidence = static_cast<float>(Tuned(Ocr::QuickConfidence));
const int kUsualCharacters = TunedInt(Ocr::UsualCharacters);

struct Found {
    int orientation = 0;
    float confidence = 0;
};

std::optional<Found> Detect(tesseract::TessBaseAPI& api, const RenderedPage& page, int characters) {
    api.SetVariable("min_characters_to_try", std::to_string(characters).c_str());
    api.SetPageSegMode(tesseract::PSM_OSD_ONLY);
    api.SetImage(page.pixels.data(), page.geometry.width, page.geometry.height, 1,
                 page.bytesPerLine);
    api.SetSourceResolution(page.dpi);
    Found found;
    const char* script = nullptr;
    float scriptConfidence = 0;
    const bool ok = api.DetectOrientationScript(&found.orientation, &found.confidence, &script,
                                                &scriptConfidence);
    api.Clear();
    if (!ok) return std::nullopt;
    return found;
}

}  // namespace

std::optional<ShapesAnswer> TurnByShapes(const RenderedPage& full, const OcrRecipe& recipe) {
    const int factor = full.dpi / kOrientationDpi;
    const RenderedPage reduced = factor >= 2 ? Reduced(full, factor) : RenderedPage{};
    const RenderedPage& page = factor >= 2 ? reduced : full;
    std::optional<Found> found;
    {
        // Short and rare next to reading: one instance serves every thread.
        const SharedTesseract osd = SharedTesseractFor("osd", recipe.tessdata);
        found = Detect(*osd.api, page, kQuickCharacters);
        if (!found || !(found->confidence >= kQuickConfidence))
            found = Detect(*osd.api, page, kUsualCharacters);
    }
    if (!found) return std::nullopt;
    // Tesseract reports the counter-clockwise angle the text is turned by.
    return ShapesAnswer{(360 - found->orientation % 360) % 360, found->confidence};
}

namespace {

// A plane of one byte a pixel, w x h in rows of stride bytes, turned
// clockwise by turn into rows of its new width.
std::vector<uint8_t> Turned(const std::vector<uint8_t>& plane, int w, int h, int stride, int turn) {
    std::vector<uint8_t> out(static_cast<size_t>(w) * h);
    uint8_t* dst = out.data();
    auto at = [&](int x, int y) { return plane[static_cast<size_t>(y) * stride + x]; };
    const bool sideways = turn == 90 || turn == 270;
    const int width = sideways ? h : w, height = sideways ? w : h;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            switch (turn) {
                case 90:
                    *dst++ = at(y, h - 1 - x);
                    break;
                case 180:
                    *dst++ = at(w - 1 - x, h - 1 - y);
                    break;
                case 270:
                    *dst++ = at(w - 1 - y, x);
                    break;
                default:
                    *dst++ = at(x, y);
            }
        }
    return out;
}

}  // namespace

RenderedPage TurnedPage(const RenderedPage& page, int turn) {
    const int w = page.geometry.width, h = page.geometry.height;
    const bool sideways = turn == 90 || turn == 270;
    RenderedPage out;
    out.dpi = page.dpi;
    out.bilevel = page.bilevel;
    out.picture = page.picture;
    out.geometry = page.geometry;
    PageGeometry& g = out.geometry;
    g.rotate = (g.rotate + turn) % 360;
    g.width = sideways ? h : w;
    g.height = sideways ? w : h;
    const bool shownSideways = g.rotate == 90 || g.rotate == 270;
    g.pointsPerPixel = (shownSideways ? g.y1 - g.y0 : g.x1 - g.x0) / g.width;
    out.bytesPerLine = g.width;
    out.pixels = Turned(page.pixels, w, h, page.bytesPerLine, turn);
    // Seal ink lies where its pixels lie.
    if (!page.stampInk.empty()) out.stampInk = Turned(page.stampInk, w, h, w, turn);
    return out;
}

PixelBox TurnedBox(const PixelBox& b, int width, int height, int turn) {
    switch (turn) {
        case 90:
            return PixelBox{height - b.bottom, b.left, height - b.top, b.right};
        case 180:
            return PixelBox{width - b.right, height - b.bottom, width - b.left, height - b.top};
        case 270:
            return PixelBox{b.top, width - b.right, b.bottom, width - b.left};
        default:
            return b;
    }
}

}  // namespace xdw
