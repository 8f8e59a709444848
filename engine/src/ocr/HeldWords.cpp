#include "ocr/HeldWords.h"

#include <algorithm>

namespace xdw {

namespace {

// A box's extent along a line (across for horizontal lines, down for
// vertical ones) and across it.
struct Span {
    int from, to;
};
Span Along(const PixelBox& b, bool vertical) {
    return vertical ? Span{b.top, b.bottom} : Span{b.left, b.right};
}
Span Across(const PixelBox& b, bool vertical) {
    return vertical ? Span{b.left, b.right} : Span{b.top, b.bottom};
}

std::u32string TextOf(const OcrWord& w) {
    std::u32string text;
    for (const OcrSymbol& s : w.symbols) text += s.text;
    return text;
}

// The text of line's words that meet the stretch along it, and of the nearest
// word ending before its middle and starting after it, in the line's order.
std::u32string TextBy(const OcrLine& line, Span at) {
    const int middle = (at.from + at.to) / 2;
    const OcrWord* before = nullptr;
    const OcrWord* after = nullptr;
    for (const OcrWord& w : line.words) {
        const Span s = Along(w.box, line.vertical);
        if (s.to <= middle && (!before || s.to > Along(before->box, line.vertical).to)) before = &w;
        if (s.from > middle && (!after || s.from < Along(after->box, line.vertical).from))
            after = &w;
    }
    std::u32string text;
    for (const OcrWord& w : line.words) {
        const Span s = Along(w.box, line.vertical);
        if (&w == before || &w == after || (s.from < at.to && at.from < s.to)) text += TextOf(w);
    }
    return text;
}

}  // namespace

void HeldWords::Add(const std::vector<OcrLine>& lines) {
    lines_.insert(lines_.end(), lines.begin(), lines.end());
}

bool HeldWords::Holds(const OcrWord& word) const {
    const std::u32string text = TextOf(word);
    for (const OcrLine& line : lines_) {
        for (const OcrWord& h : line.words)
            if (MiddleWithin(word.box, h.box) || MiddleWithin(h.box, word.box)) return true;
        if (text.empty()) continue;
        // Along the line: its middle within the line's length, and across it
        // sharing half the line's height at least.
        const Span along = Along(word.box, line.vertical), length = Along(line.box, line.vertical);
        const Span across = Across(word.box, line.vertical),
                   height = Across(line.box, line.vertical);
        const int middle = (along.from + along.to) / 2;
        const int shared = std::min(across.to, height.to) - std::max(across.from, height.from);
        if (middle < length.from || middle >= length.to || shared * 2 < height.to - height.from)
            continue;
        if (TextBy(line, along).find(text) != std::u32string::npos) return true;
    }
    return false;
}

}  // namespace xdw
