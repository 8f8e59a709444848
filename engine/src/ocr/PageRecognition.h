// One page's recognition split in two: what must be taken from the document
// on the thread that owns it, and the work that needs nothing else and so may
// run on any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <qpdf/QPDF.hh>

#include "ocr/OcrTypes.h"
#include "ocr/Recognizer.h"
#include "pdf/Renderer.h"

namespace xdw {

// The page, detached from its document: its image when it is a plain scan,
// otherwise a one-page PDF of it without this engine's layer.
struct PageInput {
    std::optional<RenderedPage> scan;
    std::string pdf;
    double dpi = 0;
    bool bilevel = false;  // see RenderedPage
};

struct PageResult {
    bool hasOwnText = false;  // the page's own text covers it: nothing to add
    std::vector<OcrLine> lines;
    PageGeometry geometry;
};

// Reads the page from the document. Throws EngineError.
PageInput TakePage(QPDF& pdf, int page, double dpi);

// Renders, checks the page's own text and recognises. cancel as for
// RecognizePage. Throws EngineError.
PageResult ReadPage(const PageInput& input, const OcrRecipe& recipe,
                    bool (*cancel)(void*) = nullptr, void* cancelData = nullptr);

}  // namespace xdw
