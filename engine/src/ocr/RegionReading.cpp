#include "ocr/RegionReading.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <optional>

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include "Error.h"
#include "Marks.h"
#include "common/Utf8.h"
#include "layout/Pix.h"
#include "ocr/OcrTuning.h"
#include "ocr/PageProgress.h"
#include "ocr/TesseractPool.h"

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

bool Cancelled(void* deadline, int) {
    const auto* d = static_cast<const Deadline*>(deadline);
    // Asked often while the recogniser works: its progress goes out from here.
    if (d->monitor != nullptr && d->noted)
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
const int kRegionMarginPx = TunedInt(Ocr::RegionMarginPx);
const int kLineMarginMinPx = TunedInt(Ocr::LineMarginMinPx);

}  // namespace

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

namespace {

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
const int kReadTextPx = TunedInt(Ocr::ReadTextPx);
const int kSmallTextPx = TunedInt(Ocr::SmallTextPx);
const int kLargeTextPx = TunedInt(Ocr::LargeTextPx);

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

void Scale(PixelBox& b, double kx, double ky) {
    b.left = static_cast<int>(std::floor(b.left * kx));
    b.top = static_cast<int>(std::floor(b.top * ky));
    b.right = static_cast<int>(std::ceil(b.right * kx));
    b.bottom = static_cast<int>(std::ceil(b.bottom * ky));
}

// f on every box of the lines: each line's, word's and symbol's.
template <typename F>
void EachBox(std::vector<OcrLine>& lines, F f) {
    for (OcrLine& line : lines) {
        f(line.box);
        for (OcrWord& word : line.words) {
            f(word.box);
            for (OcrSymbol& symbol : word.symbols) f(symbol.box);
        }
    }
}

// ... and of the blocks, each block's too.
template <typename F>
void EachBox(std::vector<Block>& blocks, F f) {
    for (Block& block : blocks) {
        f(block.box);
        EachBox(block.lines, f);
    }
}

// Every box of the blocks scaled by kx across and ky down.
void Unstretch(std::vector<Block>& blocks, double kx, double ky) {
    EachBox(blocks, [&](PixelBox& b) { Scale(b, kx, ky); });
}

}  // namespace

void Move(std::vector<OcrLine>& lines, int dx, int dy) {
    EachBox(lines, [&](PixelBox& b) { Shift(b, dx, dy); });
}

// Every box of the blocks scaled by k, then moved by dx, dy.
void Place(std::vector<Block>& blocks, double k, int dx, int dy) {
    EachBox(blocks, [&](PixelBox& b) {
        if (k != 1) Scale(b, k, k);
        Shift(b, dx, dy);
    });
}

// The blocks Tesseract reads in image, in mode, with boxes in image's pixels;
// image is scaled by scale first.
std::vector<Block> ReadImage(const RenderedPage& image, double scale, tesseract::PageSegMode mode,
                             const std::string& languages, const std::string& tessdata,
                             Deadline& deadline, double stretch) {
    PixPtr pix = GreyPix(image);
    if (scale != 1 || stretch != 1) {
        // A region too small to scale is read as it is.
        if (PIX* scaled = pixScale(pix.get(), static_cast<l_float32>(scale * stretch),
                                   static_cast<l_float32>(scale)))
            pix.reset(scaled);
        else
            scale = 1, stretch = 1;
    }
    tesseract::TessBaseAPI& api = TesseractFor(languages, tessdata);
    ClearOnExit clear{api};
    api.SetPageSegMode(mode);
    api.SetImage(pix.get());
    api.SetSourceResolution(
        static_cast<int>(std::lround((image.dpi > 0 ? image.dpi : 300) * scale)));
    std::vector<Block> blocks = Recognize(api, deadline);
    if (stretch != 1)
        Unstretch(blocks, 1 / (scale * stretch), 1 / scale);
    else if (scale != 1)
        Place(blocks, 1 / scale, 0, 0);
    return blocks;
}

namespace {

// A word read with less confidence than this is doubtful.
const float kDoubtful = static_cast<float>(Tuned(Ocr::Doubtful));
// A line holding a doubtful word is looked at again on its own, this much
// smaller: the recogniser's misreadings of small print (啓 as 耕, 二 as 三 or
// ニニ, a thin stroke lost) come and go with the exact size of the strokes,
// and what it reads at another size with more confidence is rarely wrong.
const double kSecondLookScale = Tuned(Ocr::SecondLookScale);

float Weakest(const OcrLine& line) {
    float weakest = 100;
    for (const OcrWord& word : line.words) weakest = std::min(weakest, word.confidence);
    return weakest;
}

// A second look is kept only when every word of the line, read again, is
// surer than the weakest was: a long line holding many doubtful words (a
// fax's Mincho at 98 rows an inch) never reads so, and is not read again.
const size_t kLongLineWords = static_cast<size_t>(TunedInt(Ocr::LongLineWords));
const int kManyDoubtful = TunedInt(Ocr::ManyDoubtful);

bool ManyDoubts(const OcrLine& line) {
    if (line.words.size() < kLongLineWords) return false;
    return std::count_if(line.words.begin(), line.words.end(), [](const OcrWord& w) {
               return w.confidence < kDoubtful;
           }) >= kManyDoubtful;
}

}  // namespace

size_t Characters(const OcrLine& line) {
    size_t n = 0;
    for (const OcrWord& word : line.words) n += word.symbols.size();
    return n;
}

namespace {

// A short line read on its own (a heading of two or three characters, 至急,
// 敬具, a cell's 重要) can come out empty or misread as a line: the
// recogniser finds too little in it to be sure of a line. Read as one word
// it reads: lines up to this many times as long as they are high.
const int kShortLineHeights = TunedInt(Ocr::ShortLineHeights);

bool ShortLine(const PixelBox& b) {
    return b.right - b.left <= kShortLineHeights * (b.bottom - b.top);
}

// The line in box read again on its own, with the room a line read alone
// gets, in mode at scale; nothing unless it reads as one line.
std::optional<OcrLine> ReadAgain(const RenderedPage& page, const PixelBox& box, double scale,
                                 tesseract::PageSegMode mode, const std::string& languages,
                                 const std::string& tessdata, Deadline& deadline,
                                 double stretch = 1) {
    int dx = 0, dy = 0;
    const RenderedPage copy = RegionImage(page, box, true, dx, dy);
    std::vector<Block> blocks =
        ReadImage(copy, scale, mode, languages, tessdata, deadline, stretch);
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
    XDW_MARK("region: a second look kept");
    line.words = std::move(again->words);
}

// Half-width katakana (a fax's sender line, a bank's ﾏﾙﾌｸｼｮｳｼﾞ) are letters
// of the full width squeezed to half: the recogniser, which knows them
// little, reads them as figures, Latin letters and a katakana here and
// there, doubtfully. A line holding such a doubtful word, its characters
// this narrow (of the line's height), is read again stretched across by
// kWideStretch, and katakana read there more surely take the narrow letters'
// place.
const double kNarrowWidth = Tuned(Ocr::NarrowWidth);
const double kWideStretch = Tuned(Ocr::WideStretch);

bool Katakana(const std::vector<OcrWord>& words, size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i)
        for (const OcrSymbol& s : words[i].symbols)
            for (char32_t c : s.text)
                if ((c >= U'\u30A1' && c <= U'\u30FC') || (c >= U'\uFF66' && c <= U'\uFF9D'))
                    return true;
    return false;
}

bool Narrow(const std::vector<OcrWord>& words, size_t begin, size_t end, int height) {
    double width = 0, n = 0;
    for (size_t i = begin; i < end; ++i) {
        width += words[i].box.right - words[i].box.left;
        n += words[i].symbols.size();
    }
    return n > 0 && width < kNarrowWidth * height * n;
}

// A doubtful word of narrow letters, some read as katakana.
bool NarrowDoubt(const std::vector<OcrWord>& words, size_t i, int height) {
    return words[i].confidence < kDoubtful && Narrow(words, i, i + 1, height) &&
           Katakana(words, i, i + 1);
}

// Stretched, a half-width katakana's voicing mark (ﾞ) stands apart from its
// letter and reads as a wave dash or a quote: from words[from] on, such a
// mark after a katakana joins it (シ and the mark make ジ; after ジ, read
// whole, it is dropped).
void JoinVoicingMarks(std::vector<OcrWord>& words, size_t from) {
    static const std::u32string plain = U"カキクケコサシスセソタチツテトハヒフヘホウ";
    static const std::u32string voiced = U"ガギグゲゴザジズゼゾダヂヅデドバビブベボヴ";
    OcrSymbol* before = nullptr;
    for (size_t w = from; w < words.size(); ++w) {
        std::vector<OcrSymbol>& symbols = words[w].symbols;
        for (size_t i = 0; i < symbols.size();) {
            const std::u32string& t = symbols[i].text;
            // A figure or sign read well inside the letter before it is that
            // letter's mark read apart (ﾌﾞ as フ2~).
            const bool within = before && t.size() == 1 &&
                                !(t[0] >= U'\u30A1' && t[0] <= U'\u30FC') &&
                                4 * symbols[i].box.left < before->box.left + 3 * before->box.right;
            const bool mark = t == U"~" || t == U"〜" || t == U"～" || t == U"ﾞ" || t == U"゛" ||
                              t == U"\"" || t == U"”" || within;
            const size_t p = before && before->text.size() == 1 ? plain.find(before->text[0])
                                                                : std::u32string::npos;
            const bool voicedBefore = before && before->text.size() == 1 &&
                                      voiced.find(before->text[0]) != std::u32string::npos;
            if (mark && (p != std::u32string::npos || voicedBefore)) {
                if (p != std::u32string::npos) before->text = voiced.substr(p, 1);
                before->box.right = std::max(before->box.right, symbols[i].box.right);
                symbols.erase(symbols.begin() + i);
                continue;
            }
            before = &symbols[i++];
        }
    }
    words.erase(std::remove_if(words.begin() + from, words.end(),
                               [](const OcrWord& w) { return w.symbols.empty(); }),
                words.end());
}

// The mean confidence of words [begin, end), each weighed by its characters.
double MeanSure(const std::vector<OcrWord>& words, size_t begin, size_t end) {
    double sum = 0, n = 0;
    for (size_t i = begin; i < end; ++i) {
        sum += words[i].confidence * words[i].symbols.size();
        n += words[i].symbols.size();
    }
    return n > 0 ? sum / n : 0;
}

void WideLook(const RenderedPage& page, OcrLine& line, double scale, const std::string& languages,
              const std::string& tessdata, Deadline& deadline) {
    const int height = line.box.bottom - line.box.top;
    bool doubt = false;
    for (size_t i = 0; i < line.words.size() && !doubt; ++i)
        doubt = NarrowDoubt(line.words, i, height);
    if (!doubt) return;
    std::optional<OcrLine> again = ReadAgain(page, line.box, scale, tesseract::PSM_SINGLE_LINE,
                                             languages, tessdata, deadline, kWideStretch);
    if (!again) return;
    // Both readings' words in groups that overlap across, each group taken
    // from one reading.
    const std::vector<OcrWord>& a = line.words;
    const std::vector<OcrWord>& b = again->words;
    std::vector<OcrWord> kept;
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        const size_t i0 = i, j0 = j;
        int right = std::min(i < a.size() ? a[i].box.right : INT_MAX,
                             j < b.size() ? b[j].box.right : INT_MAX);
        if (i < a.size() && a[i].box.right == right)
            ++i;
        else
            ++j;
        for (bool more = true; more;) {
            more = false;
            if (i < a.size() && a[i].box.left < right)
                right = std::max(right, a[i++].box.right), more = true;
            if (j < b.size() && b[j].box.left < right)
                right = std::max(right, b[j++].box.right), more = true;
        }
        // Only narrow or doubtful letters of the first reading give way (or
        // a group holding a doubtful narrow word), and only to katakana read
        // more surely.
        bool doubted = Narrow(a, i0, i, height) || MeanSure(a, i0, i) < kDoubtful;
        for (size_t k = i0; k < i && !doubted; ++k) doubted = NarrowDoubt(a, k, height);
        const bool wide = i > i0 && j > j0 && doubted && Katakana(b, j0, j) &&
                          MeanSure(b, j0, j) > MeanSure(a, i0, i);
        if (wide) {
            XDW_MARK("region: narrow letters read stretched");
            const size_t from = kept.size();
            kept.insert(kept.end(), b.begin() + j0, b.begin() + j);
            JoinVoicingMarks(kept, from);
        } else
            kept.insert(kept.end(), a.begin() + i0, a.begin() + i);
    }
    line.words = std::move(kept);
}

}  // namespace

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

namespace {

// A Japanese character can read as several Latin letters (記 as RIM), each
// far narrower than such a letter is set: a word of them, its letters on
// average narrower than kNarrowLatin of the line's height, is read again as
// one character, and a Japanese character read there takes its place.
const double kNarrowLatin = Tuned(Ocr::NarrowLatin);

bool NarrowLatin(const OcrWord& word, int height) {
    if (word.symbols.size() < 2) return false;
    for (const OcrSymbol& s : word.symbols)
        for (char32_t c : s.text)
            if (!((c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z'))) return false;
    return word.box.right - word.box.left < kNarrowLatin * height * double(word.symbols.size());
}

void OneCharacterLook(const RenderedPage& page, OcrLine& line, double scale,
                      const std::string& languages, const std::string& tessdata,
                      Deadline& deadline) {
    // Letters in a column of vertical writing lie on their side: their
    // widths say nothing of what they are.
    if (line.vertical || languages.find("jpn") == std::string::npos) return;
    const int height = line.box.bottom - line.box.top;
    for (OcrWord& word : line.words) {
        if (!NarrowLatin(word, height)) continue;
        PixelBox box = word.box;
        box.top = line.box.top, box.bottom = line.box.bottom;
        // Read as a word (as one character, the recogniser reads the letters
        // again); a mark beside the character is left out.
        std::optional<OcrLine> again =
            ReadAgain(page, box, scale, tesseract::PSM_SINGLE_WORD, languages, tessdata, deadline);
        if (!again) continue;
        std::vector<std::pair<OcrSymbol, float>> japanese;
        for (const OcrWord& w : again->words)
            for (const OcrSymbol& s : w.symbols)
                if (s.text.size() == 1 && s.text[0] >= U'\u3040')
                    japanese.emplace_back(s, w.confidence);
        if (japanese.size() != 1) continue;
        word.symbols.assign(1, japanese[0].first);
        word.symbols[0].box = word.box;
        word.confidence = japanese[0].second;
    }
}

}  // namespace

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
            XDW_MARK("region: a short line read as a word");
            first.blocks.assign(1, std::move(block));
        }
        return std::move(first.blocks);
    }
    if (first.lookAgain)
        for (Block& block : first.blocks)
            for (OcrLine& line : block.lines)
                if (Weakest(line) < kDoubtful) {
                    if (!ManyDoubts(line))
                        SecondLook(page, line, first.scale, languages, tessdata, deadline);
                    WideLook(page, line, first.scale, languages, tessdata, deadline);
                }
    if (first.lookAgain)
        for (Block& block : first.blocks)
            for (OcrLine& line : block.lines)
                OneCharacterLook(page, line, first.scale, languages, tessdata, deadline);
    return std::move(first.blocks);
}

// The blocks of one region, with their boxes on the page.
std::vector<Block> ReadRegion(const RenderedPage& page, const Region& region, int textSize,
                              double most, const std::string& languages,
                              const std::string& tessdata, Deadline& deadline) {
    return LookAgain(page, ReadOnce(page, region, textSize, most, languages, tessdata, deadline),
                     languages, tessdata, deadline);
}

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

namespace {

// Tesseract's own layout of a page cannot be stopped once it started, and
// its work grows with the pixels: the whole page is read at most this many
// times its own pixels.
const double kMostWholeArea = Tuned(Ocr::MostWholeArea);

}  // namespace

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

}  // namespace xdw
