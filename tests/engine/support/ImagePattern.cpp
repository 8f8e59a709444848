#include "ImagePattern.h"

#include <stdexcept>

namespace xdwtest {

// The pattern: the top-left quarter is marked, the rest is white.
PixPtr MakePix(const ImageSpec& want) {
    const int depth = want.kind == ImageKind::Bilevel ? 1 : want.kind == ImageKind::Gray ? 8 : 32;
    PixPtr pix(pixCreate(want.width, want.height, depth));
    if (!pix) throw std::runtime_error("pixCreate failed");
    if (depth == 1) {
        pixClearAll(pix.get());  // 0 is white
    } else {
        pixSetAll(pix.get());
    }
    for (int y = 0; y < want.height / 2; ++y) {
        for (int x = 0; x < want.width / 2; ++x) {
            l_uint32 value = 0;
            if (depth == 1) value = 1;
            if (depth == 32) composeRGBPixel(255, 0, 0, &value);
            pixSetPixel(pix.get(), x, y, value);
        }
    }
    if (want.dpi > 0) pixSetResolution(pix.get(), want.dpi, want.dpi);
    return pix;
}

}  // namespace xdwtest
