// Scanned pages read straight from their image must give what rendering them
// gives: the same size, placement and pixels, whatever the page's rotation.
#include <gtest/gtest.h>

#include <cstdlib>

#include <qpdf/QPDF.hh>

#include "TestFiles.h"
#include "pdf/Renderer.h"
#include "ocr/ScanReader.h"
#include "ocr_support.h"

using namespace xdw;
using namespace xdwtest;

namespace {

class PageImageTest : public ::testing::TestWithParam<int> {};

TEST_P(PageImageTest, ImageReadDirectlyMatchesTheRendering) {
    TempDir dir;
    const std::string path = dir.File("scan.pdf");
    MakeScannedPdf(path, {{.lines = {"The quick brown fox", "日本語の文書"},
                           .widthPx = 900,
                           .heightPx = 600,
                           .pageRotate = GetParam()}});
    QPDF pdf;
    pdf.processFile(path.c_str());
    const std::optional<RenderedPage> direct = ReadScannedPage(pdf, 1, 300);
    ASSERT_TRUE(direct.has_value());
    const RenderedPage rendered = RenderPage(pdf, 1, 300);

    const PageGeometry& a = direct->geometry;
    const PageGeometry& b = rendered.geometry;
    EXPECT_EQ(a.rotate, b.rotate);
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    EXPECT_NEAR(a.pointsPerPixel, b.pointsPerPixel, 1e-6);
    EXPECT_DOUBLE_EQ(a.x0, b.x0);
    EXPECT_DOUBLE_EQ(a.y1, b.y1);
    EXPECT_EQ(direct->dpi, 300);

    long long diff = 0, dark = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const int p = direct->pixels[size_t(y) * direct->bytesPerLine + x];
            const int q = rendered.pixels[size_t(y) * rendered.bytesPerLine + x];
            diff += std::abs(p - q);
            dark += p < 128;
        }
    EXPECT_GT(dark, 1000);                                // the text is there
    EXPECT_LT(double(diff) / (a.width * a.height), 2.0);  // and in the same places
}

INSTANTIATE_TEST_SUITE_P(Rotations, PageImageTest, ::testing::Values(0, 90, 180, 270));

TEST(PageImage, AnythingButAPlainScanIsRendered) {
    TempDir dir;
    const std::string path = dir.File("pages.pdf");
    MakeScannedPdf(path, {{.lines = {"x"}, .offsetBox = true}, {.lines = {"x"}}});
    QPDF pdf;
    pdf.processFile(path.c_str());
    EXPECT_FALSE(ReadScannedPage(pdf, 1, 300).has_value());  // image inside a larger page
    EXPECT_FALSE(ReadScannedPage(pdf, 2, 200).has_value());  // another resolution
    EXPECT_TRUE(ReadScannedPage(pdf, 2, 300).has_value());
    EXPECT_FALSE(ReadScannedPage(pdf, 3, 300).has_value());  // no such page
}

}  // namespace
