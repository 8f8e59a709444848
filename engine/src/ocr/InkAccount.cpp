#include "ocr/InkAccount.h"

#include <algorithm>
#include <map>
#include <new>

#include "layout/Rules.h"
#include "ocr/OcrTuning.h"

namespace xdw {

namespace {

// A straight stroke at least this many text sizes long is no part of a
// character: a rule, a frame's side, an underline.
const int kStrokeSizes = TunedInt(Ocr::StrokeSizes);
// A mark read off such a stroke: at least this share of its ink lies on it
// for a dash or bar, this share for any other character.
const double kStrokeMarkShare = Tuned(Ocr::StrokeMarkShare);
const double kStrokeAnyShare = Tuned(Ocr::StrokeAnyShare);
const float kStrokeAnySure = static_cast<float>(Tuned(Ocr::StrokeAnySure));
// Pieces of ink this small both ways are specks.
const int kSpeckPx = TunedInt(Ocr::InkSpeckPx);
// A word covers the ink within this share of the text size around its box.
const int kCoverRoomDivisor = TunedInt(Ocr::CoverRoomDivisor);
// A piece mostly under words (this share of its box) is read.
const double kCoveredShare = Tuned(Ocr::CoveredShare);
// A dark band: ink over at least this share of a box at least this many text
// sizes wide and about one high, holding at least kBandHoles letters' worth
// of paper.
const double kBandFill = Tuned(Ocr::BandFill);
const int kBandSizes = TunedInt(Ocr::BandSizes);
const int kBandHoles = TunedInt(Ocr::BandHoles);
// A piece of a letter's size is at most this many text sizes both ways.
const int kLetterSizes = TunedInt(Ocr::LetterSizes);
// A drawing: larger than this many text sizes both ways, and not dense.
const int kDrawingSizes = TunedInt(Ocr::DrawingSizes);
// Unread pieces this close (text sizes across, a third of one down: less than
// the blank between lines) make one patch.
const int kPatchGapSizes = TunedInt(Ocr::PatchGapSizes);
// A picture is read again as a page of many rows would be.
const int kPictureRows = TunedInt(Ocr::PictureRows);
// At most this many patches are read again on a page.
const size_t kMostPatches = static_cast<size_t>(TunedInt(Ocr::MostPatches));

bool LineLike(char32_t c) {
    static constexpr char32_t kMarks[] = U"ー一－-_＿|｜丨—―‐−─━│┃~〜～=＝ｰ¦lI1[]";
    for (const char32_t* m = kMarks; *m != 0; ++m)
        if (*m == c) return true;
    return false;
}

BOX* NewBox(const PixelBox& b) {
    return boxCreate(b.left, b.top, std::max(1, b.right - b.left), std::max(1, b.bottom - b.top));
}

int PixelsIn(PIX* pix, const PixelBox& b) {
    BOX* box = NewBox(b);
    l_int32 n = 0;
    if (box != nullptr) pixCountPixelsInRect(pix, box, &n, nullptr);
    boxDestroy(&box);
    return n;
}

void Fill(PIX* mask, const PixelBox& b, int op) {
    pixRasterop(mask, b.left, b.top, b.right - b.left, b.bottom - b.top, op, nullptr, 0, 0);
}

PixelBox Grown(const PixelBox& b, int dx, int dy) {
    return PixelBox{b.left - dx, b.top - dy, b.right + dx, b.bottom + dy};
}

// How many pieces of paper, each at least minHeight high, the piece encloses.
int Holes(PIX* piece, int minHeight) {
    PixPtr holes(pixHolesByFilling(piece, 4));
    if (!holes) return 0;
    int n = 0;
    for (const PixelBox& h : InkBoxes(holes.get()))
        if (h.bottom - h.top >= minHeight) ++n;
    return n;
}

}  // namespace

InkAccount::InkAccount(const PageLayout& layout) : layout_(layout), ink_(layout.ink) {
    // The layout's ink and dashed lines, when it kept them, are the ones
    // found here from its straightened page.
    if (!ink_) ink_.reset(Ink(GreyPix(layout.straight).get()).release(), PixFree());
    const int length = std::max(kStrokeSizes * layout.textSize, 8);
    PixPtr across = LongRuns(ink_.get(), length, true);
    PixPtr down = LongRuns(ink_.get(), length, false);
    strokes_ = Checked(pixOr(nullptr, across.get(), down.get()));
    if (layout.ink && layout.dashes) {
        pixOr(strokes_.get(), strokes_.get(), layout.dashes.get());
    } else {
        PixPtr dashes = DashedLines(ink_.get(), layout.textSize);
        pixOr(strokes_.get(), strokes_.get(), dashes.get());
    }
}

void InkAccount::DropStrokeMarks(std::vector<OcrLine>& lines) const {
    if (layout_.textSize <= 0) return;
    for (OcrLine& line : lines) {
        for (OcrWord& word : line.words) {
            std::erase_if(word.symbols, [&](const OcrSymbol& s) {
                const int stroke = PixelsIn(strokes_.get(), s.box);
                if (stroke == 0) return false;
                // Any other character only when it reads unsure as well: text
                // printed over a screen of lines is read through it.
                const bool mark = std::all_of(s.text.begin(), s.text.end(), LineLike);
                if (!mark && word.confidence >= kStrokeAnySure) return false;
                const double share = double(stroke) / std::max(PixelsIn(ink_.get(), s.box), 1);
                return share >= (mark ? kStrokeMarkShare : kStrokeAnyShare);
            });
            if (word.symbols.empty()) continue;
            PixelBox box = word.symbols.front().box;
            for (const OcrSymbol& s : word.symbols) box = Union(box, s.box);
            if (!line.vertical) box.top = word.box.top, box.bottom = word.box.bottom;
            word.box = box;
        }
        std::erase_if(line.words, [](const OcrWord& w) { return w.symbols.empty(); });
    }
    std::erase_if(lines, [](const OcrLine& l) { return l.words.empty(); });
}

namespace {

// Where the words read lie, each with a little room around it.
PixPtr ReadMask(PIX* like, const std::vector<OcrLine>& lines, int textSize) {
    PixPtr mask = Checked(pixCreateTemplate(like));
    const int room = textSize / kCoverRoomDivisor;
    for (const OcrLine& line : lines)
        for (const OcrWord& word : line.words) {
            const PixelBox b = Grown(word.box, room, room);
            Fill(mask.get(), b, PIX_SET);
        }
    return mask;
}

}  // namespace

PixPtr InkAccount::UnreadPieces(PIX* read, std::vector<InkPatch>& bands, double& textInk) const {
    const int size = layout_.textSize;
    PIXA* pixa = nullptr;
    BoxaPtr boxa(pixConnComp(ink_.get(), &pixa, 8));
    if (!boxa) throw std::bad_alloc();
    struct PixaFree {
        PIXA* p;
        ~PixaFree() { pixaDestroy(&p); }
    } freePixa{pixa};
    PixPtr unread = Checked(pixCreateTemplate(ink_.get()));
    const int n = boxaGetCount(boxa.get());
    for (int i = 0; i < n; ++i) {
        l_int32 x = 0, y = 0, w = 0, h = 0;
        boxaGetBoxGeometry(boxa.get(), i, &x, &y, &w, &h);
        const PixelBox b{x, y, x + w, y + h};
        if (w <= kSpeckPx && h <= kSpeckPx) continue;
        const double area = double(w) * h;
        const bool covered = PixelsIn(read, b) >= kCoveredShare * area;
        // Within what the layout took for a picture, only pieces of a
        // letter's size may be text (a scanner's dark border, taken for a
        // picture, may hold a fifth of the page).
        const bool letterSized =
            h * 3 >= size && h <= kLetterSizes * size && w <= kLetterSizes * size;
        if (!letterSized &&
            std::any_of(layout_.pictures.begin(), layout_.pictures.end(), [&](const PixelBox& p) {
                return x >= p.left && y >= p.top && x + w <= p.right && y + h <= p.bottom;
            }))
            continue;
        PixPtr piece(pixaGetPix(pixa, i, L_CLONE));
        l_int32 count = 0;
        pixCountPixels(piece.get(), &count, nullptr);
        if (w >= kBandSizes * size && h >= size * 3 / 4 && count >= kBandFill * area) {
            // A dark band: read inverted if it holds letters, else a bar.
            if (!covered && Holes(piece.get(), size / 3) >= kBandHoles)
                bands.push_back(InkPatch{b, true, false, std::max(1, (h + size / 2) / (2 * size))});
            continue;
        }
        if (PixelsIn(strokes_.get(), b) >= kStrokeAnyShare * count) continue;  // rule, frame
        if (w >= kDrawingSizes * size && h >= kDrawingSizes * size) continue;  // a drawing
        textInk += count;
        if (covered) continue;
        Fill(unread.get(), b, PIX_SET);
    }
    return unread;
}

std::vector<InkPatch> InkAccount::Unread(const std::vector<OcrLine>& lines) const {
    const int size = layout_.textSize;
    std::vector<InkPatch> patches;
    if (size <= 0) return patches;
    PixPtr read = ReadMask(ink_.get(), lines, size);
    double textInk = 0;
    PixPtr unread = UnreadPieces(read.get(), patches, textInk);
    // Unread pieces close together make one patch; a patch of dots alone is
    // no text.
    const int across = kPatchGapSizes * size, down = size / 3;
    PixPtr joined = Checked(pixDilateCompBrick(nullptr, unread.get(), across | 1, down | 1));
    for (const PixelBox& j : InkBoxes(joined.get())) {
        const PixelBox b = Grown(j, -(across / 2), -(down / 2));
        if (b.right - b.left < size && b.bottom - b.top < size) continue;
        if (PixelsIn(unread.get(), b) == 0) continue;
        patches.push_back(
            InkPatch{b, false, false, std::max(1, (b.bottom - b.top + size / 2) / (size * 3 / 2))});
    }
    for (const PixelBox& p : layout_.pictures) {
        if (PixelsIn(read.get(), p) * 2 >= double(p.right - p.left) * (p.bottom - p.top)) continue;
        patches.push_back(InkPatch{p, false, true, kPictureRows});
    }
    std::stable_sort(patches.begin(), patches.end(), [](const InkPatch& a, const InkPatch& b) {
        return double(a.box.right - a.box.left) * (a.box.bottom - a.box.top) >
               double(b.box.right - b.box.left) * (b.box.bottom - b.box.top);
    });
    if (patches.size() > kMostPatches) patches.resize(kMostPatches);
    return patches;
}

double InkAccount::UnreadShare(const std::vector<OcrLine>& lines) const {
    if (layout_.textSize <= 0) return 0;
    PixPtr read = ReadMask(ink_.get(), lines, layout_.textSize);
    std::vector<InkPatch> bands;
    double textInk = 0;
    PixPtr unread = UnreadPieces(read.get(), bands, textInk);
    pixAnd(unread.get(), unread.get(), ink_.get());
    l_int32 left = 0;
    pixCountPixels(unread.get(), &left, nullptr);
    // A band unread is unread whole: its letters are paper in it.
    for (const InkPatch& band : bands) {
        const double area =
            double(band.box.right - band.box.left) * (band.box.bottom - band.box.top);
        left += static_cast<l_int32>(area - PixelsIn(ink_.get(), band.box));
        textInk += area - PixelsIn(ink_.get(), band.box);
    }
    return textInk > 0 ? left / textInk : 0;
}

int InkAccount::InkIn(const PixelBox& box) const { return PixelsIn(ink_.get(), box); }

RenderedPage InkAccount::Rest(const std::vector<OcrLine>& lines) const {
    RenderedPage rest = layout_.straight;
    PixPtr paper = ReadMask(ink_.get(), lines, layout_.textSize);
    pixOr(paper.get(), paper.get(), strokes_.get());
    const l_uint32* data = pixGetData(paper.get());
    const int wpl = pixGetWpl(paper.get());
    for (int y = 0; y < rest.geometry.height; ++y) {
        const l_uint32* line = data + static_cast<size_t>(y) * wpl;
        uint8_t* row = rest.pixels.data() + static_cast<size_t>(y) * rest.bytesPerLine;
        for (int x = 0; x < rest.geometry.width; ++x)
            if (GET_DATA_BIT(line, x)) row[x] = 0xff;
    }
    return rest;
}

void InsertByPlace(std::vector<OcrLine>& lines, std::vector<OcrLine>&& more) {
    if (more.empty()) return;
    // Each block read apart goes in whole, with a number of its own.
    int fresh = 0;
    for (const OcrLine& l : lines) fresh = std::max(fresh, l.block + 1);
    std::vector<std::vector<OcrLine>> groups;
    int last = 0;
    for (OcrLine& l : more) {
        if (groups.empty() || l.block != last) groups.emplace_back();
        last = l.block;
        groups.back().push_back(std::move(l));
    }
    for (std::vector<OcrLine>& group : groups) {
        PixelBox box = group.front().box;
        for (OcrLine& l : group) {
            box = Union(box, l.box);
            l.block = fresh;
        }
        ++fresh;
        // Before the first line below its top that shares its width; else
        // before the first line below it; else last.
        auto below = [&](const OcrLine& l) {
            return l.box.top >= box.top &&
                   std::min(l.box.right, box.right) > std::max(l.box.left, box.left);
        };
        auto at = std::find_if(lines.begin(), lines.end(), below);
        if (at == lines.end())
            at = std::find_if(lines.begin(), lines.end(),
                              [&](const OcrLine& l) { return l.box.top >= box.bottom; });
        lines.insert(at, std::make_move_iterator(group.begin()),
                     std::make_move_iterator(group.end()));
    }
    // Numbers in order of first appearance.
    std::map<int, int> order;
    for (OcrLine& l : lines) {
        auto [it, added] = order.emplace(l.block, static_cast<int>(order.size()));
        l.block = it->second;
    }
}

}  // namespace xdw
