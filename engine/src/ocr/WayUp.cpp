#include "ocr/WayUp.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Error.h"
#include "Marks.h"
#include "ocr/OcrTuning.h"
#include "ocr/Orientation.h"
#include "ocr/ReadingTurn.h"

namespace xdw {

namespace {

// Below this orientation confidence (Tesseract's own units) the letters'
// shapes leave a page in doubt: blank and one-line pages give no answer at
// all.
const float kMinOrientationConfidence = static_cast<float>(Tuned(Ocr::MinOrientationConfidence));
// The letters' shapes are looked at on a copy of this resolution.
const int kOrientationDpi = TunedInt(Ocr::OrientationDpi);

}  // namespace

std::optional<int> UprightTurn(const RenderedPage& page, const OcrRecipe& recipe,
                               const UprightClues& clues) {
    // A page whose first lines read fairly (a coarse fax, faint print) leaves
    // the letters' shapes in doubt: a sample of its text read each way tells.
    if (clues.readsFairly) return TurnByReading(page, recipe, clues.layout, clues.prepared, true);
    // A picture coarser than the copy the letters' shapes are looked at on
    // (a normal-mode fax) is read each way first, at less cost than the
    // shapes, which are looked at only when that reading is not clear.
    const int coarser = page.picture.Coarser();
    if (coarser > 0 && coarser < kOrientationDpi) {
        bool clear = false;
        const std::optional<int> read =
            TurnByReading(page, recipe, clues.layout, clues.prepared, false, &clear);
        if (clear) return read;
        const std::optional<ShapesAnswer> shapes = TurnByShapes(page, recipe);
        return shapes && shapes->confidence >= kMinOrientationConfidence ? shapes->turn : read;
    }
    const std::optional<ShapesAnswer> shapes = TurnByShapes(page, recipe);
    // In doubt, the page's own text read each way decides.
    if (!shapes || !(shapes->confidence >= kMinOrientationConfidence))
        return TurnByReading(page, recipe, clues.layout, clues.prepared);
    return shapes->turn;
}

WayUp AskWayUp(const RenderedPage& page, const OcrRecipe& recipe, const UprightClues& clues) {
    WayUp way;
    try {
        way.turn = UprightTurn(page, recipe, clues).value_or(0);
    } catch (const EngineError& e) {
        // The page's reading is not lost to the data that looks for its way
        // up: it goes on as the page stands.
        if (e.code() != XDW_E_NOT_INSTALLED) throw;
        XDW_MARK("way up: orientation data would not load");
        way.error = std::current_exception();
        way.turn = 0;
    }
    return way;
}

namespace {

// A page read as it stands shows it stands upright when its first
// kSampleCharacters characters (whole regions of lines read the way they
// fit) read at a mean confidence of kUprightConfidence or more: well above
// what pages read turned give, English upside down included.
const size_t kSampleCharacters = static_cast<size_t>(TunedInt(Ocr::UprightSampleCharacters));
const double kUprightConfidence = Tuned(Ocr::UprightConfidence);
// Read first, before their unsure lines are looked at again, lines reading
// below this are taken as turned and the way up is asked for at once: a
// look again at lines that read as nothing doubles their cost and is thrown
// away with them.
const double kTurnedConfidence = Tuned(Ocr::TurnedConfidence);

// A block of more than kBandAfterLines lines is sampled by a band of its
// first kSampleLines lines, read apart: read whole, a block turned upside
// down costs several times its upright reading, and that reading is thrown
// away. Upright, the band's reading is kept and
// the block below it read: a block at least kOneLineEms text sizes wide,
// whose every line holds twice the sample's characters, is sampled by its
// first line alone.
const int kSampleLines = TunedInt(Ocr::BandLines);
const int kBandAfterLines = TunedInt(Ocr::BandAfterLines);
const int kOneLineEms = 2 * static_cast<int>(kSampleCharacters);
// Ink darker than this counts for the band's rows.
const uint8_t kBandInk = static_cast<uint8_t>(TunedInt(Ocr::BandInk));

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

// The page's first regions read, one at a time, while they leave its way up
// in doubt; the question asked (AskWayUp) at most once.
class Sampler {
public:
    Sampler(PageReading& reading, const OcrRecipe& recipe)
        : reading_(reading), recipe_(recipe), layout_(reading.layout) {}

    bool InDoubt() const { return inDoubt_; }
    const WayUp& Way() const { return way_; }

    // Asks the way up; true when the page stands upright.
    bool Ask(const Sample& sampled = {}) {
        inDoubt_ = false;
        way_ = AskWayUp(*reading_.page, recipe_,
                        UprightClues{reading_.findVertical ? &layout_ : nullptr, sampled.Fair(),
                                     &reading_.prepared.image});
        return way_.turn == 0;
    }

    // Reads region i; false when the page turned out to lie turned.
    bool Read(size_t i) {
        const Region& region = layout_.regions[i];
        if (region.kind == RegionKind::Block && region.lines > kBandAfterLines) return ByBand(i);
        // Columns written top to bottom may be lines of a page on its side:
        // they tell nothing of its way up.
        const bool down = region.kind == RegionKind::Vertical;
        if (down) XDW_MARK("way up: a vertical column tells nothing");
        if (down && !Ask()) return false;
        const std::string& languages = down ? recipe_.verticalLanguages : recipe_.languages;
        FirstReading once = ReadOnce(layout_.image, region, layout_.textSize, reading_.most,
                                     languages, recipe_.tessdata, reading_.deadline);
        if (inDoubt_) {
            Sample withFirst = sample_;
            withFirst.Add(once.blocks);
            if (withFirst.Turned()) XDW_MARK("way up: first lines read as turned");
            if (withFirst.Turned() && !Ask()) return false;
        }
        reading_.read[i] = LookAgain(layout_.image, std::move(once), languages, recipe_.tessdata,
                                     reading_.deadline);
        ++reading_.deadline.regionsDone;
        if (inDoubt_) {
            sample_.Add(reading_.read[i]);
            if (sample_.characters >= kSampleCharacters) {
                if (sample_.Upright()) {
                    XDW_MARK("way up: first lines read clearly");
                    inDoubt_ = false;
                } else if (!Ask(sample_)) {
                    return false;
                }
            }
        }
        return true;
    }

private:
    // A long block read by a band of its first lines, then, upright, the
    // rest of it.
    bool ByBand(size_t i) {
        XDW_MARK("way up: a long block sampled by a band");
        const Region& region = layout_.regions[i];
        const std::string& languages = recipe_.languages;
        const int size = layout_.textSize;
        Deadline& deadline = reading_.deadline;
        const Region bandRegion = FirstLines(layout_.image, region, BandLines(region, size), size);
        FirstReading bandRead = ReadOnce(layout_.image, bandRegion, size, reading_.most, languages,
                                         recipe_.tessdata, deadline);
        Sample band;
        band.Add(bandRead.blocks);
        if (band.Turned() && !Ask()) return false;
        std::vector<Block> blocks =
            LookAgain(layout_.image, std::move(bandRead), languages, recipe_.tessdata, deadline);
        if (inDoubt_) {
            band = Sample();
            band.Add(blocks);
            if (band.characters >= kSampleCharacters && band.Upright())
                inDoubt_ = false;
            else if (!Ask(band))
                return false;
        }
        // Upright: the band's reading stands for its lines and only the
        // block below it is read, unless it holds fewer lines than the
        // band has rows of ink (given a block of two lines, the
        // recogniser may find only one): the block is then read whole.
        if (const std::optional<Region> below = Below(region, bandRegion)) {
            if (LinesIn(blocks) < bandRegion.lines)
                blocks = ReadRegion(layout_.image, region, size, reading_.most, languages,
                                    recipe_.tessdata, deadline);
            else
                JoinBelow(blocks, ReadRegion(layout_.image, *below, size, reading_.most, languages,
                                             recipe_.tessdata, deadline));
        }
        reading_.read[i] = std::move(blocks);
        ++deadline.regionsDone;
        return true;
    }

    PageReading& reading_;
    const OcrRecipe& recipe_;
    const PageLayout& layout_;
    WayUp way_;
    bool inDoubt_ = true;
    Sample sample_;  // what the regions read whole gave so far
};

}  // namespace

WayUp FindWayUp(PageReading& reading, const OcrRecipe& recipe) {
    Sampler sampler(reading, recipe);
    size_t first = 0;
    for (; first < reading.layout.regions.size() && sampler.InDoubt(); ++first)
        if (!sampler.Read(first)) return sampler.Way();
    reading.regionsRead = first;
    // Every region read, and still in doubt: too little text to tell.
    if (sampler.InDoubt()) {
        XDW_MARK("way up: too little text to tell");
        sampler.Ask();
    }
    return sampler.Way();
}

}  // namespace xdw
