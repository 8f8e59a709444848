// The words a page's layer holds already, so that ink read again (a patch no
// word covered, a region read by the recogniser's own layout) adds no word
// twice: the recogniser's boxes of a word may fall short of its ink, which
// then reads again as a word of its own beside it.
#pragma once

#include <vector>

#include "ocr/OcrTypes.h"

namespace xdw {

class HeldWords {
public:
    void Add(const std::vector<OcrLine>& lines);

    // Whether word, read again, is one held already: it lies on a held
    // word (either's middle within the other's box), or it lies along a held
    // line whose words meeting it or next to it on either side read its text.
    bool Holds(const OcrWord& word) const;

private:
    std::vector<OcrLine> lines_;
};

}  // namespace xdw
