// TIFF files through XDW_CreateXdwFromImageFile: every page of a multi-page
// file, bilevel pages as CCITT G4 (kept as stored when already G4), the rest
// lossless, each page sized from its own resolution.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

int Convert(const std::string& in, const std::string& out) {
    const XDW_CREATE_OPTION option{sizeof(XDW_CREATE_OPTION), 1, 0, 0, 0, 0, 0, 0};
    return XDW_CreateXdwFromImageFile(in.c_str(), out.c_str(), &option);
}

// The dark (or red) top-left quarter of the test pattern shows at the top
// left of the rendered page, and the bottom-right quarter is white.
void ExpectPatternUpright(const std::string& pdf, int page, bool red) {
    const RgbImage image = RenderPdfPage(pdf, page, 72);
    double rgb[3];
    image.Average(0.05, 0.05, 0.45, 0.45, rgb);
    if (red) {
        EXPECT_GT(rgb[0], 200) << "page " << page;
        EXPECT_LT(rgb[1], 60) << "page " << page;
    } else {
        EXPECT_LT(rgb[0] + rgb[1] + rgb[2], 90) << "page " << page << " top-left not black";
    }
    image.Average(0.55, 0.55, 0.95, 0.95, rgb);
    EXPECT_GT(rgb[0] + rgb[1] + rgb[2], 700) << "page " << page << " bottom-right not white";
}

// The raw data of the first strip of a directory, as stored.
std::string RawStrip(const std::string& path, int directory) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    EXPECT_NE(tif, nullptr);
    TIFFSetDirectory(tif, static_cast<tdir_t>(directory));
    std::string raw(TIFFRawStripSize64(tif, 0), '\0');
    raw.resize(TIFFReadRawStrip(tif, 0, raw.data(), static_cast<tmsize_t>(raw.size())));
    TIFFClose(tif);
    return raw;
}

TEST(ConvertTiff, MultiPageMixedBilevelAndColour) {
    TempDir dir;
    MakeTiff(
        dir.File("scan.tif"),
        {{{.width = 400, .height = 200, .kind = ImageKind::Bilevel, .dpi = 200},
          TiffCompression::G4},
         {{.width = 300, .height = 600, .kind = ImageKind::Bilevel, .dpi = 300},
          TiffCompression::PackBits},
         {{.width = 100, .height = 100, .kind = ImageKind::Rgb, .dpi = 100}, TiffCompression::Lzw},
         {{.width = 288, .height = 144, .kind = ImageKind::Gray, .dpi = 144},
          TiffCompression::None}});
    const std::string out = dir.File("scan.xdw");
    ASSERT_EQ(Convert(dir.File("scan.tif"), out), 0);
    ASSERT_EQ(PdfPageCount(out), 4);

    // Already G4: the coded data is carried over untouched.
    StoredImage p1 = PdfPageImage(out, 1);
    EXPECT_EQ(p1.filter, "/CCITTFaxDecode");
    EXPECT_NE(p1.decodeParms.find("/K -1"), std::string::npos);
    EXPECT_TRUE(p1.raw == RawStrip(dir.File("scan.tif"), 0));
    // Bilevel in another coding: coded to G4 here.
    StoredImage p2 = PdfPageImage(out, 2);
    EXPECT_EQ(p2.filter, "/CCITTFaxDecode");
    EXPECT_EQ(p2.bits, 1);
    // Colour and grey: lossless.
    EXPECT_EQ(PdfPageImage(out, 3).filter, "/FlateDecode");
    EXPECT_EQ(PdfPageImage(out, 3).colorSpace, "/DeviceRGB");
    EXPECT_EQ(PdfPageImage(out, 4).filter, "/FlateDecode");
    // Lossless: the colour page's samples come back exactly.
    std::string expected;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            expected +=
                x < 50 && y < 50 ? std::string("\xFF\0\0", 3) : std::string("\xFF\xFF\xFF", 3);
    EXPECT_TRUE(PdfPageImage(out, 3).decoded == expected);
    EXPECT_EQ(PdfPageImage(out, 4).colorSpace, "/DeviceGray");

    const double sizes[4][2] = {{144, 72}, {72, 144}, {72, 72}, {144, 72}};
    for (int i = 0; i < 4; ++i) {
        const PageBox box = PdfPageBox(out, i + 1);
        EXPECT_NEAR(box.width, sizes[i][0], 0.01) << "page " << i + 1;
        EXPECT_NEAR(box.height, sizes[i][1], 0.01) << "page " << i + 1;
        ExpectPatternUpright(out, i + 1, i == 2);
    }
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"scan.tif", "scan.xdw"}));
}

// Pages written directly with libtiff, for layouts the maker above does not
// produce: black-is-zero bilevel, reversed bit order, tiles, 16-bit samples,
// palettes, alpha.
struct RawPage {
    uint32_t width = 64, height = 64;
    uint16_t bits = 8, samples = 1, photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t compression = COMPRESSION_NONE, fillOrder = FILLORDER_MSB2LSB;
    bool tiled = false;
    bool alpha = false;
    unsigned alphaLevel = 0xFFFF;  // of every pixel, cut to the sample's bits
};

// Fills the page with the test pattern: top-left quarter dark (or red),
// rest white.
void WritePage(TIFF* tif, const RawPage& p) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.photometric);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
    TIFFSetField(tif, TIFFTAG_FILLORDER, p.fillOrder);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 72.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 72.0f);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    if (p.alpha) {
        const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    std::vector<uint16_t> map(256, 0);
    std::vector<uint16_t> mapG(256, 0), mapB(256, 0);
    if (p.photometric == PHOTOMETRIC_PALETTE) {
        // Entry 0 red, entry 1 white.
        map[0] = 65535, map[1] = 65535, mapG[1] = 65535, mapB[1] = 65535;
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), mapG.data(), mapB.data());
    }
    const size_t bytesPerSample = p.bits / 8;
    const size_t rowBytes = (static_cast<size_t>(p.width) * p.bits * p.samples + 7) / 8;
    std::vector<uint8_t> image(rowBytes * p.height, 0);
    for (uint32_t y = 0; y < p.height; ++y) {
        for (uint32_t x = 0; x < p.width; ++x) {
            const bool mark = x < p.width / 2 && y < p.height / 2;
            uint8_t* row = image.data() + y * rowBytes;
            if (p.bits == 1) {
                const bool one = p.photometric == PHOTOMETRIC_MINISWHITE ? mark : !mark;
                if (one) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
                continue;
            }
            for (uint16_t s = 0; s < p.samples; ++s) {
                unsigned value = mark ? 0 : 0xFFFF;
                if (p.photometric == PHOTOMETRIC_RGB && mark && s == 0) value = 0xFFFF;
                if (p.photometric == PHOTOMETRIC_PALETTE) value = mark ? 0 : 1;
                if (p.alpha && s == p.samples - 1) value = p.alphaLevel;
                uint8_t* at = row + (static_cast<size_t>(x) * p.samples + s) * bytesPerSample;
                if (bytesPerSample == 2) {
                    const uint16_t v = static_cast<uint16_t>(value);
                    std::memcpy(at, &v, 2);
                } else {
                    *at = static_cast<uint8_t>(value);
                }
            }
        }
    }
    if (p.tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 32);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 32);
        std::vector<uint8_t> tile(TIFFTileSize(tif));
        const size_t tileRow = TIFFTileRowSize(tif);
        for (uint32_t ty = 0; ty < p.height; ty += 32) {
            for (uint32_t tx = 0; tx < p.width; tx += 32) {
                std::fill(tile.begin(), tile.end(), 0);
                const size_t xb = tx * p.bits * p.samples / 8;
                for (uint32_t r = 0; r < 32 && ty + r < p.height; ++r)
                    std::memcpy(tile.data() + r * tileRow, image.data() + (ty + r) * rowBytes + xb,
                                std::min(tileRow, rowBytes - xb));
                TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0);
            }
        }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP,
                     p.compression == COMPRESSION_CCITTFAX4 ? p.height : 16);
        for (uint32_t y = 0; y < p.height; ++y)
            TIFFWriteScanline(tif, image.data() + y * rowBytes, y);
    }
    TIFFWriteDirectory(tif);
}

void WriteTiff(const std::string& path, const std::vector<RawPage>& pages) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    for (const RawPage& p : pages) WritePage(tif, p);
    TIFFClose(tif);
}

TEST(ConvertTiff, AThumbnailBetweenPagesIsNotAPage) {
    TempDir dir;
    MakeTiff(dir.File("scan.tif"),
             {{{.width = 200, .height = 100, .kind = ImageKind::Gray}, TiffCompression::Lzw},
              {{.width = 50, .height = 25, .kind = ImageKind::Gray}, TiffCompression::Lzw, true},
              {{.width = 120, .height = 80, .kind = ImageKind::Rgb}, TiffCompression::Lzw}});
    ASSERT_EQ(Convert(dir.File("scan.tif"), dir.File("scan.xdw")), 0);
    ASSERT_EQ(PdfPageCount(dir.File("scan.xdw")), 2);
    EXPECT_EQ(PdfPageImage(dir.File("scan.xdw"), 1).width, 200);
    EXPECT_EQ(PdfPageImage(dir.File("scan.xdw"), 2).width, 120);
}

TEST(ConvertTiff, BilevelPolarityAndBitOrder) {
    TempDir dir;
    RawPage blackIsZero{
        .bits = 1, .photometric = PHOTOMETRIC_MINISBLACK, .compression = COMPRESSION_CCITTFAX4};
    RawPage reversed{.bits = 1,
                     .photometric = PHOTOMETRIC_MINISWHITE,
                     .compression = COMPRESSION_CCITTFAX4,
                     .fillOrder = FILLORDER_LSB2MSB};
    RawPage stripsOfG4{
        .bits = 1, .photometric = PHOTOMETRIC_MINISWHITE, .compression = COMPRESSION_CCITTFAX4};
    RawPage blackIsZeroPlain{.bits = 1, .photometric = PHOTOMETRIC_MINISBLACK};
    WriteTiff(dir.File("in.tif"), {blackIsZero, reversed, stripsOfG4, blackIsZeroPlain});
    ASSERT_EQ(Convert(dir.File("in.tif"), dir.File("out.xdw")), 0);
    ASSERT_EQ(PdfPageCount(dir.File("out.xdw")), 4);
    for (int page = 1; page <= 4; ++page) {
        EXPECT_EQ(PdfPageImage(dir.File("out.xdw"), page).filter, "/CCITTFaxDecode");
        ExpectPatternUpright(dir.File("out.xdw"), page, false);
    }
}

TEST(ConvertTiff, OtherSampleLayoutsStayLossless) {
    TempDir dir;
    WriteTiff(dir.File("in.tif"),
              {RawPage{.bits = 16, .samples = 3, .photometric = PHOTOMETRIC_RGB},
               RawPage{.bits = 8,
                       .samples = 3,
                       .photometric = PHOTOMETRIC_RGB,
                       .compression = COMPRESSION_ADOBE_DEFLATE,
                       .tiled = true},
               RawPage{.bits = 8, .samples = 1, .photometric = PHOTOMETRIC_PALETTE},
               RawPage{.bits = 8,
                       .samples = 4,
                       .photometric = PHOTOMETRIC_RGB,
                       .compression = COMPRESSION_LZW,
                       .alpha = true},
               RawPage{.bits = 16, .samples = 1, .photometric = PHOTOMETRIC_MINISBLACK}});
    ASSERT_EQ(Convert(dir.File("in.tif"), dir.File("out.xdw")), 0);
    ASSERT_EQ(PdfPageCount(dir.File("out.xdw")), 5);
    EXPECT_EQ(PdfPageImage(dir.File("out.xdw"), 1).bits, 16);
    EXPECT_NE(PdfPageImage(dir.File("out.xdw"), 3).colorSpace.find("/Indexed"), std::string::npos);
    const bool red[] = {true, true, true, true, false};
    for (int page = 1; page <= 5; ++page) {
        EXPECT_EQ(PdfPageImage(dir.File("out.xdw"), page).filter, "/FlateDecode");
        ExpectPatternUpright(dir.File("out.xdw"), page, red[page - 1]);
    }
}

TEST(ConvertTiff, HalfTransparentPixelsShowOnceOverWhitePaper) {
    TempDir dir;
    WriteTiff(dir.File("in.tif"), {RawPage{.width = 2,
                                           .height = 2,
                                           .samples = 4,
                                           .photometric = PHOTOMETRIC_RGB,
                                           .alpha = true,
                                           .alphaLevel = 128}});
    ASSERT_EQ(Convert(dir.File("in.tif"), dir.File("out.xdw")), 0);
    // Red, then white, at half strength over white: the paper shows through
    // once (weighed twice, white came out 191).
    const std::string decoded = PdfPageImage(dir.File("out.xdw"), 1).decoded;
    ASSERT_EQ(decoded.size(), 12u);
    EXPECT_EQ(decoded.substr(0, 3), std::string("\xFF\x7F\x7F", 3));
    EXPECT_EQ(decoded.substr(9, 3), std::string("\xFF\xFF\xFF", 3));
}

}  // namespace
