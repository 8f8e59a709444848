#include "ocr/Orientation.h"

#include <tesseract/baseapi.h>

#include "ocr/TesseractPool.h"

namespace xdw {

std::optional<int> UprightTurn(const RenderedPage& page) {
    tesseract::TessBaseAPI& api = TesseractFor("osd");
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
