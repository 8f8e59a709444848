// The grey a page is read in, from its colours.
#pragma once

#include <algorithm>
#include <cstdint>

namespace xdw {

// Bright, strongly coloured red, vermilion or blue ink is a seal or a stamp
// laid over the text, not text: it reads as paper. Dark colours, black and
// grey read as their brightness, so black text on coloured paper, or where
// a seal covers it, stays dark.
// Stamp ink over coloured paper comes darker: the least brightness and
// colourfulness (brightest channel less the darkest) it keeps.
inline constexpr int kStampLeast = 100;
inline constexpr int kStampChroma = 60;

inline uint8_t ReadingGrey(uint8_t r, uint8_t g, uint8_t b) {
    const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
    const bool stamp =
        hi >= kStampLeast && hi - lo >= kStampChroma && (r == hi || b == hi) && g != hi;
    if (stamp) return 255;
    return static_cast<uint8_t>((r * 299 + g * 587 + b * 114 + 500) / 1000);
}

}  // namespace xdw
