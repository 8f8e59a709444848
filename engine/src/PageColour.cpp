#include "PageColour.h"

#include <algorithm>
#include <cstdlib>

namespace xdw {

namespace {

// Seal and stamp ink: bright, strongly coloured red, vermilion or crimson
// (hue within kRedHue of red), or blue (within kBlueHue of blue), its colour
// taken as it would be on white paper: the least brightness and
// colourfulness (brightest channel less the darkest) it keeps. Yellow, green,
// grey and black are never stamp ink.
constexpr int kStampLeast = 100;
constexpr int kStampChroma = 60;
constexpr double kRedHue = 0.5;   // of 60°: 30° either side of red
constexpr double kBlueHue = 0.7;  // 42° either side of blue

// Where seal ink thins out into the paper around it (its rim), it keeps its
// hue with less colour: down to kTintChroma.
constexpr int kTintChroma = 25;

// Paper darker than this in any channel is no paper (a desk, a dark
// picture): colours are then taken as they are.
constexpr int kPaperLeast = 128;

// The pixel's hue is a seal's, with at least chroma of colour.
bool StampHue(uint8_t r, uint8_t g, uint8_t b, int least) {
    const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
    const double chroma = hi - lo;
    if (hi < kStampLeast || chroma < least) return false;
    if (r == hi) return std::abs(g - b) <= kRedHue * chroma;
    if (b == hi) return std::abs(r - g) <= kBlueHue * chroma;
    return false;
}

uint8_t Luminance(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<uint8_t>((r * 299 + g * 587 + b * 114 + 500) / 1000);
}

}  // namespace

int Middle(const std::array<uint32_t, 256>& counts) {
    uint32_t total = 0;
    for (uint32_t n : counts) total += n;
    uint32_t seen = 0;
    int v = 0;
    while (v < 255 && (seen += counts[v]) < (total + 1) / 2) ++v;
    return v;
}

Rgb PaperColour(int w, int h, const std::function<Rgb(int x, int y)>& at) {
    std::array<uint32_t, 256> light{};
    for (int y = 0; y < h; y += 4)
        for (int x = 0; x < w; x += 4) {
            const Rgb c = at(x, y);
            ++light[Luminance(c.r, c.g, c.b)];
        }
    const int middle = Middle(light);
    std::array<std::array<uint32_t, 256>, 3> channels{};
    bool any = false;
    for (int y = 0; y < h; y += 4)
        for (int x = 0; x < w; x += 4) {
            const Rgb c = at(x, y);
            if (Luminance(c.r, c.g, c.b) < middle) continue;
            ++channels[0][c.r], ++channels[1][c.g], ++channels[2][c.b];
            any = true;
        }
    if (!any) return Rgb{};
    const Rgb paper{static_cast<uint8_t>(Middle(channels[0])),
                    static_cast<uint8_t>(Middle(channels[1])),
                    static_cast<uint8_t>(Middle(channels[2]))};
    if (std::min({paper.r, paper.g, paper.b}) < kPaperLeast) return Rgb{};
    return paper;
}

OnWhite::OnWhite(Rgb paper) {
    const uint8_t of[3] = {paper.r, paper.g, paper.b};
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            scale_[c][v] = static_cast<uint8_t>(
                std::min(255, (v * 255 + of[c] / 2) / std::max<int>(of[c], 1)));
}

void PutColour(std::vector<uint8_t>& grey, std::vector<uint8_t>& stampInk, size_t at, uint8_t r,
               uint8_t g, uint8_t b, const OnWhite& white) {
    const Rgb c = white(r, g, b);
    grey[at] = Luminance(c.r, c.g, c.b);
    if (!StampHue(c.r, c.g, c.b, kTintChroma)) return;
    if (stampInk.empty()) stampInk.assign(grey.size(), kNoStamp);
    stampInk[at] = StampHue(c.r, c.g, c.b, kStampChroma) ? kStampInk : kStampTint;
}

}  // namespace xdw
