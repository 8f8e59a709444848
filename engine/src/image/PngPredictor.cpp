#include "image/PngPredictor.h"

#include <cstdlib>
#include <vector>

namespace xdw {

namespace {

// Written without branches, so the row loop stays fast.
inline uint8_t Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    const int ab = pb < pa ? b : a;
    const int best = pb < pa ? pb : pa;
    return static_cast<uint8_t>(pc < best ? c : ab);
}

// How well a filtered byte will compress: its distance from zero, taken as
// a signed value (the usual measure for choosing a row's filter).
inline unsigned Weight(uint8_t v) {
    return static_cast<unsigned>(std::abs(static_cast<int8_t>(v)));
}

}  // namespace

void WritePredictedRows(const uint8_t* rows, size_t rowBytes, uint32_t height, size_t bpp,
                        Pipeline& out) {
    const std::vector<uint8_t> zero(rowBytes, 0);
    std::vector<uint8_t> candidates[4];
    for (int f = 0; f < 4; ++f) {
        candidates[f].resize(rowBytes + 1);
        candidates[f][0] = static_cast<uint8_t>(f == 3 ? 4 : f);  // None, Sub, Up, Paeth
    }
    uint8_t* none = candidates[0].data() + 1;
    uint8_t* sub = candidates[1].data() + 1;
    uint8_t* upf = candidates[2].data() + 1;
    uint8_t* paeth = candidates[3].data() + 1;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* cur = rows + static_cast<size_t>(y) * rowBytes;
        const uint8_t* up = y == 0 ? zero.data() : cur - rowBytes;
        unsigned long cost[4] = {0, 0, 0, 0};
        const size_t lead = bpp < rowBytes ? bpp : rowBytes;
        for (size_t i = 0; i < lead; ++i) {
            none[i] = cur[i];
            sub[i] = cur[i];
            upf[i] = static_cast<uint8_t>(cur[i] - up[i]);
            paeth[i] = static_cast<uint8_t>(cur[i] - up[i]);
        }
        for (size_t i = lead; i < rowBytes; ++i) {
            none[i] = cur[i];
            sub[i] = static_cast<uint8_t>(cur[i] - cur[i - bpp]);
            upf[i] = static_cast<uint8_t>(cur[i] - up[i]);
            paeth[i] = static_cast<uint8_t>(cur[i] - Paeth(cur[i - bpp], up[i], up[i - bpp]));
        }
        for (size_t i = 0; i < rowBytes; ++i) {
            cost[0] += Weight(none[i]);
            cost[1] += Weight(sub[i]);
            cost[2] += Weight(upf[i]);
            cost[3] += Weight(paeth[i]);
        }
        int best = 0;
        for (int f = 1; f < 4; ++f)
            if (cost[f] < cost[best]) best = f;
        out.write(candidates[best].data(), rowBytes + 1);
    }
}

}  // namespace xdw
