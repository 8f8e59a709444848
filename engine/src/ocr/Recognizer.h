// Recognition of a rendered page with Tesseract.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <tesseract/publictypes.h>

#include "layout/PageLayout.h"
#include "layout/PixelTypes.h"
#include "ocr/OcrTypes.h"

namespace xdw {

// The time one page may take before its recognition is abandoned.
constexpr int kDefaultOcrTimeLimitMs = 180000;

// What reads a page: the language set for horizontal text, the one for text
// written top to bottom ("" : none, such blocks are read as they are), the
// language data folder and the time the whole page may take.
struct OcrRecipe {
    std::string languages;
    std::string verticalLanguages;
    std::string tessdata;
    int timeLimitMs = kDefaultOcrTimeLimitMs;
};

// How each kind of region is read: a block of lines as one uniform block
// (the recogniser's own layout would cut justified Japanese lines at their
// even gaps), a single line as a line, columns by the vertical model.
tesseract::PageSegMode ModeFor(const Region& region);

// The scale a region whose text is textSize pixels high is best read at:
// text far smaller or larger than the recogniser reads well is brought to
// its size, though never finer than most (see FinestScale).
double ReadScale(int textSize, double most);
// The largest scale worth reading the page at: below 1 for a page drawn from
// a picture coarser than its rendering.
double FinestScale(const RenderedPage& page);

// The lines, words and characters Tesseract finds on the page, with their
// boxes in the pixels of the page straightened (each line's skewDegrees says
// by how much), in reading order. The page's layout is found first (columns,
// paragraphs, lines standing apart, table cells, vertical columns) and each
// region is read the way that fits it; vertical columns by the vertical
// languages, and only when there are any. Throws
// EngineError(XDW_E_NOT_INSTALLED) when the language data is missing,
// XDW_E_FAIL when the time limit ran out or the recognition was cancelled
// (cancel returning true).
std::vector<OcrLine> RecognizePage(const RenderedPage& page, const OcrRecipe& recipe,
                                   bool (*cancel)(void*) = nullptr, void* cancelData = nullptr);

// The page's reading as RecognizePage gives it, when the page stands upright
// as it is. Its first lines, read as they stand, show that when they read
// clearly; when they do not, when they run top to bottom (a page on its side
// looks so) or when the page holds too little text to tell, standsUpright is
// asked once, and the reading goes on only if it says so: otherwise it stops
// there and gives nothing. standsUpright is given what the reading found out
// (see UprightClues). Throws as RecognizePage.
struct UprightClues {
    // The layout of the page's prepared copy, when it was found with vertical
    // writing looked for (recipe has vertical languages); null otherwise.
    const PageLayout* layout = nullptr;
    // The first lines read fairly as they stand, though not clearly (a mean
    // confidence of 50 to 75 over 20 characters or more: a coarse fax).
    bool readsFairly = false;
};
using UprightQuestion = std::function<bool(const UprightClues& clues)>;
std::optional<std::vector<OcrLine>> RecognizeIfUpright(const RenderedPage& page,
                                                       const OcrRecipe& recipe,
                                                       const UprightQuestion& standsUpright,
                                                       bool (*cancel)(void*) = nullptr,
                                                       void* cancelData = nullptr);

}  // namespace xdw
