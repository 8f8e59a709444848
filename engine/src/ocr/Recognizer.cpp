#include "ocr/Recognizer.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "Marks.h"
#include "layout/Skew.h"
#include "ocr/DigitReread.h"
#include "ocr/InkAccount.h"
#include "ocr/OcrTuning.h"
#include "ocr/PageFloor.h"
#include "ocr/PageReading.h"

namespace xdw {

namespace {

// A reading holds little text when it found under one character for every
// this many pieces of ink on the page.
const int kPiecesPerCharacter = TunedInt(Ocr::PiecesPerCharacter);
const int kFewPieces = TunedInt(Ocr::FewPieces);
// Words read under this may leave doubt the floor is wanted for (see
// PageFloor).
const float kFloorMeanSure = static_cast<float>(Tuned(Ocr::FloorMeanSure));

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

// The regions' lines in the layout's reading order, numbered in blocks of
// the layer.
std::vector<OcrLine> InReadingOrder(PageReading& reading) {
    const PageLayout& layout = reading.layout;
    std::vector<OcrLine> lines;
    // The lines of one column make one block of the layer, so that text
    // extractors read the column through, headings and paragraphs alike;
    // vertical columns keep the blocks the recogniser found.
    // Cells of one row that read as one line each join into one line.
    int number = -1, column = -1, row = -1;
    bool rowLine = false;  // the last line is a row's single-line cells
    for (size_t i = 0; i < layout.regions.size(); ++i) {
        const Region& region = layout.regions[i];
        const bool down = region.kind == RegionKind::Vertical;
        std::vector<Block>& blocks = reading.read[i];
        const bool oneLine = blocks.size() == 1 && blocks[0].lines.size() == 1;
        if (region.row >= 0 && region.row == row && rowLine && oneLine) {
            XDW_MARK("lines: a row's cells joined");
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
    return lines;
}

}  // namespace

std::vector<OcrLine> PageLines(PageReading& reading, const OcrRecipe& recipe) {
    const PageLayout& layout = reading.layout;
    const PreparedPage& prepared = reading.prepared;
    std::vector<OcrLine> lines = InReadingOrder(reading);
    // A page with ink whose regions hold little text is read again whole, by
    // the recogniser's own layout, and the better reading kept (with what was
    // read apart from the regions, or instead of it).
    std::vector<OcrLine>& apart = reading.apart;
    auto little = [&] {
        return !reading.noise && layout.inkPieces >= kFewPieces &&
               Characters(lines) * kPiecesPerCharacter < static_cast<size_t>(layout.inkPieces);
    };
    const bool readWhole = little();
    if (readWhole) {
        std::vector<OcrLine> whole =
            ReadWhole(prepared.image, layout.inkHeight, reading.most, recipe, reading.deadline);
        if (Score(whole) > Score(lines) + Score(apart)) {
            XDW_MARK("lines: little text, the whole reading kept");
            lines = std::move(whole);
            apart.clear();
        }
    }
    InsertByPlace(lines, std::move(apart));
    DropUnreadable(lines);
    // Never less than the recogniser reads alone, where the evidence says
    // the page may hold more; figures the English model will read again
    // surely are no such evidence (a price list's every row holds a product
    // code or a price read unsurely).
    if (!reading.noise && !readWhole && layout.textSize > 0 &&
        FloorWanted(reading.unreadShare, lines)) {
        const std::shared_ptr<const InkAccount> account =
            reading.account ? reading.account : std::make_shared<const InkAccount>(layout);
        RaiseToFloor(
            layout, *account, lines,
            [&](const RenderedPage& image) {
                return ReadWhole(image, layout.textSize, reading.most, recipe, reading.deadline);
            },
            [&](const OcrLine& line) {
                return FiguresSettled(line, kFloorMeanSure, reading, recipe);
            });
    }
    OntoPage(lines, prepared);
    // A photo's sheet found with a wrong corner (its shadowed part as dark
    // as the lit desk) is unwarped askew or cut short, and may read as
    // nothing: the photo itself, read whole as the recogniser alone reads
    // it, is then kept if it reads better.
    if (prepared.unwarped && (little() || Characters(lines) < static_cast<size_t>(kFewPieces))) {
        std::vector<OcrLine> photo =
            ReadWhole(*reading.page, 0, reading.most, recipe, reading.deadline);
        if (Score(photo) > Score(lines)) lines = std::move(photo);
    }
    return lines;
}

}  // namespace xdw
