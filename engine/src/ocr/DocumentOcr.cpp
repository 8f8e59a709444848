#include "ocr/DocumentOcr.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include "Error.h"
#include "ocr/BoundedRender.h"
#include "ocr/OcrAhead.h"
#include "ocr/OcrMemory.h"
#include "ocr/Orientation.h"
#include "ocr/PageRecognition.h"
#include "ocr/ReadText.h"
#include "ocr/Recognizer.h"
#include "ocr/TesseractPool.h"
#include "ocr/TextLayer.h"
#include "ocr/WayUp.h"

namespace xdw {

// How a document's pages are read once XDW_ApplyOcr has read one, and whether
// they are turned upright before they are read.
struct DocumentOcr {
    std::optional<OcrRecipe> recipe;
    bool uprighted = false;
    // A page turned upright before any was read: drawn then, it is not
    // drawn again to be read, while it stands as it was turned (key).
    std::optional<PageKey> drawnKey;
    PageInput drawn;
    // That page, asked to be turned upright before any was read: which way
    // up it stands is found as it is read, since its first lines read
    // clearly tell an upright page at no cost (0: none waits).
    int turnPending = 0;
    std::string pendingTessdata;
    // Pages whose drawing passed its own bounds, with that failure: asked
    // for again (turned, then read), they fail with it at once.
    std::vector<std::pair<PageKey, std::exception_ptr>> refused;
    // Its pages' memory, kept while they were read, goes back with it.
    ~DocumentOcr() { ReturnOcrMemory(); }
};

namespace {

constexpr double kOcrDpi = 300;

// The glyphless TrueType font Tesseract ships beside its language data.
std::string GlyphlessFontFile(const std::string& tessdata) {
    const std::string path = tessdata + "/pdf.ttf";
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

// A page narrower or lower than a point (a picture one pixel wide) shows
// nothing to read or to turn: it keeps no text, and that is no failure.
bool HasVisibleArea(Document& doc, int page) {
    const QPDFObjectHandle::Rectangle box =
        QPDFPageObjectHelper(PageObject(doc, page)).getCropBox(true).getArrayAsRectangle();
    const double width = std::abs(box.urx - box.llx), height = std::abs(box.ury - box.lly);
    return std::isfinite(width) && std::isfinite(height) && width >= 1.0 && height >= 1.0;
}

DocumentOcr& OcrOf(Document& doc) {
    if (!doc.ocr) doc.ocr = std::make_shared<DocumentOcr>();
    return *doc.ocr;
}

OcrAhead& Ahead() {
    static OcrAhead ahead;
    return ahead;
}

// A page drawn to be turned upright stops at a cancel as a page read does.
bool Cancelled(void*) { return Ahead().CancelAsked(); }

PageKey KeyOf(Document& doc, int page, const OcrRecipe& recipe, bool upright = false) {
    QPDFObjectHandle object = PageObject(doc, page);
    QPDFObjectHandle rotate = QPDFPageObjectHelper(object).getAttribute("/Rotate", false);
    return PageKey{doc.handle,
                   page,
                   object.getObjGen().unparse(),
                   rotate.isInteger() ? rotate.getIntValueAsInt() : 0,
                   recipe.languages,
                   recipe.verticalLanguages,
                   recipe.tessdata,
                   recipe.timeLimitMs,
                   upright};
}

// Throws the failure of the page's drawing past its bounds, if it had one.
void RefuseAgain(DocumentOcr& reading, const PageKey& key) {
    for (const auto& [refusedKey, failure] : reading.refused)
        if (refusedKey == key) std::rethrow_exception(failure);
}

// Keeps failure when it is a drawing of the page past its bounds.
void RememberRefusal(DocumentOcr& reading, const PageKey& key, const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const DrawingRefused&) {
        reading.refused.emplace_back(key, failure);
    } catch (...) {
    }
}

// Draws the page to turn it upright, kept for its reading under its key
// (which the caller sets once it is turned).
void DrawForTurn(Document& doc, int page) {
    DocumentOcr& reading = OcrOf(doc);
    const PageKey key = KeyOf(doc, page, OcrRecipe{});
    reading.drawnKey.reset();
    RefuseAgain(reading, key);
    reading.drawn = TakePage(*doc.pdf, page, kOcrDpi);
    try {
        DrawPage(reading.drawn, kMaxRenderMs, &Cancelled);
    } catch (const DrawingRefused&) {
        RememberRefusal(reading, key, std::current_exception());
        throw;
    }
}

// The page for reading: the one drawn to turn it upright when it still
// stands so, otherwise taken from the document.
OcrAhead::Take Taker(Document& doc, int page) {
    return [&doc, page] {
        DocumentOcr& reading = OcrOf(doc);
        const PageKey key = KeyOf(doc, page, OcrRecipe{});
        if (reading.drawnKey && *reading.drawnKey == key) {
            reading.drawnKey.reset();
            return std::exchange(reading.drawn, PageInput());
        }
        RefuseAgain(reading, key);
        return TakePage(*doc.pdf, page, kOcrDpi);
    };
}

// The pages after page read ahead while it is read: two, so that each thread
// has the next page to start on whenever it finishes one.
constexpr int kPagesAhead = 2;

std::vector<OcrAhead::Next> NextPages(Document& doc, int page, int pages, const OcrRecipe& recipe,
                                      bool upright) {
    std::vector<OcrAhead::Next> next;
    for (int p = page + 1; p <= std::min(pages, page + kPagesAhead); ++p)
        next.push_back({KeyOf(doc, p, recipe, upright), Taker(doc, p)});
    return next;
}

// Turns the page upright without its reading, on what was drawn for it when
// it still stands so, and keeps that drawing turned for its reading. A page
// the letters' shapes leave in doubt is judged by reading a sample of it as
// the automatic language reads it.
void TurnOnItsOwn(Document& doc, int page, const std::string& tessdata) {
    DocumentOcr& reading = OcrOf(doc);
    if (!reading.drawnKey || *reading.drawnKey != KeyOf(doc, page, OcrRecipe{}))
        DrawForTurn(doc, page);
    const OcrRecipe sampleRecipe{TesseractLanguages(XDW_OCR_LANGUAGE_AUTO),
                                 TesseractVerticalLanguages(XDW_OCR_LANGUAGE_AUTO), tessdata};
    const int turn = UprightTurn(*reading.drawn.scan, sampleRecipe).value_or(0);
    if (turn != 0) {
        TurnPage(reading.drawn, turn);
        PageObject(doc, page).replaceKey(
            "/Rotate", QPDFObjectHandle::newInteger(reading.drawn.scan->geometry.rotate));
        doc.changed = true;
    }
    reading.drawnKey = KeyOf(doc, page, OcrRecipe{});
}

// error, its message naming the page it concerns.
EngineError OnPage(int page, const EngineError& error) {
    return EngineError(error.code(), "page " + std::to_string(page) + ": " + error.what(),
                       error.concern());
}

// Throws the failure up-righting page met, when there is one.
void Report(int page, const std::exception_ptr& failure) {
    if (!failure) return;
    try {
        std::rethrow_exception(failure);
    } catch (const EngineError& e) {
        throw OnPage(page, e);
    }
}

}  // namespace

std::exception_ptr TurnPending(Document& doc) {
    if (!doc.ocr || doc.ocr->turnPending == 0) return nullptr;
    DocumentOcr& reading = *doc.ocr;
    const int page = std::exchange(reading.turnPending, 0);
    // It was drawn when it was asked to be turned, and its data found then:
    // a page that cannot be drawn again now is left as it stands. Data that
    // is there but does not load is a failure of its turn, and reported.
    try {
        TurnOnItsOwn(doc, page, reading.pendingTessdata);
    } catch (const EngineError& e) {
        reading.drawnKey.reset();
        if (e.code() == XDW_E_NOT_INSTALLED) return std::make_exception_ptr(OnPage(page, e));
    } catch (const std::exception&) {
        reading.drawnKey.reset();
    }
    return nullptr;
}

namespace {

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

void ApplyOcr(Document& doc, int page, const XDW_OCR_OPTION& option, const OcrSettings& settings) {
    if (!doc.pdf) throw EngineError(XDW_E_INVALID_ARG, "document not open");
    const OcrRecipe recipe{TesseractLanguages(option.language),
                           TesseractVerticalLanguages(option.language), settings.tessdata,
                           settings.timeLimitMs};
    Guarded([&] {
        const std::string font = GlyphlessFontFile(settings.tessdata);
        const int pages = static_cast<int>(doc.pdf->getAllPages().size());
        DocumentOcr& reading = OcrOf(doc);
        reading.recipe = recipe;
        // A page waiting to be turned is turned as it is read, or now if it
        // is another one (its failure reported once this page is read).
        const bool turnHere = reading.turnPending == page;
        const std::exception_ptr otherTurn = turnHere ? nullptr : TurnPending(doc);
        if (!HasVisibleArea(doc, page)) {
            if (otherTurn) std::rethrow_exception(otherTurn);
            return;
        }
        // The pages read ahead are turned upright first when this document's
        // pages are: read as they lie, their reading would be lost to the turn.
        const auto next = NextPages(doc, page, pages, recipe, reading.uprighted);
        const PageResult result = [&] {
            try {
                return Ahead().Read(KeyOf(doc, page, recipe, turnHere), Taker(doc, page), recipe,
                                    next);
            } catch (const EngineError& e) {
                // The run's reason names the page the engine gave up on.
                throw OnPage(page, e);
            }
        }();
        QPDFObjectHandle object = PageObject(doc, page);
        if (turnHere) {
            reading.turnPending = 0;
            if (result.turn != 0) {
                object.replaceKey("/Rotate", QPDFObjectHandle::newInteger(result.geometry.rotate));
                doc.changed = true;
            }
        }
        doc.readText[page] = result.hasOwnText         ? std::string()
                             : !result.keyText.empty() ? result.keyText
                                                       : ReadText(result.lines);
        if (result.hasOwnText) {
            // The page's own text is what a reader finds; a layer of ours
            // from before would only double it.
            if (RemoveTextLayer(*doc.pdf, object)) doc.changed = true;
        } else {
            PutTextLayer(*doc.pdf, object, result.lines, result.geometry, font);
            doc.changed = true;
        }
        // A turn that failed is reported with the page's reading kept.
        if (otherTurn) std::rethrow_exception(otherTurn);
        Report(page, turnHere ? result.turnError : nullptr);
    });
}

namespace {

// Up-righting a page of the document being read: the page is read once,
// turned upright as it is read (ahead, or here), and its reading kept for
// XDW_ApplyOcr. A reading that fails keeps its error for XDW_ApplyOcr to
// report and gives false: the way up is then found on its own.
bool UprightWhileReading(Document& doc, int page, const OcrRecipe& recipe) {
    const int pages = static_cast<int>(doc.pdf->getAllPages().size());
    const auto next = NextPages(doc, page, pages, recipe, true);
    PageResult result;
    try {
        result = Ahead().Read(KeyOf(doc, page, recipe, true), Taker(doc, page), recipe, next);
    } catch (...) {
        RememberRefusal(OcrOf(doc), KeyOf(doc, page, OcrRecipe{}), std::current_exception());
        Ahead().Keep(KeyOf(doc, page, recipe), PageResult(), std::current_exception());
        return false;
    }
    if (result.turn != 0) {
        PageObject(doc, page).replaceKey("/Rotate",
                                         QPDFObjectHandle::newInteger(result.geometry.rotate));
        doc.changed = true;
        result.turn = 0;  // it is now the reading of the page as it stands
    }
    // A page whose way up could not be looked for was read as it stands:
    // that reading is kept, and the failure is this call's.
    const std::exception_ptr failure = std::exchange(result.turnError, nullptr);
    Ahead().Keep(KeyOf(doc, page, recipe), std::move(result));
    Report(page, failure);
    return true;
}

}  // namespace

void RotatePageAuto(Document& doc, int page, const OcrSettings& settings) {
    if (!doc.pdf) throw EngineError(XDW_E_INVALID_ARG, "document not open");
    DocumentOcr& reading = OcrOf(doc);
    reading.uprighted = true;
    Guarded([&] {
        // A page still waiting for its turn is turned first, and its failure
        // reported once this page is turned.
        const std::exception_ptr waiting = TurnPending(doc);
        if (!HasVisibleArea(doc, page)) {
            if (waiting) std::rethrow_exception(waiting);
            return;
        }
        if (reading.recipe) {
            if (!UprightWhileReading(doc, page, *reading.recipe))
                TurnOnItsOwn(doc, page, settings.tessdata);
            if (waiting) std::rethrow_exception(waiting);
            return;
        }
        if (waiting) std::rethrow_exception(waiting);
        // No page read yet, so nothing says how to read this one: it is
        // drawn, and turned as it is read (or, when it is not read, before
        // anything else is done with the document). What was drawn is kept
        // for its reading.
        RequireLanguageData(settings.tessdata, "osd");
        DrawForTurn(doc, page);
        reading.drawnKey = KeyOf(doc, page, OcrRecipe{});
        reading.turnPending = page;
        reading.pendingTessdata = settings.tessdata;
    });
}

int OcrProgress(std::uintptr_t document, int page) { return Ahead().Progress(document, page); }

void StopOcrLookAhead() { Ahead().Stop(); }

void CancelOcrUnderWay() { Ahead().CancelAll(); }

void FinalizeOcr() {
    Ahead().Stop();
    ReleaseTesseract();
    ReleaseSharedTesseract();
}

}  // namespace xdw
