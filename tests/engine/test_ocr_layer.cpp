// The text layer on its own, without recognition: words placed from pixel
// boxes come back out of a PDF text extractor where and as they should.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include "TestFiles.h"
#include "ocr/TesseractPool.h"
#include "ocr/TextLayer.h"
#include "ocr_support.h"
#include "pdf/Renderer.h"

using namespace xdw;
using namespace xdwtest;

namespace {

std::string FontFile() {
    std::ifstream in(std::string(kDefaultTessdata) + "/pdf.ttf", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A word whose characters are laid side by side from x, each w wide.
OcrWord Word(const std::u32string& text, int x, int top, int bottom, int w, int gap = 0) {
    OcrWord word;
    for (char32_t c : text) {
        word.symbols.push_back({std::u32string(1, c), {x, top, x + w, bottom}});
        x += w + gap;
    }
    word.box = {word.symbols.front().box.left, top, word.symbols.back().box.right, bottom};
    return word;
}

OcrLine Line(std::vector<OcrWord> words) {
    OcrLine line;
    line.box = {words.front().box.left, words.front().box.top, words.back().box.right,
                words.front().box.bottom};
    line.words = std::move(words);
    return line;
}

// Geometry of a page whose rendering is 1000 x 1400 pixels at 1 point each.
PageGeometry Geometry(int rotate, double x0 = 0, double y0 = 0) {
    PageGeometry g;
    g.rotate = rotate;
    g.pointsPerPixel = 1;
    g.width = 1000;
    g.height = 1400;
    const bool sideways = rotate == 90 || rotate == 270;
    g.x0 = x0;
    g.y0 = y0;
    g.x1 = x0 + (sideways ? 1400 : 1000);
    g.y1 = y0 + (sideways ? 1000 : 1400);
    return g;
}

// A blank page of that geometry in a new file, with layers for each entry.
void WritePages(const std::string& path, const std::vector<PageGeometry>& pages,
                const std::vector<std::vector<OcrLine>>& layers, bool sharedResources = false) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle shared = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< >>"));
    for (const auto& g : pages) {
        QPDFObjectHandle page = QPDFObjectHandle::parse("<< /Type /Page >>");
        page.replaceKey(
            "/MediaBox",
            QPDFObjectHandle::parse("[" + std::to_string(g.x0) + " " + std::to_string(g.y0) + " " +
                                    std::to_string(g.x1) + " " + std::to_string(g.y1) + "]"));
        page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(g.rotate));
        page.replaceKey("/Resources", sharedResources ? shared : QPDFObjectHandle::parse("<< >>"));
        page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, "0 g\n"));
        QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)),
                                            false);
    }
    auto pageObjects = QPDFPageDocumentHelper(pdf).getAllPages();
    for (size_t i = 0; i < layers.size(); ++i)
        PutTextLayer(pdf, pageObjects[i].getObjectHandle(), layers[i], pages[i], FontFile());
    QPDFWriter writer(pdf, path.c_str());
    writer.write();
}

const std::vector<OcrLine> kMixed = {
    Line({Word(U"Hello", 100, 100, 140, 20), Word(U"world", 260, 100, 140, 20)}),
    // Japanese with gaps between the characters, and split into two words.
    Line({Word(U"日本語の", 100, 1000, 1040, 36, 8), Word(U"文書", 280, 1000, 1040, 36, 8)}),
};

TEST(TextLayer, LatinWordsGetOneBlankJapaneseNone) {
    TempDir dir;
    const std::string path = dir.File("layer.pdf");
    WritePages(path, {Geometry(0)}, {kMixed});
    const std::string text = SingleBlanks(PdfPageTexts(path).at(0));
    EXPECT_NE(text.find("Hello world"), std::string::npos) << text;
    EXPECT_NE(text.find("日本語の文書"), std::string::npos) << text;
    EXPECT_EQ(text.find("日 "), std::string::npos) << text;
}

// The layer is read, never seen: its font's glyph is a filled box, and the
// page looks the same with the layer as without it.
TEST(TextLayer, DrawsNothingOnThePage) {
    TempDir dir;
    WritePages(dir.File("with.pdf"), {Geometry(0)}, {kMixed});
    WritePages(dir.File("without.pdf"), {Geometry(0)}, {});
    EXPECT_TRUE(RenderPdfPage(dir.File("with.pdf"), 1, 36).pixels ==
                RenderPdfPage(dir.File("without.pdf"), 1, 36).pixels);
}

TEST(TextLayer, OverlappingCharacterBoxesStayOneLineOfText) {
    // Recognition often gives Japanese characters boxes that overlap their
    // neighbours, some of them far too wide.
    OcrWord word = Word(U"東京都の会議室", 100, 100, 140, 36, -20);
    word.symbols[1].box.right = 600;
    TempDir dir;
    const std::string path = dir.File("layer.pdf");
    WritePages(path, {Geometry(0)}, {{Line({word})}});
    EXPECT_NE(PdfPageTexts(path).at(0).find("東京都の会議室"), std::string::npos)
        << PdfPageTexts(path).at(0);
}

TEST(TextLayer, CharactersOutsideTheBasicPlaneSurvive) {
    TempDir dir;
    const std::string path = dir.File("layer.pdf");
    WritePages(path, {Geometry(0)}, {{Line({Word(U"𠮷野家", 100, 100, 140, 36)})}});
    EXPECT_NE(PdfPageTexts(path).at(0).find("𠮷野家"), std::string::npos);
}

// Rotation and box origin: the first line stays at the top as displayed, the
// second at the bottom.
class TextLayerPlacement : public ::testing::TestWithParam<int> {};

TEST_P(TextLayerPlacement, LinesStayWhereTheImageShowsThem) {
    TempDir dir;
    const std::string path = dir.File("layer.pdf");
    WritePages(path, {Geometry(GetParam(), 120, -40)}, {kMixed});
    const std::string top = SingleBlanks(PdfTextBand(path, 1, 0, 0.2));
    const std::string bottom = PdfTextBand(path, 1, 0.6, 1);
    EXPECT_NE(top.find("Hello world"), std::string::npos) << top;
    EXPECT_EQ(top.find("日本"), std::string::npos) << top;
    EXPECT_NE(bottom.find("日本語の文書"), std::string::npos) << bottom;
}

INSTANTIATE_TEST_SUITE_P(Rotations, TextLayerPlacement, ::testing::Values(0, 90, 180, 270));

TEST(TextLayer, PagesSharingResourcesKeepTheirOwnText) {
    TempDir dir;
    const std::string path = dir.File("layer.pdf");
    WritePages(
        path, {Geometry(0), Geometry(0)},
        {{Line({Word(U"alpha", 100, 100, 140, 20)})}, {Line({Word(U"omega", 100, 100, 140, 20)})}},
        true);
    const auto texts = PdfPageTexts(path);
    EXPECT_NE(texts.at(0).find("alpha"), std::string::npos) << texts.at(0);
    EXPECT_NE(texts.at(1).find("omega"), std::string::npos) << texts.at(1);
}

TEST(TextLayer, ReplacingKeepsThePageAndLeavesOneLayer) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle page = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 1000 1400] /Resources << >> >>"));
    const QPDFObjectHandle original = QPDFObjectHandle::newStream(&pdf, "0 g\n");
    page.replaceKey("/Contents", original);
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);

    PutTextLayer(pdf, page, kMixed, Geometry(0), FontFile());
    PutTextLayer(pdf, page, kMixed, Geometry(0), FontFile());
    auto contents = page.getKey("/Contents").getArrayAsVector();
    ASSERT_EQ(contents.size(), 3u);  // opening q, the page's own drawing, the layer
    EXPECT_TRUE(contents[1].isSameObjectAs(original));

    EXPECT_TRUE(RemoveTextLayer(pdf, page));
    contents = page.getKey("/Contents").getArrayAsVector();
    ASSERT_EQ(contents.size(), 1u);
    EXPECT_TRUE(contents[0].isSameObjectAs(original));
    EXPECT_FALSE(page.getKey("/Resources").getKey("/Font").hasKey(kTextLayerFont));
    EXPECT_FALSE(RemoveTextLayer(pdf, page));

    PutTextLayer(pdf, page, {}, Geometry(0), FontFile());  // nothing recognised
    EXPECT_EQ(page.getKey("/Contents").getArrayAsVector().size(), 1u);
}

// A column of characters from top, each w high, as vertical recognition
// gives it.
OcrLine Column(const std::u32string& text, int left, int right, int top, int h) {
    OcrLine line;
    line.vertical = true;
    OcrWord word;
    for (char32_t c : text) {
        word.symbols.push_back({std::u32string(1, c), {left, top, right, top + h}});
        top += h;
    }
    word.box = {left, word.symbols.front().box.top, right, top};
    line.box = word.box;
    line.words.push_back(word);
    return line;
}

// Columns are read top to bottom and right to left whatever the page's
// rotation; two columns of the same block stay one text each.
class TextLayerColumns : public ::testing::TestWithParam<int> {};

TEST_P(TextLayerColumns, ColumnsReadDownAndFromTheRight) {
    TempDir dir;
    const std::string path = dir.File("layer.pdf");
    std::vector<OcrLine> lines = {Column(U"吾輩は猫である", 800, 840, 100, 44),
                                  Column(U"名前はまだ無い", 720, 760, 100, 44)};
    WritePages(path, {Geometry(GetParam())}, {lines});
    const std::string text = WithoutBlanks(PdfReadingText(path, 1));
    EXPECT_EQ(text, "吾輩は猫である名前はまだ無い");
}

INSTANTIATE_TEST_SUITE_P(Rotations, TextLayerColumns, ::testing::Values(0, 90, 180, 270));

// Double-spaced lines of two columns side by side, each line a block of its
// own as recognition often gives them: the extractor must read one column
// after the other, not the lines across both.
TEST(TextLayer, SideBySideColumnsAreReadOneAfterTheOther) {
    std::vector<OcrLine> lines;
    const std::u32string words[2][4] = {
        {U"左の一行目", U"左の二行目", U"左の三行目", U"左の四行目"},
        {U"右の一行目", U"右の二行目", U"右の三行目", U"右の四行目"}};
    int block = 0;
    for (int column = 0; column < 2; ++column)
        for (int row = 0; row < 4; ++row) {
            OcrLine line = Line({Word(words[column][row], 100 + 450 * column, 200 + 120 * row,
                                      238 + 120 * row, 38)});
            line.block = block++;
            lines.push_back(line);
        }
    TempDir dir;
    const std::string path = dir.File("layer.pdf");
    WritePages(path, {Geometry(0)}, {lines});
    const std::string text = WithoutBlanks(PdfReadingText(path, 1));
    EXPECT_EQ(text,
              "左の一行目左の二行目左の三行目左の四行目右の一行目右の二行目右の三行目右の四行目");
}

// An invoice's head: the addressee, then a sender's lines at the right that
// start above the letter's first lines at the left, then a table's rows
// across the page. Extractors read blocks side by side from the left unless
// the layer tells them otherwise: the sender must still come first.
TEST(TextLayer, ASenderStartingHigherAtTheRightIsReadFirst) {
    struct Part {
        std::u32string text;
        int left, top, size, block;
        std::u32string amount = U"";  // a table's last column, at the right
    };
    const Part parts[] = {{U"株式会社こだま御中", 60, 115, 14, 0},
                          {U"有限会社緑川工業", 440, 152, 11, 1},
                          {U"埼玉県さいたま市", 440, 169, 11, 1},
                          {U"大宮区桜木町一丁目", 380, 186, 11, 1},
                          {U"下記のとおりご請求申し上げます", 60, 174, 10, 2},
                          {U"ご請求金額三十九万円", 60, 214, 13, 3},
                          {U"展示用什器製作", 63, 258, 10, 4, U"二十四万円"},
                          {U"運搬設置作業", 63, 280, 10, 4, U"六万円"}};
    std::vector<OcrLine> lines;
    std::string expected;
    for (const Part& p : parts) {
        std::vector<OcrWord> words = {Word(p.text, p.left, p.top, p.top + p.size, p.size)};
        if (!p.amount.empty()) words.push_back(Word(p.amount, 470, p.top, p.top + p.size, p.size));
        lines.push_back(Line(words));
        lines.back().block = p.block;
        for (char32_t c : p.text + p.amount) expected += QUtil::toUTF8(c);
    }
    TempDir dir;
    const std::string path = dir.File("layer.pdf");
    WritePages(path, {Geometry(0)}, {lines});
    EXPECT_EQ(WithoutBlanks(PdfReadingText(path, 1)), expected);
}

// A page 4.5 degrees askew whose line's full stop was read again on its own:
// laid apart from its line, it stands higher at the line's right end than
// the line does, and the extractor reads it after the line under it.
TEST(TextLayer, APieceReadAgainGoesOnWithItsLineOnAnAskewPage) {
    std::vector<OcrLine> lines = {Line({Word(U"重点的に確認する", 100, 300, 340, 100)}),
                                  Line({Word(U"。", 905, 300, 340, 40)}),
                                  Line({Word(U"次回開催予定です", 100, 360, 400, 100)})};
    for (OcrLine& line : lines) line.skewDegrees = 4.5;
    TempDir dir;
    const std::string path = dir.File("layer.pdf");
    WritePages(path, {Geometry(0)}, {lines});
    EXPECT_EQ(WithoutBlanks(PdfReadingText(path, 1)), "重点的に確認する。次回開催予定です");
}

TEST(RenderDpi, HugePagesAreCapped) {
    EXPECT_DOUBLE_EQ(RenderDpi(595, 842, 300), 300);
    const double dpi = RenderDpi(14400, 14400, 300);  // 200 x 200 inches
    EXPECT_LE(200 * dpi, kMaxRenderSide + 1);
    EXPECT_LE(200 * dpi * 200 * dpi, kMaxRenderPixels * 1.001);
    EXPECT_LE(RenderDpi(14400, 10, 300) * 200, kMaxRenderSide + 1);
}

}  // namespace
