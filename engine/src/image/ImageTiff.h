// TIFF files become one page per image they hold.
#pragma once

#include <string>

#include <qpdf/QPDF.hh>

namespace xdw {

// Reads the directories of the TIFF file at path and adds a page for each
// image. Only the tags are read here; each page's pixels are read and coded
// while the document is written, one page at a time, so memory does not grow
// with the page count. Bilevel pages become CCITT G4 (kept as they are when
// already G4), all others are stored losslessly.
// Throws EngineError(XDW_E_CANNOT_READ) for a file that is not a usable TIFF;
// a page that fails to decode later fails the write the same way.
void AddTiffPages(QPDF& pdf, const std::string& path);

}  // namespace xdw
