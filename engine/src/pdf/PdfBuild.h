// Building image documents: one page per image, the image drawn to fill the
// page at the size its resolution gives.
#pragma once

#include <qpdf/QPDF.hh>

namespace xdw {

// Where an image's pixels go on the page. width and height in pixels; dpi
// values of 0 or out of range mean "unknown". orientation as TIFF/EXIF count
// it (1 upright ... 8); anything else is taken as 1.
struct ImagePlacement {
    long width = 0;
    long height = 0;
    double xdpi = 0;
    double ydpi = 0;
    int orientation = 1;
};

// The resolution assumed when an image records none.
constexpr double kDefaultDpi = 72.0;

// A new image XObject stream of pdf, its data still to be set.
QPDFObjectHandle NewImageStream(QPDF& pdf, long width, long height, int bitsPerComponent,
                                QPDFObjectHandle colorSpace);

// Adds a page showing image (an image XObject stream of pdf) as placed.
void AddImagePage(QPDF& pdf, QPDFObjectHandle image, const ImagePlacement& placement);

}  // namespace xdw
