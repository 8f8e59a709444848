// Scanned pages read straight from their image: a page that is nothing but
// one image drawn over its whole visible box looks exactly like its rendering
// at the image's resolution, so the rendering can be skipped.
#pragma once

#include <optional>

#include <qpdf/QPDF.hh>

#include "pdf/Renderer.h"

namespace xdw {

// The page as RenderPage would give it at the image's own resolution, when
// that is dpi or a little coarser (down to 200 dpi, still fine enough to
// read), or at dpi when the image is finer (up to twice: a photo); nothing
// when the page is not such a scan (other content, annotations, masks,
// pixels that are not square, another resolution, an image encoding qpdf
// cannot decode): then it has to be rendered at dpi. A page that is one
// picture the renderer would enlarge to dpi (one bit a pixel in CCITT G4, as
// this engine stores faxes, or grey coarser than 200 dpi) is drawn here as
// the renderer draws it, to the pixel, and marked bilevel as DrawPage marks it.
std::optional<RenderedPage> ReadScannedPage(QPDF& pdf, int page, double dpi);

// When the page is nothing but one image of one bit a pixel (a fax, a
// black-and-white scan), the image's resolution; otherwise 0 both ways.
PictureDpi BilevelScanDpi(QPDF& pdf, int page);

}  // namespace xdw
