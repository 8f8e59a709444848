// The grey a page is read in, from its colours, and the colours of seal and
// stamp ink.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "layout/PixelTypes.h"

namespace xdw {

// Seal and stamp ink: bright, strongly coloured red, vermilion or crimson
// (hue within kRedHue of red), or blue (within kBlueHue of blue). Over
// coloured paper it comes darker: the least brightness and colourfulness
// (brightest channel less the darkest) it keeps. Yellow, green, grey and
// black are never stamp ink.
inline constexpr int kStampLeast = 100;
inline constexpr int kStampChroma = 60;
inline constexpr double kRedHue = 0.5;   // of 60°: 30° either side of red
inline constexpr double kBlueHue = 0.7;  // 42° either side of blue

// Where seal ink thins out into the paper around it (its rim), it keeps its
// hue with less colour: down to kTintChroma.
inline constexpr int kTintChroma = 25;

// The pixel's hue is a seal's, with at least chroma of colour.
inline bool StampHue(uint8_t r, uint8_t g, uint8_t b, int least) {
    const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
    const double chroma = hi - lo;
    if (hi < kStampLeast || chroma < least) return false;
    if (r == hi) return std::abs(g - b) <= kRedHue * chroma;
    if (b == hi) return std::abs(r - g) <= kBlueHue * chroma;
    return false;
}

// What a page's stampInk holds for a pixel.
enum StampMark : uint8_t { kNoStamp = 0, kStampInk = 1, kStampTint = 2 };

inline uint8_t Luminance(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<uint8_t>((r * 299 + g * 587 + b * 114 + 500) / 1000);
}

// Pixel at of page set from a colour: its brightness, and marked when it is
// stamp ink or has its tint.
inline void PutColour(RenderedPage& page, size_t at, uint8_t r, uint8_t g, uint8_t b) {
    page.pixels[at] = Luminance(r, g, b);
    if (!StampHue(r, g, b, kTintChroma)) return;
    if (page.stampInk.empty()) page.stampInk.assign(page.pixels.size(), kNoStamp);
    page.stampInk[at] = StampHue(r, g, b, kStampChroma) ? kStampInk : kStampTint;
}

}  // namespace xdw
