#include "ocr/ReadingTurn.h"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include "Marks.h"
#include "WorkLimit.h"
#include "common/Utf8.h"
#include "layout/PageLayout.h"
#include "layout/Pix.h"
#include "ocr/OcrTuning.h"
#include "ocr/RegionReading.h"
#include "ocr/TesseractPool.h"
#include "prepare/PreparePage.h"

namespace xdw {

namespace {

// The sample: regions of text in reading order, each cut to its first few
// lines and to a length along them, until about this many characters.
const int kSampleCharacters = TunedInt(Ocr::TurnSampleCharacters);
const int kSampleLines = TunedInt(Ocr::TurnSampleLines);
const int kSampleLength = TunedInt(Ocr::TurnSampleLength);
const int kSampleRegions = TunedInt(Ocr::TurnSampleRegions);
// Lines further apart than this many text sizes are not taken as lines of
// one region: a piece is never more than so many sizes across and along.
const int kWidestPitch = TunedInt(Ocr::WidestPitch);
// Blank room around a piece of the sample, in text sizes.
const double kSampleMargin = Tuned(Ocr::SampleMargin);
// A turn is taken only when its sample reads this much better (mean
// confidence of its characters, 0 to 100) than the page as it stands and
// every other turn read, holds enough characters, and reads fairly on its
// own (as a coarse fax read the right way up does, and no wrong way).
const double kBetterBy = Tuned(Ocr::BetterBy);
const double kReadsWell = Tuned(Ocr::ReadsWell);
const int kLeastCharacters = TunedInt(Ocr::LeastCharacters);

// What reading the sample one way gave.
struct Reading {
    double confidence = 0;  // mean over its characters
    int characters = 0;
};

// A piece of the sample: where it lies on the layout's image, whether its
// lines run top to bottom, and about how many characters it holds.
struct Piece {
    PixelBox box;
    bool down = false;
    int characters = 0;
};

// The first lines of a region, cut to a length along them: a sample of it.
Piece FirstLines(const Region& region, int size) {
    Piece piece{region.box, region.kind == RegionKind::Vertical};
    PixelBox& b = piece.box;
    const bool down = piece.down;
    const int across = down ? b.right - b.left : b.bottom - b.top;
    const int n = std::max(region.lines, 1);
    // From one line to the next; a line's own height when there is one.
    const int pitch =
        std::clamp(n > 1 ? (across - size) / (n - 1) : across, 1, kWidestPitch * size);
    const int kept = std::min(n, kSampleLines);
    // Lines evenly spaced: cut in the gap after the last one kept.
    const int keep = kept < n ? (kept - 1) * pitch + (pitch + size) / 2 : kept * pitch;
    if (keep < across) {
        if (down)
            b.left = b.right - keep;  // vertical columns read from the right
        else
            b.bottom = b.top + keep;
    }
    const int length = kSampleLength * pitch;
    if (down)
        b.bottom = std::min(b.bottom, b.top + length);
    else
        b.right = std::min(b.right, b.left + length);
    // Characters about a line's pitch apart at most.
    const int along = down ? b.bottom - b.top : b.right - b.left;
    piece.characters = kept * along / std::max(std::min(pitch, size * 2), 1);
    return piece;
}

std::vector<Piece> Sample(const PageLayout& layout) {
    std::vector<Piece> pieces;
    const int size = std::max(layout.textSize, 1);
    int characters = 0;
    for (const Region& region : layout.regions) {
        if (characters >= kSampleCharacters || int(pieces.size()) >= kSampleRegions) break;
        Piece piece = FirstLines(region, size);
        // A piece of a character or two tells little.
        if (piece.characters < 3) continue;
        characters += piece.characters;
        pieces.push_back(piece);
    }
    return pieces;
}

// A piece of the image with blank room around it, turned clockwise by turn
// and scaled by scale.
PixPtr PieceImage(PIX* image, const PixelBox& b, int margin, int turn, double scale) {
    const int w = pixGetWidth(image), h = pixGetHeight(image);
    const int left = std::clamp(b.left, 0, w), right = std::clamp(b.right, left, w);
    const int top = std::clamp(b.top, 0, h), bottom = std::clamp(b.bottom, top, h);
    PixPtr piece = Checked(pixCreate(right - left + 2 * margin, bottom - top + 2 * margin, 8));
    pixSetAllArbitrary(piece.get(), 255);
    pixRasterop(piece.get(), margin, margin, right - left, bottom - top, PIX_SRC, image, left, top);
    if (turn != 0) piece = Checked(pixRotateOrth(piece.get(), turn / 90));
    if (scale != 1) {
        if (PIX* scaled = pixScale(piece.get(), float(scale), float(scale))) piece.reset(scaled);
    }
    return piece;
}

bool Stopped(void* work, int) {
    const auto* limit = static_cast<const WorkLimit*>(work);
    return limit->Cancelled() || limit->OutOfTime();
}

// Adds what Tesseract read in the image set on api within the page's limit
// to reading; false when the limit (or a cancel) came first.
bool Add(tesseract::TessBaseAPI& api, const WorkLimit& work, Reading& reading) {
    if (work.Cancelled() || work.OutOfTime()) return false;
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &Stopped;
    monitor.cancel_this = const_cast<WorkLimit*>(&work);  // only read
    const int rc = api.Recognize(&monitor);
    if (work.Cancelled() || work.OutOfTime()) return false;
    if (rc != 0) return true;
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it) return true;
    double sum = reading.confidence * reading.characters;
    do {
        std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_WORD));
        if (!text) continue;
        int n = 0;
        for (char32_t c : quilbex::DecodeUtf8(text.get()))
            if (c > 0x20 && c != 0x3000) ++n;
        sum += std::max(it->Confidence(tesseract::RIL_WORD), 0.0f) * n;
        reading.characters += n;
    } while (it->Next(tesseract::RIL_WORD));
    if (reading.characters > 0) reading.confidence = sum / reading.characters;
    return true;
}

// The sample read with the page turned clockwise by turn within the page's
// limit (nothing when it came first); lines running top to bottom as they
// then stand are read by the vertical languages.
std::optional<Reading> ReadSample(PIX* image, const std::vector<Piece>& pieces, int size,
                                  double scale, int dpi, int turn, const OcrRecipe& recipe,
                                  const WorkLimit& work) {
    Reading reading;
    const bool sideways = turn == 90 || turn == 270;
    const int margin = static_cast<int>(kSampleMargin * size);
    for (const Piece& piece : pieces) {
        const bool down = piece.down != sideways;
        if (down && recipe.verticalLanguages.empty()) continue;
        tesseract::TessBaseAPI& api =
            TesseractFor(down ? recipe.verticalLanguages : recipe.languages, recipe.tessdata);
        PixPtr pix = PieceImage(image, piece.box, margin, turn, scale);
        api.SetPageSegMode(down ? tesseract::PSM_SINGLE_BLOCK_VERT_TEXT
                                : tesseract::PSM_SINGLE_BLOCK);
        api.SetImage(pix.get());
        api.SetSourceResolution(std::max(1, static_cast<int>(dpi * scale)));
        const bool done = Add(api, work, reading);
        api.Clear();
        if (!done) return std::nullopt;
    }
    return reading;
}

}  // namespace

std::optional<int> TurnByReading(const RenderedPage& page, const OcrRecipe& recipe,
                                 const PageLayout* found, const RenderedPage* prepared,
                                 bool readsFairly, bool* clear) {
    if (clear != nullptr) *clear = false;
    // Within the limit of the page being read, its cancel included; a page
    // looked at on its own has a limit of its own.
    const WorkLimit alone(recipe.timeLimitMs > 0 ? recipe.timeLimitMs : kDefaultOcrTimeLimitMs);
    const WorkLimit& work = CurrentWorkLimit() != nullptr ? *CurrentWorkLimit() : alone;
    const WorkLimitScope scope(work);
    std::optional<PageLayout> own;
    if (found == nullptr && prepared != nullptr)
        own = FindLayout(*prepared, true);
    else if (found == nullptr)
        own = FindLayout(PreparePage(page).image, true);
    const PageLayout& layout = found != nullptr ? *found : *own;
    if (layout.textSize <= 0) return std::nullopt;
    // The way the page's lines run, by the area of its text.
    long long downArea = 0, acrossArea = 0;
    int lines = 0;
    for (const Region& r : layout.regions) {
        const long long area =
            static_cast<long long>(r.box.right - r.box.left) * (r.box.bottom - r.box.top);
        (r.kind == RegionKind::Vertical ? downArea : acrossArea) += area;
        lines += r.lines;
    }
    const std::vector<Piece> pieces = Sample(layout);
    // A single line, turned or not, is too little to tell.
    if (lines < 2 || pieces.empty()) return std::nullopt;
    const int size = layout.textSize;
    const double scale = ReadScale(size, FinestScale(page));
    PixPtr image = GreyPix(layout.image);
    std::vector<std::pair<int, Reading>> read;
    bool late = false;  // the page's time ran out: the way up is left as it is
    auto readAt = [&](std::initializer_list<int> turns) {
        for (int turn : turns) {
            if (late) return;
            const std::optional<Reading> reading =
                ReadSample(image.get(), pieces, size, scale, layout.image.dpi, turn, recipe, work);
            if (reading) read.emplace_back(turn, *reading);
            late = !reading;
        }
    };
    auto best = [&] {
        return std::max_element(read.begin(), read.end(), [](const auto& a, const auto& b) {
            return a.second.confidence < b.second.confidence;
        });
    };
    // The page as it stands is read first, then the turns its lines point
    // to (lines running top to bottom: text on its side, unless they are
    // columns of vertical writing, read so as it stands); the other turns
    // only when none of those reads fairly, and never on its side when its
    // first lines read fairly across as it stands: lines on their side do not.
    const bool down = downArea > acrossArea;
    readAt({0});
    down ? readAt({90, 270}) : readAt({180});
    if (!late && best()->second.confidence < kReadsWell) {
        if (down)
            readAt({180});
        else if (!readsFairly)
            readAt({90, 270});
    }
    if (late) return std::nullopt;
    const auto [turn, reading] = *best();
    bool sure = reading.characters >= kLeastCharacters && reading.confidence >= kReadsWell;
    for (const auto& [other, otherReading] : read)
        sure = sure && (other == turn || reading.confidence >= otherReading.confidence + kBetterBy);
    if (clear != nullptr) *clear = sure;
    if (turn == 0 || !sure) return 0;
    XDW_MARK("way up: turned by reading each way");
    return turn;
}

}  // namespace xdw
