#include "ocr/Ocr.h"

#include <fstream>
#include <iterator>

#include <qpdf/QPDFPageDocumentHelper.hh>

#include "Error.h"
#include "ocr/OcrEngine.h"
#include "ocr/OcrRecognize.h"
#include "ocr/Orientation.h"
#include "ocr/PageImage.h"
#include "ocr/TextLayer.h"

namespace xdw {

namespace {

constexpr double kOcrDpi = 300;

// The glyphless TrueType font Tesseract ships beside its language data.
std::string GlyphlessFontFile() {
    const std::string path = TessdataDir() + "/pdf.ttf";
    std::ifstream in(path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) data.clear();
    if (data.empty()) throw EngineError(XDW_E_NOT_INSTALLED, "font missing: " + path);
    return data;
}

QPDFObjectHandle PageObject(Document& doc, int page) {
    auto pages = QPDFPageDocumentHelper(*doc.pdf).getAllPages();
    if (page < 1 || page > static_cast<int>(pages.size()))
        throw EngineError(XDW_E_INVALID_ARG, "page");
    return pages[page - 1].getObjectHandle();
}

// Runs body, turning library failures into engine errors.
template <typename Body>
void Guarded(Body&& body) {
    try {
        body();
    } catch (const EngineError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw EngineError(XDW_E_FAIL, "out of memory");
    } catch (const std::exception& e) {
        throw EngineError(XDW_E_FAIL, e.what());
    }
}

}  // namespace

void ApplyOcr(Document& doc, int page, const XDW_OCR_OPTION& option) {
    if (!doc.pdf) throw EngineError(XDW_E_INVALID_ARG, "document not open");
    const std::string languages = TesseractLanguages(option.language);
    Guarded([&] {
        const std::string font = GlyphlessFontFile();
        const RenderedPage rendered = PageImage(*doc.pdf, page, kOcrDpi);
        const std::vector<OcrLine> lines = RecognizePage(rendered, languages);
        PutTextLayer(*doc.pdf, PageObject(doc, page), lines, rendered.geometry, font);
        doc.changed = true;
    });
}

void RotatePageAuto(Document& doc, int page) {
    if (!doc.pdf) throw EngineError(XDW_E_INVALID_ARG, "document not open");
    Guarded([&] {
        const RenderedPage rendered = PageImage(*doc.pdf, page, kOcrDpi);
        const std::optional<int> turn = UprightTurn(rendered);
        if (!turn || *turn == 0) return;
        const int rotate = (rendered.geometry.rotate + *turn) % 360;
        PageObject(doc, page).replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotate));
        doc.changed = true;
    });
}

void FinalizeOcr() { ReleaseTesseract(); }

}  // namespace xdw
