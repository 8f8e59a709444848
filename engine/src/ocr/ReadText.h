// A recognised page as plain text, for what is looked for in its words.
#pragma once

#include <string>
#include <vector>

#include "ocr/OcrTypes.h"

namespace xdw {

// Words the recogniser is less sure of than this (0 to 100) are not taken
// at their word: each of their characters becomes U+FFFD.
constexpr float kSureWordConfidence = 45;

// The lines in their order, '\n' after each; words far apart (a table's
// cells, a label and its value) are set apart by a tab, words a blank apart
// by a blank, Japanese text without blanks (UTF-8).
std::string ReadText(const std::vector<OcrLine>& lines);

}  // namespace xdw
