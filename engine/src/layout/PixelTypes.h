// Page images and boxes in their pixels: what the layout, the recogniser and
// the renderer share, with nothing below them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace xdw {

// Where the rendered image sits on the page: the visible box in the page's
// own coordinates, the page's rotation and the size of one pixel.
struct PageGeometry {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // visible (crop) box, unrotated
    int rotate = 0;                         // 0, 90, 180 or 270, clockwise
    double pointsPerPixel = 0;              // the same horizontally and vertically
    int width = 0, height = 0;              // image size in pixels, as displayed
};

// A box in image pixels, as displayed: left/top inclusive, right/bottom exclusive.
struct PixelBox {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// A picture's resolution along its own two axes (a normal-mode fax's 204
// across and 98 down); 0 when not known.
struct PictureDpi {
    int x = 0, y = 0;
    int Coarser() const { return std::min(x, y); }
    // Finer one way than the other, beyond rounding: a fax's.
    bool Unequal() const { return std::abs(x - y) * 50 > std::max(x, y); }
};

struct RenderedPage {
    std::vector<uint8_t> pixels;  // 8-bit grey, rows of bytesPerLine
    int bytesPerLine = 0;
    int dpi = 0;  // the resolution used, below the requested one for huge pages
    PageGeometry geometry;
    // Drawn from one image of one bit a pixel: a fax or a black-and-white
    // scan, whose noise is a fax line's or a scanner's.
    bool bilevel = false;
    // The resolution of the one picture it is drawn from, when known.
    PictureDpi picture;
    // 1 where the pixel has the colour of seal or stamp ink (bright red,
    // vermilion, blue), like pixels; empty when none has.
    std::vector<uint8_t> stampInk;
};

// The smallest box holding both.
inline PixelBox Union(const PixelBox& a, const PixelBox& b) {
    return PixelBox{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                    std::max(a.bottom, b.bottom)};
}

// Whether b's middle lies within area.
inline bool MiddleWithin(const PixelBox& b, const PixelBox& area) {
    const int x = (b.left + b.right) / 2, y = (b.top + b.bottom) / 2;
    return x >= area.left && x < area.right && y >= area.top && y < area.bottom;
}

// The middle value (the upper one of an even count); T() for none.
template <typename T>
T Median(std::vector<T> v) {
    if (v.empty()) return T();
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

}  // namespace xdw
