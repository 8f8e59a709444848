// The OCR pass's shortcut for scanned pages, on any PDF: it gives a grey
// image of the size it claims within the render caps, or nothing.
#include <cstddef>
#include <cstdint>

#include <qpdf/QPDF.hh>

#include "Error.h"
#include "FuzzCheck.h"
#include "ocr/ScanReader.h"
#include "pdf/PageTree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    try {
        pdf.processMemoryFile("fuzz input", reinterpret_cast<const char*>(data), size);
        xdw::CheckPageTreeDepth(pdf);
    } catch (const std::exception&) {
        return 0;  // refused when opened; the open path has its own target
    }
    for (int page = 1; page <= 2; ++page) {
        const std::optional<xdw::RenderedPage> scan = xdw::ReadScannedPage(pdf, page, 300);
        if (!scan) continue;
        const xdw::PageGeometry& g = scan->geometry;
        FUZZ_CHECK(g.width > 0 && g.height > 0);
        FUZZ_CHECK(g.width <= xdw::kMaxRenderSide && g.height <= xdw::kMaxRenderSide);
        FUZZ_CHECK(scan->bytesPerLine == g.width);
        FUZZ_CHECK(scan->pixels.size() == static_cast<size_t>(g.width) * g.height);
        FUZZ_CHECK(g.rotate % 90 == 0 && g.rotate >= 0 && g.rotate < 360);
    }
    return 0;
}
