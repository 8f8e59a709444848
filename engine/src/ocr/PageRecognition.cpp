#include "ocr/PageRecognition.h"

#include <algorithm>
#include <chrono>

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

PageResult ReadPage(const PageInput& input, const OcrRecipe& recipe, bool upright,
                    bool (*cancel)(void*), void* cancelData) {
    PageResult result;
    std::vector<PixelBox> text;  // a plain scan has none
    RenderedPage drawn;
    // The page's time limit covers its rendering, up-righting and
    // recognition.
    const auto start = std::chrono::steady_clock::now();
    if (!input.scan) {
        drawn = RenderBounded(input.pdf, input.dpi, &text,
                              {kMaxRenderBytes, recipe.timeLimitMs, cancel, cancelData});
        drawn.bilevel = input.bilevelDpi > 0;
        drawn.pictureDpi = input.bilevelDpi;
    }
    const RenderedPage* shown = input.scan ? &*input.scan : &drawn;
    RenderedPage turned;
    if (upright) {
        // Decided here, on the image the page is read from, so that it is
        // neither drawn twice nor read the wrong way up first.
        result.turn = UprightTurn(*shown, recipe.tessdata).value_or(0);
        if (result.turn != 0) {
            for (PixelBox& box : text)
                box = TurnedBox(box, shown->geometry.width, shown->geometry.height, result.turn);
            turned = TurnedPage(*shown, result.turn);
            shown = &turned;
        }
    }
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    OcrRecipe reading = recipe;
    reading.timeLimitMs = std::max<int>(1, recipe.timeLimitMs - static_cast<int>(spent.count()));
    const RenderedPage& rendered = *shown;
    result.geometry = rendered.geometry;
    if (TextCoversInk(rendered, text)) {
        result.hasOwnText = true;
        return result;
    }
    result.lines = RecognizePage(rendered, reading, cancel, cancelData);
    FixJapaneseConfusions(result.lines);
    DropLinesOverText(result.lines, text, rendered.geometry.width, rendered.geometry.height);
    return result;
}

}  // namespace xdw
