// Japanese pages as they come from users: set vertically, vertical and
// horizontal blocks together, born digital, or scanned with one line of real
// text stamped on. Pages are drawn at test time; the text layer is read back
// with poppler and compared with the drawn text.
#include <gtest/gtest.h>

#include <string>

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
