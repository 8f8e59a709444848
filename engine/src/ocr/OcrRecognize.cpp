#include "ocr/OcrRecognize.h"

#include <algorithm>
#include <chrono>
#include <memory>

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include "Error.h"
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
    for (char32_t c : DecodeUtf8(text.get()))
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

std::u32string DecodeUtf8(const std::string& text) {
    std::u32string out;
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        const size_t extra = b < 0x80         ? 0
                             : (b >> 5) == 6  ? 1
                             : (b >> 4) == 14 ? 2
                             : (b >> 3) == 30 ? 3
                                              : 9;
        char32_t c = extra == 0 ? b : b & (0x3f >> extra);
        bool ok = extra <= 3 && i + extra < text.size();
        for (size_t k = 1; ok && k <= extra; ++k) {
            const auto n = static_cast<unsigned char>(text[i + k]);
            ok = (n & 0xc0) == 0x80;
            c = (c << 6) | (n & 0x3f);
        }
        if (!ok) {
            out += U'\ufffd';
            ++i;
            continue;
        }
        out += c;
        i += extra + 1;
    }
    return out;
}

namespace {

using tesseract::RIL_BLOCK;
using tesseract::RIL_SYMBOL;
using tesseract::RIL_TEXTLINE;
using tesseract::RIL_WORD;

// The lines of one block as recognition found them.
struct Block {
    PixelBox box;
    bool vertical = false;  // written top to bottom
    std::vector<OcrLine> lines;
};

bool TopToBottom(const tesseract::ResultIterator& it) {
    tesseract::Orientation orientation;
    tesseract::WritingDirection direction = tesseract::WRITING_DIRECTION_LEFT_TO_RIGHT;
    tesseract::TextlineOrder order;
    float deskew = 0;
    it.Orientation(&orientation, &direction, &order, &deskew);
    return direction == tesseract::WRITING_DIRECTION_TOP_TO_BOTTOM;
}

// Tesseract gives the characters of a vertical word no usable boxes of their
// own (they come back empty, at the left edge): they share the word's box,
// one slice each, from the top down.
void SplitDown(OcrWord& word) {
    const int n = static_cast<int>(word.symbols.size());
    const int height = word.box.bottom - word.box.top;
    for (int i = 0; i < n; ++i) {
        PixelBox& b = word.symbols[i].box;
        b.left = word.box.left;
        b.right = word.box.right;
        b.top = word.box.top + height * i / n;
        b.bottom = word.box.top + height * (i + 1) / n;
    }
}

// Walks the results symbol by symbol, in reading order.
std::vector<Block> ReadBlocks(tesseract::TessBaseAPI& api) {
    std::vector<Block> blocks;
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it) return blocks;
    while (!it->Empty(RIL_BLOCK)) {
        if (blocks.empty() || it->IsAtBeginningOf(RIL_BLOCK)) {
            blocks.emplace_back();
            blocks.back().box = BoxOf(*it, RIL_BLOCK);
            blocks.back().vertical = TopToBottom(*it);
        }
        if (it->Empty(RIL_WORD)) {
            it->Next(RIL_WORD);
            continue;
        }
        Block& block = blocks.back();
        if (block.lines.empty() || it->IsAtBeginningOf(RIL_TEXTLINE)) {
            block.lines.emplace_back();
            block.lines.back().box = BoxOf(*it, RIL_TEXTLINE);
            block.lines.back().vertical = block.vertical;
        }
        OcrWord word;
        word.box = BoxOf(*it, RIL_WORD);
        do {
            OcrSymbol symbol{TextOf(*it, RIL_SYMBOL), BoxOf(*it, RIL_SYMBOL)};
            if (!symbol.text.empty()) word.symbols.push_back(std::move(symbol));
            it->Next(RIL_SYMBOL);
        } while (!it->Empty(RIL_BLOCK) && !it->IsAtBeginningOf(RIL_WORD));
        if (block.vertical) SplitDown(word);
        if (!word.symbols.empty()) block.lines.back().words.push_back(std::move(word));
    }
    for (Block& b : blocks)
        std::erase_if(b.lines, [](const OcrLine& l) { return l.words.empty(); });
    return blocks;
}

struct Deadline {
    std::chrono::steady_clock::time_point end;
    bool (*cancel)(void*);
    void* data;
};

bool Cancelled(void* deadline, int) {
    const auto* d = static_cast<const Deadline*>(deadline);
    return d->cancel != nullptr && d->cancel(d->data);
}

// Recognises the image set on api (or the rectangle set on it) before the
// deadline and returns its blocks.
std::vector<Block> Recognize(tesseract::TessBaseAPI& api, Deadline& deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline.end - std::chrono::steady_clock::now());
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &Cancelled;
    monitor.cancel_this = &deadline;
    monitor.set_deadline_msecs(static_cast<int32_t>(std::max<long long>(left.count(), 1)));
    const int rc = api.Recognize(&monitor);
    if (deadline.cancel != nullptr && deadline.cancel(deadline.data))
        throw EngineError(XDW_E_FAIL, "recognition cancelled");
    if (monitor.deadline_exceeded() || std::chrono::steady_clock::now() >= deadline.end)
        throw EngineError(XDW_E_FAIL, "recognition ran out of time");
    if (rc != 0) throw EngineError(XDW_E_FAIL, "recognition failed");
    return ReadBlocks(api);
}

void SetPage(tesseract::TessBaseAPI& api, const RenderedPage& page) {
    api.SetPageSegMode(tesseract::PSM_AUTO);
    api.SetImage(page.pixels.data(), page.geometry.width, page.geometry.height, 1,
                 page.bytesPerLine);
    api.SetSourceResolution(page.dpi);
}

// Room kept around a vertical block when it is read again on its own, so
// that the characters at its edges stay whole.
constexpr int kBlockMarginPx = 12;

}  // namespace

std::vector<OcrLine> RecognizePage(const RenderedPage& page, const OcrRecipe& recipe,
                                   bool (*cancel)(void*), void* cancelData) {
    Deadline deadline{std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(
                              recipe.timeLimitMs > 0 ? recipe.timeLimitMs : kDefaultOcrTimeLimitMs),
                      cancel, cancelData};
    std::vector<Block> blocks;
    {
        tesseract::TessBaseAPI& api = TesseractFor(recipe.languages, recipe.tessdata);
        ClearOnExit clear{api};
        SetPage(api, page);
        blocks = Recognize(api, deadline);
    }

    std::vector<OcrLine> lines;
    int blockNumber = 0;
    auto take = [&](Block& block) {
        for (OcrLine& line : block.lines) {
            line.block = blockNumber;
            lines.push_back(std::move(line));
        }
        ++blockNumber;
    };
    for (Block& block : blocks) {
        if (!block.vertical || recipe.verticalLanguages.empty() || block.lines.empty()) {
            take(block);
            continue;
        }
        // The horizontal model reads top-to-bottom columns as noise: the
        // block is read again, on its own, by the vertical one.
        tesseract::TessBaseAPI& api = TesseractFor(recipe.verticalLanguages, recipe.tessdata);
        ClearOnExit clear{api};
        SetPage(api, page);
        const int left = std::max(block.box.left - kBlockMarginPx, 0);
        const int top = std::max(block.box.top - kBlockMarginPx, 0);
        const int right = std::min(block.box.right + kBlockMarginPx, page.geometry.width);
        const int bottom = std::min(block.box.bottom + kBlockMarginPx, page.geometry.height);
        if (right <= left || bottom <= top) continue;
        api.SetRectangle(left, top, right - left, bottom - top);
        for (Block& again : Recognize(api, deadline)) take(again);
    }
    return lines;
}

}  // namespace xdw
