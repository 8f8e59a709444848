// The image of a page for recognition: read straight from a plain scan when
// it is one, rendered otherwise.
#pragma once

#include <qpdf/QPDF.hh>

#include "pdf/Renderer.h"

namespace xdw {

// The page as RenderPage gives it, read straight from the page's image when
// the page is a plain scan at that resolution (see ScanReader.h), which
// is much cheaper.
RenderedPage PageImage(QPDF& pdf, int page, double dpi);

}  // namespace xdw
