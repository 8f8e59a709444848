// What reads a page, and the last of its reading's steps.
#pragma once

#include <string>
#include <vector>

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

// A page's reading ends with its lines put together from its regions'
// readings: in the layout's reading order, the lines of one column one block
// of the layer, a table row's one-line cells one line; a page whose regions
// hold little text is read whole by the recogniser's own layout as well, and
// the better reading kept; the boxes carried back onto the page. The steps
// before it (see ReadPage) and it throw EngineError(XDW_E_NOT_INSTALLED)
// when the language data is missing, XDW_E_FAIL when the time limit ran out
// or the recognition was cancelled.
struct PageReading;
std::vector<OcrLine> PageLines(PageReading& reading, const OcrRecipe& recipe);

// What a page's reading found out for the question of its way up (see
// UprightTurn).
struct UprightClues {
    // The layout of the page's prepared copy, when it was found with vertical
    // writing looked for (recipe has vertical languages); null otherwise.
    const PageLayout* layout = nullptr;
    // The first lines read fairly as they stand, though not clearly (a mean
    // confidence of 50 to 75 over 20 characters or more: a coarse fax).
    bool readsFairly = false;
    // The page's prepared copy, when it was made already; null otherwise.
    const RenderedPage* prepared = nullptr;
};

}  // namespace xdw
