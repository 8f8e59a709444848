#include "ocr/Recognizer.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include "Error.h"
#include "WorkLimit.h"
#include "common/Utf8.h"
#include "layout/PageLayout.h"
#include "layout/Pix.h"
#include "layout/Skew.h"
#include "ocr/InkAccount.h"
#include "ocr/PageFloor.h"
#include "ocr/PageProgress.h"
#include "ocr/SharedTasks.h"
#include "ocr/TesseractPool.h"
#include "prepare/PreparePage.h"

namespace xdw {

namespace {

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
        word.confidence = it->Confidence(RIL_WORD);
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

// The page's limit, followed as the recogniser works, and its progress.
struct Deadline {
    const WorkLimit* work;
    const tesseract::ETEXT_DESC* monitor = nullptr;
    // The page is read region by region: its progress runs over all of them.
    int regionsDone = 0, regions = 1;
};

bool Cancelled(void* deadline, int) {
    const auto* d = static_cast<const Deadline*>(deadline);
    // Asked often while the recogniser works: its progress goes out from here.
    if (d->monitor != nullptr)
        NotePageProgress((d->regionsDone * 100 + d->monitor->progress) / std::max(d->regions, 1));
    return d->work->Cancelled() || d->work->OutOfTime();
}

// Recognises the image set on api (or the rectangle set on it) within the
// page's limit and returns its blocks. The recogniser's own deadline is left
// unset: it counts time on the wall clock.
std::vector<Block> Recognize(tesseract::TessBaseAPI& api, Deadline& deadline) {
    deadline.work->Check("recognition");
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &Cancelled;
    monitor.cancel_this = &deadline;
    deadline.monitor = &monitor;
    const int rc = api.Recognize(&monitor);
    deadline.monitor = nullptr;
    deadline.work->Check("recognition");
    if (rc != 0) throw EngineError(XDW_E_FAIL, "recognition failed");
    return ReadBlocks(api);
}

// Room of plain paper around a region's copy: the recogniser finds a line's
// edges better when they do not touch the image's border. Above and below a
// line read alone (「敬具」, 「以上」, a line of items set apart by wide
// blanks), no more than a quarter of its height: with more, it is scaled
// unlike a line of a block and misread (「コピー」 in Mincho as 「コピビー」).
constexpr int kRegionMarginPx = 24;
constexpr int kLineMarginMinPx = 4;

// A copy of one region of the page on its own, with blank room around it, so
// that no stroke of a neighbouring region can be read with it.
RenderedPage RegionImage(const RenderedPage& page, const PixelBox& box, bool lineAlone,
                         int& offsetX, int& offsetY) {
    const int left = std::clamp(box.left, 0, page.geometry.width);
    const int right = std::clamp(box.right, left, page.geometry.width);
    const int top = std::clamp(box.top, 0, page.geometry.height);
    const int bottom = std::clamp(box.bottom, top, page.geometry.height);
    const int mx = kRegionMarginPx;
    const int my =
        lineAlone ? std::clamp((bottom - top) / 4, kLineMarginMinPx, kRegionMarginPx) : mx;
    RenderedPage copy;
    copy.dpi = page.dpi;
    copy.geometry.width = right - left + 2 * mx;
    copy.geometry.height = bottom - top + 2 * my;
    copy.bytesPerLine = copy.geometry.width;
    copy.pixels.assign(static_cast<size_t>(copy.bytesPerLine) * copy.geometry.height, 0xff);
    for (int y = top; y < bottom; ++y)
        std::copy_n(
            page.pixels.begin() + static_cast<size_t>(y) * page.bytesPerLine + left, right - left,
            copy.pixels.begin() + static_cast<size_t>(y - top + my) * copy.bytesPerLine + mx);
    offsetX = left - mx;
    offsetY = top - my;
    return copy;
}

void Shift(PixelBox& b, int dx, int dy) {
    b.left += dx;
    b.right += dx;
    b.top += dy;
    b.bottom += dy;
}

}  // namespace

tesseract::PageSegMode ModeFor(const Region& region) {
    switch (region.kind) {
        case RegionKind::Vertical:
            return tesseract::PSM_SINGLE_BLOCK_VERT_TEXT;
        case RegionKind::Line:
        case RegionKind::Cell:
            if (region.lines <= 1) return tesseract::PSM_SINGLE_LINE;
            return tesseract::PSM_SINGLE_BLOCK;
        case RegionKind::Block:
            break;
    }
    return tesseract::PSM_SINGLE_BLOCK;
}

namespace {

// Text is read best at about this height in pixels; a region whose text is
// far smaller or larger is scaled to it first.
constexpr int kReadTextPx = 40;
constexpr int kSmallTextPx = 20;
constexpr int kLargeTextPx = 64;

}  // namespace

// Text is scaled down to most, though never below kSmallTextPx.
double ReadScale(int textSize, double most) {
    if (textSize <= 0) return 1;
    double k = 1;
    if (textSize < kSmallTextPx || textSize > kLargeTextPx)
        k = std::clamp(double(kReadTextPx) / textSize, 0.1, 3.0);
    if (most < 1) k = std::min(k, std::max(most, double(kSmallTextPx) / textSize));
    return k;
}

// A page drawn from a picture coarser than the page's rendering (a fax's 98
// rows an inch drawn at 300 dpi) holds nothing finer than the picture's
// pixels: read at the picture's own resolution, its strokes come to the
// recogniser as strokes rather than as the steps of pixels drawn three times
// their size, which it misreads.
double FinestScale(const RenderedPage& page) {
    const int coarser = page.picture.Coarser();
    if (coarser <= 0 || page.dpi <= 0 || coarser >= page.dpi) return 1;
    return double(coarser) / page.dpi;
}

namespace {

void Scale(PixelBox& b, double k) {
    b.left = static_cast<int>(std::floor(b.left * k));
    b.top = static_cast<int>(std::floor(b.top * k));
    b.right = static_cast<int>(std::ceil(b.right * k));
    b.bottom = static_cast<int>(std::ceil(b.bottom * k));
}

// Every box of the blocks scaled by k, then moved by dx, dy.
void Place(std::vector<Block>& blocks, double k, int dx, int dy) {
    auto place = [&](PixelBox& b) {
        if (k != 1) Scale(b, k);
        Shift(b, dx, dy);
    };
    for (Block& block : blocks) {
        place(block.box);
        for (OcrLine& line : block.lines) {
            place(line.box);
            for (OcrWord& word : line.words) {
                place(word.box);
                for (OcrSymbol& symbol : word.symbols) place(symbol.box);
            }
        }
    }
}

// The blocks Tesseract reads in image, in mode, with boxes in image's pixels;
// image is scaled by scale first.
std::vector<Block> ReadImage(const RenderedPage& image, double scale, tesseract::PageSegMode mode,
                             const std::string& languages, const std::string& tessdata,
                             Deadline& deadline) {
    PixPtr pix = GreyPix(image);
    if (scale != 1) {
        // A region too small to scale is read as it is.
        if (PIX* scaled =
                pixScale(pix.get(), static_cast<l_float32>(scale), static_cast<l_float32>(scale)))
            pix.reset(scaled);
        else
            scale = 1;
    }
    tesseract::TessBaseAPI& api = TesseractFor(languages, tessdata);
    ClearOnExit clear{api};
    api.SetPageSegMode(mode);
    api.SetImage(pix.get());
    api.SetSourceResolution(
        static_cast<int>(std::lround((image.dpi > 0 ? image.dpi : 300) * scale)));
    std::vector<Block> blocks = Recognize(api, deadline);
    if (scale != 1) Place(blocks, 1 / scale, 0, 0);
    return blocks;
}

// A word read with less confidence than this is doubtful.
constexpr float kDoubtful = 50;
// A line holding a doubtful word is looked at again on its own, this much
// smaller: the recogniser's misreadings of small print (啓 as 耕, 二 as 三 or
// ニニ, a thin stroke lost) come and go with the exact size of the strokes,
// and what it reads at another size with more confidence is rarely wrong.
constexpr double kSecondLookScale = 0.95;

float Weakest(const OcrLine& line) {
    float weakest = 100;
    for (const OcrWord& word : line.words) weakest = std::min(weakest, word.confidence);
    return weakest;
}

size_t Characters(const OcrLine& line) {
    size_t n = 0;
    for (const OcrWord& word : line.words) n += word.symbols.size();
    return n;
}

// A short line read on its own (a heading of two or three characters, 至急,
// 敬具, a cell's 重要) can come out empty or misread as a line: the
// recogniser finds too little in it to be sure of a line. Read as one word
// it reads: lines up to this many times as long as they are high.
constexpr int kShortLineHeights = 5;

bool ShortLine(const PixelBox& b) {
    return b.right - b.left <= kShortLineHeights * (b.bottom - b.top);
}

// The line in box read again on its own, with the room a line read alone
// gets, in mode at scale; nothing unless it reads as one line.
std::optional<OcrLine> ReadAgain(const RenderedPage& page, const PixelBox& box, double scale,
                                 tesseract::PageSegMode mode, const std::string& languages,
                                 const std::string& tessdata, Deadline& deadline) {
    int dx = 0, dy = 0;
    const RenderedPage copy = RegionImage(page, box, true, dx, dy);
    std::vector<Block> blocks = ReadImage(copy, scale, mode, languages, tessdata, deadline);
    if (blocks.size() != 1 || blocks[0].lines.size() != 1) return std::nullopt;
    Place(blocks, 1, dx, dy);
    return std::move(blocks[0].lines[0]);
}

// The line read again, at another size or, short, as one word, kept in
// place of the first reading when its least sure word is surer and it holds
// about as many characters (a reading that drops or adds characters is no
// better for being sure of the rest).
void SecondLook(const RenderedPage& page, OcrLine& line, double scale, const std::string& languages,
                const std::string& tessdata, Deadline& deadline) {
    const bool word = ShortLine(line.box);
    std::optional<OcrLine> again =
        ReadAgain(page, line.box, scale * kSecondLookScale,
                  word ? tesseract::PSM_SINGLE_WORD : tesseract::PSM_SINGLE_LINE, languages,
                  tessdata, deadline);
    if (!again) return;
    const size_t before = Characters(line), after = Characters(*again);
    if (Weakest(*again) <= Weakest(line) || after + 1 < before || after > before + 1) return;
    line.words = std::move(again->words);
}

// One region's first reading: its blocks, with their boxes on the page, the
// scale it was read at and whether its unsure lines are to be looked at
// again (vertical columns are not).
struct FirstReading {
    std::vector<Block> blocks;
    double scale = 1;
    bool lookAgain = true;
    // A short line read on its own, read again as one word if it reads
    // nothing as a line.
    std::optional<PixelBox> shortLine;
};

FirstReading ReadOnce(const RenderedPage& page, const Region& region, int textSize, double most,
                      const std::string& languages, const std::string& tessdata,
                      Deadline& deadline) {
    int dx = 0, dy = 0;
    const tesseract::PageSegMode mode = ModeFor(region);
    const PixelBox& b = region.box;
    const bool lineAlone = region.kind == RegionKind::Line && mode == tesseract::PSM_SINGLE_LINE;
    const RenderedPage copy = RegionImage(page, b, lineAlone, dx, dy);
    // A line standing alone is read at its own size (a large heading over
    // text of the usual size).
    if (lineAlone) textSize = b.bottom - b.top;
    FirstReading first;
    first.scale = ReadScale(textSize, most);
    first.blocks = ReadImage(copy, first.scale, mode, languages, tessdata, deadline);
    first.lookAgain = mode != tesseract::PSM_SINGLE_BLOCK_VERT_TEXT;
    if (mode == tesseract::PSM_SINGLE_LINE && ShortLine(b)) first.shortLine = b;
    Place(first.blocks, 1, dx, dy);
    return first;
}

// The first reading's blocks, their unsure lines looked at again.
std::vector<Block> LookAgain(const RenderedPage& page, FirstReading&& first,
                             const std::string& languages, const std::string& tessdata,
                             Deadline& deadline) {
    size_t read = 0;
    for (const Block& block : first.blocks)
        for (const OcrLine& line : block.lines) read += Characters(line);
    if (first.shortLine && read == 0) {
        std::optional<OcrLine> word =
            ReadAgain(page, *first.shortLine, first.scale, tesseract::PSM_SINGLE_WORD, languages,
                      tessdata, deadline);
        if (word && !word->words.empty() && Weakest(*word) >= kDoubtful) {
            Block block;
            block.box = word->box;
            block.lines.push_back(std::move(*word));
            first.blocks.assign(1, std::move(block));
        }
        return std::move(first.blocks);
    }
    if (first.lookAgain)
        for (Block& block : first.blocks)
            for (OcrLine& line : block.lines)
                if (Weakest(line) < kDoubtful)
                    SecondLook(page, line, first.scale, languages, tessdata, deadline);
    return std::move(first.blocks);
}

// The blocks of one region, with their boxes on the page.
std::vector<Block> ReadRegion(const RenderedPage& page, const Region& region, int textSize,
                              double most, const std::string& languages,
                              const std::string& tessdata, Deadline& deadline) {
    return LookAgain(page, ReadOnce(page, region, textSize, most, languages, tessdata, deadline),
                     languages, tessdata, deadline);
}

// A reading holds little text when it found under one character for every
// this many pieces of ink on the page.
constexpr int kPiecesPerCharacter = 8;
constexpr int kFewPieces = 4;
// Ink of at least kNoisePieces pieces read as under one character for every
// kPiecesPerNoiseCharacter of them is noise, not text (office pages: 400 to
// 1,700 pieces, one character for every one or two).
constexpr int kNoisePieces = 2000;
constexpr int kPiecesPerNoiseCharacter = 100;

size_t Characters(const std::vector<OcrLine>& lines) {
    size_t n = 0;
    for (const OcrLine& line : lines)
        for (const OcrWord& word : line.words) n += word.symbols.size();
    return n;
}

// How much a reading holds: its characters, each weighed by its word's
// confidence.
double Score(const std::vector<OcrLine>& lines) {
    double score = 0;
    for (const OcrLine& line : lines)
        for (const OcrWord& word : line.words)
            score += std::max(word.confidence, 0.0f) / 100.0 * word.symbols.size();
    return score;
}

// Tesseract's own layout of a page cannot be stopped once it started, and
// its work grows with the pixels: the whole page is read at most this many
// times its own pixels.
constexpr double kMostWholeArea = 2;

// The page read whole, by Tesseract's own page layout.
std::vector<OcrLine> ReadWhole(const RenderedPage& prepared, int textSize, double most,
                               const OcrRecipe& recipe, Deadline& deadline) {
    std::vector<OcrLine> lines;
    int number = 0;
    const double scale = std::min(ReadScale(textSize, most), std::sqrt(kMostWholeArea));
    for (Block& block : ReadImage(prepared, scale, tesseract::PSM_AUTO, recipe.languages,
                                  recipe.tessdata, deadline)) {
        for (OcrLine& line : block.lines) {
            line.block = number;
            lines.push_back(std::move(line));
        }
        ++number;
    }
    return lines;
}

// A word read again, from ink the first reading left unread or by the
// recogniser's own layout, is kept when the recogniser is at least this sure
// of it: what it finds in specks, strokes and pictures it reads with far less.
constexpr float kUnreadSure = 50;
constexpr float kPictureSure = 70;
// A region whose characters read at a mean confidence under this is unsure:
// the page is then read by the recogniser's own layout as well.
constexpr double kRegionSure = 60;
constexpr size_t kUnsureCharacters = 5;
// The recogniser's own reading takes a region's place when it is borne out by
// this many sure characters' worth more (see Evidence).
constexpr double kFloorMoreChars = 2;

double ScoreOf(const std::vector<Block>& blocks) {
    double score = 0;
    for (const Block& block : blocks)
        for (const OcrLine& line : block.lines)
            for (const OcrWord& word : line.words)
                score += std::max(word.confidence, 0.0f) / 100.0 * word.symbols.size();
    return score;
}

// How far a reading is borne out: each character counts by how much surer
// than kUnreadSure its word is (negative when less sure): a region read as
// many unsure characters, as strokes and specks are, weighs less than a few
// read surely.
double Evidence(const std::vector<Block>& blocks) {
    double evidence = 0;
    for (const Block& block : blocks)
        for (const OcrLine& line : block.lines)
            for (const OcrWord& word : line.words)
                evidence += (word.confidence - kUnreadSure) / (100 - kUnreadSure) *
                            double(word.symbols.size());
    return evidence;
}

bool Unsure(const std::vector<Block>& blocks) {
    size_t n = 0;
    for (const Block& block : blocks)
        for (const OcrLine& line : block.lines) n += Characters(line);
    return n >= kUnsureCharacters && ScoreOf(blocks) * 100 < kRegionSure * double(n);
}

bool Within(const PixelBox& b, const PixelBox& area) {
    const int x = (b.left + b.right) / 2, y = (b.top + b.bottom) / 2;
    return x >= area.left && x < area.right && y >= area.top && y < area.bottom;
}

// The blocks' words that keep holds, each line with its box around them.
std::vector<Block> WordsWhere(const std::vector<Block>& blocks,
                              const std::function<bool(const OcrWord&)>& keep) {
    std::vector<Block> out;
    for (const Block& block : blocks) {
        Block kept;
        kept.vertical = block.vertical;
        for (const OcrLine& line : block.lines) {
            OcrLine l = line;
            l.words.clear();
            for (const OcrWord& w : line.words)
                if (keep(w)) l.words.push_back(w);
            if (l.words.empty()) continue;
            l.box = l.words.front().box;
            for (const OcrWord& w : l.words) l.box = Union(l.box, w.box);
            kept.box = kept.lines.empty() ? l.box : Union(kept.box, l.box);
            kept.lines.push_back(std::move(l));
        }
        if (!kept.lines.empty()) out.push_back(std::move(kept));
    }
    return out;
}

tesseract::PageSegMode PatchMode(const InkPatch& patch) {
    return patch.rows <= 1 ? tesseract::PSM_SINGLE_LINE : tesseract::PSM_SINGLE_BLOCK;
}

// Light letters on a dark band, read inverted.
std::vector<Block> ReadBand(const PageLayout& layout, const InkPatch& patch, double most,
                            const OcrRecipe& recipe, Deadline& deadline) {
    int dx = 0, dy = 0;
    RenderedPage copy = RegionImage(layout.straight, patch.box, patch.rows <= 1, dx, dy);
    const int w = patch.box.right - patch.box.left, h = patch.box.bottom - patch.box.top;
    const int x0 = patch.box.left - dx, y0 = patch.box.top - dy;
    for (int y = std::max(y0, 0); y < std::min(y0 + h, copy.geometry.height); ++y)
        for (int x = std::max(x0, 0); x < std::min(x0 + w, copy.geometry.width); ++x) {
            uint8_t& v = copy.pixels[static_cast<size_t>(y) * copy.bytesPerLine + x];
            v = static_cast<uint8_t>(255 - v);
        }
    std::vector<Block> blocks = ReadImage(copy, ReadScale(layout.textSize, most), PatchMode(patch),
                                          recipe.languages, recipe.tessdata, deadline);
    Place(blocks, 1, dx, dy);
    return WordsWhere(blocks, [](const OcrWord& w) { return w.confidence >= kUnreadSure; });
}

// A patch of unread ink smaller than this many text sizes both ways, within
// a region, is a character its line missed: not worth reading again.
constexpr int kPatchSizes = 3;
// A patch of this many rows or more is read by the recogniser's own layout.
constexpr int kOwnLayoutRows = 3;

// The part of the page in box read by the recogniser's own layout (as a
// line when it is one), its sure words with their boxes on the page.
std::vector<Block> ReadOwn(const PageLayout& layout, const RenderedPage& rest, const PixelBox& box,
                           int rows, double most, const OcrRecipe& recipe, Deadline& deadline) {
    int dx = 0, dy = 0;
    const RenderedPage copy = RegionImage(rest, box, rows <= 1, dx, dy);
    const tesseract::PageSegMode mode = rows <= 1               ? tesseract::PSM_SINGLE_LINE
                                        : rows < kOwnLayoutRows ? tesseract::PSM_SINGLE_BLOCK
                                                                : tesseract::PSM_AUTO;
    std::vector<Block> blocks = ReadImage(copy, ReadScale(layout.textSize, most), mode,
                                          recipe.languages, recipe.tessdata, deadline);
    Place(blocks, 1, dx, dy);
    return WordsWhere(blocks, [](const OcrWord& w) { return w.confidence >= kUnreadSure; });
}

// The regions' readings checked against the page's ink: light letters on
// dark bands are read inverted; a region that reads unsure is read again by
// the recogniser's own layout, which takes its place where it holds clearly
// more; ink no word covers is read again the same way. Gives the lines read
// apart from the regions.
std::vector<OcrLine> CheckAgainstInk(const PageLayout& layout, const InkAccount& account,
                                     std::vector<std::vector<Block>>& read, double most,
                                     const OcrRecipe& recipe, Deadline& deadline) {
    for (std::vector<Block>& blocks : read)
        for (Block& block : blocks) account.DropStrokeMarks(block.lines);
    const int size = layout.textSize;
    std::optional<RenderedPage> rest;
    auto own = [&](const PixelBox& box, int rows) {
        if (!rest) rest = account.Rest({});
        std::vector<Block> blocks = ReadOwn(layout, *rest, box, rows, most, recipe, deadline);
        for (Block& block : blocks) account.DropStrokeMarks(block.lines);
        return blocks;
    };
    // Ink counts as read only under words of regions read surely.
    std::vector<char> unsure(read.size());
    std::vector<OcrLine> sure;
    for (size_t i = 0; i < read.size(); ++i) {
        unsure[i] = Unsure(read[i]);
        if (!unsure[i])
            for (const Block& block : read[i])
                sure.insert(sure.end(), block.lines.begin(), block.lines.end());
    }
    std::vector<InkPatch> patches = account.Unread(sure);
    // Pictures last: what they hold may have been read with what lies by them.
    std::stable_partition(patches.begin(), patches.end(),
                          [](const InkPatch& p) { return !p.picture; });
    // A word read again where a word kept lies already is that word again.
    std::vector<PixelBox> held;
    auto hold = [&](const std::vector<OcrLine>& lines) {
        for (const OcrLine& line : lines)
            for (const OcrWord& w : line.words) held.push_back(w.box);
    };
    hold(sure);
    auto fresh = [&](const OcrWord& w) {
        return std::none_of(held.begin(), held.end(), [&](const PixelBox& h) {
            return Within(w.box, h) || Within(h, w.box);
        });
    };
    auto meets = [](const PixelBox& a, const PixelBox& b) {
        return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
    };
    std::vector<std::vector<Block>> apart;
    // A region read unsure is read again with the unread ink it meets (a line
    // cut through holds the rest of its letters there), and that reading
    // takes its place when it holds clearly more.
    std::vector<char> taken(patches.size());
    for (size_t i = 0; i < read.size(); ++i) {
        if (!unsure[i]) continue;
        PixelBox box = layout.regions[i].box;
        std::vector<size_t> met;
        for (size_t p = 0; p < patches.size(); ++p)
            if (!patches[p].lightOnDark && !patches[p].picture && meets(patches[p].box, box))
                met.push_back(p);
        for (size_t p : met) box = Union(box, patches[p].box);
        std::vector<Block> there = WordsWhere(own(box, kOwnLayoutRows), [&](const OcrWord& w) {
            return Within(w.box, box) && fresh(w);
        });
        const double mine = Evidence(read[i]), theirs = Evidence(there);
        if (theirs > 0 && theirs >= mine + kFloorMoreChars) {
            for (const Block& block : there) hold(block.lines);
            read[i] = std::move(there);
            unsure[i] = 0;
            for (size_t p : met) taken[p] = 1;
        }
    }
    for (size_t p = 0; p < patches.size(); ++p) {
        if (taken[p]) continue;
        const InkPatch& patch = patches[p];
        const PixelBox& b = patch.box;
        if (patch.lightOnDark) {
            apart.push_back(ReadBand(layout, patch, most, recipe, deadline));
            for (const Block& block : apart.back()) hold(block.lines);
            continue;
        }
        // What a region kept, unsure as it is, read there is not read twice.
        auto kept = [&](const PixelBox& w) {
            for (size_t i = 0; i < read.size(); ++i)
                if (unsure[i] && Within(w, layout.regions[i].box)) return true;
            return false;
        };
        const bool small =
            b.right - b.left < kPatchSizes * size && b.bottom - b.top < kPatchSizes * size;
        if (small && std::any_of(layout.regions.begin(), layout.regions.end(),
                                 [&](const Region& r) { return Within(b, r.box); }))
            continue;
        // A picture holds text only where it reads clearly.
        const float least = patch.picture ? kPictureSure : kUnreadSure;
        apart.push_back(WordsWhere(own(b, patch.rows), [&](const OcrWord& w) {
            return w.confidence >= least && Within(w.box, b) && !kept(w.box) && fresh(w);
        }));
        for (const Block& block : apart.back()) hold(block.lines);
    }
    std::vector<OcrLine> lines;
    int number = 0;
    for (std::vector<Block>& blocks : apart)
        for (Block& block : blocks) {
            for (OcrLine& line : block.lines) {
                line.block = number;
                line.skewDegrees = layout.skewDegrees;
                lines.push_back(std::move(line));
            }
            ++number;
        }
    return lines;
}

// The lines' boxes carried from the prepared copy (straightened by their
// skew) back onto the page: each box becomes the box around its corners.
void OntoPage(std::vector<OcrLine>& lines, const PreparedPage& prepared) {
    if (!prepared.unwarped) return;
    const int w = prepared.image.geometry.width, h = prepared.image.geometry.height;
    for (OcrLine& line : lines) {
        const double skew = line.skewDegrees;
        auto onto = [&](PixelBox& b) {
            double xs[4] = {double(b.left), double(b.right), double(b.right), double(b.left)};
            double ys[4] = {double(b.top), double(b.top), double(b.bottom), double(b.bottom)};
            double l = 1e18, t = 1e18, r = -1e18, d = -1e18;
            for (int i = 0; i < 4; ++i) {
                if (skew != 0) UnturnedPoint(skew, w, h, xs[i], ys[i]);
                PagePoint(prepared, xs[i], ys[i]);
                l = std::min(l, xs[i]), r = std::max(r, xs[i]);
                t = std::min(t, ys[i]), d = std::max(d, ys[i]);
            }
            b = PixelBox{int(std::floor(l)), int(std::floor(t)), int(std::ceil(r)),
                         int(std::ceil(d))};
        };
        onto(line.box);
        for (OcrWord& word : line.words) {
            onto(word.box);
            for (OcrSymbol& symbol : word.symbols) onto(symbol.box);
        }
        line.skewDegrees = 0;
    }
}

// Appends the one line of a table cell to the line of the cells before it
// in its row, with a blank between them, so that every text extractor reads
// the row as one line, its cells in order.
void JoinCell(OcrLine& row, OcrLine&& cell) {
    const int em = cell.box.bottom - cell.box.top;
    OcrWord blank;
    blank.box = {std::max(row.box.right, cell.box.left - em / 4), cell.box.top, cell.box.left,
                 cell.box.bottom};
    blank.symbols.push_back(OcrSymbol{U" ", blank.box});
    row.words.push_back(std::move(blank));
    for (OcrWord& w : cell.words) row.words.push_back(std::move(w));
    row.box.left = std::min(row.box.left, cell.box.left);
    row.box.top = std::min(row.box.top, cell.box.top);
    row.box.right = std::max(row.box.right, cell.box.right);
    row.box.bottom = std::max(row.box.bottom, cell.box.bottom);
}

}  // namespace

namespace {

// A page read as it stands shows it stands upright when its first
// kSampleCharacters characters (whole regions of lines read the way they
// fit) read at a mean confidence of kUprightConfidence or more. Measured on
// 21 capture pages turned four ways: read upright, the first regions give 71
// to 95; turned 90, 180 or 270 degrees, at most 38. English read upside down
// comes closer (47 on a full page), hence the margin.
constexpr size_t kSampleCharacters = 20;
constexpr double kUprightConfidence = 75;
// Read first, before their unsure lines are looked at again, lines read
// upright give a mean of 63 or more (a coarse fax), turned ones 44 or less:
// below this, the way up is asked for at once, since a look again at lines
// that read as nothing doubles their cost and is thrown away with them.
constexpr double kTurnedConfidence = 50;

// A block of more than kBandAfterLines lines is sampled by a band of its
// first kSampleLines lines, read apart: read whole, a block turned upside
// down costs several times its upright reading (a 28-line page, 2 s to 6 s),
// and that reading is thrown away. Upright, the band's reading is kept and
// the block below it read: a block at least kOneLineEms text sizes wide,
// whose every line holds twice the sample's characters, is sampled by its
// first line alone.
constexpr int kSampleLines = 2;
constexpr int kBandAfterLines = 8;
constexpr int kOneLineEms = 2 * static_cast<int>(kSampleCharacters);
// Ink darker than this counts for the band's rows.
constexpr uint8_t kBandInk = 128;

// The region cut below its first lines rows of ink (each at least a third of
// textSize tall), midway into the blank under them; the region itself when
// it holds no more.
Region FirstLines(const RenderedPage& image, const Region& region, int lines, int textSize) {
    const PixelBox& b = region.box;
    const int left = std::clamp(b.left, 0, image.geometry.width);
    const int right = std::clamp(b.right, left, image.geometry.width);
    const int top = std::clamp(b.top, 0, image.geometry.height);
    const int bottom = std::clamp(b.bottom, top, image.geometry.height);
    auto inked = [&](int y) {
        const uint8_t* row = image.pixels.data() + static_cast<size_t>(y) * image.bytesPerLine;
        return std::any_of(row + left, row + right, [](uint8_t v) { return v < kBandInk; });
    };
    int found = 0, runStart = -1;
    for (int y = top; y < bottom; ++y) {
        if (inked(y)) {
            if (runStart < 0) runStart = y;
            continue;
        }
        if (runStart >= 0 && 3 * (y - runStart) >= textSize && ++found == lines) {
            int blank = y;
            while (blank < bottom && !inked(blank)) ++blank;
            if (blank >= bottom) break;
            Region band = region;
            band.box.bottom = (y + blank) / 2;
            band.lines = lines;
            return band;
        }
        runStart = -1;
    }
    return region;
}

int BandLines(const Region& block, int textSize) {
    return block.box.right - block.box.left >= kOneLineEms * textSize ? 1 : kSampleLines;
}

// What of block lies below its band (the band cut midway in a blank, so no
// line is cut in two); nothing when the band is the whole block.
std::optional<Region> Below(const Region& block, const Region& band) {
    if (band.box.bottom >= block.box.bottom) return std::nullopt;
    Region below = block;
    below.box.top = band.box.bottom;
    below.lines = std::max(block.lines - band.lines, 1);
    return below;
}

int LinesIn(const std::vector<Block>& blocks) {
    int n = 0;
    for (const Block& b : blocks) n += static_cast<int>(b.lines.size());
    return n;
}

// The lines read below a band added to the band's block, in order, so that
// the block reads as one.
void JoinBelow(std::vector<Block>& band, std::vector<Block>&& below) {
    for (Block& b : below) {
        if (band.empty()) {
            band.push_back(std::move(b));
            continue;
        }
        Block& joined = band.back();
        joined.box = {std::min(joined.box.left, b.box.left), std::min(joined.box.top, b.box.top),
                      std::max(joined.box.right, b.box.right),
                      std::max(joined.box.bottom, b.box.bottom)};
        for (OcrLine& line : b.lines) joined.lines.push_back(std::move(line));
    }
}

// The characters read so far and their confidence, each weighed by its count.
struct Sample {
    size_t characters = 0;
    double confidence = 0;
    void Add(const std::vector<Block>& blocks) {
        for (const Block& block : blocks)
            for (const OcrLine& line : block.lines)
                for (const OcrWord& word : line.words) {
                    characters += word.symbols.size();
                    confidence += std::max(word.confidence, 0.0f) * word.symbols.size();
                }
    }
    bool Upright() const { return confidence >= kUprightConfidence * characters; }
    bool Turned() const {
        return characters >= kSampleCharacters && confidence < kTurnedConfidence * characters;
    }
    bool Fair() const {
        return characters >= kSampleCharacters && confidence >= kTurnedConfidence * characters;
    }
};

long long Area(const PixelBox& b) {
    return static_cast<long long>(b.right - b.left) * (b.bottom - b.top);
}

// The page's reading; with standsUpright, nothing when its first lines
// leave in doubt that it stands upright and it says so neither (see
// RecognizeIfUpright).
std::optional<std::vector<OcrLine>> Read(const RenderedPage& page, const OcrRecipe& recipe,
                                         bool (*cancel)(void*), void* cancelData,
                                         const UprightQuestion* standsUpright) {
    // The page's limit holds for every step below, in processor time; the
    // preparation and the layout ask it in their loops too.
    const WorkLimit work(recipe.timeLimitMs > 0 ? recipe.timeLimitMs : kDefaultOcrTimeLimitMs,
                         cancel, cancelData);
    const WorkLimitScope scope(work);
    Deadline deadline{&work};
    // The page is read from a prepared copy, region by region, straightened,
    // in the layout's reading order; a cancel or the time limit stops it
    // between regions as well as inside one.
    const PreparedPage prepared = PreparePage(page);
    const bool findVertical = !recipe.verticalLanguages.empty();
    const PageLayout layout = FindLayout(prepared.image, findVertical);
    const double most = FinestScale(page);
    std::vector<OcrLine> lines;
    // The lines of one column make one block of the layer, so that text
    // extractors read the column through, headings and paragraphs alike;
    // vertical columns keep the blocks the recogniser found.
    // Cells of one row that read as one line each join into one line.
    int number = -1, column = -1, row = -1;
    bool rowLine = false;  // the last line is a row's single-line cells
    // The last share of the page's progress is kept for a second reading.
    deadline.regions = static_cast<int>(layout.regions.size()) + 1;
    bool checkUpright = standsUpright != nullptr;
    // Asked once, when the lines read leave the way up in doubt.
    auto upright = [&](const Sample& sampled = {}) {
        checkUpright = false;
        return (*standsUpright)(UprightClues{findVertical ? &layout : nullptr, sampled.Fair()});
    };
    const size_t regions = layout.regions.size();
    std::vector<std::vector<Block>> read(regions);
    auto readRegion = [&](size_t i, Deadline& limit) {
        const Region& region = layout.regions[i];
        const bool down = region.kind == RegionKind::Vertical;
        read[i] =
            ReadRegion(layout.image, region, layout.textSize, most,
                       down ? recipe.verticalLanguages : recipe.languages, recipe.tessdata, limit);
    };
    // While the way up is in doubt, regions are read in order until it is not.
    size_t first = 0;
    Sample sample;
    for (; first < regions && checkUpright; ++first) {
        const Region& region = layout.regions[first];
        // Columns written top to bottom may be lines of a page on its side:
        // they tell nothing of its way up.
        const bool down = region.kind == RegionKind::Vertical;
        if (down && !upright()) return std::nullopt;
        const std::string& languages = down ? recipe.verticalLanguages : recipe.languages;
        if (checkUpright && region.kind == RegionKind::Block && region.lines > kBandAfterLines) {
            const Region bandRegion = FirstLines(
                layout.image, region, BandLines(region, layout.textSize), layout.textSize);
            FirstReading bandRead = ReadOnce(layout.image, bandRegion, layout.textSize, most,
                                             languages, recipe.tessdata, deadline);
            Sample band;
            band.Add(bandRead.blocks);
            if (band.Turned() && !upright()) return std::nullopt;
            std::vector<Block> blocks =
                LookAgain(layout.image, std::move(bandRead), languages, recipe.tessdata, deadline);
            if (checkUpright) {
                band = Sample();
                band.Add(blocks);
                if (band.characters >= kSampleCharacters && band.Upright())
                    checkUpright = false;
                else if (!upright(band))
                    return std::nullopt;
            }
            // Upright: the band's reading stands for its lines and only the
            // block below it is read, unless it holds fewer lines than the
            // band has rows of ink (given a block of two lines, the
            // recogniser may find only one): the block is then read whole.
            if (const std::optional<Region> below = Below(region, bandRegion)) {
                if (LinesIn(blocks) < bandRegion.lines)
                    blocks = ReadRegion(layout.image, region, layout.textSize, most, languages,
                                        recipe.tessdata, deadline);
                else
                    JoinBelow(blocks, ReadRegion(layout.image, *below, layout.textSize, most,
                                                 languages, recipe.tessdata, deadline));
            }
            read[first] = std::move(blocks);
            ++deadline.regionsDone;
            continue;
        }
        FirstReading once = ReadOnce(layout.image, region, layout.textSize, most, languages,
                                     recipe.tessdata, deadline);
        if (checkUpright) {
            Sample withFirst = sample;
            withFirst.Add(once.blocks);
            if (withFirst.Turned() && !upright()) return std::nullopt;
        }
        read[first] =
            LookAgain(layout.image, std::move(once), languages, recipe.tessdata, deadline);
        ++deadline.regionsDone;
        if (checkUpright) {
            sample.Add(read[first]);
            if (sample.characters >= kSampleCharacters) {
                if (sample.Upright())
                    checkUpright = false;
                else if (!upright(sample))
                    return std::nullopt;
            }
        }
    }
    // The rest depend on nothing but the layout: a thread with nothing else
    // to do may read some of them, the largest first so that both finish
    // together.
    std::vector<size_t> rest;
    for (size_t i = first; i < regions; ++i) rest.push_back(i);
    std::stable_sort(rest.begin(), rest.end(), [&](size_t a, size_t b) {
        return Area(layout.regions[a].box) > Area(layout.regions[b].box);
    });
    std::atomic<int> done = deadline.regionsDone;
    RunSharedTasks(static_cast<int>(rest.size()), [&](int i) {
        // Each thread follows its own recognition, and its time counts
        // for the page.
        const WorkLimit helper = work.Helper();
        const WorkLimitScope helperScope(helper);
        Deadline limit = deadline;
        limit.work = &helper;
        limit.regionsDone = done;
        readRegion(rest[i], limit);
        ++done;
    });
    deadline.regionsDone = done;
    if (checkUpright && !upright()) return std::nullopt;  // too little text to tell
    // Every piece of ink is read or known to be no text: marks read off long
    // strokes go, and what no region reads well is read again.
    // A page of nothing but noise (thousands of pieces of ink, not one in a
    // hundred read as a character) is not read again, neither whole nor in
    // parts: the recogniser's own layout would spend a minute on its specks,
    // beyond any cancel's reach.
    size_t characters = 0;
    for (const std::vector<Block>& blocks : read)
        for (const Block& block : blocks)
            for (const OcrLine& line : block.lines) characters += Characters(line);
    const bool noise =
        layout.inkPieces >= kNoisePieces &&
        characters * kPiecesPerNoiseCharacter < static_cast<size_t>(layout.inkPieces);
    std::vector<OcrLine> apart;
    std::optional<InkAccount> account;
    if (layout.textSize > 0 && !noise) {
        account.emplace(layout);
        apart = CheckAgainstInk(layout, *account, read, most, recipe, deadline);
    }
    for (size_t i = 0; i < regions; ++i) {
        const Region& region = layout.regions[i];
        const bool down = region.kind == RegionKind::Vertical;
        std::vector<Block>& blocks = read[i];
        const bool oneLine = blocks.size() == 1 && blocks[0].lines.size() == 1;
        if (region.row >= 0 && region.row == row && rowLine && oneLine) {
            JoinCell(lines.back(), std::move(blocks[0].lines[0]));
            continue;
        }
        rowLine = region.row >= 0 && oneLine;
        row = region.row;
        if (region.column != column) ++number;
        column = region.column;
        for (Block& block : blocks) {
            for (OcrLine& line : block.lines) {
                line.block = number;
                line.skewDegrees = layout.skewDegrees;
                lines.push_back(std::move(line));
            }
            if (down) ++number;
        }
    }
    // A page with ink whose regions hold little text is read again whole, by
    // the recogniser's own layout, and the better reading kept (with what was
    // read apart from the regions, or instead of it).
    auto little = [&] {
        return !noise && layout.inkPieces >= kFewPieces &&
               Characters(lines) * kPiecesPerCharacter < static_cast<size_t>(layout.inkPieces);
    };
    const bool readWhole = little();
    if (readWhole) {
        std::vector<OcrLine> whole =
            ReadWhole(prepared.image, layout.inkHeight, most, recipe, deadline);
        if (Score(whole) > Score(lines) + Score(apart)) {
            lines = std::move(whole);
            apart.clear();
        }
    }
    InsertByPlace(lines, std::move(apart));
    // Never less than the recogniser reads alone, where the evidence says
    // the page may hold more.
    if (account && !readWhole && FloorWanted(*account, lines))
        RaiseToFloor(layout, *account, lines, [&](const RenderedPage& image) {
            return ReadWhole(image, layout.textSize, most, recipe, deadline);
        });
    OntoPage(lines, prepared);
    // A photo's sheet found with a wrong corner (its shadowed part as dark
    // as the lit desk) is unwarped askew or cut short, and may read as
    // nothing: the photo itself, read whole as the recogniser alone reads
    // it, is then kept if it reads better.
    if (prepared.unwarped && (little() || Characters(lines) < kFewPieces)) {
        std::vector<OcrLine> photo = ReadWhole(page, 0, most, recipe, deadline);
        if (Score(photo) > Score(lines)) lines = std::move(photo);
    }
    return lines;
}

}  // namespace

std::vector<OcrLine> RecognizePage(const RenderedPage& page, const OcrRecipe& recipe,
                                   bool (*cancel)(void*), void* cancelData) {
    return *Read(page, recipe, cancel, cancelData, nullptr);
}

std::optional<std::vector<OcrLine>> RecognizeIfUpright(const RenderedPage& page,
                                                       const OcrRecipe& recipe,
                                                       const UprightQuestion& standsUpright,
                                                       bool (*cancel)(void*), void* cancelData) {
    return Read(page, recipe, cancel, cancelData, &standsUpright);
}

}  // namespace xdw
