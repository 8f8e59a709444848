#include "PageColour.h"

#include <algorithm>
#include <cstdlib>

namespace xdw {

int Middle(const std::array<uint32_t, 256>& counts) {
    uint32_t total = 0;
    for (uint32_t n : counts) total += n;
    uint32_t seen = 0;
    int v = 0;
    while (v < 255 && (seen += counts[v]) < (total + 1) / 2) ++v;
    return v;
}

OnWhite::OnWhite(Rgb paper) {
    const uint8_t of[3] = {paper.r, paper.g, paper.b};
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            scale_[c][v] = static_cast<uint8_t>(
                std::min(255, (v * 255 + of[c] / 2) / std::max<int>(of[c], 1)));
}

}  // namespace xdw
