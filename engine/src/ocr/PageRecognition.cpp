#include "ocr/PageRecognition.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "Error.h"
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

void DrawPage(PageInput& input, int timeLimitMs, bool (*cancel)(void*), void* cancelData) {
    if (input.scan) return;
    input.scan = RenderBounded(input.pdf, input.dpi, &input.text,
                               {kMaxRenderBytes, timeLimitMs, cancel, cancelData});
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

// recipe with the time its page has left after spent since start.
OcrRecipe Remaining(const OcrRecipe& recipe, std::chrono::steady_clock::time_point start) {
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    OcrRecipe left = recipe;
    left.timeLimitMs = std::max<int>(1, recipe.timeLimitMs - static_cast<int>(spent.count()));
    return left;
}

}  // namespace

PageResult ReadPage(PageInput input, const OcrRecipe& recipe, bool upright, bool (*cancel)(void*),
                    void* cancelData) {
    PageResult result;
    // The page's time limit covers its rendering, up-righting and
    // recognition.
    const auto start = std::chrono::steady_clock::now();
    DrawPage(input, recipe.timeLimitMs, cancel, cancelData);
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
        lines = RecognizeIfUpright(*input.scan, Remaining(recipe, start), standsUpright, cancel,
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
    if (!lines) lines = RecognizePage(rendered, Remaining(recipe, start), cancel, cancelData);
    result.lines = std::move(*lines);
    FixJapaneseConfusions(result.lines);
    DropLinesOverText(result.lines, text, rendered.geometry.width, rendered.geometry.height);
    return result;
}

}  // namespace xdw
