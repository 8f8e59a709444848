#include "ocr/PageRecognition.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "Error.h"
#include "Marks.h"
#include "WorkLimit.h"
#include "ocr/BoundedRender.h"
#include "ocr/DigitReread.h"
#include "ocr/InkCheck.h"
#include "ocr/JapaneseFixes.h"
#include "ocr/KeyReread.h"
#include "ocr/OcrMemory.h"
#include "ocr/Orientation.h"
#include "ocr/PageReading.h"
#include "ocr/PageText.h"
#include "ocr/ScanReader.h"
#include "ocr/SlashedZero.h"
#include "ocr/WayUp.h"

namespace xdw {

PageInput TakePage(QPDF& pdf, int page, double dpi) {
    KeepOcrMemory();
    PageInput input;
    input.dpi = dpi;
    input.scan = ReadScannedPage(pdf, page, dpi);
    if (!input.scan) {
        input.pdf = SinglePagePdf(pdf, page, true);
        input.bilevelDpi = BilevelScanDpi(pdf, page);
    }
    return input;
}

void DrawPage(PageInput& input, int timeLimitMs, bool (*cancel)(void*), void* cancelData,
              std::int64_t* cpuMs) {
    if (input.scan) return;
    try {
        input.scan = RenderBounded(input.pdf, input.dpi, &input.text,
                                   {kMaxRenderBytes, timeLimitMs, cancel, cancelData, cpuMs});
    } catch (const EngineError& e) {
        // Out of the page's own time left, or a child that made no progress
        // (stopped, starved), is no bound of the drawing itself.
        const Concern& why = e.concern();
        const bool ownBound = why.kind == XDW_REASON_MEMORY_LIMIT ||
                              (why.kind == XDW_REASON_TIME_LIMIT && timeLimitMs >= kMaxRenderMs &&
                               why.limit * 1000 == kMaxRenderMs);
        if (ownBound) throw DrawingRefused(e);
        throw;
    }
    input.scan->bilevel = input.bilevelDpi.x > 0;
    input.scan->picture = input.bilevelDpi;
    input.pdf.clear();
}

void TurnPage(PageInput& input, int turn) {
    if (!input.scan || turn % 360 == 0) return;
    const RenderedPage& shown = *input.scan;
    for (PixelBox& box : input.text)
        box = TurnedBox(box, shown.geometry.width, shown.geometry.height, turn);
    input.scan = TurnedPage(shown, turn);
}

namespace {

// A page whose own text covers it is not read: it is only turned upright,
// when that is asked for.
PageResult OwnText(PageInput& input, const OcrRecipe& recipe, bool upright) {
    PageResult result;
    result.hasOwnText = true;
    XDW_MARK("page: its own text covers it");
    if (upright) {
        const WayUp way = AskWayUp(*input.scan, recipe);
        result.turn = way.turn;
        result.turnError = way.error;
        TurnPage(input, result.turn);
    }
    result.geometry = input.scan->geometry;
    return result;
}

}  // namespace

PageResult ReadPage(PageInput input, const OcrRecipe& recipe, bool upright, bool (*cancel)(void*),
                    void* cancelData) {
    // The page's time limit covers every step, in the processor time they
    // take here, in the threads that help and in the rendering child.
    const WorkLimit work(recipe.timeLimitMs > 0 ? recipe.timeLimitMs : kDefaultOcrTimeLimitMs,
                         cancel, cancelData);
    const WorkLimitScope scope(work);
    std::int64_t renderMs = 0;
    DrawPage(input, static_cast<int>(std::clamp<std::int64_t>(work.LeftMs(), 1, INT_MAX)), cancel,
             cancelData, &renderMs);
    work.Add(renderMs);
    if (TextCoversInk(*input.scan, input.text)) return OwnText(input, recipe, upright);
    PageReading reading = PrepareAndLayOut(*input.scan, recipe, work);
    PageResult result;
    if (upright) {
        const WayUp way = FindWayUp(reading, recipe);
        result.turn = way.turn;
        result.turnError = way.error;
        if (way.turn != 0) {
            XDW_MARK("way up: turned, prepared and laid out again");
            // It is read as it stands once turned.
            TurnPage(input, way.turn);
            reading = PrepareAndLayOut(*input.scan, recipe, work);
        }
    }
    ReadRegions(reading, recipe);
    CheckAgainstInk(reading, recipe);
    result.lines = PageLines(reading, recipe);
    RereadFigures(result.lines, reading, recipe);
    if (!reading.prepared.unwarped)
        MendSlashedZeros(result.lines, reading.layout.image, reading.layout.skewDegrees);
    FixJapaneseConfusions(result.lines);
    result.geometry = input.scan->geometry;
    DropLinesOverText(result.lines, input.text, result.geometry.width, result.geometry.height);
    result.keyText = KeyTextReadAgain(result.lines, reading, recipe);
    return result;
}

}  // namespace xdw
