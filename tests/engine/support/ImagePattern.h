// The pattern of the test images (see ImageSpec in TestFiles.h), drawn with
// Leptonica for the JPEG and TIFF writers.
#pragma once

#include <memory>

#include <leptonica/allheaders.h>

#include "TestFiles.h"

namespace xdwtest {

struct PixDeleter {
    void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<PIX, PixDeleter>;

// The pattern: the top-left quarter is marked, the rest is white.
PixPtr MakePix(const ImageSpec& want);

}  // namespace xdwtest
