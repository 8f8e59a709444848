#include "ocr/PageText.h"

#include <algorithm>
#include <cstdint>

namespace xdw {

namespace {

// One byte a pixel: 1 where any of the boxes lies.
std::vector<uint8_t> Mask(const std::vector<PixelBox>& boxes, int width, int height) {
    std::vector<uint8_t> mask(static_cast<size_t>(width) * height, 0);
    for (const PixelBox& b : boxes) {
        const int left = std::clamp(b.left, 0, width), right = std::clamp(b.right, 0, width);
        const int top = std::clamp(b.top, 0, height), bottom = std::clamp(b.bottom, 0, height);
        for (int y = top; y < bottom; ++y)
            std::fill_n(mask.begin() + static_cast<size_t>(y) * width + left, right - left, 1);
    }
    return mask;
}

}  // namespace

bool TextCoversInk(const RenderedPage& page, const std::vector<PixelBox>& text) {
    if (text.empty()) return false;
    const int w = page.geometry.width, h = page.geometry.height;
    const std::vector<uint8_t> mask = Mask(text, w, h);
    size_t ink = 0, covered = 0;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = page.pixels.data() + static_cast<size_t>(y) * page.bytesPerLine;
        const uint8_t* inText = mask.data() + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x) {
            if (row[x] >= kInkLevel) continue;
            ++ink;
            covered += inText[x];
        }
    }
    return 2 * covered >= ink;
}

void DropLinesOverText(std::vector<OcrLine>& lines, const std::vector<PixelBox>& text, int width,
                       int height) {
    if (text.empty() || lines.empty()) return;
    const std::vector<uint8_t> mask = Mask(text, width, height);
    std::erase_if(lines, [&](const OcrLine& line) {
        const int left = std::clamp(line.box.left, 0, width);
        const int right = std::clamp(line.box.right, 0, width);
        const int top = std::clamp(line.box.top, 0, height);
        const int bottom = std::clamp(line.box.bottom, 0, height);
        size_t area = 0, covered = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                ++area;
                covered += mask[static_cast<size_t>(y) * width + x];
            }
        return area > 0 && 2 * covered >= area;
    });
}

}  // namespace xdw
