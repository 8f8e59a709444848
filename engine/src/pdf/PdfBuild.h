// Building image documents: one page per image, the image drawn to fill the
// page at the size its resolution gives.
#pragma once

#include <qpdf/QPDF.hh>

namespace xdw {

// Where an image's pixels go on the page. width and height in pixels; dpi
// values of 0 or out of range mean "unknown". orientation as TIFF/EXIF count
// it (1 upright ... 8); anything else is taken as 1. camera: the picture
// comes from a camera (its EXIF names one), whose resolution says nothing
// about paper.
struct ImagePlacement {
    long width = 0;
    long height = 0;
    double xdpi = 0;
    double ydpi = 0;
    int orientation = 1;
    bool camera = false;
};

// Below 97 dpi a recorded resolution is not a scan's: screen shots and
// phone photos say 72 or 96 dpi whatever they show. 97 lets through a fax in
// normal mode, whose rows are 3.85 per mm (97.8 dpi, 98 as most write it)
// under 204 dpi across, and 100 dpi written per centimetre (99.06 dpi). Each
// axis keeps its own resolution: a fax page is as tall as its paper.
constexpr double kMinScanDpi = 97.0;

// A4 in points, the paper a picture without a credible resolution is fitted
// to (portrait or landscape as the picture is).
constexpr double kA4Short = 595.276;
constexpr double kA4Long = 841.89;

// A new image XObject stream of pdf, its data still to be set.
QPDFObjectHandle NewImageStream(QPDF& pdf, long width, long height, int bitsPerComponent,
                                QPDFObjectHandle colorSpace);

// Adds a page showing image (an image XObject stream of pdf) as placed: at
// the size its resolution gives when that is credible (recorded, at least
// kMinScanDpi, not a camera's), else fitted to A4 at the picture's own
// proportions.
void AddImagePage(QPDF& pdf, QPDFObjectHandle image, const ImagePlacement& placement);

}  // namespace xdw
