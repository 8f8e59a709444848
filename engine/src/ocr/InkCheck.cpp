#include "ocr/InkCheck.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <tesseract/publictypes.h>

#include "Marks.h"
#include "ocr/HeldWords.h"
#include "ocr/InkAccount.h"
#include "ocr/OcrTuning.h"

namespace xdw {

namespace {

// Ink of at least kNoisePieces pieces read as under one character for every
// kPiecesPerNoiseCharacter of them is noise, not text (an office page reads
// about one character for every piece or two).
const int kNoisePieces = TunedInt(Ocr::NoisePieces);
const int kPiecesPerNoiseCharacter = TunedInt(Ocr::PiecesPerNoiseCharacter);

// A word read again, from ink the first reading left unread or by the
// recogniser's own layout, is kept when the recogniser is at least this sure
// of it: what it finds in specks, strokes and pictures it reads with far less.
const float kUnreadSure = static_cast<float>(Tuned(Ocr::UnreadSure));
const float kPictureSure = static_cast<float>(Tuned(Ocr::PictureSure));
// A region whose characters read at a mean confidence under this is unsure:
// the page is then read by the recogniser's own layout as well.
const double kRegionSure = Tuned(Ocr::RegionSure);
const size_t kUnsureCharacters = static_cast<size_t>(TunedInt(Ocr::UnsureCharacters));
// The recogniser's own reading takes a region's place when it is borne out by
// this many sure characters' worth more (see Evidence).
const double kFloorMoreChars = Tuned(Ocr::FloorMoreChars);
// And its words cover at least this share of the ink the region's words
// cover: a reading of its sure words alone may drop the unsure ones read
// right (a fax's digits).
const double kFloorInkShare = Tuned(Ocr::FloorInkShare);

// The ink under the blocks' words.
double InkUnder(const InkAccount& account, const std::vector<Block>& blocks) {
    double ink = 0;
    for (const Block& block : blocks)
        for (const OcrLine& line : block.lines)
            for (const OcrWord& word : line.words) ink += account.InkIn(word.box);
    return ink;
}

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
const int kPatchSizes = TunedInt(Ocr::PatchSizes);
// A patch of this many rows or more is read by the recogniser's own layout.
const int kOwnLayoutRows = TunedInt(Ocr::OwnLayoutRows);

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

bool Meets(const PixelBox& a, const PixelBox& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The regions' readings checked against the page's ink, pass after pass:
// light letters on dark bands are read inverted; a region that reads unsure
// is read again by the recogniser's own layout, which takes its place where
// it holds clearly more; ink no word covers is read again the same way.
class InkChecker {
public:
    InkChecker(PageReading& reading, const InkAccount& account, const OcrRecipe& recipe)
        : layout_(reading.layout),
          account_(account),
          read_(reading.read),
          most_(reading.most),
          recipe_(recipe),
          deadline_(reading.deadline) {}

    // Marks read off long strokes go, and the ink the regions leave unread
    // is found: ink counts as read only under words of regions read surely.
    void FindUnread() {
        for (std::vector<Block>& blocks : read_)
            for (Block& block : blocks) account_.DropStrokeMarks(block.lines);
        unsure_.assign(read_.size(), 0);
        std::vector<OcrLine> sure;
        for (size_t i = 0; i < read_.size(); ++i) {
            unsure_[i] = Unsure(read_[i]);
            if (!unsure_[i])
                for (const Block& block : read_[i])
                    sure.insert(sure.end(), block.lines.begin(), block.lines.end());
        }
        patches_ = account_.Unread(sure);
        // Pictures last: what they hold may have been read with what lies by
        // them.
        std::stable_partition(patches_.begin(), patches_.end(),
                              [](const InkPatch& p) { return !p.picture; });
        taken_.assign(patches_.size(), 0);
        Hold(sure);
    }

    // A region read unsure is read again with the unread ink it meets (a line
    // cut through holds the rest of its letters there), and that reading
    // takes its place when it holds clearly more.
    void ReadUnsureAgain() {
        for (size_t i = 0; i < read_.size(); ++i) {
            if (!unsure_[i]) continue;
            PixelBox box = layout_.regions[i].box;
            std::vector<size_t> met;
            for (size_t p = 0; p < patches_.size(); ++p)
                if (!patches_[p].lightOnDark && !patches_[p].picture && Meets(patches_[p].box, box))
                    met.push_back(p);
            for (size_t p : met) box = Union(box, patches_[p].box);
            std::vector<Block> there = WordsWhere(Own(box, kOwnLayoutRows), [&](const OcrWord& w) {
                return MiddleWithin(w.box, box) && Fresh(w);
            });
            const double mine = Evidence(read_[i]), theirs = Evidence(there);
            if (theirs > 0 && theirs >= mine + kFloorMoreChars &&
                InkUnder(account_, there) >= kFloorInkShare * InkUnder(account_, read_[i])) {
                for (const Block& block : there) Hold(block.lines);
                XDW_MARK("ink: an unsure region read by the recogniser's layout");
                read_[i] = std::move(there);
                unsure_[i] = 0;
                for (size_t p : met) taken_[p] = 1;
            }
        }
    }

    // The unread ink no region took is read apart.
    void ReadPatches() {
        const int size = layout_.textSize;
        for (size_t p = 0; p < patches_.size(); ++p) {
            if (taken_[p]) continue;
            const InkPatch& patch = patches_[p];
            const PixelBox& b = patch.box;
            if (patch.lightOnDark) {
                XDW_MARK("ink: light letters on a dark band");
                apart_.push_back(ReadBand(layout_, patch, most_, recipe_, deadline_));
                for (const Block& block : apart_.back()) Hold(block.lines);
                continue;
            }
            const bool small =
                b.right - b.left < kPatchSizes * size && b.bottom - b.top < kPatchSizes * size;
            if (small && std::any_of(layout_.regions.begin(), layout_.regions.end(),
                                     [&](const Region& r) { return MiddleWithin(b, r.box); }))
                continue;
            // A picture holds text only where it reads clearly.
            const float least = patch.picture ? kPictureSure : kUnreadSure;
            if (patch.picture) XDW_MARK("ink: a picture read for sure words");
            apart_.push_back(WordsWhere(Own(b, patch.rows), [&](const OcrWord& w) {
                return w.confidence >= least && MiddleWithin(w.box, b) && !KeptByUnsure(w.box) &&
                       Fresh(w);
            }));
            for (const Block& block : apart_.back()) Hold(block.lines);
        }
    }

    // The lines read apart from the regions, each patch's a block.
    std::vector<OcrLine> Apart() {
        std::vector<OcrLine> lines;
        int number = 0;
        for (std::vector<Block>& blocks : apart_)
            for (Block& block : blocks) {
                for (OcrLine& line : block.lines) {
                    line.block = number;
                    line.skewDegrees = layout_.skewDegrees;
                    lines.push_back(std::move(line));
                }
                ++number;
            }
        return lines;
    }

private:
    // The part of the page in box read by the recogniser's own layout, on
    // the page with everything read made paper.
    std::vector<Block> Own(const PixelBox& box, int rows) {
        if (!rest_) rest_ = account_.Rest({});
        std::vector<Block> blocks = ReadOwn(layout_, *rest_, box, rows, most_, recipe_, deadline_);
        for (Block& block : blocks) account_.DropStrokeMarks(block.lines);
        return blocks;
    }
    // A word read again where a word kept lies already, or beside a kept
    // word that reads the same, is that word again.
    void Hold(const std::vector<OcrLine>& lines) { held_.Add(lines); }
    bool Fresh(const OcrWord& w) const { return !held_.Holds(w); }
    // What a region kept, unsure as it is, read there is not read twice.
    bool KeptByUnsure(const PixelBox& w) const {
        for (size_t i = 0; i < read_.size(); ++i)
            if (unsure_[i] && MiddleWithin(w, layout_.regions[i].box)) return true;
        return false;
    }

    const PageLayout& layout_;
    const InkAccount& account_;
    std::vector<std::vector<Block>>& read_;
    const double most_;
    const OcrRecipe& recipe_;
    Deadline& deadline_;
    std::optional<RenderedPage> rest_;
    std::vector<char> unsure_;  // by region
    std::vector<InkPatch> patches_;
    std::vector<char> taken_;  // by patch: read with an unsure region
    HeldWords held_;
    std::vector<std::vector<Block>> apart_;
};

}  // namespace

void CheckAgainstInk(PageReading& reading, const OcrRecipe& recipe) {
    const PageLayout& layout = reading.layout;
    // Every piece of ink is read or known to be no text: marks read off long
    // strokes go, and what no region reads well is read again.
    // A page of nothing but noise (thousands of pieces of ink, not one in a
    // hundred read as a character) is not read again, neither whole nor in
    // parts: the recogniser's own layout would spend a minute on its specks,
    // beyond any cancel's reach.
    size_t characters = 0;
    for (const std::vector<Block>& blocks : reading.read)
        for (const Block& block : blocks)
            for (const OcrLine& line : block.lines) characters += Characters(line);
    reading.noise = layout.inkPieces >= kNoisePieces &&
                    characters * kPiecesPerNoiseCharacter < static_cast<size_t>(layout.inkPieces);
    if (layout.textSize > 0 && !reading.noise) {
        reading.account = std::make_shared<const InkAccount>(layout);
        const InkAccount& account = *reading.account;
        InkChecker check(reading, account, recipe);
        check.FindUnread();
        check.ReadUnsureAgain();
        check.ReadPatches();
        reading.apart = check.Apart();
        // What of the ink that may be text the reading leaves unread, for
        // the floor (see PageFloor).
        std::vector<OcrLine> lines = reading.apart;
        for (const std::vector<Block>& blocks : reading.read)
            for (const Block& block : blocks)
                lines.insert(lines.end(), block.lines.begin(), block.lines.end());
        reading.unreadShare = account.UnreadShare(lines);
    }
}

}  // namespace xdw
