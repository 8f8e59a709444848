// The grey a page is read in, from its colours as they would be on white
// paper (the paper's own colour measured on the page), and the colours of
// seal and stamp ink: what the renderer, the scan reader and the preparation
// of a page share.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
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

// The colour of the paper of a picture w by h whose pixel (x, y) is at(x, y):
// in each channel, the middle of the lighter half of the pixels (a page is
// mostly paper), looked at on a grid of every fourth pixel. White when the
// paper is too dark to be paper (a desk, a dark picture).
Rgb PaperColour(int w, int h, const std::function<Rgb(int x, int y)>& at);

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

// Pixel at of a page's grey set from a colour, as it would be on white paper:
// its brightness, and marked in stampInk (made as large as grey, kNoStamp,
// when first needed) when it is stamp ink or has its tint.
void PutColour(std::vector<uint8_t>& grey, std::vector<uint8_t>& stampInk, size_t at, uint8_t r,
               uint8_t g, uint8_t b, const OnWhite& white);

}  // namespace xdw
