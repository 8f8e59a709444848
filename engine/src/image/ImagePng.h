// PNG files whose compressed data PDF readers take as it is: the image data
// becomes the page's image stream unchanged (no decoding and coding again).
#pragma once

#include <string>

#include <qpdf/QPDF.hh>

namespace xdw {

// Adds a page showing the PNG data when it can be used as it is: not
// interlaced, no transparency (no alpha channel, no tRNS chunk). The
// compressed data is checked to decode to exactly the picture's rows first.
// Returns false, adding nothing, for a PNG that needs decoding; throws
// EngineError(XDW_E_CANNOT_READ) for a damaged one.
bool AddPngPageAsStored(QPDF& pdf, const std::string& data);

}  // namespace xdw
