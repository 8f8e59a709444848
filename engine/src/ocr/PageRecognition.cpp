#include "ocr/PageRecognition.h"

#include "ocr/JapaneseFixes.h"
#include "ocr/PageText.h"
#include "ocr/ScanReader.h"

namespace xdw {

PageInput TakePage(QPDF& pdf, int page, double dpi) {
    PageInput input;
    input.dpi = dpi;
    input.scan = ReadScannedPage(pdf, page, dpi);
    if (!input.scan) input.pdf = SinglePagePdf(pdf, page, true);
    return input;
}

PageResult ReadPage(const PageInput& input, const OcrRecipe& recipe, bool (*cancel)(void*),
                    void* cancelData) {
    PageResult result;
    std::vector<PixelBox> text;  // a plain scan has none
    RenderedPage drawn;
    if (!input.scan) drawn = RenderSinglePage(input.pdf, input.dpi, &text);
    const RenderedPage& rendered = input.scan ? *input.scan : drawn;
    result.geometry = rendered.geometry;
    if (TextCoversInk(rendered, text)) {
        result.hasOwnText = true;
        return result;
    }
    result.lines = RecognizePage(rendered, recipe, cancel, cancelData);
    FixJapaneseConfusions(result.lines);
    DropLinesOverText(result.lines, text, rendered.geometry.width, rendered.geometry.height);
    return result;
}

}  // namespace xdw
