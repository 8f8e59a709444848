// What recognition finds on a page: lines of words of characters, with their
// boxes in the pixels of the page image that was read.
#pragma once

#include <string>
#include <vector>

#include "layout/PixelTypes.h"

namespace xdw {

struct OcrSymbol {
    std::u32string text;  // usually one character
    PixelBox box;
};

struct OcrWord {
    std::vector<OcrSymbol> symbols;
    PixelBox box;
    float confidence = 0;  // the recogniser's, 0 to 100
};

struct OcrLine {
    std::vector<OcrWord> words;
    PixelBox box;
    bool vertical = false;  // written top to bottom; columns follow right to left
    int block = 0;          // lines of one block (paragraph, column) share a number
    // The boxes lie on the page turned this much (degrees, clockwise as
    // shown) about its centre to stand level; the line is laid where it
    // lies on the scan.
    double skewDegrees = 0;
};

}  // namespace xdw
