// The invisible, selectable text layer laid over a recognised page.
#pragma once

#include <string>
#include <vector>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include "layout/PixelTypes.h"
#include "ocr/OcrTypes.h"
#include "pdf/LayerMark.h"

namespace xdw {

// True for characters written without blanks between them (Japanese kana,
// CJK ideographs, full-width forms and CJK punctuation).
bool IsCjk(char32_t c);

// The content stream of the layer: text in render mode 3 drawn with the font
// resource kTextLayerFont, whose character codes are indexes into glyphs.
// Lines are written in the order given; a horizontal line runs left to right
// along its box's bottom, a vertical one down its column with the glyphs
// turned a quarter clockwise, which is how text extractors recognise a
// column (and read columns right to left). The lines of a block share one
// text size, large enough for their spacing, so that a text extractor takes
// them for one block and reads them in order instead of pairing them with
// lines of a neighbouring column.
struct LayerContent {
    std::string content;
    std::vector<std::u32string> glyphs;  // code i+1 stands for glyphs[i]
};
LayerContent BuildLayerContent(const std::vector<OcrLine>& lines, const PageGeometry& geometry);

// Name of the layer's font in the page's resources.
inline constexpr const char* kTextLayerFont = "/QbxOcrFont";

// Removes a layer this engine added earlier; true when there was one.
bool RemoveTextLayer(QPDF& pdf, QPDFObjectHandle page);

// Replaces the page's layer with one for lines (none: the page is left
// without a layer). fontFile is the glyphless TrueType font to embed.
void PutTextLayer(QPDF& pdf, QPDFObjectHandle page, const std::vector<OcrLine>& lines,
                  const PageGeometry& geometry, const std::string& fontFile);

}  // namespace xdw
