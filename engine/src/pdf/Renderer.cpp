#include "pdf/Renderer.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-image.h>
#include <poppler/cpp/poppler-page-renderer.h>
#include <poppler/cpp/poppler-page.h>
#include <poppler/cpp/poppler-rectangle.h>

#include "Error.h"
#include "Limits.h"
#include "PageColour.h"
#include "QuietJpeg.h"
#include "pdf/BoundedSink.h"
#include "pdf/LayerMark.h"

namespace xdw {

double RenderDpi(double widthPt, double heightPt, double dpi) {
    const double w = std::abs(widthPt) / 72.0, h = std::abs(heightPt) / 72.0;  // inches
    if (w <= 0 || h <= 0) return dpi;
    double d = dpi;
    d = std::min(d, kMaxRenderSide / std::max(w, h));
    d = std::min(d, std::sqrt(kMaxRenderPixels / (w * h)));
    return d;
}

namespace {

// A page whose content decodes to more than any real page's is refused before
// it is copied or rendered; counting stops at the limit.
void CheckContentSize(QPDF& pdf, int page) {
    BoundedSink sink(kMaxContentBytes, false);
    try {
        auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
        if (page < 1 || page > static_cast<int>(pages.size()))
            throw EngineError(XDW_E_INVALID_ARG, "page");
        PipePageContents(pages[page - 1], sink);
    } catch (const EngineError&) {
        throw;
    } catch (const std::exception&) {
        // Damaged content is poppler's to judge; only the size counts here.
    }
    if (sink.full())
        BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_BYTES, kMaxContentBytes,
                 "page content too large to render");
}

// An image declaring more pixels than any page may hold is refused before
// the page is rendered: decoding it, even to scale it down, would take
// minutes and what its decoder holds. Forms are looked into, each once.
void CheckImageSizes(QPDF& pdf, int page) {
    auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
    if (page < 1 || page > static_cast<int>(pages.size())) return;
    std::vector<QPDFObjectHandle> resources{pages[page - 1].getAttribute("/Resources", false)};
    std::set<QPDFObjGen> seen;
    while (!resources.empty() && seen.size() < 100000) {
        QPDFObjectHandle xobjects = resources.back().isDictionary()
                                        ? resources.back().getKey("/XObject")
                                        : QPDFObjectHandle::newNull();
        resources.pop_back();
        if (!xobjects.isDictionary()) continue;
        for (auto [name, xobject] : xobjects.ditems()) {
            if (!xobject.isStream() || !seen.insert(xobject.getObjGen()).second) continue;
            QPDFObjectHandle dict = xobject.getDict();
            if (dict.getKey("/Subtype").isNameAndEquals("/Form")) {
                resources.push_back(dict.getKey("/Resources"));
                continue;
            }
            QPDFObjectHandle w = dict.getKey("/Width"), h = dict.getKey("/Height");
            if (!w.isInteger() || !h.isInteger()) continue;
            const long double pixels = static_cast<long double>(w.getIntValue()) *
                                       static_cast<long double>(h.getIntValue());
            if (pixels > static_cast<long double>(kMaxPagePixels))
                BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_PIXELS, kMaxPagePixels,
                         "page image too large to render (" + std::to_string(w.getIntValue()) +
                             "x" + std::to_string(h.getIntValue()) + " pixels)");
        }
    }
}

}  // namespace

std::string SinglePagePdf(QPDF& pdf, int page, bool withoutLayer) {
    CheckContentSize(pdf, page);
    CheckImageSizes(pdf, page);
    try {
        // Attributes a page inherits from its page tree must travel with it.
        pdf.pushInheritedAttributesToPage();
        auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
        if (page < 1 || page > static_cast<int>(pages.size()))
            throw EngineError(XDW_E_INVALID_ARG, "page");
        QPDF one;
        one.emptyPDF();
        QPDFPageDocumentHelper(one).addPage(pages[page - 1], false);
        if (withoutLayer) {
            // The copy's objects are its own: the document's page is untouched.
            QPDFObjectHandle copy =
                QPDFPageDocumentHelper(one).getAllPages().at(0).getObjectHandle();
            QPDFObjectHandle contents = copy.getKey("/Contents");
            if (contents.isArray()) {
                std::vector<QPDFObjectHandle> kept;
                for (auto& item : contents.getArrayAsVector())
                    if (!item.isStream() || !item.getDict().hasKey(kTextLayerMark))
                        kept.push_back(item);
                copy.replaceKey("/Contents", QPDFObjectHandle::newArray(kept));
            }
        }
        QPDFWriter writer(one);
        writer.setOutputMemory();
        writer.setStaticID(true);
        // Streams travel as they are stored: poppler decodes only what it
        // draws, while re-coding them here would inflate every one in full.
        writer.setDecodeLevel(qpdf_dl_none);
        writer.setCompressStreams(false);
        writer.write();
        std::unique_ptr<Buffer> buffer(writer.getBuffer());
        return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
    } catch (const EngineError&) {
        throw;
    } catch (const std::exception& e) {
        throw EngineError(XDW_E_CANNOT_READ, std::string("page cannot be read: ") + e.what());
    }
}

void QuietPoppler() {
    QuietLibjpeg();
    static const bool done = [] {
        poppler::set_debug_error_function([](const std::string&, void*) {}, nullptr);
        return true;
    }();
    (void)done;
}

namespace {

// The boxes of the words poppler finds on the page, turned into pixels of the
// rendering (whose top left is the crop box's, as displayed).
std::vector<PixelBox> TextBoxes(poppler::page& page, const PageGeometry& g) {
    std::vector<PixelBox> boxes;
    // Positions come in points from the top left of the page as displayed.
    for (const poppler::text_box& word : page.text_list()) {
        const poppler::rectf r = word.bbox();
        const double k = 1 / g.pointsPerPixel;
        PixelBox b{static_cast<int>(std::floor(r.left() * k)),
                   static_cast<int>(std::floor(r.top() * k)),
                   static_cast<int>(std::ceil(r.right() * k)),
                   static_cast<int>(std::ceil(r.bottom() * k))};
        b.left = std::clamp(b.left, 0, g.width);
        b.right = std::clamp(b.right, 0, g.width);
        b.top = std::clamp(b.top, 0, g.height);
        b.bottom = std::clamp(b.bottom, 0, g.height);
        if (b.right > b.left && b.bottom > b.top) boxes.push_back(b);
    }
    return boxes;
}

}  // namespace

RenderedPage RenderPage(QPDF& pdf, int page, double dpi) {
    return RenderSinglePage(SinglePagePdf(pdf, page), dpi);
}

RenderedPage RenderSinglePage(const std::string& data, double dpi, std::vector<PixelBox>* text) {
    QuietPoppler();
    std::unique_ptr<poppler::document> doc(
        poppler::document::load_from_raw_data(data.data(), static_cast<int>(data.size())));
    if (!doc || doc->is_locked() || doc->pages() < 1)
        throw EngineError(XDW_E_CANNOT_READ, "page cannot be opened for rendering");
    std::unique_ptr<poppler::page> p(doc->create_page(0));
    if (!p) throw EngineError(XDW_E_CANNOT_READ, "page cannot be opened for rendering");

    RenderedPage out;
    PageGeometry& g = out.geometry;
    const poppler::rectf box = p->page_rect(poppler::crop_box);
    g.x0 = std::min(box.left(), box.right());
    g.x1 = std::max(box.left(), box.right());
    g.y0 = std::min(box.top(), box.bottom());
    g.y1 = std::max(box.top(), box.bottom());
    if (!(g.x1 - g.x0 >= 1.0) || !(g.y1 - g.y0 >= 1.0) || !std::isfinite(g.x1 - g.x0) ||
        !std::isfinite(g.y1 - g.y0))
        throw EngineError(XDW_E_CANNOT_READ, "page has no visible area");
    switch (p->orientation()) {
        case poppler::page::landscape:
            g.rotate = 90;
            break;
        case poppler::page::upside_down:
            g.rotate = 180;
            break;
        case poppler::page::seascape:
            g.rotate = 270;
            break;
        default:
            g.rotate = 0;
    }

    const double renderDpi = RenderDpi(g.x1 - g.x0, g.y1 - g.y0, dpi);
    poppler::page_renderer renderer;
    // In colour, so that seals and stamps can be told from the text.
    renderer.set_image_format(poppler::image::format_argb32);
    renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
    renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
    renderer.set_paper_color(0xffffffff);
    poppler::image img = renderer.render_page(p.get(), renderDpi, renderDpi);
    if (!img.is_valid() || img.width() <= 0 || img.height() <= 0 ||
        img.format() != poppler::image::format_argb32)
        throw EngineError(XDW_E_CANNOT_READ, "page cannot be rendered");

    g.width = img.width();
    g.height = img.height();
    const bool sideways = g.rotate == 90 || g.rotate == 270;
    const double shownWidth = sideways ? g.y1 - g.y0 : g.x1 - g.x0;
    g.pointsPerPixel = shownWidth / g.width;
    out.dpi = static_cast<int>(std::lround(renderDpi));
    out.bytesPerLine = g.width;
    out.pixels.resize(static_cast<size_t>(g.width) * g.height);
    const auto* bytes = reinterpret_cast<const uint8_t*>(img.const_data());
    // Each pixel 0xAARRGGBB in the machine's order, on white paper.
    auto colour = [&](int x, int y) {
        uint32_t argb = 0;
        std::memcpy(&argb, bytes + size_t(y) * img.bytes_per_row() + 4 * size_t(x), sizeof argb);
        return Rgb{uint8_t(argb >> 16), uint8_t(argb >> 8), uint8_t(argb)};
    };
    const OnWhite white(PaperColour(g.width, g.height, colour));
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            const Rgb c = colour(x, y);
            PutColour(out.pixels, out.stampInk, size_t(y) * g.width + x, c.r, c.g, c.b, white);
        }
    if (text != nullptr) *text = TextBoxes(*p, g);
    return out;
}

}  // namespace xdw
