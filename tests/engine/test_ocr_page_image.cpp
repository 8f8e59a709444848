// Scanned pages read straight from their image must give what rendering them
// at the image's resolution gives: the same size, placement and pixels,
// whatever the page's rotation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <qpdf/QPDF.hh>

#include "TestFiles.h"
#include "ocr/ScanReader.h"
#include "ocr_support.h"
#include "pdf/Renderer.h"

using namespace xdw;
using namespace xdwtest;

namespace {

// The page's rotation, and the scan's resolution (a 200-dpi scan is read as
// it is, not drawn at 300 dpi; a 400-dpi one is reduced to 300 dpi).
class PageImageTest : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(PageImageTest, ImageReadDirectlyMatchesTheRendering) {
    TempDir dir;
    const std::string path = dir.File("scan.pdf");
    const auto [rotate, dpi] = GetParam();
    MakeScannedPdf(path, {{.lines = {"The quick brown fox", "日本語の文書"},
                           .widthPx = 900,
                           .heightPx = 600,
                           .pageRotate = rotate,
                           .dpiX = dpi,
                           .dpiY = dpi}});
    QPDF pdf;
    pdf.processFile(path.c_str());
    const std::optional<RenderedPage> direct = ReadScannedPage(pdf, 1, 300);
    ASSERT_TRUE(direct.has_value());
    const int read = std::min(dpi, 300);
    const RenderedPage rendered = RenderPage(pdf, 1, read);

    const PageGeometry& a = direct->geometry;
    const PageGeometry& b = rendered.geometry;
    EXPECT_EQ(a.rotate, b.rotate);
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    EXPECT_NEAR(a.pointsPerPixel, b.pointsPerPixel, 1e-6);
    EXPECT_DOUBLE_EQ(a.x0, b.x0);
    EXPECT_DOUBLE_EQ(a.y1, b.y1);
    EXPECT_EQ(direct->dpi, read);

    long long diff = 0, dark = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const int p = direct->pixels[size_t(y) * direct->bytesPerLine + x];
            const int q = rendered.pixels[size_t(y) * rendered.bytesPerLine + x];
            diff += std::abs(p - q);
            dark += p < 128;
        }
    EXPECT_GT(dark, 1000);  // the text is there
    // ... and in the same places (a reduced scan smoothed its own way).
    EXPECT_LT(double(diff) / (a.width * a.height), read < dpi ? 3.0 : 2.0);
}

INSTANTIATE_TEST_SUITE_P(Rotations, PageImageTest,
                         ::testing::Combine(::testing::Values(0, 90, 180, 270),
                                            ::testing::Values(300, 200, 400)));

TEST(PageImage, AnythingButAPlainScanIsRendered) {
    TempDir dir;
    const std::string path = dir.File("pages.pdf");
    MakeScannedPdf(path,
                   {{.lines = {"x"}, .offsetBox = true},
                    {.lines = {"x"}},
                    {.lines = {"x"}, .dpiX = 150, .dpiY = 150},
                    {.lines = {"x"}, .dpiX = 204, .dpiY = 98},
                    {.lines = {"x"}, .widthPx = 2480, .heightPx = 3508, .dpiX = 72, .dpiY = 72}});
    QPDF pdf;
    pdf.processFile(path.c_str());
    EXPECT_FALSE(ReadScannedPage(pdf, 1, 300).has_value());  // image inside a larger page
    EXPECT_FALSE(ReadScannedPage(pdf, 2, 100).has_value());  // finer than twice asked
    EXPECT_TRUE(ReadScannedPage(pdf, 2, 300).has_value());
    EXPECT_FALSE(ReadScannedPage(pdf, 3, 300).has_value());  // too coarse to read as it is
    EXPECT_FALSE(ReadScannedPage(pdf, 4, 300).has_value());  // pixels not square
    // ... but a sheet's picture set at a nominal 72 dpi (34 by 49 inches) is read as a sheet's.
    EXPECT_EQ(ReadScannedPage(pdf, 5, 300).value_or(RenderedPage{}).dpi, 300);
    EXPECT_FALSE(ReadScannedPage(pdf, 6, 300).has_value());  // no such page
}

}  // namespace
