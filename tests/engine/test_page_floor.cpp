// The recogniser's own reading as the floor under the layer: a region whose
// lines the layout's reading lacks is filled from the page read whole. A
// page drawn at test time, read by Tesseract.
#include <gtest/gtest.h>

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

TEST(PageFloor, RegionTheLayoutMissesIsFilledFromTheFloor) {
    TempDir dir;
    const std::string path = dir.File("page.pdf");
    MakeScannedPdf(
        path, {{.lines = {"会議の資料を配布します", "納品書は来週届きます", "ご確認をお願いします"},
                .widthPx = 1600,
                .heightPx = 1000}});
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
    // A reading of the page with all but its first line missing.
    std::vector<OcrLine> lines = readWhole(layout.image);
    ASSERT_GE(lines.size(), 2u) << Text(lines);
    lines.resize(1);
    ASSERT_EQ(WithoutBlanks(Text(lines)).find("来週"), std::string::npos);
    ASSERT_TRUE(FloorWanted(account.UnreadShare(lines), lines));
    RaiseToFloor(layout, account, lines, readWhole);
    const std::string text = WithoutBlanks(Text(lines));
    EXPECT_NE(text.find("会議の資料"), std::string::npos) << text;
    EXPECT_NE(text.find("来週届きます"), std::string::npos) << text;
    EXPECT_NE(text.find("ご確認を"), std::string::npos) << text;
    EXPECT_LT(text.find("会議"), text.find("来週")) << text;
}

}  // namespace
