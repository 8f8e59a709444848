#include "ocr/PageFloor.h"

#include <algorithm>
#include <optional>

#include "Marks.h"
#include "ocr/OcrTuning.h"
#include "ocr/RegionReading.h"

namespace xdw {

namespace {

// When the page is read whole as well: this share of the ink that may be
// text left under no word, or the characters read at a mean confidence under
// kFloorMeanSure, or this share of them in words under kFloorUnsure.
const double kFloorUnreadShare = Tuned(Ocr::FloorUnreadShare);
const double kFloorMeanSure = Tuned(Ocr::FloorMeanSure);
const float kFloorUnsure = static_cast<float>(Tuned(Ocr::FloorUnsure));
const double kFloorUnsureShare = Tuned(Ocr::FloorUnsureShare);
// A word of the whole reading counts only when the recogniser is at least
// this sure of it.
const float kFloorSure = static_cast<float>(Tuned(Ocr::FloorSure));
// Confidence at which a character is as likely read right as wrong: each
// character counts for a line by how much surer than this its word is.
const float kEvenSure = static_cast<float>(Tuned(Ocr::EvenSure));
// The whole reading takes a line's place when it is borne out by this many
// sure characters' worth more than the line, and its words cover at least
// this share of the ink the line's words cover.
const double kFloorMoreChars = Tuned(Ocr::FloorLineMoreChars);
const double kFloorInkShare = Tuned(Ocr::FloorInkShare);
// A word of the layer under kDropUnsure, over ink less than kInkSupport of
// its box, where the whole reading finds no word, is no text.
const float kDropUnsure = static_cast<float>(Tuned(Ocr::DropUnsure));
const double kInkSupport = Tuned(Ocr::InkSupport);
// A line read at a mean confidence under this is no text the recogniser can
// tell.
const double kUnreadableSure = Tuned(Ocr::UnreadableSure);

// A word of blanks only is the blank the layer puts between the cells of a
// row it joins into one line: nothing read, so neither doubt nor evidence,
// and no word the floor takes away.
bool Blank(const OcrWord& w) {
    return std::all_of(w.symbols.begin(), w.symbols.end(), [](const OcrSymbol& s) {
        return s.text.find_first_not_of(U" \u3000") == std::u32string::npos;
    });
}

// The characters read in a word; none in a blank.
size_t Characters(const OcrWord& w) { return Blank(w) ? 0 : w.symbols.size(); }

double Evidence(const OcrWord& w) {
    return (w.confidence - kEvenSure) / (100 - kEvenSure) * double(Characters(w));
}

long long Area(const PixelBox& b) {
    return static_cast<long long>(std::max(0, b.right - b.left)) * std::max(0, b.bottom - b.top);
}

long long Overlap(const PixelBox& a, const PixelBox& b) {
    return Area(PixelBox{std::max(a.left, b.left), std::max(a.top, b.top),
                         std::min(a.right, b.right), std::min(a.bottom, b.bottom)});
}

// The two boxes share at least a third of the smaller one.
bool Meet(const PixelBox& a, const PixelBox& b) {
    return 3 * Overlap(a, b) >= std::min(Area(a), Area(b));
}

// Two lines' boxes are one line's: each shares at least half its height
// with the other.
bool SameLine(const PixelBox& a, const PixelBox& b) {
    const int shared = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return 2 * shared >= a.bottom - a.top && 2 * shared >= b.bottom - b.top;
}

void Rebox(OcrLine& line) {
    line.box = line.words.front().box;
    for (const OcrWord& w : line.words) line.box = Union(line.box, w.box);
}

// The floor is read in bands across the page, each this many text sizes
// above and below the doubt it holds; bands closer than twice that are one.
const int kFloorBandRoom = TunedInt(Ocr::FloorBandRoom);
// When the bands cover this share of the height the page's text spans, or
// more, the page is read whole.
const double kFloorBandShare = Tuned(Ocr::FloorBandShare);

struct Band {
    int top = 0, bottom = 0;
};

// Words further apart than this many line heights stand in cells of their
// own.
const double kCellGap = Tuned(Ocr::CellGap);

// A row of cells (a price list set by spaces, a receipt's item and price):
// the recogniser's own layout reads it cell by cell, and no cell, holding
// part of the row's ink, can take the row's place.
bool RowOfCells(const OcrLine& line) {
    const double gap = kCellGap * (line.box.bottom - line.box.top);
    const OcrWord* before = nullptr;
    for (const OcrWord& w : line.words) {
        if (Blank(w)) continue;
        if (before && w.box.left - before->box.right > gap) return true;
        before = &w;
    }
    return false;
}

// A line the floor is wanted on: read at a mean confidence under
// kFloorMeanSure, or holding a word under kFloorUnsure.
bool Doubtful(const OcrLine& line) {
    double characters = 0, confidence = 0;
    bool unsure = false;
    for (const OcrWord& w : line.words) {
        characters += double(Characters(w));
        confidence += std::max(w.confidence, 0.0f) * double(Characters(w));
        unsure = unsure || (w.confidence < kFloorUnsure && Characters(w) > 0);
    }
    return unsure || confidence < kFloorMeanSure * characters;
}

// The bands across the page where the evidence wants the floor (doubtful
// lines, ink no word covers), top to bottom; none when the page is to be
// read whole: they would cover most of it, or a doubtful line runs down.
std::vector<Band> FloorBands(const PageLayout& layout, const std::vector<InkPatch>& patches,
                             const std::vector<OcrLine>& lines) {
    std::vector<Band> wanted;
    std::optional<PixelBox> text;
    auto span = [&](const PixelBox& b) { text = text ? Union(*text, b) : b; };
    for (const OcrLine& line : lines) {
        span(line.box);
        if (!Doubtful(line)) continue;
        if (line.vertical) return {};
        wanted.push_back({line.box.top, line.box.bottom});
    }
    for (const InkPatch& patch : patches) {
        span(patch.box);
        wanted.push_back({patch.box.top, patch.box.bottom});
    }
    if (wanted.empty() || !text) return {};
    const int room = kFloorBandRoom * layout.textSize, height = layout.image.geometry.height;
    std::sort(wanted.begin(), wanted.end(),
              [](const Band& a, const Band& b) { return a.top < b.top; });
    std::vector<Band> bands;
    for (Band b : wanted) {
        b.top = std::max(0, b.top - room);
        b.bottom = std::min(height, b.bottom + room);
        if (!bands.empty() && b.top <= bands.back().bottom + room)
            bands.back().bottom = std::max(bands.back().bottom, b.bottom);
        else
            bands.push_back(b);
    }
    long long covered = 0;
    for (const Band& b : bands) covered += b.bottom - b.top;
    if (covered >= kFloorBandShare * (text->bottom - text->top)) return {};
    return bands;
}

}  // namespace

void DropUnreadable(std::vector<OcrLine>& lines) {
    std::erase_if(lines, [](const OcrLine& line) {
        double characters = 0, confidence = 0;
        for (const OcrWord& w : line.words) {
            characters += double(Characters(w));
            confidence += std::max(w.confidence, 0.0f) * double(Characters(w));
        }
        return characters > 0 && confidence < kUnreadableSure * characters;
    });
}

bool FloorWanted(double unreadShare, const std::vector<OcrLine>& lines) {
    double characters = 0, confidence = 0, unsure = 0;
    for (const OcrLine& line : lines)
        for (const OcrWord& w : line.words) {
            characters += double(Characters(w));
            confidence += std::max(w.confidence, 0.0f) * double(Characters(w));
            if (w.confidence < kFloorUnsure) unsure += double(Characters(w));
        }
    if (characters > 0 &&
        (confidence < kFloorMeanSure * characters || unsure >= kFloorUnsureShare * characters))
        return true;
    return unreadShare >= kFloorUnreadShare;
}

namespace {

// Whether the whole reading could change lines: a word it could take away
// (unsure, over too little ink), ink no word covers, a doubtful line that
// is neither a row of cells nor doubtful only in words settled elsewhere,
// or no doubtful line at all (the page's unread ink wants the floor).
bool MayChange(const InkAccount& account, const std::vector<OcrLine>& lines,
               const std::vector<InkPatch>& patches, const SettledWords& settled) {
    if (!patches.empty() || !settled) return true;
    for (const OcrLine& line : lines)
        for (const OcrWord& w : line.words)
            if (w.confidence < kDropUnsure && !Blank(w) &&
                account.InkIn(w.box) < kInkSupport * double(Area(w.box)))
                return true;
    bool doubt = false;
    for (const OcrLine& line : lines) {
        if (!Doubtful(line)) continue;
        doubt = true;
        if (RowOfCells(line)) continue;
        const std::vector<char> done = settled(line);
        OcrLine rest = line;
        rest.words.clear();
        for (size_t i = 0; i < line.words.size(); ++i)
            if (i >= done.size() || !done[i]) rest.words.push_back(line.words[i]);
        if (Doubtful(rest)) return true;
    }
    return !doubt;
}

}  // namespace

void RaiseToFloor(const PageLayout& layout, const InkAccount& account, std::vector<OcrLine>& lines,
                  const WholeReading& readWhole, const SettledWords& settled) {
    const std::vector<InkPatch> patches = account.Unread(lines);
    if (!MayChange(account, lines, patches, settled)) {
        XDW_MARK("floor: the doubt only in rows of cells and settled figures");
        return;
    }
    // Read where the evidence wants it: in the bands that hold the doubt,
    // or the page whole.
    const std::vector<Band> bands = FloorBands(layout, patches, lines);
    std::vector<OcrLine> whole;
    if (bands.empty()) whole = readWhole(layout.image);
    int blocks = 0;
    for (const Band& band : bands) {
        XDW_MARK("floor: read in bands");
        int dx = 0, dy = 0;
        const PixelBox box{0, band.top, layout.image.geometry.width, band.bottom};
        std::vector<OcrLine> read = readWhole(RegionImage(layout.image, box, false, dx, dy));
        Move(read, dx, dy);
        int last = blocks;
        for (OcrLine& line : read) {
            line.block += blocks;
            last = std::max(last, line.block + 1);
            whole.push_back(std::move(line));
        }
        blocks = last;
    }
    // What the floor read bears out or not: all the page, or its bands.
    auto inRead = [&](const PixelBox& b) {
        const int y = (b.top + b.bottom) / 2;
        return bands.empty() || std::any_of(bands.begin(), bands.end(), [&](const Band& band) {
                   return y >= band.top && y < band.bottom;
               });
    };
    account.DropStrokeMarks(whole);
    auto ink = [&](const OcrLine& l) {
        double n = 0;
        for (const OcrWord& w : l.words) n += account.InkIn(w.box);
        return n;
    };
    auto evidence = [](const OcrLine& l) {
        double e = 0;
        for (const OcrWord& w : l.words) e += Evidence(w);
        return e;
    };
    // Each line of the whole reading with the line of the layer it is: the
    // one it shares the most with, when each holds the most of the other.
    auto best = [](const OcrLine& l, const std::vector<OcrLine>& among) {
        long long most = 0;
        size_t at = among.size();
        for (size_t i = 0; i < among.size(); ++i)
            if (const long long o = Overlap(l.box, among[i].box); o > most) most = o, at = i;
        return at;
    };
    std::vector<char> used(whole.size());
    for (size_t f = 0; f < whole.size(); ++f) {
        const size_t i = best(whole[f], lines);
        if (i == lines.size() || best(lines[i], whole) != f) continue;
        OcrLine& line = lines[i];
        if (!SameLine(line.box, whole[f].box)) continue;
        used[f] = 1;
        // The whole reading takes the line's place when it bears out
        // clearly more and reads as much of its ink.
        if (line.vertical) continue;
        const double theirs = evidence(whole[f]);
        if (theirs <= 0 || theirs < evidence(line) + kFloorMoreChars ||
            ink(whole[f]) < kFloorInkShare * ink(line))
            continue;
        const int block = line.block;
        const double skew = line.skewDegrees;
        line = whole[f];
        line.block = block;
        line.skewDegrees = skew;
    }

    // Words of the layer nothing bears out go.
    for (OcrLine& line : lines) {
        std::erase_if(line.words, [&](const OcrWord& w) {
            if (w.confidence >= kDropUnsure || Blank(w) || !inRead(w.box)) return false;
            if (account.InkIn(w.box) >= kInkSupport * double(Area(w.box))) return false;
            return std::none_of(whole.begin(), whole.end(), [&](const OcrLine& l) {
                return std::any_of(l.words.begin(), l.words.end(),
                                   [&](const OcrWord& o) { return Meet(o.box, w.box); });
            });
        });
    }
    std::erase_if(lines, [](const OcrLine& l) { return l.words.empty(); });

    // Sure words where the layer has none, line by line of the whole
    // reading, put in where they lie.
    std::vector<OcrLine> missing;
    for (size_t f = 0; f < whole.size(); ++f) {
        if (used[f]) continue;
        OcrLine add = whole[f];
        std::erase_if(add.words, [&](const OcrWord& o) {
            return o.confidence < kFloorSure ||
                   std::any_of(lines.begin(), lines.end(), [&](const OcrLine& l) {
                       return std::any_of(l.words.begin(), l.words.end(),
                                          [&](const OcrWord& w) { return Meet(w.box, o.box); });
                   });
        });
        if (add.words.empty()) continue;
        Rebox(add);
        add.skewDegrees = layout.skewDegrees;
        missing.push_back(std::move(add));
    }
    InsertByPlace(lines, std::move(missing));
}

}  // namespace xdw
