// Japanese pages as they come from users: set vertically, vertical and
// horizontal blocks together, born digital, or scanned with one line of real
// text stamped on. Pages are drawn at test time; the text layer is read back
// with poppler and compared with the drawn text.
#include <gtest/gtest.h>

#include <string>

#include "RawFiles.h"
#include "TestFiles.h"
#include "ocr_support.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

const std::vector<std::string> kColumns = {"吾輩は猫である。名前はまだ無い。",
                                           "どこで生れたかとんと見当がつかぬ。",
                                           "何でも薄暗いじめじめした所で泣いていた。"};
const std::vector<std::string> kLines = {"本日は会議の議事録をお送りします。",
                                         "出席者は営業部と開発部の十二名でした。"};

// Well below what the vertical page gives when read as horizontal text (over
// 90%), with room for a misread character or two.
constexpr double kMaxCer = 0.1;

std::string Joined(const std::vector<std::string>& parts) {
    std::string out;
    for (const auto& p : parts) out += p;
    return out;
}

const ScanSpec kVertical{
    .lines = {}, .widthPx = 1300, .heightPx = 1800, .font = kIpaMincho, .columns = kColumns};

struct VerticalCase {
    const char* name;
    int language;
    bool rotateFirst;
};

class VerticalPage : public ::testing::TestWithParam<VerticalCase> {};

// Read down each column, columns from right to left; auto-rotation must not
// take the columns for sideways lines.
TEST_P(VerticalPage, ColumnsAreReadInOrder) {
    TempDir dir;
    const std::string path = dir.File("vertical.xdw");
    MakeScannedPdf(path, {kVertical});
    ASSERT_EQ(OcrPages(path, GetParam().language, GetParam().rotateFirst), 0);
    EXPECT_EQ(PageRotate(path, 1), 0);
    const std::string text = PdfReadingText(path, 1);
    EXPECT_LT(Cer(Joined(kColumns), text), kMaxCer) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Languages, VerticalPage,
    ::testing::Values(VerticalCase{"Japanese", XDW_OCR_LANGUAGE_JAPANESE, false},
                      VerticalCase{"AutomaticAfterUpRighting", XDW_OCR_LANGUAGE_AUTO, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JapanesePage, VerticalAndHorizontalBlocksAreEachReadTheirWay) {
    TempDir dir;
    const std::string path = dir.File("both.xdw");
    ScanSpec both = kVertical;
    both.widthPx = 1800;
    both.heightPx = 2500;
    both.lines = kLines;
    both.linesTop = 1900;  // below the columns
    MakeScannedPdf(path, {both});
    ASSERT_EQ(OcrPages(path, XDW_OCR_LANGUAGE_JAPANESE), 0);
    const std::string columns = PdfTextBand(path, 1, 0, 0.7);
    const std::string lines = PdfTextBand(path, 1, 0.7, 1);
    EXPECT_LT(Cer(Joined(kColumns), columns), kMaxCer) << columns;
    EXPECT_LT(Cer(Joined(kLines), lines), kMaxCer) << lines;
    // The whole page in reading order: the column block, then the lines.
    const std::string text = PdfReadingText(path, 1);
    EXPECT_LT(Cer(Joined(kColumns) + Joined(kLines), text), kMaxCer) << text;
}

TEST(JapanesePage, BornDigitalPageGetsNoSecondCopyOfItsText) {
    TempDir dir;
    const std::string path = dir.File("digital.xdw");
    MakeTextPdf(path, {"Quarterly report for the board\nSales grew in every region"});
    ASSERT_EQ(OcrPages(path, XDW_OCR_LANGUAGE_AUTO), 0);
    const std::string text = PdfPageTexts(path).at(0);
    EXPECT_EQ(Count(text, "Quarterly"), 1) << text;
    EXPECT_EQ(Count(text, "region"), 1) << text;
}

// A fillable form: labels in the page's content, each value in a field whose
// appearance frames it in a box. The fields' text is the page's own too.
TEST(JapanesePage, FormGetsNoSecondCopyOfItsFieldsText) {
    const std::vector<std::string> labels = {"Name", "Address", "Telephone", "Company"};
    const std::vector<std::string> values = {"Taro Yamada", "1-2-3 Chiyoda", "03-1234-5678",
                                             "Example Trading"};
    std::vector<std::string> objects = {"", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", "",
                                        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
    std::string content, widgets;
    for (size_t i = 0; i < labels.size(); ++i) {
        const std::string y = std::to_string(760 - 60 * i);
        content += "BT /F1 12 Tf 60 " + y + " Td (" + labels[i] + ":) Tj ET\n";
        objects.push_back(PdfStream(
            "/Subtype /Form /BBox [0 0 300 24] /Resources << /Font << /F1 4 0 R >> >>",
            "0 0 0 RG 1 w 0.5 0.5 299 23 re S BT /F1 12 Tf 4 7 Td (" + values[i] + ") Tj ET"));
        objects.push_back("<< /Type /Annot /Subtype /Widget /FT /Tx /T (f" + std::to_string(i) +
                          ") /Rect [200 " + y + " 500 " + std::to_string(784 - 60 * i) +
                          "] /F 4 /AP << /N " + std::to_string(objects.size()) + " 0 R >> >>");
        widgets += std::to_string(objects.size()) + " 0 R ";
    }
    objects[0] = "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [" + widgets + "] >> >>";
    objects[2] =
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << "
        "/F1 4 0 R >> >> /Contents " +
        std::to_string(objects.size() + 1) + " 0 R /Annots [" + widgets + "] >>";
    objects.push_back(PdfStream("", content));
    TempDir dir;
    const std::string path = dir.File("form.xdw");
    WriteBytes(path, RawPdf(objects));
    ASSERT_EQ(OcrPages(path, XDW_OCR_LANGUAGE_AUTO), 0);
    const std::string text = PdfPageTexts(path).at(0);
    EXPECT_EQ(Count(text, "Yamada"), 1) << text;
    EXPECT_EQ(Count(text, "Telephone"), 1) << text;
}

// One line of real text does not make a scan born digital: the scan is read,
// and the stamped line is not read a second time.
TEST(JapanesePage, ScanWithAStampedLineIsStillRead) {
    TempDir dir;
    const std::string path = dir.File("stamped.xdw");
    MakeScannedPdf(path, {{.lines = kLines, .font = kIpaMincho, .stamp = "RECEIVED 2026-12-08"}});
    ASSERT_EQ(OcrPages(path, XDW_OCR_LANGUAGE_AUTO), 0);
    const std::string scanned = PdfTextBand(path, 1, 0, 0.8);
    EXPECT_LT(Cer(Joined(kLines), scanned), kMaxCer) << scanned;
    EXPECT_EQ(Count(PdfPageTexts(path).at(0), "RECEIVED"), 1) << PdfPageTexts(path).at(0);
}

}  // namespace
