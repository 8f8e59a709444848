// The recogniser's own reading as the floor under the layer: a region whose
// lines the layout's reading lacks is filled from the page read whole. A
// page drawn at test time, read by Tesseract.
#include <gtest/gtest.h>

#include <algorithm>

#include <qpdf/QPDF.hh>

#include "TestFiles.h"
#include "WorkLimit.h"
#include "common/Utf8.h"
#include "ocr/PageFloor.h"
#include "ocr/RegionReading.h"
#include "ocr/ScanReader.h"
#include "ocr/TesseractPool.h"
#include "ocr_support.h"

using namespace xdw;
using namespace xdwtest;

namespace {

std::string Text(const std::vector<OcrLine>& lines) {
    std::u32string text;
    for (const OcrLine& line : lines)
        for (const OcrWord& w : line.words)
            for (const OcrSymbol& s : w.symbols) text += s.text;
    return quilbex::EncodeUtf8(text);
}

// A page's lines, and the one the layout's reading lacks from there on
// (cut short: the rest of the page missing), or only that one (a band of the
// page read for it); with a blank after the first line's words, as between
// the cells of a row joined into one line, which stays.
struct MissedCase {
    std::vector<std::string> lines;
    size_t missing;
    bool onlyThatOne;
    bool cellBlank = false;
};

class PageFloor : public testing::TestWithParam<MissedCase> {};

TEST_P(PageFloor, RegionTheLayoutMissesIsFilledFromTheFloor) {
    const MissedCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.File("page.pdf");
    MakeScannedPdf(path, {{.lines = c.lines,
                           .widthPx = 1600,
                           .heightPx = 250 + 250 * static_cast<int>(c.lines.size())}});
    QPDF pdf;
    pdf.processFile(path.c_str());
    const RenderedPage page = *ReadScannedPage(pdf, 1, 300);
    const OcrRecipe recipe{"jpn", "", kDefaultTessdata};
    const PageLayout layout = FindLayout(page, false);
    const InkAccount account(layout);
    const WorkLimit work(kDefaultOcrTimeLimitMs);
    const WorkLimitScope scope(work);
    Deadline deadline{&work};
    auto readWhole = [&](const RenderedPage& image) {
        return ReadWhole(image, layout.textSize, 1, recipe, deadline);
    };
    std::vector<OcrLine> lines = readWhole(layout.image);
    const std::string missing = c.lines[c.missing].substr(6, 12);  // four characters within
    const auto at = std::find_if(lines.begin(), lines.end(), [&](const OcrLine& l) {
        return WithoutBlanks(Text({l})).find(missing) != std::string::npos;
    });
    ASSERT_NE(at, lines.end()) << Text(lines);
    if (c.onlyThatOne)
        lines.erase(at);
    else
        lines.erase(at, lines.end());
    ASSERT_EQ(WithoutBlanks(Text(lines)).find(missing), std::string::npos);
    ASSERT_TRUE(FloorWanted(account.UnreadShare(lines), lines));
    const PixelBox& b = lines.front().box;
    const PixelBox gap{b.right, b.top, b.right + (b.bottom - b.top) / 2, b.bottom};
    if (c.cellBlank) lines.front().words.push_back(OcrWord{{OcrSymbol{U" ", gap}}, gap, 0});
    RaiseToFloor(layout, account, lines, readWhole);
    EXPECT_EQ(Text(lines).find(' ') != std::string::npos, c.cellBlank) << Text(lines);
    const std::string text = WithoutBlanks(Text(lines));
    size_t after = 0;
    for (const std::string& line : c.lines) {
        const size_t found = text.find(line.substr(6, 12));
        EXPECT_NE(found, std::string::npos) << line << " in " << text;
        EXPECT_GE(found, after) << line << " out of order in " << text;
        after = found == std::string::npos ? after : found;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Missed, PageFloor,
    testing::Values(
        MissedCase{{"会議の資料を配布します", "納品書は来週届きます", "ご確認をお願いします"},
                   1,
                   false,
                   true},
        MissedCase{{"会議の資料を配布します", "納品書は来週届きます", "ご確認をお願いします",
                    "見積書を添付しました", "日程を調整いたします", "請求書を送付します",
                    "担当者に連絡します", "会場は三階です"},
                   4,
                   true}));

// The page is not read whole where that could change no line: a doubtful
// line that is a row of cells (the recogniser's own layout reads it cell by
// cell), or doubtful only in figures the English model settles.
struct DoubtCase {
    int gapPx;
    bool settled;
    bool read;
};

class FloorDoubt : public testing::TestWithParam<DoubtCase> {};

TEST_P(FloorDoubt, ReadOnlyWhereItCouldChangeALine) {
    const DoubtCase& c = GetParam();
    RenderedPage page;
    page.dpi = 300;
    page.geometry.width = 1600;
    page.geometry.height = 400;
    page.bytesPerLine = 1600;
    page.pixels.assign(1600 * 400, 0xff);
    const PageLayout layout = FindLayout(page, false);
    const InkAccount account(layout);
    auto word = [](int left, const std::u32string& text, float sure) {
        const PixelBox b{left, 100, left + 40 * static_cast<int>(text.size()), 140};
        return OcrWord{{OcrSymbol{text, b}}, b, sure};
    };
    std::vector<OcrLine> lines(1);
    lines[0].words = {word(100, U"品番", 95), word(200 + c.gapPx, U"999", 45)};
    lines[0].box = Union(lines[0].words[0].box, lines[0].words[1].box);
    int read = 0;
    RaiseToFloor(
        layout, account, lines,
        [&](const RenderedPage&) {
            ++read;
            return std::vector<OcrLine>{};
        },
        [&](const OcrLine& line) {
            std::vector<char> settled(line.words.size());
            settled.back() = c.settled;
            return settled;
        });
    EXPECT_EQ(read > 0, c.read);
}

INSTANTIATE_TEST_SUITE_P(Rows, FloorDoubt,
                         testing::Values(DoubtCase{0, false, true}, DoubtCase{200, false, false},
                                         DoubtCase{0, true, false}));

}  // namespace
