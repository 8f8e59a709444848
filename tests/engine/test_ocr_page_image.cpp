// Scanned pages read straight from their image must give what rendering them
// at the image's resolution gives: the same size, placement and pixels,
// whatever the page's rotation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "TestFiles.h"
#include "image/TiffG4.h"
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
    // Too coarse to read as it is, or pixels not square: drawn at 300 dpi.
    EXPECT_EQ(ReadScannedPage(pdf, 3, 300).value_or(RenderedPage{}).dpi, 300);
    EXPECT_EQ(ReadScannedPage(pdf, 4, 300).value_or(RenderedPage{}).dpi, 300);
    // ... but a sheet's picture set at a nominal 72 dpi (34 by 49 inches) is read as a sheet's.
    EXPECT_EQ(ReadScannedPage(pdf, 5, 300).value_or(RenderedPage{}).dpi, 300);
    EXPECT_FALSE(ReadScannedPage(pdf, 6, 300).has_value());  // no such page
}

// The page of path with its picture stored in CCITT G4 (as this engine stores
// bilevel pages, its black runs white when blackIs1) written to out; damaged:
// its coded data cut in half.
void StoreAsG4(const std::string& path, const std::string& out, bool blackIs1, bool damaged) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    QPDFObjectHandle image = QPDFPageDocumentHelper(pdf)
                                 .getAllPages()
                                 .at(0)
                                 .getObjectHandle()
                                 .getKey("/Resources")
                                 .getKey("/XObject")
                                 .getKey("/Im0");
    const int w = int(image.getDict().getKey("/Width").getIntValue());
    const int h = int(image.getDict().getKey("/Height").getIntValue());
    std::shared_ptr<Buffer> raw = image.getStreamData();
    std::string bits(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize());
    // Its 1 bits are white, which the coder takes for black runs.
    if (!blackIs1)
        for (char& b : bits) b = static_cast<char>(~b);
    std::string coded = EncodeG4(reinterpret_cast<const uint8_t*>(bits.data()), w, h, (w + 7) / 8);
    if (damaged) coded.resize(coded.size() / 2);
    image.replaceStreamData(coded, QPDFObjectHandle::newName("/CCITTFaxDecode"),
                            QPDFObjectHandle::parse("<< /K -1 /Columns " + std::to_string(w) +
                                                    " /Rows " + std::to_string(h) + " /BlackIs1 " +
                                                    (blackIs1 ? "true" : "false") + " >>"));
    QPDFWriter writer(pdf, out.c_str());
    writer.write();
}

// Pictures the renderer enlarges to draw the page at 300 dpi (a fax in G4,
// black-is-1 or not, and grey too coarse to read as it is) are drawn here
// as it draws them, to the pixel, and a damaged one is left to it.
struct Enlarged {
    int dpiX, dpiY;
    bool bilevel, blackIs1;
};

class EnlargedPageTest : public ::testing::TestWithParam<Enlarged> {};

TEST_P(EnlargedPageTest, DrawnAsTheRendererDrawsIt) {
    const Enlarged c = GetParam();
    TempDir dir;
    const std::string made = dir.File("made.pdf");
    const std::string path = c.bilevel ? dir.File("g4.pdf") : made;
    MakeScannedPdf(made, {{.lines = {"FAX 03-1234-5678", "日本語の文書"},
                           .widthPx = 860,
                           .heightPx = 500,
                           .dpiX = c.dpiX,
                           .dpiY = c.dpiY,
                           .bilevel = c.bilevel}});
    if (c.bilevel) StoreAsG4(made, path, c.blackIs1, false);
    QPDF pdf;
    pdf.processFile(path.c_str());
    const std::optional<RenderedPage> direct = ReadScannedPage(pdf, 1, 300);
    ASSERT_TRUE(direct.has_value());
    const RenderedPage rendered = RenderPage(pdf, 1, 300);
    EXPECT_EQ(direct->geometry.width, rendered.geometry.width);
    EXPECT_EQ(direct->geometry.height, rendered.geometry.height);
    EXPECT_DOUBLE_EQ(direct->geometry.pointsPerPixel, rendered.geometry.pointsPerPixel);
    EXPECT_EQ(direct->dpi, rendered.dpi);
    EXPECT_EQ(std::count(direct->pixels.begin(), direct->pixels.end(), 0) > 1000, true);
    EXPECT_TRUE(direct->pixels == rendered.pixels);
    EXPECT_EQ(direct->bilevel, c.bilevel);
    EXPECT_EQ(direct->picture.y, c.bilevel ? c.dpiY : 0);
    if (c.bilevel) {
        StoreAsG4(made, path + ".cut.pdf", c.blackIs1, true);
        QPDF damaged;
        damaged.processFile((path + ".cut.pdf").c_str());
        EXPECT_FALSE(ReadScannedPage(damaged, 1, 300).has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, EnlargedPageTest,
                         ::testing::Values(Enlarged{204, 98, true, false},
                                           Enlarged{300, 300, true, true},
                                           Enlarged{150, 150, false, false}),
                         [](const ::testing::TestParamInfo<Enlarged>& info) {
                             return std::string(!info.param.bilevel   ? "grey150"
                                                : info.param.blackIs1 ? "g4BlackIs1"
                                                                      : "g4Fax");
                         });

}  // namespace
