// Scanned-looking pages for the recognition tests: text drawn into a grey
// image with a real font at test time, wrapped as an image page of a PDF.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "xdwapi/xdwapi.h"

namespace xdwtest {

inline constexpr const char* kIpaGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
inline constexpr const char* kIpaMincho = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf";

struct ScanSpec {
    std::vector<std::string> lines;  // UTF-8; none: a blank page
    int widthPx = 1500;              // at 300 dpi, before turning
    int heightPx = 1100;
    int pointSize = 16;
    int turnContent = 0;     // the image is turned clockwise by this (0, 90, 180, 270)
    int pageRotate = 0;      // the page's /Rotate
    bool offsetBox = false;  // MediaBox not starting at 0 0, with a smaller CropBox
    const char* font = kIpaGothic;
    int linesTop = 150;  // where the first line's baseline is, in pixels
    // Written top to bottom, one character under the other, the first column
    // at the right edge and the next ones to its left (UTF-8).
    std::vector<std::string> columns{};
    // Real text over the image (ASCII, Helvetica, 12 pt), along the page's
    // bottom edge, as a stamp or a page number would be.
    std::string stamp{};
    // Text drawn with its baseline starting at x, y (UTF-8), one character
    // every pitch pixels when pitch is set (a justified line).
    struct Placed {
        int x = 0, y = 0;
        std::string text;
        int pitch = 0;
        int pointSize = 0;  // the page's when 0
    };
    std::vector<Placed> placed{};
    // Filled black rectangles, left top right bottom: the rules of a table.
    std::vector<std::vector<int>> rules{};
    // ImageMagick options applied to the drawn page, as a device would
    // degrade it (a photo's desk and perspective, a seal, a shadow).
    std::vector<std::string> capture{};
    bool colour = false;  // kept in RGB rather than made grey
    // The captured image's resolution, which sizes the page, and whether it
    // is stored one bit a pixel (black below half grey), as a fax is.
    int dpiX = 300, dpiY = 300;
    bool bilevel = false;
};

// Writes a PDF at path with one page for each ScanSpec.
void MakeScannedPdf(const std::string& path, const std::vector<ScanSpec>& pages);

// The page's /Rotate as stored, or 0.
int PageRotate(const std::string& path, int page);

// The first image drawn on a page, decoded.
struct PageImage {
    int width = 0, height = 0;
    std::string pixels;
};
PageImage FirstPageImage(const std::string& path, int page = 1);

// Text poppler extracts from the part of a page, as displayed, between the
// fractions top and bottom of its height (0 to 1: the whole page).
std::string PdfTextBand(const std::string& path, int page, double top = 0, double bottom = 1);
inline std::string PdfTextInTopHalf(const std::string& path, int page) {
    return PdfTextBand(path, page, 0, 0.5);
}

// A page's text in the extractor's reading order (what pdftotext gives by
// default), rather than laid out as the page shows it.
// asWritten: as the page draws it, with every copy of a word laid over it.
std::string PdfReadingText(const std::string& path, int page, bool asWritten = false);

// The boxes of the words poppler finds on a page, as fractions of the page
// as displayed: left, top, right, bottom.
std::vector<std::array<double, 4>> PdfWordBoxes(const std::string& path, int page);

// Text of a page with every blank and line break removed.
std::string WithoutBlanks(const std::string& text);

// Text with each run of blanks made one blank: the extractor's physical
// layout renders wide gaps between words as several.
std::string SingleBlanks(const std::string& text);

// Character error rate of text against expected, blanks and line breaks
// left out: edit distance over characters divided by expected's length.
double Cer(const std::string& expected, const std::string& text);

// The option record the program passes for every page, in the given language.
inline XDW_OCR_OPTION OcrOption(int language) {
    XDW_OCR_OPTION o{};
    o.size = sizeof(o);
    o.text_layer = 1;
    o.language = language;
    o.replace_layer = 1;
    o.keep_image = 1;
    return o;
}

// Opens path, turns each page upright when asked, reads every page in order
// through the C calls, saves and closes; returns the first failure. Inline:
// the tests of the internals do not link the C calls.
inline int OcrPages(const std::string& path, int language, bool rotateFirst = false) {
    XDW_OPEN_MODE mode{sizeof(XDW_OPEN_MODE), 1, 1};
    XDW_DOCUMENT_HANDLE doc = nullptr;
    int rc = XDW_OpenDocumentHandle(path.c_str(), &doc, &mode);
    if (rc < 0) return rc;
    XDW_DOCUMENT_INFO info{};
    info.size = sizeof(info);
    XDW_GetDocumentInformation(doc, &info);
    const XDW_OCR_OPTION option = OcrOption(language);
    for (int p = 1; p <= info.pages && rc == 0; ++p) {
        if (rotateFirst) rc = XDW_RotatePageAuto(doc, p, nullptr);
        if (rc == 0) rc = XDW_ApplyOcr(doc, p, 1, &option, nullptr);
    }
    const int saved = XDW_SaveDocument(doc, nullptr);
    XDW_CloseDocumentHandle(doc, nullptr);
    return rc != 0 ? rc : saved;
}

// How often needle occurs in haystack.
int Count(const std::string& haystack, const std::string& needle);

}  // namespace xdwtest
