// What the engine accepts from a file, whatever the file claims. Every buffer
// sized from a file's header is checked against these first; README.md
// ("Limits") states them for users.
#pragma once

#include <cstdint>

namespace xdw {

// One page's decoded image: enough for A0 (841 x 1189 mm) scanned at 600 dpi
// in 8-bit grey (about 558 million pixels).
constexpr uint64_t kMaxPagePixels = 600'000'000;
constexpr uint64_t kMaxPageBytes = 640ull << 20;
// Images that only libtiff's RGBA reader understands (YCbCr, Lab, alpha, ...)
// take seven bytes a pixel while they are converted.
constexpr uint64_t kMaxRgbaPixels = kMaxPageBytes / 7;

// All pages of one image file together, counted as decoded sample bytes
// (a bilevel pixel is one bit): bounds the work of a single conversion.
constexpr uint64_t kMaxFileDecodedBytes = 16ull << 30;
constexpr int kMaxImagePages = 10000;

// JPEG files are embedded as they are, held in memory once.
constexpr uint64_t kMaxJpegBytes = 768ull << 20;
// A progressive JPEG is decoded once per scan; real ones have about ten.
constexpr int kMaxJpegScans = 1000;

// Pictures decoded whole (PNG, GIF, BMP, WebP, PNM): the decoder's rows and
// the decoded picture (four bytes a colour pixel) are held at once, and the
// file beside them.
constexpr uint64_t kMaxDecodedPictureBytes = 256ull << 20;
constexpr uint64_t kMaxDecodedPictureFile = 256ull << 20;

// Page trees deeper than this are refused: real files are a few levels
// deep, and qpdf walks the tree recursively, so a deep one would exhaust the
// stack.
constexpr int kMaxPageTreeDepth = 256;

// Decoded size of a page's content streams that the OCR pass still renders.
constexpr uint64_t kMaxContentBytes = 256ull << 20;

}  // namespace xdw
