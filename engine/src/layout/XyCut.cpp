#include "layout/XyCut.h"
#include "layout/LayoutTuning.h"

#include <algorithm>
#include <cstddef>

namespace xdw {

namespace {

// A column gap is at least this many text sizes wide: wider than the blank
// of a justified Japanese line or between words, narrower than the space
// documents leave between columns.
const double kColumnGapSizes = Tuned(Layout::ColumnGapSizes);
// A line standing this far (of the block's width) right of its block's left
// edge is right-aligned or centred, and read as a line of its own.
const double kOffsetShare = Tuned(Layout::OffsetShare);
// A line this much taller than its neighbours is a heading.
const double kHeadingHeight = Tuned(Layout::HeadingHeight);
// Pieces side by side are rows of a table when their lines line up: no band
// of ink across them is this much taller than the typical one (lines of
// different pitches merge into taller bands), and this share of the bands
// hold pieces of two columns or more.
const double kRowHeight = Tuned(Layout::RowHeight);
const double kRowsAcrossShare = Tuned(Layout::RowsAcrossShare);
// A table set apart from lines above or below it (a title, a sender's block,
// notes under it) holds at least this many rows.
const size_t kTableRunRows = static_cast<size_t>(TunedInt(Layout::TableRunRows));
// A column of prose is at least this many text sizes wide, and its typical
// line fills this share of it; cells of a table are ragged or narrow.
const double kProseSizes = Tuned(Layout::ProseSizes);
const double kProseFill = Tuned(Layout::ProseFill);
// A column written top to bottom is one character wide, a little more for a
// heading or a mark beside it (and a line of Latin letters on its side is
// some letters' widths thick); bands of ink wider than this many text sizes
// are columns of horizontal lines.
const double kVerticalColumnSizes = Tuned(Layout::VerticalColumnSizes);

using Items = std::vector<int>;

struct Band {
    int start = 0, end = 0;
};

int Lo(const PixelBox& b, bool x) { return x ? b.left : b.top; }
int Hi(const PixelBox& b, bool x) { return x ? b.right : b.bottom; }

// Ink bands along one axis (x: across), blanks of at least minGap between them.
std::vector<Band> Bands(std::vector<Band> spans, int minGap) {
    std::sort(spans.begin(), spans.end(), [](Band a, Band b) { return a.start < b.start; });
    std::vector<Band> bands;
    for (const Band& s : spans) {
        if (!bands.empty() && s.start - bands.back().end < minGap)
            bands.back().end = std::max(bands.back().end, s.end);
        else
            bands.push_back(s);
    }
    return bands;
}

// The items of rows [first, end), in order.
Items Joined(const std::vector<Items>& rows, size_t first, size_t end) {
    Items joined;
    for (size_t r = first; r < end; ++r)
        joined.insert(joined.end(), rows[r].begin(), rows[r].end());
    return joined;
}

// How many bands of ink, with blanks between them, boxes make along one axis
// (x: side by side across the page).
int BandCount(const std::vector<PixelBox>& boxes, bool x) {
    std::vector<Band> spans;
    for (const PixelBox& b : boxes) spans.push_back(Band{Lo(b, x), Hi(b, x)});
    return static_cast<int>(Bands(std::move(spans), 1).size());
}

class Cutter {
public:
    Cutter(const std::vector<CutItem>& items, int size, bool vertical)
        : items_(items), size_(std::max(size, 4)), vertical_(vertical) {}

    std::vector<Region> Run() {
        Items all(items_.size());
        for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
        std::vector<Region> out;
        Split(all, out);
        return out;
    }

private:
    int ColumnGap() const { return static_cast<int>(kColumnGapSizes * size_); }

    const PixelBox& Box(int i) const { return items_[i].box; }

    PixelBox Bound(const Items& items) const {
        PixelBox b = Box(items.front());
        for (int i : items) b = Union(b, Box(i));
        return b;
    }

    std::vector<PixelBox> BoxesOf(const Items& items) const {
        std::vector<PixelBox> boxes;
        for (int i : items) boxes.push_back(Box(i));
        return boxes;
    }

    std::vector<Band> BandsOf(const Items& items, bool x, int minGap) const {
        std::vector<Band> spans;
        spans.reserve(items.size());
        for (int i : items) spans.push_back(Band{Lo(Box(i), x), Hi(Box(i), x)});
        return Bands(std::move(spans), minGap);
    }

    // items cut at the blanks between bands, in order along the axis.
    std::vector<Items> Pieces(const Items& items, bool x, int minGap) const {
        const std::vector<Band> bands = BandsOf(items, x, minGap);
        std::vector<Items> pieces(bands.size());
        for (int i : items) {
            auto it = std::upper_bound(bands.begin(), bands.end(), Lo(Box(i), x),
                                       [](int v, const Band& b) { return v < b.start; });
            pieces[std::max<std::ptrdiff_t>(it - bands.begin() - 1, 0)].push_back(i);
        }
        return pieces;
    }

    // The widest column gap among rows [first, last], if they stand in columns
    // there: lines on both sides of it in at least a third of the rows (and
    // two), not a lone line to the right of another.
    bool Columns(const std::vector<Items>& rows, size_t first, size_t last, bool& anyGap) const {
        const std::vector<Band> bands = BandsOf(Joined(rows, first, last + 1), true, ColumnGap());
        anyGap = bands.size() > 1;
        if (!anyGap) return false;
        size_t widest = 0;
        for (size_t k = 0; k + 1 < bands.size(); ++k)
            if (bands[k + 1].start - bands[k].end > bands[widest + 1].start - bands[widest].end)
                widest = k;
        const int gapStart = bands[widest].end, gapEnd = bands[widest + 1].start;
        size_t both = 0;
        for (size_t r = first; r <= last; ++r) {
            bool left = false, right = false;
            for (int i : rows[r]) {
                left = left || Box(i).right <= gapStart;
                right = right || Box(i).left >= gapEnd;
            }
            if (left && right) ++both;
        }
        const size_t count = last - first + 1;
        return both >= std::min<size_t>(count, std::max<size_t>(2, count / 3));
    }

    // Cuts items into regions in reading order, the widest blanks first.
    void Split(const Items& items, std::vector<Region>& out) {
        if (items.empty()) return;
        if (items.size() == 1 && !items_[items[0]].table.empty())
            return EmitCells(items_[items[0]].table, out);
        if (vertical_ && LooksVertical(items)) return SplitVertical(items, out);
        if (vertical_ && SplitAroundVertical(items, out)) return;
        const std::vector<Items> columns = CutColumns(items);
        if (columns.size() > 1 && Masthead(items, columns)) return SplitUnderMasthead(items, out);
        if (columns.size() > 1 && RowsAcross(items, columns)) return EmitRowsAcross(items, out);
        if (columns.size() > 1 && !AnyVertical(columns) && SplitAroundTable(items, out)) return;
        if (columns.size() > 1) return SplitColumns(columns, out);
        SplitRows(items, out);
    }

    // A table stands whole among the ink: its cells in their order, each a
    // column of its own.
    void EmitCells(const std::vector<Region>& cells, std::vector<Region>& out) {
        for (Region cell : cells) {
            cell.column = ++column_;
            out.push_back(cell);
        }
    }

    // Columns written top to bottom are read together, right to left; blocks
    // of them stand one above the other.
    void SplitVertical(const Items& items, std::vector<Region>& out) {
        const std::vector<Items> blocks = Pieces(items, false, ColumnGap());
        if (blocks.size() > 1) {
            for (const Items& block : blocks) Split(block, out);
            return;
        }
        out.push_back(
            Region{Bound(items), RegionKind::Vertical, VerticalColumnsOf(BoxesOf(items))});
    }

    // Vertical columns above or below horizontal lines: each part on its own.
    // False, and nothing cut, when no part is vertical.
    bool SplitAroundVertical(const Items& items, std::vector<Region>& out) {
        const std::vector<Items> parts = Pieces(items, false, ColumnGap());
        if (parts.size() < 2 || std::none_of(parts.begin(), parts.end(), [&](const Items& part) {
                return LooksVertical(part);
            }))
            return false;
        for (const Items& part : parts) Split(part, out);
        return true;
    }

    // items cut at the column gaps, left to right. Pieces apart in one row
    // only (the end of a row of boxes, a value far from its label) make no
    // column of their own: they join their neighbour.
    std::vector<Items> CutColumns(const Items& items) const {
        std::vector<Items> columns = Pieces(items, true, ColumnGap());
        for (size_t c = 0; columns.size() > 1 && c < columns.size();) {
            if (RowsOf(BoxesOf(columns[c])) > 1) {
                ++c;
                continue;
            }
            Items& into = columns[c > 0 ? c - 1 : c + 1];
            into.insert(into.end(), columns[c].begin(), columns[c].end());
            columns.erase(columns.begin() + static_cast<ptrdiff_t>(c));
        }
        return columns;
    }

    // A title with a piece right-aligned or centred over a later column heads
    // them all: read before the columns, which are cut again under it.
    void SplitUnderMasthead(const Items& items, std::vector<Region>& out) {
        const std::vector<Items> rows = Pieces(items, false, 1);
        std::vector<const Items*> title{&rows.front()};
        Flush(title, out);
        Split(Joined(rows, 1, rows.size()), out);
    }

    // A table without rules: each row is one line, its cells in order.
    void EmitRowsAcross(const Items& items, std::vector<Region>& out) {
        const std::vector<Items> rows = Pieces(items, false, 1);
        std::vector<const Items*> group;
        for (const Items& row : rows) group.push_back(&row);
        Flush(group, out);
    }

    // Rows of a table without rules between lines that are no part of it (a
    // title and a sender's block above, notes across its columns below),
    // which merge or hide its columns when the page is cut as a whole: the
    // longest run of rows that reads as a table, with one column narrow as
    // prices, counts and amounts are, is read row by row, what is above and
    // below it on its own. False, and nothing cut, when there is none.
    bool SplitAroundTable(const Items& items, std::vector<Region>& out) {
        const std::vector<Items> rows = Pieces(items, false, 1);
        // Rows with cells apart, one of them narrow, counted from the top: a
        // run with too few of them is no table, and is not cut to be sure.
        std::vector<size_t> cellRows{0};
        for (const Items& row : rows) {
            const std::vector<Band> cells = BandsOf(row, true, ColumnGap());
            const bool narrow = std::any_of(cells.begin(), cells.end(), [&](const Band& b) {
                return b.end - b.start < kProseSizes * size_;
            });
            cellRows.push_back(cellRows.back() + (cells.size() > 1 && narrow ? 1 : 0));
        }
        for (size_t length = rows.size() - 1; length >= kTableRunRows && length < rows.size();
             --length) {
            for (size_t first = 0; first + length <= rows.size(); ++first) {
                if (cellRows[first + length] - cellRows[first] < kRowsAcrossShare * length)
                    continue;
                const Items run = Joined(rows, first, first + length);
                const std::vector<Items> columns = CutColumns(run);
                if (columns.size() < 2 || !HasNarrowColumn(columns) || !RowsAcross(run, columns))
                    continue;
                Split(Joined(rows, 0, first), out);
                EmitRowsAcross(run, out);
                Split(Joined(rows, first + length, rows.size()), out);
                return true;
            }
        }
        return false;
    }

    bool AnyVertical(const std::vector<Items>& columns) const {
        return vertical_ && std::any_of(columns.begin(), columns.end(),
                                        [&](const Items& c) { return LooksVertical(c); });
    }

    bool HasNarrowColumn(const std::vector<Items>& columns) const {
        return std::any_of(columns.begin(), columns.end(), [&](const Items& column) {
            const PixelBox c = Bound(column);
            return c.right - c.left < kProseSizes * size_;
        });
    }

    // Each column on its own, left to right; columns that are all written top
    // to bottom are read right to left.
    void SplitColumns(std::vector<Items> columns, std::vector<Region>& out) {
        // Lines at the head of the second column standing above the first
        // column's lines beside it (a number and a date at the right, under a
        // title, over a letter's addressee) are read first, after what of the
        // first column stands above them.
        if (columns.size() > 1 && !AnyVertical(columns)) {
            const std::vector<Items> left = Pieces(columns[0], false, 1);
            const std::vector<Items> right = Pieces(columns[1], false, 1);
            const int top = Bound(right[0]).top;
            size_t head = 0, lead = 0;
            while (head < left.size() && Bound(left[head]).bottom < top) ++head;
            while (head < left.size() && lead < right.size() &&
                   Bound(right[lead]).bottom < Bound(left[head]).top)
                ++lead;
            if (lead > 0 && lead < right.size()) {
                Split(Joined(left, 0, head), out);
                Split(Joined(right, 0, lead), out);
                columns[0] = Joined(left, head, left.size());
                columns[1] = Joined(right, lead, right.size());
            }
        }
        if (columns.size() == 2 && !AnyVertical(columns) && FlushRight(columns[1]))
            return SplitByTop(columns, out);
        std::vector<std::vector<Region>> parts(columns.size());
        bool allVertical = true;
        for (size_t c = 0; c < columns.size(); ++c) {
            Split(columns[c], parts[c]);
            for (const Region& r : parts[c])
                allVertical = allVertical && r.kind == RegionKind::Vertical;
        }
        if (allVertical) std::reverse(parts.begin(), parts.end());
        for (auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    }

    // True when the lines end at one right edge and start at ragged left
    // ones: set flush right, as a letter's sender and its references are,
    // not a column to be read through on its own.
    bool FlushRight(const Items& column) const {
        const std::vector<Items> rows = Pieces(column, false, 1);
        if (rows.size() < 2) return false;
        std::vector<int> lefts, rights;
        for (const Items& row : rows) {
            lefts.push_back(Bound(row).left);
            rights.push_back(Bound(row).right);
        }
        const auto [l0, l1] = std::minmax_element(lefts.begin(), lefts.end());
        const auto [r0, r1] = std::minmax_element(rights.begin(), rights.end());
        return *r1 - *r0 <= size_ / 2 && *l1 - *l0 > 2 * size_;
    }

    // The pieces of both columns (rows apart by more than a text size) in
    // the order they start down the page: a letter's header, whose sender
    // at the right is read where it stands among the lines at the left.
    void SplitByTop(const std::vector<Items>& columns, std::vector<Region>& out) {
        std::vector<Items> pieces;
        for (const Items& column : columns) {
            const std::vector<Items> rows = Pieces(column, false, 1);
            for (size_t r = 0; r < rows.size(); ++r) {
                if (r == 0 || Bound(rows[r]).top - Bound(rows[r - 1]).bottom > size_)
                    pieces.emplace_back();
                pieces.back().insert(pieces.back().end(), rows[r].begin(), rows[r].end());
            }
        }
        std::stable_sort(pieces.begin(), pieces.end(), [&](const Items& a, const Items& b) {
            return Bound(a).top < Bound(b).top;
        });
        for (const Items& piece : pieces) Split(piece, out);
    }

    // Rows one under the other, no column gap through them all: runs of rows
    // that stand in columns are cut again, rows holding tables stand apart,
    // and the rest are read in blocks.
    void SplitRows(const Items& items, std::vector<Region>& out) {
        const std::vector<Items> rows = Pieces(items, false, 1);
        std::vector<const Items*> group;
        for (size_t i = 0; i < rows.size();) {
            if (HasTable(rows[i])) {
                Flush(group, out);
                SplitTableRow(rows[i], out);
                ++i;
                continue;
            }
            const size_t last = ColumnRunFrom(rows, i);
            // A run of every row is these very items again: cutting it
            // anew would come back here for ever.
            if (last == rows.size() || (i == 0 && last + 1 == rows.size())) {
                group.push_back(&rows[i]);
                ++i;
                continue;
            }
            Flush(group, out);
            Split(Joined(rows, i, last + 1), out);
            i = last + 1;
        }
        Flush(group, out);
    }

    // A row that holds tables: each table whole, then the rest of the row as
    // one block.
    void SplitTableRow(const Items& row, std::vector<Region>& out) {
        for (int k : row)
            if (!items_[k].table.empty()) Split(Items{k}, out);
        Items rest;
        for (int k : row)
            if (items_[k].table.empty()) rest.push_back(k);
        std::vector<const Items*> alone{&rest};
        if (!rest.empty()) Flush(alone, out);
    }

    // The last row of the longest run of rows from first that stands in
    // columns (see Columns); rows.size() when there is none.
    size_t ColumnRunFrom(const std::vector<Items>& rows, size_t first) const {
        size_t best = rows.size();
        bool anyGap = false;
        for (size_t last = first; last < rows.size() && !HasTable(rows[last]); ++last) {
            if (Columns(rows, first, last, anyGap)) best = last;
            if (!anyGap && last > first) break;
        }
        return best;
    }

    // For each item, the column (of columns) that holds it.
    std::vector<int> ColumnOf(const std::vector<Items>& columns) const {
        std::vector<int> of(items_.size(), -1);
        for (size_t c = 0; c < columns.size(); ++c)
            for (int i : columns[c]) of[i] = static_cast<int>(c);
        return of;
    }

    // True when the pieces on both sides of the column gaps are the cells of
    // rows: their lines line up one for one, and some column is ragged or
    // narrow, as item names, prices, labels and values are. Columns of prose
    // whose lines happen to line up fill their width.
    bool RowsAcross(const Items& items, const std::vector<Items>& columns) const {
        const std::vector<Items> rows = Pieces(items, false, 1);
        if (rows.size() < 2) return false;
        std::vector<int> heights;
        for (const Items& row : rows) heights.push_back(Bound(row).bottom - Bound(row).top);
        const int typical = Median(heights);
        const std::vector<int> columnOf = ColumnOf(columns);
        size_t across = 0;
        for (const Items& row : rows) {
            // A taller row is one of larger text (a receipt's total) when it
            // holds one line in each column, not lines of two pitches.
            if (Bound(row).bottom - Bound(row).top > kRowHeight * typical &&
                !OneLineEach(row, columnOf, columns.size()))
                return false;
            const int first = columnOf[row.front()];
            if (std::any_of(row.begin(), row.end(), [&](int i) { return columnOf[i] != first; }))
                ++across;
        }
        if (across < 2 || across < kRowsAcrossShare * rows.size()) return false;
        return std::any_of(columns.begin(), columns.end(), [&](const Items& column) {
            const PixelBox c = Bound(column);
            std::vector<int> widths;
            for (const Items& line : Pieces(column, false, 1))
                widths.push_back(Bound(line).right - Bound(line).left);
            return c.right - c.left < kProseSizes * size_ ||
                   Median(widths) < kProseFill * (c.right - c.left);
        });
    }

    // A heading standing alone over one column is no such row: taken for one,
    // two columns of prose under it would be read across as a table.
    bool OneLineEach(const Items& row, const std::vector<int>& columnOf, size_t columns) const {
        std::vector<std::vector<PixelBox>> parts(columns);
        for (int i : row) parts[columnOf[i]].push_back(Box(i));
        const auto held = std::count_if(parts.begin(), parts.end(),
                                        [](const auto& part) { return !part.empty(); });
        return held > 1 && std::all_of(parts.begin(), parts.end(), [](const auto& part) {
                   return part.empty() || RowsOf(part) == 1;
               });
    }

    // True when the first band of ink across the columns is a masthead: a
    // piece in a later column stands right-aligned or centred in it, not at
    // its left edge as a column's own first line does.
    bool Masthead(const Items& items, const std::vector<Items>& columns) const {
        const std::vector<Items> rows = Pieces(items, false, 1);
        if (rows.size() < 2) return false;
        const std::vector<int> columnOf = ColumnOf(columns);
        std::vector<int> starts(columns.size(), -1);
        for (int i : rows.front()) {
            int& start = starts[columnOf[i]];
            start = start < 0 ? Box(i).left : std::min(start, Box(i).left);
        }
        for (size_t c = 1; c < columns.size(); ++c) {
            const PixelBox b = Bound(columns[c]);
            if (starts[c] >= 0 && starts[c] - b.left > kOffsetShare * (b.right - b.left))
                return true;
        }
        return false;
    }

    bool HasTable(const Items& row) const {
        return std::any_of(row.begin(), row.end(), [&](int i) { return !items_[i].table.empty(); });
    }

    // True when the items are the characters of top-to-bottom columns: more
    // than a few characters tall, columns about one character wide, and the
    // blanks between columns wider than those between the characters down
    // them. Two columns of horizontal lines have a wide blank between them
    // too, but each is many characters wide.
    bool LooksVertical(const Items& items) const {
        const PixelBox b = Bound(items);
        if (b.bottom - b.top < 3 * size_) return false;
        const std::vector<Band> across = BandsOf(items, true, 1);
        if (across.size() < 2) return b.bottom - b.top > 4 * (b.right - b.left);
        std::vector<int> widths;
        for (const Band& band : across) widths.push_back(band.end - band.start);
        if (Median(widths) > kVerticalColumnSizes * size_) return false;
        const std::vector<Band> down = BandsOf(items, false, 1);
        std::vector<int> rowGaps{0}, columnGaps;
        for (size_t k = 0; k + 1 < down.size(); ++k)
            rowGaps.push_back(down[k + 1].start - down[k].end);
        for (size_t k = 0; k + 1 < across.size(); ++k)
            columnGaps.push_back(across[k + 1].start - across[k].end);
        const int columnGap = Median(columnGaps);
        return columnGap * 4 >= size_ && columnGap > 2 * Median(rowGaps);
    }

    void Emit(const std::vector<const Items*>& rows, size_t first, size_t end, RegionKind kind,
              std::vector<Region>& out) const {
        Items joined;
        for (size_t k = first; k < end; ++k)
            joined.insert(joined.end(), rows[k]->begin(), rows[k]->end());
        if (joined.empty()) return;
        out.push_back(Region{Bound(joined), kind, static_cast<int>(end - first), column_});
    }

    // Rows that no column gap divides: one block, less the lines that stand
    // apart from it (headings, right-aligned and centred lines).
    void Flush(std::vector<const Items*>& group, std::vector<Region>& out) {
        if (group.empty()) return;
        std::vector<const Items*> rows;
        rows.swap(group);
        ++column_;
        Items joined;
        std::vector<int> heights;
        for (const Items* r : rows) {
            joined.insert(joined.end(), r->begin(), r->end());
            const PixelBox b = Bound(*r);
            heights.push_back(b.bottom - b.top);
        }
        const PixelBox all = Bound(joined);
        const int typical = Median(heights);
        size_t first = 0;
        for (size_t k = 0; k < rows.size(); ++k) {
            const PixelBox b = Bound(*rows[k]);
            const bool apart =
                rows.size() > 1 && (b.left - all.left > kOffsetShare * (all.right - all.left) ||
                                    b.bottom - b.top > kHeadingHeight * typical);
            if (!apart) continue;
            if (first < k)
                Emit(rows, first, k, k - first > 1 ? RegionKind::Block : RegionKind::Line, out);
            Emit(rows, k, k + 1, RegionKind::Line, out);
            first = k + 1;
        }
        if (first < rows.size())
            Emit(rows, first, rows.size(),
                 rows.size() - first > 1 ? RegionKind::Block : RegionKind::Line, out);
    }

    const std::vector<CutItem>& items_;
    const int size_;
    const bool vertical_;
    int column_ = 0;
};

}  // namespace

std::vector<Region> CutRegions(const std::vector<CutItem>& items, int textSize, bool findVertical) {
    if (items.empty()) return {};
    return Cutter(items, textSize, findVertical).Run();
}

int RowsOf(const std::vector<PixelBox>& boxes) { return BandCount(boxes, false); }

int VerticalColumnsOf(const std::vector<PixelBox>& boxes) { return BandCount(boxes, true); }

}  // namespace xdw
