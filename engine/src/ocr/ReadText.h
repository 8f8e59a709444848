// A recognised page as plain text, for what is looked for in its words.
#pragma once

#include <string>
#include <vector>

#include "ocr/OcrTypes.h"

namespace xdw {

// The lines in their order, '\n' after each; words far apart (a table's
// cells, a label and its value) are set apart by a tab, words a blank apart
// by a blank, Japanese text without blanks (UTF-8).
std::string ReadText(const std::vector<OcrLine>& lines);

}  // namespace xdw
