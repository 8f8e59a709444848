#include "ocr/ScanOrRender.h"

#include <optional>
#include <utility>

#include "ocr/BoundedRender.h"
#include "ocr/ScanReader.h"

namespace xdw {

RenderedPage PageImage(QPDF& pdf, int page, double dpi) {
    if (std::optional<RenderedPage> scan = ReadScannedPage(pdf, page, dpi)) return std::move(*scan);
    return RenderPageBounded(pdf, page, dpi);
}

}  // namespace xdw
