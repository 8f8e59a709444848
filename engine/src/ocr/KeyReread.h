// A bill's date read again. On a fax or a poor scan a bill's date line often
// reads with unsure digits (2026年4月\uFFFD\uFFFD) where the page's reading
// leaves no date certain. Such a line is read twice more, each time at
// another scale, and taken for the bill's keys only where both readings give
// the same sure date and it bears out the digits first read surely; the text
// layer keeps the page's reading. Only a page that names a bill and has no
// certain date costs anything.
#pragma once

#include <string>
#include <vector>

#include "ocr/OcrTypes.h"
#include "ocr/PageReading.h"
#include "ocr/Recognizer.h"

namespace xdw {

// The text a bill's keys are looked for in (as ReadText gives it), with its
// doubtful date lines read again where the readings agree; "" when nothing
// was read again or nothing changed. Throws nothing: out of the page's time,
// the page keeps its reading.
std::string KeyTextReadAgain(const std::vector<OcrLine>& lines, PageReading& reading,
                             const OcrRecipe& recipe);

}  // namespace xdw
