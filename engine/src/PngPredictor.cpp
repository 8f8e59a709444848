#include "PngPredictor.h"

#include <cstdlib>
#include <vector>

namespace xdw {

namespace {

uint8_t Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Sum of the filtered bytes taken as signed values: the usual measure of
// how well a row will compress.
unsigned long Cost(const std::vector<uint8_t>& row) {
    unsigned long sum = 0;
    for (size_t i = 1; i < row.size(); ++i) sum += row[i] < 128 ? row[i] : 256 - row[i];
    return sum;
}

}  // namespace

void WritePredictedRows(const uint8_t* rows, size_t rowBytes, uint32_t height, size_t bpp,
                        Pipeline& out) {
    const std::vector<uint8_t> zero(rowBytes, 0);
    std::vector<uint8_t> candidates[4];
    for (auto& c : candidates) c.resize(rowBytes + 1);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* cur = rows + static_cast<size_t>(y) * rowBytes;
        const uint8_t* up = y == 0 ? zero.data() : cur - rowBytes;
        for (int f = 0; f < 4; ++f) candidates[f][0] = static_cast<uint8_t>(f == 3 ? 4 : f);
        for (size_t i = 0; i < rowBytes; ++i) {
            const int a = i >= bpp ? cur[i - bpp] : 0;
            const int b = up[i];
            const int c = i >= bpp ? up[i - bpp] : 0;
            candidates[0][i + 1] = cur[i];
            candidates[1][i + 1] = static_cast<uint8_t>(cur[i] - a);
            candidates[2][i + 1] = static_cast<uint8_t>(cur[i] - b);
            candidates[3][i + 1] = static_cast<uint8_t>(cur[i] - Paeth(a, b, c));
        }
        int best = 0;
        unsigned long bestCost = Cost(candidates[0]);
        for (int f = 1; f < 4; ++f) {
            const unsigned long cost = Cost(candidates[f]);
            if (cost < bestCost) best = f, bestCost = cost;
        }
        out.write(candidates[best].data(), candidates[best].size());
    }
}

}  // namespace xdw
