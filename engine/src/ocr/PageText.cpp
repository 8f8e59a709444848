#include "ocr/PageText.h"

#include <algorithm>
#include <cstdint>

#include "WorkLimit.h"
#include "ocr/OcrTuning.h"

namespace xdw {

namespace {

// Dark pixels of the rendering (below this grey level) are ink.
const int kInkLevel = TunedInt(Ocr::InkLevel);
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

// Ink running on unbroken for this many times the height of the page's
// text, across or down, is a rule, a frame or a filled box (a form's field
// borders, a table's lines), never a letter's stroke, which stays within
// one character.
const double kRuleHeights = Tuned(Ocr::RuleHeights);

// The middle height of the boxes.
int MiddleHeight(const std::vector<PixelBox>& boxes) {
    std::vector<int> heights;
    for (const PixelBox& b : boxes) heights.push_back(b.bottom - b.top);
    std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
    return heights[heights.size() / 2];
}

// One byte a pixel: 1 where ink runs on for at least length pixels across
// or down.
std::vector<uint8_t> Rules(const RenderedPage& page, int length) {
    const int w = page.geometry.width, h = page.geometry.height;
    std::vector<uint8_t> rules(static_cast<size_t>(w) * h, 0);
    auto ink = [&](int x, int y) {
        return page.pixels[static_cast<size_t>(y) * page.bytesPerLine + x] < kInkLevel;
    };
    // Along rows (across) and along columns (down): runs at least length long.
    for (const bool across : {true, false}) {
        const int lines = across ? h : w, along = across ? w : h;
        for (int i = 0; i < lines; ++i) {
            CheckWorkLimit();
            for (int j = 0; j < along;) {
                const int start = j;
                while (j < along && (across ? ink(j, i) : ink(i, j))) ++j;
                if (j - start >= length)
                    for (int k = start; k < j; ++k)
                        rules[across ? static_cast<size_t>(i) * w + k
                                     : static_cast<size_t>(k) * w + i] = 1;
                if (j == start) ++j;
            }
        }
    }
    return rules;
}

}  // namespace

bool TextCoversInk(const RenderedPage& page, const std::vector<PixelBox>& text) {
    if (text.empty()) return false;
    const int w = page.geometry.width, h = page.geometry.height;
    const std::vector<uint8_t> mask = Mask(text, w, h);
    const std::vector<uint8_t> rules =
        Rules(page, std::max(2, static_cast<int>(kRuleHeights * MiddleHeight(text))));
    size_t ink = 0, covered = 0;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = page.pixels.data() + static_cast<size_t>(y) * page.bytesPerLine;
        const uint8_t* inText = mask.data() + static_cast<size_t>(y) * w;
        const uint8_t* ruled = rules.data() + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x) {
            if (row[x] >= kInkLevel || ruled[x]) continue;
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
