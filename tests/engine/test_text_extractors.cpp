// The text layer as the viewers people use read it: one page of English and
// one of Japanese, laid out from character boxes as recognition gives them,
// must come out of every extractor with one blank between Latin words and
// none inside Japanese text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "TestFiles.h"
#include "common/Utf8.h"
#include "ocr/TesseractPool.h"
#include "ocr/TextLayer.h"
#include "ocr_support.h"

using namespace xdw;
using namespace xdwtest;

namespace {

// Each writes the text of the file given for {in} to standard output.
struct Extractor {
    const char* name;
    std::vector<std::string> args;
};

const Extractor kExtractors[] = {
    {"poppler", {"pdftotext", "-enc", "UTF-8", "{in}", "-"}},
    {"mupdf", {"mutool", "draw", "-q", "-F", "txt", "{in}"}},
    {"pdfminer", {"pdf2txt", "{in}"}},
    {"ghostscript",
     {"gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=txtwrite", "-sOutputFile=-",
      "{in}"}},
    {"pdfjs", {"node", QUILBEX_PDFJS_SCRIPT, QUILBEX_PDFJS_DIR, "{in}"}},
};

struct PageText {
    const char* name;
    std::vector<std::string> lines;  // UTF-8
    // Lines from a scan a little askew: each line's box spans three lines
    // while its words' boxes keep to their own.
    bool askew = false;
};

const PageText kPages[] = {
    {"English",
     {"Notes on the quarterly report", "Sales rose in all regions this year.",
      "Minimum width, wide margins: illicit."},
     true},
    {"Japanese", {"日本語の文書を読み取ります。", "東京都千代田区の会議室で打ち合わせ"}},
    // Cells of a table without rules, at tab stops: read row by row.
    // Recognition cuts "3,000" after its comma (|): it still reads whole.
    {"Table", {"Item\tQty\tAmount", "Paper\t10\t5,000", "Envelopes\t200\t3,|000"}},
};

// Character boxes as a 10 pt scan at 300 dpi gives them: letters of their
// own widths a little apart, words further apart, Japanese characters square.
constexpr int kHeight = 42;  // pixels, 10 pt
constexpr int kPitch = 70;   // from one line to the next

OcrLine LineOf(const std::string& utf8, int top, bool askew) {
    OcrLine line;
    OcrWord word;
    int x = 200;
    auto close = [&] {
        if (word.symbols.empty()) return;
        word.box = {word.symbols.front().box.left, top, word.symbols.back().box.right,
                    top + kHeight};
        line.words.push_back(word);
        word = OcrWord();
    };
    for (char32_t c : quilbex::DecodeUtf8(utf8)) {
        if (c == U' ' || c == U'\t' || c == U'|') {
            close();
            x = c == U'|'   ? x + 6
                : c == U' ' ? x + 14
                            : 800 + (x - 200) / 600 * 600;  // tabs every 600
            continue;
        }
        const bool cjk = IsCjk(c);
        const int w = cjk ? kHeight
                      : std::u32string_view(U"il.,:'I").find(c) != std::u32string_view::npos ? 9
                      : std::u32string_view(U"mwMW").find(c) != std::u32string_view::npos    ? 32
                                                                                             : 20;
        word.symbols.push_back({std::u32string(1, c), {x, top, x + w, top + kHeight}});
        x += w + (cjk ? 4 : 3);
        if (cjk && word.symbols.size() == 3) close();  // recognition splits Japanese anywhere
    }
    close();
    line.box = {line.words.front().box.left, top - (askew ? 2 * kHeight : 0),
                line.words.back().box.right, top + kHeight};
    return line;
}

std::string WriteLayerPage(const TempDir& dir, const PageText& page) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle object = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 595.2 841.92] /Resources << >> >>"));
    object.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, "0 g\n"));
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(object), false);
    const PageGeometry g{0, 0, 595.2, 841.92, 0, 0.24, 2480, 3508};  // A4 at 300 dpi
    std::vector<OcrLine> lines;
    for (const auto& text : page.lines)
        lines.push_back(LineOf(text, 300 + kPitch * int(lines.size()), page.askew));
    const std::string font = ReadBytes(std::string(kDefaultTessdata) + "/pdf.ttf");
    PutTextLayer(pdf, object, lines, g, font);
    const std::string path = dir.File(std::string(page.name) + ".pdf");
    QPDFWriter(pdf, path.c_str()).write();
    return path;
}

TEST(TextExtractors, EveryViewerReadsTheLayerAlike) {
    TempDir dir;
    for (const PageText& page : kPages) {
        const std::string pdf = WriteLayerPage(dir, page);
        for (const Extractor& extractor : kExtractors) {
            std::vector<std::string> args = extractor.args;
            std::replace(args.begin(), args.end(), std::string("{in}"), pdf);
            // Every run of blanks and line breaks as one blank.
            std::string text = ToolOutput(args);
            std::replace_if(
                text.begin(), text.end(), [](char c) { return std::isspace(c); }, ' ');
            text = SingleBlanks(text);
            for (std::string line : page.lines) {
                std::replace(line.begin(), line.end(), '\t', ' ');
                std::erase(line, '|');
                EXPECT_NE(text.find(line), std::string::npos)
                    << extractor.name << " on the " << page.name << " page reads: " << text;
            }
        }
        // Each word's box is as tall as its line of text and stays off the
        // neighbouring lines, however the line's box slanted.
        const std::string boxes = ToolOutput({"pdftotext", "-bbox", pdf, "-"});
        const size_t word = boxes.find("<word ");
        ASSERT_NE(word, std::string::npos);
        double yMin = 0, yMax = 0;
        std::sscanf(boxes.c_str() + boxes.find("yMin=", word), "yMin=\"%lf\"", &yMin);
        std::sscanf(boxes.c_str() + boxes.find("yMax=", word), "yMax=\"%lf\"", &yMax);
        EXPECT_GE(yMax - yMin, kHeight * 0.24) << page.name;
        EXPECT_LE(yMax - yMin, kPitch * 0.24) << page.name << ": the box reaches other lines";
    }
}

}  // namespace
