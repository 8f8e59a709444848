#include "ocr/DocumentOcr.h"

#include <fstream>
#include <iterator>

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include "Error.h"
#include "ocr/OcrAhead.h"
#include "ocr/Orientation.h"
#include "ocr/Recognizer.h"
#include "ocr/ScanOrRender.h"
#include "ocr/TesseractPool.h"
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
    if (data.empty()) Bad(XDW_REASON_MISSING_PART, "font missing: " + path, path);
    return data;
}

QPDFObjectHandle PageObject(Document& doc, int page) {
    auto pages = QPDFPageDocumentHelper(*doc.pdf).getAllPages();
    if (page < 1 || page > static_cast<int>(pages.size()))
        throw EngineError(XDW_E_INVALID_ARG, "page");
    return pages[page - 1].getObjectHandle();
}

OcrAhead& Ahead() {
    static OcrAhead ahead;
    return ahead;
}

PageKey KeyOf(Document& doc, int page, const OcrRecipe& recipe) {
    QPDFObjectHandle object = PageObject(doc, page);
    QPDFObjectHandle rotate = QPDFPageObjectHelper(object).getAttribute("/Rotate", false);
    return PageKey{doc.handle,
                   page,
                   object.getObjGen().unparse(),
                   rotate.isInteger() ? rotate.getIntValueAsInt() : 0,
                   recipe.languages,
                   recipe.verticalLanguages,
                   recipe.tessdata,
                   recipe.timeLimitMs};
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
    const OcrRecipe recipe{TesseractLanguages(option.language),
                           TesseractVerticalLanguages(option.language), TessdataDir(),
                           OcrTimeLimitMs()};
    Guarded([&] {
        const std::string font = GlyphlessFontFile();
        const int pages = static_cast<int>(doc.pdf->getAllPages().size());
        std::optional<PageKey> next;
        if (page < pages) next = KeyOf(doc, page + 1, recipe);
        const PageResult result = [&] {
            try {
                return Ahead().Read(
                    KeyOf(doc, page, recipe), [&] { return TakePage(*doc.pdf, page, kOcrDpi); },
                    recipe, next, [&] { return TakePage(*doc.pdf, page + 1, kOcrDpi); });
            } catch (const EngineError& e) {
                // The run's reason names the page the engine gave up on.
                throw EngineError(e.code(), "page " + std::to_string(page) + ": " + e.what(),
                                  e.concern());
            }
        }();
        QPDFObjectHandle object = PageObject(doc, page);
        if (result.hasOwnText) {
            // The page's own text is what a reader finds; a layer of ours
            // from before would only double it.
            if (RemoveTextLayer(*doc.pdf, object)) doc.changed = true;
            return;
        }
        PutTextLayer(*doc.pdf, object, result.lines, result.geometry, font);
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

void StopOcrLookAhead() { Ahead().Stop(); }

void CancelOcrUnderWay() { Ahead().CancelAll(); }

void FinalizeOcr() {
    Ahead().Stop();
    ReleaseTesseract();
}

}  // namespace xdw
