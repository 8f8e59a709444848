// The grey a page is read in, from its colours as they would be on white
// paper (the paper's own colour measured on the page), and the colours of
// seal and stamp ink: what the renderer, the scan reader and the preparation
// of a page share.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace xdw {

struct Rgb {
    uint8_t r = 255, g = 255, b = 255;
};

// What a page's stampInk holds for a pixel: nothing, seal or stamp ink, or
// its tint where it thins out into the paper (its rim).
enum StampMark : uint8_t { kNoStamp = 0, kStampInk = 1, kStampTint = 2 };

// The middle of the values 0 to 255 counted in counts.
int Middle(const std::array<uint32_t, 256>& counts);

// Colours on a paper as they would be on white paper: each channel scaled
// so that the paper's is full.
class OnWhite {
public:
    explicit OnWhite(Rgb paper);
    Rgb operator()(uint8_t r, uint8_t g, uint8_t b) const {
        return Rgb{scale_[0][r], scale_[1][g], scale_[2][b]};
    }

private:
    std::array<std::array<uint8_t, 256>, 3> scale_{};
};

// What the functions below, asked for every pixel of a page, go by.
namespace colour {

// Seal and stamp ink: bright, strongly coloured red, vermilion or crimson
// (hue within kRedHue of red), or blue (within kBlueHue of blue), its colour
// taken as it would be on white paper: the least brightness and
// colourfulness (brightest channel less the darkest) it keeps. Yellow, green,
// grey and black are never stamp ink.
inline constexpr int kStampLeast = 100;
inline constexpr int kStampChroma = 60;
inline constexpr double kRedHue = 0.5;   // of 60°: 30° either side of red
inline constexpr double kBlueHue = 0.7;  // 42° either side of blue

// Where seal ink thins out into the paper around it (its rim), it keeps its
// hue with less colour: down to kTintChroma.
inline constexpr int kTintChroma = 25;

// Paper darker than this in any channel is no paper (a desk, a dark
// picture): colours are then taken as they are.
inline constexpr int kPaperLeast = 128;

// The pixel's hue is a seal's, with at least chroma of colour.
inline bool StampHue(uint8_t r, uint8_t g, uint8_t b, int least) {
    const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
    const double chroma = hi - lo;
    if (hi < kStampLeast || chroma < least) return false;
    if (r == hi) return std::abs(g - b) <= kRedHue * chroma;
    if (b == hi) return std::abs(r - g) <= kBlueHue * chroma;
    return false;
}

inline uint8_t Luminance(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<uint8_t>((r * 299 + g * 587 + b * 114 + 500) / 1000);
}

}  // namespace colour

// The colour of the paper of a picture w by h whose pixel (x, y) is at(x, y):
// in each channel, the middle of the lighter half of the pixels (a page is
// mostly paper), looked at on a grid of every fourth pixel. White when the
// paper is too dark to be paper (a desk, a dark picture).
template <typename At>
Rgb PaperColour(int w, int h, const At& at) {
    std::array<uint32_t, 256> light{};
    for (int y = 0; y < h; y += 4)
        for (int x = 0; x < w; x += 4) {
            const Rgb c = at(x, y);
            ++light[colour::Luminance(c.r, c.g, c.b)];
        }
    const int middle = Middle(light);
    std::array<std::array<uint32_t, 256>, 3> channels{};
    bool any = false;
    for (int y = 0; y < h; y += 4)
        for (int x = 0; x < w; x += 4) {
            const Rgb c = at(x, y);
            if (colour::Luminance(c.r, c.g, c.b) < middle) continue;
            ++channels[0][c.r], ++channels[1][c.g], ++channels[2][c.b];
            any = true;
        }
    if (!any) return Rgb{};
    const Rgb paper{static_cast<uint8_t>(Middle(channels[0])),
                    static_cast<uint8_t>(Middle(channels[1])),
                    static_cast<uint8_t>(Middle(channels[2]))};
    if (std::min({paper.r, paper.g, paper.b}) < colour::kPaperLeast) return Rgb{};
    return paper;
}

// Pixel at of a page's grey set from a colour, as it would be on white paper:
// its brightness, and marked in stampInk (made as large as grey, kNoStamp,
// when first needed) when it is stamp ink or has its tint.
inline void PutColour(std::vector<uint8_t>& grey, std::vector<uint8_t>& stampInk, size_t at,
                      uint8_t r, uint8_t g, uint8_t b, const OnWhite& white) {
    const Rgb c = white(r, g, b);
    grey[at] = colour::Luminance(c.r, c.g, c.b);
    if (!colour::StampHue(c.r, c.g, c.b, colour::kTintChroma)) return;
    if (stampInk.empty()) stampInk.assign(grey.size(), kNoStamp);
    stampInk[at] = colour::StampHue(c.r, c.g, c.b, colour::kStampChroma) ? kStampInk : kStampTint;
}

}  // namespace xdw
