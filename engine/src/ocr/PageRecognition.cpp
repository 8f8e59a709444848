#include "ocr/PageRecognition.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>

#include "Error.h"
#include "WorkLimit.h"
#include "ocr/BoundedRender.h"
#include "ocr/JapaneseFixes.h"
#include "ocr/Orientation.h"
#include "ocr/PageText.h"
#include "ocr/ScanReader.h"

namespace xdw {

PageInput TakePage(QPDF& pdf, int page, double dpi) {
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
    input.scan = RenderBounded(input.pdf, input.dpi, &input.text,
                               {kMaxRenderBytes, timeLimitMs, cancel, cancelData, cpuMs});
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

// recipe with the processor time its page has left.
OcrRecipe Remaining(const OcrRecipe& recipe, const WorkLimit& work) {
    OcrRecipe left = recipe;
    left.timeLimitMs = static_cast<int>(std::clamp<std::int64_t>(work.LeftMs(), 1, INT_MAX));
    return left;
}

}  // namespace

PageResult ReadPage(PageInput input, const OcrRecipe& recipe, bool upright, bool (*cancel)(void*),
                    void* cancelData) {
    PageResult result;
    // The page's time limit covers its rendering, up-righting and
    // recognition, in the processor time they take here and in the child.
    const WorkLimit work(recipe.timeLimitMs > 0 ? recipe.timeLimitMs : kDefaultOcrTimeLimitMs,
                         cancel, cancelData);
    const WorkLimitScope scope(work);
    std::int64_t renderMs = 0;
    DrawPage(input, Remaining(recipe, work).timeLimitMs, cancel, cancelData, &renderMs);
    work.Add(renderMs);
    const bool ownText = TextCoversInk(*input.scan, input.text);
    // Decided here, on the image the page is read from, so that it is
    // neither drawn twice nor read the wrong way up first.
    auto standsUpright = [&](const UprightClues& clues) {
        try {
            result.turn = UprightTurn(*input.scan, recipe, clues).value_or(0);
        } catch (const EngineError& e) {
            // The page's reading is not lost to the data that looks for its
            // way up: it goes on as the page stands.
            if (e.code() != XDW_E_NOT_INSTALLED) throw;
            result.turnError = std::current_exception();
            result.turn = 0;
        }
        return result.turn == 0;
    };
    std::optional<std::vector<OcrLine>> lines;
    if (upright && !ownText) {
        // A page whose first lines read clearly as it stands is upright:
        // its way up is looked for in the letters' shapes only in doubt,
        // and it is read again only when it turns out to lie turned.
        lines = RecognizeIfUpright(*input.scan, Remaining(recipe, work), standsUpright, cancel,
                                   cancelData);
        TurnPage(input, result.turn);
    } else if (upright) {
        standsUpright({});
        TurnPage(input, result.turn);
    }
    const RenderedPage& rendered = *input.scan;
    const std::vector<PixelBox>& text = input.text;
    result.geometry = rendered.geometry;
    if (ownText) {
        result.hasOwnText = true;
        return result;
    }
    if (!lines) lines = RecognizePage(rendered, Remaining(recipe, work), cancel, cancelData);
    result.lines = std::move(*lines);
    FixJapaneseConfusions(result.lines);
    DropLinesOverText(result.lines, text, rendered.geometry.width, rendered.geometry.height);
    return result;
}

}  // namespace xdw
