#include "ocr/Orientation.h"

#include <tesseract/baseapi.h>

#include "ocr/TesseractPool.h"

namespace xdw {

namespace {

// The copy the orientation is decided on: a letter's shape shows which way
// up it stands as well at this resolution as at 300 dpi, and the check's
// work grows with the pixels.
constexpr int kOrientationDpi = 150;

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

std::optional<int> UprightTurn(const RenderedPage& full, const std::string& tessdata) {
    const int factor = full.dpi / kOrientationDpi;
    const RenderedPage reduced = factor >= 2 ? Reduced(full, factor) : RenderedPage{};
    const RenderedPage& page = factor >= 2 ? reduced : full;
    tesseract::TessBaseAPI& api = TesseractFor("osd", tessdata);
    api.SetPageSegMode(tesseract::PSM_OSD_ONLY);
    api.SetImage(page.pixels.data(), page.geometry.width, page.geometry.height, 1,
                 page.bytesPerLine);
    api.SetSourceResolution(page.dpi);
    int orientation = 0;
    float confidence = 0;
    const char* script = nullptr;
    float scriptConfidence = 0;
    const bool found =
        api.DetectOrientationScript(&orientation, &confidence, &script, &scriptConfidence);
    api.Clear();
    if (!found || !(confidence >= kMinOrientationConfidence)) return std::nullopt;
    // Tesseract reports the counter-clockwise angle the text is turned by.
    return (360 - orientation % 360) % 360;
}

}  // namespace xdw
