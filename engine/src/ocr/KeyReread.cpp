#include "ocr/KeyReread.h"

#include <exception>

#include "common/Utf8.h"
#include "label/BillDate.h"
#include "label/DocumentKeys.h"
#include "label/DocumentKind.h"
#include "ocr/JapaneseFixes.h"
#include "ocr/OcrTuning.h"
#include "ocr/ReadText.h"
#include "ocr/RegionReading.h"

namespace xdw {

namespace {

const double kSmaller = Tuned(Ocr::DateAgainSmaller);
const double kLarger = Tuned(Ocr::DateAgainLarger);
const int kMostLines = TunedInt(Ocr::DateAgainLines);

// A line's text as the keys' search sees it: its cells joined by a blank.
std::u32string Seen(const std::string& text) {
    std::u32string seen;
    for (const TextLine& line : SplitLines(text))
        for (const std::u32string& cell : line.cells) seen += (seen.empty() ? U"" : U" ") + cell;
    return seen;
}

// The line's box read again alone at scale: its text as ReadText gives it.
std::string ReadLineAgain(const RenderedPage& image, const PixelBox& box, double scale,
                          const OcrRecipe& recipe, Deadline& deadline) {
    int dx = 0, dy = 0;
    const RenderedPage copy = RegionImage(image, box, true, dx, dy);
    std::vector<OcrLine> lines;
    for (Block& block : ReadImage(copy, scale, tesseract::PSM_SINGLE_LINE, recipe.languages,
                                  recipe.tessdata, deadline))
        for (OcrLine& line : block.lines) lines.push_back(std::move(line));
    FixJapaneseConfusions(lines);
    return ReadText(lines);
}

}  // namespace

std::string KeyTextReadAgain(const std::vector<OcrLine>& lines, PageReading& reading,
                             const OcrRecipe& recipe) {
    std::vector<std::string> texts;
    std::string all;
    for (const OcrLine& line : lines) {
        texts.push_back(ReadText({line}));
        all += texts.back();
    }
    const DocumentKeys keys = FindDocumentKeys({all}, true);
    if (!IsBillKind(quilbex::DecodeUtf8(keys.kind)) || !keys.date.empty()) return {};
    const PageLayout& layout = reading.layout;
    const double scale = ReadScale(layout.textSize, reading.most);
    // The page's progress is at its end already.
    Deadline deadline = reading.deadline;
    deadline.noted = false;
    bool changed = false;
    int read = 0;
    for (size_t l = 0; l < lines.size() && read < kMostLines; ++l) {
        const OcrLine& line = lines[l];
        // Lines read from another copy of the page than the straightened
        // one lie elsewhere on it.
        if (line.vertical || line.skewDegrees != layout.skewDegrees) continue;
        const std::u32string first = Seen(texts[l]);
        if (!DateInDoubt(first)) continue;
        ++read;
        std::string again, twice;
        // Out of the page's time, or stopped: the page keeps its reading.
        try {
            again = ReadLineAgain(layout.image, line.box, scale * kSmaller, recipe, deadline);
            twice = ReadLineAgain(layout.image, line.box, scale * kLarger, recipe, deadline);
        } catch (const std::exception&) {
            break;
        }
        if (!DateReadAgain(first, Seen(again), Seen(twice))) continue;
        texts[l] = again;
        changed = true;
    }
    if (!changed) return {};
    std::string text;
    for (const std::string& t : texts) text += t;
    return text;
}

}  // namespace xdw
