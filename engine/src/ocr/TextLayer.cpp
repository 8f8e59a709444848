#include "ocr/TextLayer.h"

#include <algorithm>
#include <cmath>
#include <map>

#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QUtil.hh>

#include "Error.h"
#include "layout/Skew.h"
#include "ocr/OcrTuning.h"
#include "pdf/PdfNumber.h"

namespace xdw {

namespace {

constexpr const char* kLayerMark = kTextLayerMark;
constexpr size_t kMaxGlyphs = 0xfffe;  // two-byte codes, 0 and 0xffff unused

// The glyphless font's one glyph advances half an em (1024 of 2048 units).
// The font's declared width must say the same: extractors that measure the
// glyph (MuPDF) would otherwise see a gap after every character and read
// "N o t e s".
constexpr double kGlyphAdvance = 0.5;
// The widest blank between words, in text sizes.
const double kMaxBlankEm = Tuned(Ocr::MaxBlankEm);

std::string Num(double v) { return PdfNumber(v, 3); }

// A glyph code: two bytes as hex.
std::string Hex4(unsigned v) { return QUtil::uint_to_string_base(v, 16, 4); }

// The text as UTF-16BE, in hex; what UTF-16 cannot hold becomes U+FFFD.
std::string Utf16Hex(const std::u32string& text) {
    std::string utf16;
    for (char32_t c : text) utf16 += QUtil::toUTF16(c);
    return QUtil::hex_encode(utf16);
}

// One run of glyphs sharing a scale, from start to end along the line
// (pixels: left to right, or top to bottom in a vertical line).
struct Run {
    std::vector<std::u32string> glyphs;
    double start = 0, end = 0;
};

char32_t FirstChar(const OcrWord& w) {
    for (const auto& s : w.symbols)
        if (!s.text.empty()) return s.text.front();
    return 0;
}

char32_t LastChar(const OcrWord& w) {
    for (auto it = w.symbols.rbegin(); it != w.symbols.rend(); ++it)
        if (!it->text.empty()) return it->text.back();
    return 0;
}

bool HasCjk(const OcrWord& w) {
    for (const auto& s : w.symbols)
        for (char32_t c : s.text)
            if (IsCjk(c)) return true;
    return false;
}

// True when b goes on with a number whose thousands separator ended a
// ("1," then "080"): the recogniser often cuts there, and no blank belongs.
bool ContinuesNumber(const OcrWord& a, const OcrWord& b) {
    std::u32string x, y;
    for (const auto& s : a.symbols) x += s.text;
    for (const auto& s : b.symbols) y += s.text;
    auto digit = [](char32_t c) { return c >= U'0' && c <= U'9'; };
    return x.size() >= 2 && x.back() == U',' && digit(x[x.size() - 2]) && y.size() >= 3 &&
           std::all_of(y.begin(), y.begin() + 3, digit) && (y.size() == 3 || !digit(y[3]));
}

// Where a box starts and ends along the line.
double Start(const PixelBox& b, bool vertical) { return vertical ? b.top : b.left; }
double End(const PixelBox& b, bool vertical) { return vertical ? b.bottom : b.right; }

// Lays a line out as runs that touch each other, so a text extractor sees a
// blank only where a blank glyph is: between Latin words, never between
// Japanese characters. Each Japanese character, and every character of a
// vertical line, is a run of its own, so it sits over its own image.
std::vector<Run> LayOutLine(const OcrLine& line) {
    const bool v = line.vertical;
    std::vector<Run> runs;
    const OcrWord* previous = nullptr;
    for (const OcrWord& word : line.words) {
        if (word.symbols.empty() || FirstChar(word) == 0) continue;
        const bool blankWord = FirstChar(word) == U' ';
        if (previous != nullptr && !blankWord && FirstChar(*previous) != U' ' &&
            !IsCjk(LastChar(*previous)) && !IsCjk(FirstChar(word)) &&
            !ContinuesNumber(*previous, word)) {
            Run blank;
            blank.glyphs.push_back(U" ");
            // A wide gap (cells of a row, a price far from its item) is
            // mostly covered by the word before it: extractors take a blank
            // wider than an ordinary one for a break between columns.
            const double em = v ? word.box.right - word.box.left : word.box.bottom - word.box.top;
            blank.start = std::max(runs.back().end, Start(word.box, v) - kMaxBlankEm * em);
            blank.end = std::max(Start(word.box, v), blank.start);
            runs.push_back(blank);
        }
        if (v || HasCjk(word)) {
            for (const OcrSymbol& s : word.symbols) {
                if (s.text.empty()) continue;
                runs.push_back(Run{{s.text}, Start(s.box, v), End(s.box, v)});
            }
        } else {
            Run run{{}, Start(word.box, v), End(word.box, v)};
            for (const OcrSymbol& s : word.symbols)
                if (!s.text.empty()) run.glyphs.push_back(s.text);
            runs.push_back(run);
        }
        previous = &word;
    }
    // Each run reaches exactly to where the next one starts: no gap that an
    // extractor could read as a blank, no overlap that it could read as a new
    // line (character boxes from recognition are rough and often overlap).
    // Runs never go backwards, whatever order the boxes came in.
    for (size_t i = 0; i + 1 < runs.size(); ++i) {
        runs[i + 1].start = std::max(runs[i + 1].start, runs[i].start + 1);
        runs[i].end = runs[i + 1].start;
    }
    if (!runs.empty())
        runs.back().end = std::clamp<double>(End(line.box, v), runs.back().start + 1,
                                             std::max(runs.back().end, runs.back().start + 1));
    return runs;
}

// How thick a line is across its direction: as its words typically are. The
// line's own box grows with any slant (a long line 2 degrees askew spans two
// or three lines), a word's far less, so the layer's line is as tall as the
// line of text and no taller.
double Thickness(const OcrLine& l) {
    std::vector<double> words;
    for (const OcrWord& w : l.words)
        words.push_back(l.vertical ? w.box.right - w.box.left : w.box.bottom - w.box.top);
    const double line = l.vertical ? l.box.right - l.box.left : l.box.bottom - l.box.top;
    const double typical = Median(words);
    return typical > 0 ? std::min(typical, line) : line;
}

// Where a line's base is across its direction: its bottom, or for a column
// its left edge (columns follow from right to left).
double Base(const OcrLine& l) { return l.vertical ? -l.box.left : l.box.bottom; }

// True when next, following line in reading order, continues its stack: the
// same block, or the next line of the same column (double-spaced lines often
// come as blocks of one line each) and not twice as long or short.
bool SameStack(const OcrLine& line, const OcrLine& next) {
    if (line.vertical != next.vertical) return false;
    // Lines side by side along their direction (a right-aligned date over an
    // addressee at the left) never make one block in an extractor: the date
    // keeps its own size, or its selection would reach down beside the
    // addressee, and an extractor would take the two for cells of one row
    // and read the addressee first.
    if (std::min(End(line.box, line.vertical), End(next.box, next.vertical)) <=
        std::max(Start(line.box, line.vertical), Start(next.box, next.vertical)))
        return false;
    if (line.block == next.block) return true;
    const double t = std::max(Thickness(line), Thickness(next));
    const double pitch = Base(next) - Base(line);
    if (!(pitch > 0) || pitch > 4 * t) return false;
    if (std::max(Thickness(line), Thickness(next)) >
        1.5 * std::min(Thickness(line), Thickness(next)))
        return false;
    const double start = std::max(Start(line.box, line.vertical), Start(next.box, next.vertical));
    const double end = std::min(End(line.box, line.vertical), End(next.box, next.vertical));
    const double a = End(line.box, line.vertical) - Start(line.box, line.vertical);
    const double b = End(next.box, next.vertical) - Start(next.box, next.vertical);
    // A line across columns (a masthead, a row of a table) is no line of
    // the column under it.
    return end - start >= 0.5 * std::min(a, b) && std::max(a, b) <= 2 * std::min(a, b);
}

// The text size of each line, in pixels. Text extractors take lines for one
// block only when their sizes agree and their bases are at most about one and
// a half sizes apart; the lines of a stack (see SameStack) therefore get one
// size: their typical thickness, raised towards their widest spacing (the
// glyphs are invisible, so only the selection grows), at most kMaxSizeGrowth
// times. Extractors join lines up to 1.5 sizes apart: widest spacing / 1.42
// keeps a column's paragraphs and headings in one block, which extractors
// read through before the next column (blocks side by side that line up
// are otherwise read across, as table cells: two pages of a booklet, each a
// heading over its text, come out heading, heading, text, text). The growth
// is bounded by the lines' thickness, or by their typical spacing when that
// is wider, in Japanese text (widely spaced lines keep a heading far above
// them in their block, the selection then reaching no further past a line's
// own spacing than it does on a page of close lines). Latin letters stand
// closer than a tenth of a larger size, and extractors would take letters
// so close for a duplicate and drop them.
const double kSpacingPerSize = Tuned(Ocr::SpacingPerSize);
const double kMaxSizeGrowth = Tuned(Ocr::MaxSizeGrowth);
const double kMaxSizePerSpacing = Tuned(Ocr::MaxSizePerSpacing);
const double kMaxJapaneseSizeGrowth = Tuned(Ocr::MaxJapaneseSizeGrowth);
const double kJapaneseShare = Tuned(Ocr::JapaneseShare);
double StackSize(const std::vector<OcrLine>& lines, size_t first, size_t end) {
    std::vector<double> thickness, spacing;
    size_t characters = 0, japanese = 0;
    for (size_t i = first; i < end; ++i) {
        thickness.push_back(Thickness(lines[i]));
        for (const OcrWord& w : lines[i].words)
            for (const OcrSymbol& sym : w.symbols)
                for (char32_t c : sym.text) {
                    ++characters;
                    japanese += IsCjk(c) ? 1 : 0;
                }
        if (i > first) spacing.push_back(Base(lines[i]) - Base(lines[i - 1]));
    }
    const double typical = Median(thickness);
    if (spacing.empty()) return typical;
    const double pitch = *std::max_element(spacing.begin(), spacing.end());
    double most = typical * kMaxSizeGrowth;
    if (japanese >= kJapaneseShare * characters)
        most = std::clamp(kMaxSizePerSpacing * Median(spacing), most,
                          typical * kMaxJapaneseSizeGrowth);
    return pitch > 0 ? std::clamp(pitch / kSpacingPerSize, typical, most) : typical;
}

// The first line of [first, end) whose selection, size tall above its base,
// would reach beside or over a line standing above the stack: an extractor
// would take the two for one row and read them out of order (an addressee
// before the date over it at the right). end when there is none.
size_t Reaching(const std::vector<OcrLine>& lines, size_t first, size_t end, double size) {
    for (size_t i = first; i < end; ++i) {
        const PixelBox& b = lines[i].box;
        if (lines[i].vertical || size <= b.bottom - b.top) continue;
        for (size_t o = 0; o < lines.size(); ++o) {
            if ((o >= first && o < end) || lines[o].vertical) continue;
            const int bottom = lines[o].box.bottom;
            if (bottom <= lines[first].box.top && bottom > b.bottom - size) return i;
        }
    }
    return end;
}

// Lines [first, end) of one text size.
struct Stack {
    size_t first, end;
    double size;
};

// The box round lines [first, end).
PixelBox Around(const std::vector<OcrLine>& lines, size_t first, size_t end) {
    PixelBox box = lines[first].box;
    for (size_t i = first + 1; i < end; ++i) {
        box.left = std::min(box.left, lines[i].box.left);
        box.top = std::min(box.top, lines[i].box.top);
        box.right = std::max(box.right, lines[i].box.right);
        box.bottom = std::max(box.bottom, lines[i].box.bottom);
    }
    return box;
}

bool Horizontal(const std::vector<OcrLine>& lines, size_t first, size_t end) {
    for (size_t i = first; i < end; ++i)
        if (lines[i].vertical) return false;
    return true;
}

// Text extractors read blocks side by side from left to right, whichever
// starts higher (a column of text, then the one at its right), unless the
// left one, with what follows under it in one block, reaches under the
// right one. So where a stack at the right that starts higher comes first
// (a sender's address at the right beside the first lines of a letter that
// starts lower), the stack beside it at the left is joined with the stacks
// that follow under it up to the first that reaches under the right one (a
// table across the page), in one size that spaces them as one block. Left
// as it was when that size would grow past kMaxJapaneseSizeGrowth times
// the lines' typical thickness.
void JoinUnderBeside(const std::vector<OcrLine>& lines, std::vector<Stack>& stacks) {
    for (size_t s = 1; s < stacks.size(); ++s) {
        const Stack& left = stacks[s];
        if (!Horizontal(lines, left.first, left.end)) continue;
        const PixelBox l = Around(lines, left.first, left.end);
        bool beside = false;
        int rightEdge = 0;
        for (size_t r = 0; r < s && !beside; ++r) {
            if (!Horizontal(lines, stacks[r].first, stacks[r].end)) continue;
            const PixelBox b = Around(lines, stacks[r].first, stacks[r].end);
            beside = b.left > l.right && b.top < l.top && b.bottom > l.top;
            rightEdge = b.left;
        }
        if (!beside) continue;
        size_t last = s;
        int bottom = l.bottom, reach = l.right;
        while (reach <= rightEdge && last + 1 < stacks.size() &&
               Horizontal(lines, stacks[last + 1].first, stacks[last + 1].end)) {
            const PixelBox next = Around(lines, stacks[last + 1].first, stacks[last + 1].end);
            if (next.top < bottom) break;
            ++last;
            bottom = next.bottom;
            reach = std::max(reach, next.right);
        }
        if (reach <= rightEdge || last == s) continue;
        const size_t first = left.first, end = stacks[last].end;
        std::vector<double> thickness;
        double pitch = 0;
        for (size_t i = first; i < end; ++i) {
            thickness.push_back(Thickness(lines[i]));
            if (i > first) pitch = std::max(pitch, Base(lines[i]) - Base(lines[i - 1]));
        }
        const double size = std::max(StackSize(lines, first, end), pitch / kSpacingPerSize);
        if (size > kMaxJapaneseSizeGrowth * Median(thickness)) continue;
        stacks[s] = Stack{first, end, size};
        stacks.erase(stacks.begin() + s + 1, stacks.begin() + last + 1);
    }
}

std::vector<double> TextSizes(const std::vector<OcrLine>& lines) {
    std::vector<Stack> stacks;
    for (size_t first = 0; first < lines.size();) {
        size_t end = first + 1;
        while (end < lines.size() && SameStack(lines[end - 1], lines[end])) ++end;
        double size = StackSize(lines, first, end);
        // A stack whose lines would reach others is cut before the first
        // that does, or after its first line when that one does.
        for (size_t at; (at = Reaching(lines, first, end, size)) < end;) {
            end = at > first ? at : first + 1;
            size = StackSize(lines, first, end);
        }
        stacks.push_back(Stack{first, end, size});
        first = end;
    }
    JoinUnderBeside(lines, stacks);
    std::vector<double> sizes(lines.size(), 0);
    for (const Stack& stack : stacks)
        for (size_t i = stack.first; i < stack.end; ++i) sizes[i] = stack.size;
    return sizes;
}

// The text matrix's axes for a page shown with the given rotation: the
// displayed rightward and upward directions in the page's own coordinates.
struct Placement {
    double a, b, c, d;
};

Placement Direction(int rotate) {
    switch (rotate) {
        case 90:
            return {0, 1, -1, 0};
        case 180:
            return {-1, 0, 0, -1};
        case 270:
            return {0, -1, 1, 0};
        default:
            return {1, 0, 0, 1};
    }
}

// The page point for a displayed point (u, v), in points from the top left
// corner of the visible box as shown.
void ToPage(const PageGeometry& g, double u, double v, double& x, double& y) {
    switch (g.rotate) {
        case 90:
            x = g.x0 + v;
            y = g.y0 + u;
            break;
        case 180:
            x = g.x1 - u;
            y = g.y0 + v;
            break;
        case 270:
            x = g.x1 - v;
            y = g.y1 - u;
            break;
        default:
            x = g.x0 + u;
            y = g.y1 - v;
    }
}

// How far a line recognised on the level copy of a turned scan moves to lie
// on the scan: its middle goes to where that point is on the scan. The line
// itself stays level: text extractors build lines from characters on one
// baseline (they start a new word where it moves by half a point), so a line
// drawn at the scan's angle would come apart into pieces and lines.
void SkewShift(const OcrLine& line, const PageGeometry& g, double& dx, double& dy) {
    dx = dy = 0;
    if (line.skewDegrees == 0) return;
    double x = line.vertical ? line.box.left : (line.box.left + line.box.right) / 2.0;
    double y = line.vertical ? (line.box.top + line.box.bottom) / 2.0 : line.box.bottom;
    const double x0 = x, y0 = y;
    UnturnedPoint(line.skewDegrees, g.width, g.height, x, y);
    dx = x - x0;
    dy = y - y0;
}

bool IsLayerStream(QPDFObjectHandle obj) {
    return obj.isStream() && obj.getDict().hasKey(kLayerMark);
}

QPDFObjectHandle MarkedStream(QPDF& pdf, const std::string& data) {
    QPDFObjectHandle s = QPDFObjectHandle::newStream(&pdf, data);
    s.getDict().replaceKey(kLayerMark, QPDFObjectHandle::newBool(true));
    return s;
}

std::string ToUnicodeCMap(const std::vector<std::u32string>& glyphs) {
    std::string cmap =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    for (size_t start = 0; start < glyphs.size(); start += 100) {
        const size_t end = std::min(glyphs.size(), start + 100);
        cmap += std::to_string(end - start) + " beginbfchar\n";
        for (size_t i = start; i < end; ++i)
            cmap += "<" + Hex4(unsigned(i + 1)) + "> <" + Utf16Hex(glyphs[i]) + ">\n";
        cmap += "endbfchar\n";
    }
    cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return cmap;
}

QPDFObjectHandle GlyphlessFont(QPDF& pdf, const std::vector<std::u32string>& glyphs,
                               const std::string& fontFile) {
    QPDFObjectHandle file = QPDFObjectHandle::newStream(&pdf, fontFile);
    file.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(fontFile.size()));

    QPDFObjectHandle descriptor = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /FontDescriptor /FontName /GlyphLessFont /Flags 5 /FontBBox [0 0 1000 1000]"
        " /ItalicAngle 0 /Ascent 1000 /Descent 0 /CapHeight 1000 /StemV 80 >>"));
    descriptor.replaceKey("/FontFile2", file);

    // Every code is drawn with the font's one (empty) glyph.
    std::string gidMap;
    for (size_t i = 0; i <= glyphs.size(); ++i) gidMap += std::string("\x00\x01", 2);
    QPDFObjectHandle cidFont = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /GlyphLessFont"
        " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
        " >>"));
    cidFont.replaceKey("/DW", QPDFObjectHandle::newInteger(std::lround(1000 * kGlyphAdvance)));
    cidFont.replaceKey("/FontDescriptor", descriptor);
    cidFont.replaceKey("/CIDToGIDMap", QPDFObjectHandle::newStream(&pdf, gidMap));

    QPDFObjectHandle font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type0 /BaseFont /GlyphLessFont /Encoding /Identity-H >>"));
    font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({cidFont}));
    font.replaceKey("/ToUnicode", QPDFObjectHandle::newStream(&pdf, ToUnicodeCMap(glyphs)));
    return font;
}

// The page's resources as a dictionary of its own, safe to change without
// touching other pages that shared them.
QPDFObjectHandle OwnResources(QPDFObjectHandle page) {
    QPDFObjectHandle res = QPDFPageObjectHelper(page).getAttribute("/Resources", true);
    res = res.isDictionary() ? res.shallowCopy() : QPDFObjectHandle::newDictionary();
    page.replaceKey("/Resources", res);
    return res;
}

// A line that goes on with the one before it on the same row, at most
// kContinuationGapEm of its thickness after its end (a full stop or a time
// read again on their own after the line was read), is part of it. Laid as
// a line of its own it would stand a little apart, and on a page turned
// askew a little higher or lower than the line: extractors read it before
// or after, on a line of its own.
constexpr double kContinuationGapEm = 1.0;
std::vector<OcrLine> JoinContinuations(const std::vector<OcrLine>& lines) {
    std::vector<OcrLine> out;
    for (const OcrLine& line : lines) {
        if (!out.empty()) {
            OcrLine& before = out.back();
            const PixelBox& a = before.box;
            const PixelBox& b = line.box;
            const double em = std::max(Thickness(before), Thickness(line));
            const int overlap = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
            if (!before.vertical && !line.vertical && before.skewDegrees == line.skewDegrees &&
                2 * overlap >= std::min(a.bottom - a.top, b.bottom - b.top) &&
                b.left >= a.right - em / 4 && b.left - a.right <= kContinuationGapEm * em) {
                before.words.insert(before.words.end(), line.words.begin(), line.words.end());
                before.box = PixelBox{std::min(a.left, b.left), std::min(a.top, b.top),
                                      std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
                continue;
            }
        }
        out.push_back(line);
    }
    return out;
}

}  // namespace

bool IsCjk(char32_t c) {
    return (c >= 0x2e80 && c <= 0x2fdf) ||  // CJK radicals
           (c >= 0x3000 && c <= 0x30ff) ||  // CJK punctuation, hiragana, katakana
           (c >= 0x31c0 && c <= 0x31ff) ||  // strokes, katakana extension
           (c >= 0x3200 && c <= 0x33ff) ||  // enclosed letters, compatibility
           (c >= 0x3400 && c <= 0x4dbf) ||  // ideographs extension A
           (c >= 0x4e00 && c <= 0x9fff) ||  // ideographs
           (c >= 0xf900 && c <= 0xfaff) ||  // compatibility ideographs
           (c >= 0xfe30 && c <= 0xfe4f) ||  // compatibility forms
           (c >= 0xff00 && c <= 0xffef) ||  // full-width and half-width forms
           (c >= 0x20000 && c <= 0x3ffff);  // ideographs, supplementary planes
}

LayerContent BuildLayerContent(const std::vector<OcrLine>& given, const PageGeometry& g) {
    const std::vector<OcrLine> lines = JoinContinuations(given);
    LayerContent out;
    std::map<std::u32string, unsigned> codes;
    auto codeFor = [&](const std::u32string& glyph) -> unsigned {
        if (auto it = codes.find(glyph); it != codes.end()) return it->second;
        if (out.glyphs.size() >= kMaxGlyphs) return 0;
        out.glyphs.push_back(glyph);
        return codes[glyph] = unsigned(out.glyphs.size());
    };

    const double s = g.pointsPerPixel;
    const Placement dir = Direction(g.rotate);
    std::string text;
    const std::vector<double> sizes = TextSizes(lines);
    for (size_t i = 0; i < lines.size(); ++i) {
        const OcrLine& line = lines[i];
        const bool v = line.vertical;
        // A horizontal line stands on its box's bottom; a vertical one is
        // turned to stand on its left edge.
        const double size = sizes[i] * s;
        if (!(size > 0)) continue;
        const std::vector<Run> runs = LayOutLine(line);
        if (runs.empty()) continue;
        double dx = 0, dy = 0;
        SkewShift(line, g, dx, dy);
        // Text axes: along the line, and the glyphs' up.
        const Placement axes = v ? Placement{-dir.c, -dir.d, dir.a, dir.b} : dir;
        text += std::string(kTextLayerFont) + " " + Num(size) + " Tf\n";
        for (const Run& run : runs) {
            std::string hex;
            for (const auto& glyph : run.glyphs)
                if (unsigned code = codeFor(glyph)) hex += Hex4(code);
            if (hex.empty()) continue;
            const double count = hex.size() / 4.0;
            const double length = std::max(run.end - run.start, 1.0) * s;
            const double scale =
                std::clamp(100.0 * length / (count * size * kGlyphAdvance), 0.1, 100000.0);
            double x = 0, y = 0;
            if (v)
                ToPage(g, (line.box.left + dx) * s, (run.start + dy) * s, x, y);
            else
                ToPage(g, (run.start + dx) * s, (line.box.bottom + dy) * s, x, y);
            text += Num(axes.a) + " " + Num(axes.b) + " " + Num(axes.c) + " " + Num(axes.d) + " " +
                    Num(x) + " " + Num(y) + " Tm " + Num(scale) + " Tz <" + hex + "> Tj\n";
        }
    }
    if (text.empty()) return out;
    out.content = "Q\n" + std::string(kLayerMark) + " BMC\nBT\n3 Tr\n" + text + "ET\nEMC\n";
    return out;
}

bool RemoveTextLayer(QPDF&, QPDFObjectHandle page) {
    bool found = false;
    QPDFObjectHandle contents = page.getKey("/Contents");
    if (IsLayerStream(contents)) {
        page.replaceKey("/Contents", QPDFObjectHandle::newArray());
        found = true;
    } else if (contents.isArray()) {
        std::vector<QPDFObjectHandle> kept;
        for (auto& item : contents.getArrayAsVector()) {
            if (IsLayerStream(item))
                found = true;
            else
                kept.push_back(item);
        }
        if (found) page.replaceKey("/Contents", QPDFObjectHandle::newArray(kept));
    }
    QPDFObjectHandle res = QPDFPageObjectHelper(page).getAttribute("/Resources", false);
    if (res.isDictionary() && res.getKey("/Font").isDictionary() &&
        res.getKey("/Font").hasKey(kTextLayerFont)) {
        res = OwnResources(page);
        QPDFObjectHandle fonts = res.getKey("/Font").shallowCopy();
        fonts.removeKey(kTextLayerFont);
        res.replaceKey("/Font", fonts);
        found = true;
    }
    return found;
}

void PutTextLayer(QPDF& pdf, QPDFObjectHandle page, const std::vector<OcrLine>& lines,
                  const PageGeometry& geometry, const std::string& fontFile) {
    RemoveTextLayer(pdf, page);
    const LayerContent layer = BuildLayerContent(lines, geometry);
    if (layer.content.empty()) return;

    QPDFObjectHandle res = OwnResources(page);
    QPDFObjectHandle fonts = res.getKey("/Font");
    fonts = fonts.isDictionary() ? fonts.shallowCopy() : QPDFObjectHandle::newDictionary();
    fonts.replaceKey(kTextLayerFont, GlyphlessFont(pdf, layer.glyphs, fontFile));
    res.replaceKey("/Font", fonts);

    // The page's own drawing is wrapped in q ... Q so that whatever state it
    // leaves behind, the layer starts from the page's plain coordinates.
    std::vector<QPDFObjectHandle> contents;
    contents.push_back(MarkedStream(pdf, "q\n"));
    QPDFObjectHandle old = page.getKey("/Contents");
    if (old.isArray()) {
        for (auto& item : old.getArrayAsVector()) contents.push_back(item);
    } else if (old.isStream()) {
        contents.push_back(old);
    }
    contents.push_back(MarkedStream(pdf, layer.content));
    page.replaceKey("/Contents", QPDFObjectHandle::newArray(contents));
}

}  // namespace xdw
