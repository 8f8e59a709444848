// Figures read again by the English model. The Japanese model, on figures set
// in a Japanese font, reads a 0 as 9 or 6 now and then (14:99 for 14:00, 2926
// for 2026, ¥159 for ¥150) at any scale; the English one reads them right.
// Each run of figures on a horizontal line (digits, with , . : / - between
// them) is read again on its own by the English model, and its reading taken
// only when it has the same shape (as many digits in each group, separators
// in the same places, no digit read otherwise but a looped one for another:
// 0 3 5 6 8 9) and is read as surely as the Japanese word, or surely enough
// (FiguresSure: the Japanese word's confidence is its kana's and kanji's too).
// A page whose sheet was unwarped from a photograph is left as it is.
#pragma once

#include <vector>

#include "ocr/OcrTypes.h"
#include "ocr/PageReading.h"
#include "ocr/Recognizer.h"

namespace xdw {

// Mends the figures of lines, read from reading's page by recipe, in place
// (the boxes stay). Nothing is read again unless recipe reads Japanese and the
// English language data is installed. Throws as PageLines.
void RereadFigures(std::vector<OcrLine>& lines, PageReading& reading, const OcrRecipe& recipe);

// By word of line, whether RereadFigures will settle the word's doubt: a
// word read under `under`, of figures alone (after a yen sign), whose every
// run of figures reads in English as RereadFigures takes it. All false when
// RereadFigures reads nothing again. Throws as PageLines.
std::vector<char> FiguresSettled(const OcrLine& line, float under, PageReading& reading,
                                 const OcrRecipe& recipe);

}  // namespace xdw
