#include "ocr/DigitReread.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "Marks.h"
#include "ocr/OcrTuning.h"
#include "ocr/RegionReading.h"

namespace xdw {

namespace {

const float kRereadUnder = static_cast<float>(Tuned(Ocr::FiguresRereadUnder));
const int kLeastDigits = TunedInt(Ocr::FiguresLeastDigits);
const double kRoom = Tuned(Ocr::FiguresRoom);
const double kWidest = Tuned(Ocr::FiguresWidest);
const float kSure = static_cast<float>(Tuned(Ocr::FiguresSure));

// A character as it would be in half width: full-width digits and figure
// separators, and the dashes that stand for a minus or a hyphen.
char32_t Narrow(char32_t c) {
    if (c >= U'\uFF01' && c <= U'\uFF5E') return c - 0xFEE0;
    if (c == U'\u2010' || c == U'\u2012' || c == U'\u2013' || c == U'\u2212') return U'-';
    return c;
}

bool Digit(char32_t c) {
    c = Narrow(c);
    return c >= U'0' && c <= U'9';
}

bool Separator(char32_t c) {
    c = Narrow(c);
    return c == U',' || c == U'.' || c == U':' || c == U'/' || c == U'-';
}

// The one character a symbol holds, or 0.
char32_t Single(const OcrSymbol& s) { return s.text.size() == 1 ? s.text[0] : 0; }

// A run of figures in a word: its symbols [begin, end), digits at both ends.
struct Run {
    size_t begin, end;
};

std::vector<Run> Runs(const OcrWord& word) {
    std::vector<Run> runs;
    const size_t n = word.symbols.size();
    size_t i = 0;
    while (i < n) {
        if (!Digit(Single(word.symbols[i]))) {
            ++i;
            continue;
        }
        size_t end = i + 1, last = i + 1;  // last: past the run's last digit
        int digits = 1;
        while (end < n &&
               (Digit(Single(word.symbols[end])) || Separator(Single(word.symbols[end])))) {
            if (Digit(Single(word.symbols[end]))) ++digits, last = end + 1;
            ++end;
        }
        if (digits >= kLeastDigits) runs.push_back({i, last});
        i = end;
    }
    return runs;
}

// The box a run is read again in: its symbols', as high as its word, with
// some room either side that reaches no neighbouring symbol of its line. The
// recogniser's boxes of single figures are now and then far too wide (the
// last digit of 2026年 reaching over the rest of the date): a figure is taken
// as at most FiguresWidest text sizes wide.
PixelBox RunBox(const OcrLine& line, size_t w, const Run& run, int em) {
    const OcrWord& word = line.words[w];
    const int widest = static_cast<int>(em * kWidest);
    auto right = [&](const PixelBox& s) { return std::min(s.right, s.left + widest); };
    PixelBox b = word.symbols[run.begin].box;
    b.right = right(b);
    for (size_t i = run.begin; i < run.end; ++i) {
        const PixelBox& s = word.symbols[i].box;
        b.left = std::min(b.left, s.left);
        b.right = std::max(b.right, right(s));
    }
    b.top = word.box.top;
    b.bottom = word.box.bottom;
    const int room = static_cast<int>(em * kRoom);
    int left = b.left - room, after = b.right + room;
    const OcrSymbol* before = run.begin > 0 ? &word.symbols[run.begin - 1] : nullptr;
    for (size_t k = w; !before && k-- > 0;)
        if (!line.words[k].symbols.empty()) before = &line.words[k].symbols.back();
    const OcrSymbol* next = run.end < word.symbols.size() ? &word.symbols[run.end] : nullptr;
    for (size_t k = w + 1; !next && k < line.words.size(); ++k)
        if (!line.words[k].symbols.empty()) next = &line.words[k].symbols.front();
    if (before) left = std::max(left, std::min(before->box.right, before->box.left + widest));
    if (next) after = std::min(after, next->box.left);
    b.left = std::min(b.left, left);
    b.right = std::max(b.right, after);
    return b;
}

// The English reading of box: its characters from its first digit to its
// last, and its least sure word's confidence.
struct Reading {
    std::u32string text;
    float confidence = 0;
};

Reading ReadEnglish(const RenderedPage& image, const PixelBox& box, double scale,
                    const std::string& tessdata, Deadline& deadline) {
    int dx = 0, dy = 0;
    const RenderedPage copy = RegionImage(image, box, true, dx, dy);
    Reading reading;
    reading.confidence = 100;
    for (const Block& block :
         ReadImage(copy, scale, tesseract::PSM_SINGLE_LINE, "eng", tessdata, deadline))
        for (const OcrLine& line : block.lines)
            for (const OcrWord& word : line.words) {
                reading.confidence = std::min(reading.confidence, word.confidence);
                for (const OcrSymbol& s : word.symbols) reading.text += s.text;
            }
    // Marks at either end are strokes of the neighbouring characters.
    std::u32string& t = reading.text;
    // A zero struck through (a fax's sender line, a printer's figures) is
    // no figure to the English model: it reads @ or Ø.
    for (char32_t& c : t)
        if (c == U'@' || c == U'Ø' || c == U'ø') c = U'0';
    while (!t.empty() && !Digit(t.back())) t.pop_back();
    const size_t first = std::find_if(t.begin(), t.end(), Digit) - t.begin();
    t.erase(0, first);
    if (t.empty()) reading.confidence = 0;
    return reading;
}

// The digits drawn as loops, which the Japanese model takes for one another
// (0 for 9, 6 or 8); any other digit read otherwise is a sign that the copy
// was cut off its figures.
bool Looped(char32_t c) {
    c = Narrow(c);
    return c == U'0' || c == U'3' || c == U'5' || c == U'6' || c == U'8' || c == U'9';
}

// Whether an English reading could change the run: only its looped digits
// and its separators may read otherwise (see SameShape), so a run of 1, 2,
// 4 and 7 alone is only ever read the same.
bool Changeable(const OcrWord& word, const Run& run) {
    for (size_t i = run.begin; i < run.end; ++i) {
        const char32_t c = Single(word.symbols[i]);
        if (!Digit(c) || Looped(c)) return true;
    }
    return false;
}

// Whether english is the run's figures in the same shape: a digit for each
// digit, a separator for each separator, and no digit read otherwise unless
// both readings are looped.
bool SameShape(const OcrWord& word, const Run& run, const std::u32string& english) {
    if (english.size() != run.end - run.begin) return false;
    for (size_t i = 0; i < english.size(); ++i) {
        const char32_t c = Single(word.symbols[run.begin + i]);
        if (Digit(c) ? !Digit(english[i]) : !Separator(english[i])) return false;
        if (Digit(c) && Narrow(c) != Narrow(english[i]) && !(Looped(c) && Looped(english[i])))
            return false;
    }
    return true;
}

// The run's symbols take english's characters, each in the width it was read
// in.
void Take(OcrWord& word, const Run& run, const std::u32string& english) {
    for (size_t i = 0; i < english.size(); ++i) {
        OcrSymbol& s = word.symbols[run.begin + i];
        const bool wide = s.text[0] >= U'\uFF01' && s.text[0] <= U'\uFF5E';
        const char32_t c = Narrow(english[i]);
        s.text = std::u32string(1, wide ? c + 0xFEE0 : c);
    }
}

bool ReadsJapanese(const std::string& languages) {
    return ("+" + languages + "+").find("+jpn+") != std::string::npos;
}

// Whether the English reading of a run is taken for it.
bool Takes(const OcrWord& word, const Run& run, const Reading& english) {
    return english.confidence >= std::min(word.confidence, kSure) &&
           SameShape(word, run, english.text);
}

// Whether the figures of reading's page are read again: recipe reads
// Japanese, the English language data is there, and the page was not
// unwarped from a photograph.
bool Rereads(const PageReading& reading, const OcrRecipe& recipe) {
    if (!ReadsJapanese(recipe.languages) || reading.prepared.unwarped) return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(
        std::filesystem::path(recipe.tessdata) / "eng.traineddata", ec);
}

// Whether line's words are read again here at all: vertical lines are not,
// nor lines read from another copy of the page than the straightened one
// (they lie elsewhere on it).
bool Horizontal(const OcrLine& line, const PageLayout& layout) {
    return !line.vertical && line.skewDegrees == layout.skewDegrees;
}

int TextSize(const OcrLine& line, const PageLayout& layout) {
    return layout.textSize > 0 ? layout.textSize : line.box.bottom - line.box.top;
}

// A word of figures alone: digits and the signs between them, after a yen
// sign at most (an amount, a number, a date).
bool FiguresWord(const OcrWord& word) {
    bool first = true;
    for (const OcrSymbol& s : word.symbols)
        for (char32_t c : s.text) {
            const char32_t n = Narrow(c);
            const bool yen = first && (n == U'\\' || n == U'\u00A5');
            first = false;
            if (!yen && !Digit(n) && !Separator(n)) return false;
        }
    return !Runs(word).empty();
}

}  // namespace

void RereadFigures(std::vector<OcrLine>& lines, PageReading& reading, const OcrRecipe& recipe) {
    if (!Rereads(reading, recipe)) return;
    const PageLayout& layout = reading.layout;
    const double scale = ReadScale(layout.textSize, reading.most);
    // The page's progress is at its end already.
    Deadline deadline = reading.deadline;
    deadline.noted = false;
    for (OcrLine& line : lines) {
        if (!Horizontal(line, layout)) continue;
        const int size = TextSize(line, layout);
        for (size_t w = 0; w < line.words.size(); ++w) {
            OcrWord& word = line.words[w];
            if (word.confidence >= kRereadUnder) continue;
            for (const Run& run : Runs(word)) {
                if (!Changeable(word, run)) continue;
                const Reading english = ReadEnglish(layout.image, RunBox(line, w, run, size), scale,
                                                    recipe.tessdata, deadline);
                if (!Takes(word, run, english)) continue;
                XDW_MARK("figures: read again in English");
                Take(word, run, english.text);
            }
        }
    }
}

std::vector<char> FiguresSettled(const OcrLine& line, float under, PageReading& reading,
                                 const OcrRecipe& recipe) {
    std::vector<char> settled(line.words.size());
    const PageLayout& layout = reading.layout;
    if (!Rereads(reading, recipe) || !Horizontal(line, layout)) return settled;
    const double scale = ReadScale(layout.textSize, reading.most);
    Deadline deadline = reading.deadline;
    deadline.noted = false;
    for (size_t w = 0; w < line.words.size(); ++w) {
        const OcrWord& word = line.words[w];
        if (word.confidence >= under || word.confidence >= kRereadUnder || !FiguresWord(word))
            continue;
        bool all = true;
        for (const Run& run : Runs(word))
            all =
                all && Takes(word, run,
                             ReadEnglish(layout.image, RunBox(line, w, run, TextSize(line, layout)),
                                         scale, recipe.tessdata, deadline));
        settled[w] = all;
    }
    return settled;
}

}  // namespace xdw
