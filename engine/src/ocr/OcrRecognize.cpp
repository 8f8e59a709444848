#include "ocr/OcrRecognize.h"

#include <memory>

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include "Error.h"
#include "common/Utf8.h"
#include "ocr/OcrEngine.h"

namespace xdw {

namespace {

int& TimeLimit() {
    static int ms = kDefaultOcrTimeLimitMs;
    return ms;
}

PixelBox BoxOf(const tesseract::ResultIterator& it, tesseract::PageIteratorLevel level) {
    PixelBox b;
    it.BoundingBox(level, &b.left, &b.top, &b.right, &b.bottom);
    return b;
}

std::u32string TextOf(const tesseract::ResultIterator& it, tesseract::PageIteratorLevel level) {
    std::unique_ptr<char[]> text(it.GetUTF8Text(level));
    if (!text) return {};
    std::u32string out;
    for (char32_t c : quilbex::DecodeUtf8(text.get()))
        if (c > 0x20 && c != 0x3000 && c != 0x7f) out += c;  // no blanks or controls
    return out;
}

// Resets the instance however recognition ended, so the next page starts clean.
struct ClearOnExit {
    tesseract::TessBaseAPI& api;
    ~ClearOnExit() { api.Clear(); }
};

}  // namespace

int OcrTimeLimitMs() { return TimeLimit(); }
void SetOcrTimeLimitMs(int ms) { TimeLimit() = ms > 0 ? ms : kDefaultOcrTimeLimitMs; }

std::vector<OcrLine> RecognizePage(const RenderedPage& page, const std::string& languages) {
    tesseract::TessBaseAPI& api = TesseractFor(languages);
    ClearOnExit clear{api};
    api.SetPageSegMode(tesseract::PSM_AUTO);
    api.SetImage(page.pixels.data(), page.geometry.width, page.geometry.height, 1,
                 page.bytesPerLine);
    api.SetSourceResolution(page.dpi);

    tesseract::ETEXT_DESC monitor;
    monitor.set_deadline_msecs(OcrTimeLimitMs());
    const int rc = api.Recognize(&monitor);
    if (monitor.deadline_exceeded()) throw EngineError(XDW_E_FAIL, "recognition ran out of time");
    if (rc != 0) throw EngineError(XDW_E_FAIL, "recognition failed");

    std::vector<OcrLine> lines;
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it) return lines;
    using tesseract::RIL_BLOCK;
    using tesseract::RIL_SYMBOL;
    using tesseract::RIL_TEXTLINE;
    using tesseract::RIL_WORD;
    while (!it->Empty(RIL_BLOCK)) {
        if (it->Empty(RIL_WORD)) {
            it->Next(RIL_WORD);
            continue;
        }
        if (lines.empty() || it->IsAtBeginningOf(RIL_TEXTLINE)) {
            lines.emplace_back();
            lines.back().box = BoxOf(*it, RIL_TEXTLINE);
        }
        OcrWord word;
        word.box = BoxOf(*it, RIL_WORD);
        do {
            OcrSymbol symbol{TextOf(*it, RIL_SYMBOL), BoxOf(*it, RIL_SYMBOL)};
            if (!symbol.text.empty()) word.symbols.push_back(std::move(symbol));
            it->Next(RIL_SYMBOL);
        } while (!it->Empty(RIL_BLOCK) && !it->IsAtBeginningOf(RIL_WORD));
        if (!word.symbols.empty()) lines.back().words.push_back(std::move(word));
    }
    std::erase_if(lines, [](const OcrLine& l) { return l.words.empty(); });
    return lines;
}

}  // namespace xdw
