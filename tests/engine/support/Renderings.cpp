// Pages rendered by poppler, to look at what a document shows.
#include <memory>
#include <stdexcept>

#include <poppler-document.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include "TestFiles.h"

namespace xdwtest {

void RgbImage::Average(double x0, double y0, double x1, double y1, double rgb[3]) const {
    const int xa = static_cast<int>(x0 * width), xb = std::max(xa + 1, int(x1 * width));
    const int ya = static_cast<int>(y0 * height), yb = std::max(ya + 1, int(y1 * height));
    double sum[3] = {0, 0, 0};
    long count = 0;
    for (int y = ya; y < yb && y < height; ++y) {
        for (int x = xa; x < xb && x < width; ++x) {
            const uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
            for (int c = 0; c < 3; ++c) sum[c] += p[c];
            ++count;
        }
    }
    for (int c = 0; c < 3; ++c) rgb[c] = count > 0 ? sum[c] / count : 0;
}

RgbImage RenderPdfPage(const std::string& path, int page, double dpi) {
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path));
    if (!doc) throw std::runtime_error("poppler cannot open " + path);
    std::unique_ptr<poppler::page> p(doc->create_page(page - 1));
    if (!p) throw std::runtime_error("no such page");
    poppler::page_renderer renderer;
    const poppler::image image = renderer.render_page(p.get(), dpi, dpi);
    if (!image.is_valid() || image.format() != poppler::image::format_argb32)
        throw std::runtime_error("render failed");
    RgbImage out;
    out.width = image.width();
    out.height = image.height();
    out.pixels.resize(static_cast<size_t>(out.width) * out.height * 3);
    for (int y = 0; y < out.height; ++y) {
        const auto* row = reinterpret_cast<const uint8_t*>(image.const_data()) +
                          static_cast<size_t>(y) * image.bytes_per_row();
        for (int x = 0; x < out.width; ++x) {
            uint8_t* dst = &out.pixels[(static_cast<size_t>(y) * out.width + x) * 3];
            dst[0] = row[x * 4 + 2];  // stored as B, G, R, A
            dst[1] = row[x * 4 + 1];
            dst[2] = row[x * 4 + 0];
        }
    }
    return out;
}

}  // namespace xdwtest
