// Pictures the direct route does not take (PNG, GIF, BMP, WebP, PNM, and
// JPEG or TIFF data under another name) become pages built here, without
// any application: pixels are kept exactly, JPEG data byte for byte.
#pragma once

#include <string>

#include <qpdf/QPDF.hh>

namespace xdw {

enum class PictureKind { None, Jpeg, Tiff, Png, Gif, Bmp, WebP, Pnm };

// The kind of picture the first bytes of a file announce (None for anything
// else).
PictureKind PictureKindOf(const std::string& head);
const char* PictureKindName(PictureKind kind);

// Adds the pages of the picture file at path: one for every picture it
// holds. A GIF gives one page, its first frame (what is shown before an
// animation starts). Transparent parts are shown over white paper. The page
// size follows the picture's recorded resolution where it is credible (see
// AddImagePage).
// Throws EngineError(XDW_E_CANNOT_READ) with the reason for a damaged or
// unsupported picture.
void AddPicturePages(QPDF& pdf, const std::string& path);

}  // namespace xdw
