// Confusions the recogniser makes in Japanese text that its context settles
// beyond doubt: a yen sign read as a backslash, a bullet read as an at sign,
// a comma of the other width inside an amount, a kanji read inside a katakana
// word, 二 read as ニ in a number or as 三 in a date that cannot be. Nothing is
// changed where the context leaves room for the character as it was read.
#pragma once

#include <vector>

#include "ocr/OcrTypes.h"

namespace xdw {

// Fixes the lines of one page in place, character by character (the boxes
// stay). A page without any Japanese character is left as it is.
void FixJapaneseConfusions(std::vector<OcrLine>& lines);

}  // namespace xdw
