// Rendering one page of an open document to a grey image, as it currently
// stands in memory (unsaved rotations and changes included).
#pragma once

#include <string>
#include <vector>

#include <qpdf/QPDF.hh>

#include "layout/PixelTypes.h"

namespace xdw {

// Pages are never rendered beyond these, whatever their size.
constexpr int kMaxRenderSide = 12000;
constexpr double kMaxRenderPixels = 60e6;

// The resolution at which a page of widthPt x heightPt is rendered when dpi
// is asked for: dpi, or less so that the image stays within the caps.
double RenderDpi(double widthPt, double heightPt, double dpi);

// page counts from 1. Throws EngineError(XDW_E_CANNOT_READ) for a page that
// cannot be rendered.
RenderedPage RenderPage(QPDF& pdf, int page, double dpi);

// Damaged pages make poppler complain on stderr, which belongs to the caller:
// its messages are dropped from the first call on.
void QuietPoppler();

// A PDF file, in memory, holding only that page; withoutLayer leaves out the
// text layer this engine added (it draws nothing, so the page looks the same).
std::string SinglePagePdf(QPDF& pdf, int page, bool withoutLayer = false);

// Renders the only page of a PDF held in memory (as SinglePagePdf gives it).
// When text is given, it receives the boxes of the text the page draws
// (visible or not), in the image's pixels.
RenderedPage RenderSinglePage(const std::string& data, double dpi,
                              std::vector<PixelBox>* text = nullptr);

}  // namespace xdw
