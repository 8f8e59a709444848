// One page's recognition split in two: what must be taken from the document
// on the thread that owns it, and the work that needs nothing else and so may
// run on any thread.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include <qpdf/QPDF.hh>

#include "Error.h"
#include "ocr/OcrTypes.h"
#include "ocr/Recognizer.h"
#include "pdf/Renderer.h"

namespace xdw {

// The page, detached from its document: its image when it is a plain scan or
// was drawn already (with the boxes of the text it draws), otherwise a
// one-page PDF of it without this engine's layer.
struct PageInput {
    std::optional<RenderedPage> scan;
    std::vector<PixelBox> text;
    std::string pdf;
    double dpi = 0;
    PictureDpi bilevelDpi;  // see BilevelScanDpi
};

struct PageResult {
    bool hasOwnText = false;  // the page's own text covers it: nothing to add
    std::vector<OcrLine> lines;
    // The text a bill's keys are looked for in, when it is not the lines'
    // (see KeyTextReadAgain).
    std::string keyText;
    PageGeometry geometry;
    // Asked to be read upright: the clockwise turn that brought it upright
    // (0 when it stood so or the way up was not clear); the page was read,
    // and its geometry is, as turned by it.
    int turn = 0;
    // Asked to be read upright, but its way up could not be looked for (the
    // orientation data, though installed, would not load): the page was read
    // as it stands, and this is the failure for whoever asked for the turn.
    std::exception_ptr turnError;
};

// Reads the page from the document. Throws EngineError.
PageInput TakePage(QPDF& pdf, int page, double dpi);

// A page whose drawing passed the bounds any drawing of it has (its
// rendering child's whole time or memory): drawn again, it would only pass
// them again at the same cost.
class DrawingRefused : public EngineError {
public:
    explicit DrawingRefused(const EngineError& error) : EngineError(error) {}
};

// Draws the page unless it is drawn already (see RenderBounded for what may
// stop it), so that it is drawn once however often it is looked at; the
// processor time the drawing took goes to cpuMs when given. Throws
// DrawingRefused for a drawing past those bounds.
void DrawPage(PageInput& input, int timeLimitMs, bool (*cancel)(void*) = nullptr,
              void* cancelData = nullptr, std::int64_t* cpuMs = nullptr);
// The drawn page and its text turned clockwise by turn (90, 180 or 270), as
// it is shown once its rotation grows by that much.
void TurnPage(PageInput& input, int turn);

// A page's way through OCR, step by step: it is drawn (unless it is a scan
// read already), its own text checked (a page it covers is not read), a
// copy of it prepared and laid out; its way up found when asked for (turned,
// it is prepared and laid out again as it then stands); its regions read,
// checked against its ink, put together as lines; those lines' figures read
// again, their Japanese mended and the lines over its own text dropped. The layer is drawn from
// the result by whoever writes the page (see TextLayer). cancel: asked
// between and within the steps. Throws EngineError.
PageResult ReadPage(PageInput input, const OcrRecipe& recipe, bool upright = false,
                    bool (*cancel)(void*) = nullptr, void* cancelData = nullptr);

}  // namespace xdw
