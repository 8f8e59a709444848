#include "ocr/Recognizer.h"

#include <algorithm>
#include <chrono>
#include <memory>

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include "Error.h"
#include "common/Utf8.h"
#include "ocr/PageProgress.h"
#include "ocr/TesseractPool.h"

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

namespace {

using tesseract::RIL_BLOCK;
using tesseract::RIL_SYMBOL;
using tesseract::RIL_TEXTLINE;
using tesseract::RIL_WORD;

// The lines of one block as recognition found them.
struct Block {
    PixelBox box;
    bool vertical = false;        // written top to bottom
    bool turnedWithPage = false;  // horizontal, but laid out as if turned a quarter
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
            // The layout turns the whole page when most of its text is
            // vertical, and marks the horizontal blocks as vertical text.
            blocks.back().turnedWithPage =
                !blocks.back().vertical && it->BlockType() == tesseract::PT_VERTICAL_TEXT;
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
    const tesseract::ETEXT_DESC* monitor = nullptr;
};

bool Cancelled(void* deadline, int) {
    const auto* d = static_cast<const Deadline*>(deadline);
    // Asked often while the recogniser works: its progress goes out from here.
    if (d->monitor != nullptr) NotePageProgress(d->monitor->progress);
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
    deadline.monitor = &monitor;
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

// The page's text in blocks, read by the languages' instance.
std::vector<Block> ReadImage(const RenderedPage& page, const std::string& languages,
                             const std::string& tessdata, Deadline& deadline) {
    tesseract::TessBaseAPI& api = TesseractFor(languages, tessdata);
    ClearOnExit clear{api};
    SetPage(api, page);
    return Recognize(api, deadline);
}

// Room kept around a block that is blanked out, so that no stroke of it is
// left to be read as a character.
constexpr int kBlankMarginPx = 6;

// A copy of the page with the boxes painted white.
RenderedPage Without(const RenderedPage& page, const std::vector<PixelBox>& boxes) {
    RenderedPage copy = page;
    const int w = page.geometry.width, h = page.geometry.height;
    for (const PixelBox& b : boxes) {
        const int left = std::clamp(b.left - kBlankMarginPx, 0, w);
        const int right = std::clamp(b.right + kBlankMarginPx, 0, w);
        const int top = std::clamp(b.top - kBlankMarginPx, 0, h);
        const int bottom = std::clamp(b.bottom + kBlankMarginPx, 0, h);
        for (int y = top; y < bottom; ++y)
            std::fill_n(copy.pixels.begin() + static_cast<size_t>(y) * page.bytesPerLine + left,
                        right - left, 0xff);
    }
    return copy;
}

// Two block sequences, each in its own reading order, merged by how high
// their blocks start on the page.
std::vector<Block> MergeByTop(std::vector<Block> a, std::vector<Block> b) {
    std::vector<Block> out;
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (j == b.size() || (i < a.size() && a[i].box.top <= b[j].box.top))
            out.push_back(std::move(a[i++]));
        else
            out.push_back(std::move(b[j++]));
    }
    return out;
}

}  // namespace

std::vector<OcrLine> RecognizePage(const RenderedPage& page, const OcrRecipe& recipe,
                                   bool (*cancel)(void*), void* cancelData) {
    Deadline deadline{std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(
                              recipe.timeLimitMs > 0 ? recipe.timeLimitMs : kDefaultOcrTimeLimitMs),
                      cancel, cancelData};
    std::vector<Block> blocks = ReadImage(page, recipe.languages, recipe.tessdata, deadline);

    const bool vertical = !recipe.verticalLanguages.empty() &&
                          std::any_of(blocks.begin(), blocks.end(), [](const Block& b) {
                              return b.vertical && !b.lines.empty();
                          });
    if (vertical) {
        // The horizontal model reads top-to-bottom columns as noise, and
        // where they are most of the page the layout turns the page for them
        // and cuts its horizontal lines into pieces. Each kind of text is
        // read again on a copy of the page showing only that kind: the
        // columns by the vertical model, the rest (when the page was turned
        // for the columns) by the horizontal one.
        std::vector<PixelBox> down, across;
        bool turned = false;
        for (const Block& b : blocks) {
            if (b.lines.empty()) continue;
            (b.vertical ? down : across).push_back(b.box);
            turned = turned || (!b.vertical && b.turnedWithPage);
        }
        std::vector<Block> columns =
            ReadImage(Without(page, across), recipe.verticalLanguages, recipe.tessdata, deadline);
        std::vector<Block> rest;
        if (turned) {
            rest = ReadImage(Without(page, down), recipe.languages, recipe.tessdata, deadline);
        } else {
            for (Block& b : blocks)
                if (!b.vertical) rest.push_back(std::move(b));
        }
        blocks = MergeByTop(std::move(columns), std::move(rest));
    }

    std::vector<OcrLine> lines;
    int number = 0;
    for (Block& block : blocks) {
        for (OcrLine& line : block.lines) {
            line.block = number;
            lines.push_back(std::move(line));
        }
        ++number;
    }
    return lines;
}

}  // namespace xdw
