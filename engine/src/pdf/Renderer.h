// Rendering one page of an open document to a grey image, as it currently
// stands in memory (unsaved rotations and changes included).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <qpdf/QPDF.hh>

namespace xdw {

// Where the rendered image sits on the page: the visible box in the page's
// own coordinates, the page's rotation and the size of one pixel.
struct PageGeometry {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // visible (crop) box, unrotated
    int rotate = 0;                         // 0, 90, 180 or 270, clockwise
    double pointsPerPixel = 0;              // the same horizontally and vertically
    int width = 0, height = 0;              // image size in pixels, as displayed
};

// A box in image pixels, as displayed: left/top inclusive, right/bottom exclusive.
struct PixelBox {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct RenderedPage {
    std::vector<uint8_t> pixels;  // 8-bit grey, rows of bytesPerLine
    int bytesPerLine = 0;
    int dpi = 0;  // the resolution used, below the requested one for huge pages
    PageGeometry geometry;
};

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
