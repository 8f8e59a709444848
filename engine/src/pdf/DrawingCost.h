// How much drawing a page asks for, counted before anything draws it: forms
// drawn by forms multiply (nine levels of a form drawn ten times make a
// billion operations from a few kilobytes), and reading a page's text in
// this process cannot be interrupted once it has begun.
#pragma once

#include <cstdint>

#include <qpdf/QPDF.hh>

namespace xdw {

// More than any real page draws: a dense technical drawing has some
// hundred thousand operations.
constexpr std::uint64_t kMaxDrawingOperations = 2'000'000;

// Whether page (counting from 1) of pdf draws at most limit operations, its
// forms' counted as often as they are drawn. Counting stops at the limit; a
// form that draws itself never fits. Damaged content counts as far as it
// can be read.
bool DrawingFits(QPDF& pdf, int page, std::uint64_t limit = kMaxDrawingOperations);

}  // namespace xdw
