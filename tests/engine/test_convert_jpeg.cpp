// JPEG files through XDW_CreateXdwFromImageFile: the file becomes the page's
// image data byte for byte, the page takes its size from the resolution, and
// EXIF orientation turns the picture upright.
#include <gtest/gtest.h>

#include <string>

#include "TestFiles.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

int Convert(const std::string& in, const std::string& out) {
    const XDW_CREATE_OPTION option{sizeof(XDW_CREATE_OPTION), 1, 0, 0, 0, 0, 0, 0};
    return XDW_CreateXdwFromImageFile(in.c_str(), out.c_str(), &option);
}

TEST(ConvertJpeg, ImageStreamIsTheFileByteForByte) {
    TempDir dir;
    MakeJpeg(dir.File("photo.jpg"),
             {.width = 64, .height = 48, .kind = ImageKind::Rgb, .dpi = 150});
    ASSERT_EQ(Convert(dir.File("photo.jpg"), dir.File("out.xdw")), 0);

    const StoredImage image = PdfPageImage(dir.File("out.xdw"), 1);
    EXPECT_EQ(image.filter, "/DCTDecode");
    EXPECT_EQ(image.colorSpace, "/DeviceRGB");
    EXPECT_EQ(image.width, 64);
    EXPECT_EQ(image.height, 48);
    EXPECT_TRUE(image.raw == ReadBytes(dir.File("photo.jpg"))) << "image data was re-encoded";
    EXPECT_EQ(PdfPageCount(dir.File("out.xdw")), 1);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"out.xdw", "photo.jpg"}));
}

TEST(ConvertJpeg, PageSizeFollowsResolution) {
    TempDir dir;
    MakeJpeg(dir.File("a.jpg"), {.width = 600, .height = 300, .kind = ImageKind::Gray, .dpi = 300});
    ASSERT_EQ(Convert(dir.File("a.jpg"), dir.File("a.xdw")), 0);
    PageBox box = PdfPageBox(dir.File("a.xdw"), 1);
    EXPECT_NEAR(box.width, 144.0, 0.01);  // 2 inches
    EXPECT_NEAR(box.height, 72.0, 0.01);
    EXPECT_EQ(PdfPageImage(dir.File("a.xdw"), 1).colorSpace, "/DeviceGray");

    // Without a credible resolution (none, or below 97 dpi) the picture is
    // fitted to A4 at its own proportions.
    for (const int dpi : {0, 72}) {
        const std::string name = "b" + std::to_string(dpi);
        MakeJpeg(dir.File(name + ".jpg"),
                 {.width = 50, .height = 100, .kind = ImageKind::Rgb, .dpi = dpi});
        ASSERT_EQ(Convert(dir.File(name + ".jpg"), dir.File(name + ".xdw")), 0);
        box = PdfPageBox(dir.File(name + ".xdw"), 1);
        EXPECT_NEAR(box.width, 420.945, 0.01) << dpi;
        EXPECT_NEAR(box.height, 841.89, 0.01) << dpi;
    }
}

// The test image has a red top-left quarter; after conversion that quarter
// must appear where the EXIF orientation says the picture's top-left is.
struct Orientation {
    int exif;
    bool portrait;  // the page is taller than wide
    double redX;    // where the red quarter shows (left edge, as a fraction)
    double redY;    // (top edge)
    int dpi = 144;
    double longSide = 80.0;  // in points
};

class ConvertJpegOrientation : public ::testing::TestWithParam<Orientation> {};

TEST_P(ConvertJpegOrientation, PictureComesOutUpright) {
    const Orientation o = GetParam();
    TempDir dir;
    MakeJpeg(dir.File("in.jpg"),
             {.width = 160, .height = 120, .kind = ImageKind::Rgb, .dpi = o.dpi}, o.exif);
    ASSERT_EQ(Convert(dir.File("in.jpg"), dir.File("out.xdw")), 0);

    const PageBox box = PdfPageBox(dir.File("out.xdw"), 1);
    EXPECT_EQ(box.height > box.width, o.portrait);
    EXPECT_NEAR(std::max(box.width, box.height), o.longSide, 0.01);
    // Still the file's own bytes: turning is done by placement only.
    EXPECT_TRUE(PdfPageImage(dir.File("out.xdw"), 1).raw == ReadBytes(dir.File("in.jpg")));

    const RgbImage page = RenderPdfPage(dir.File("out.xdw"), 1, 72);
    double rgb[3];
    page.Average(o.redX + 0.1, o.redY + 0.1, o.redX + 0.4, o.redY + 0.4, rgb);
    EXPECT_GT(rgb[0], 200);
    EXPECT_LT(rgb[1], 60);
    // The opposite quarter is white.
    const double ox = 0.5 - o.redX, oy = 0.5 - o.redY;
    page.Average(ox + 0.1, oy + 0.1, ox + 0.4, oy + 0.4, rgb);
    EXPECT_GT(rgb[1], 200);
}

INSTANTIATE_TEST_SUITE_P(
    Exif, ConvertJpegOrientation,
    ::testing::Values(Orientation{0, false, 0.0, 0.0}, Orientation{1, false, 0.0, 0.0},
                      Orientation{2, false, 0.5, 0.0}, Orientation{3, false, 0.5, 0.5},
                      Orientation{4, false, 0.0, 0.5}, Orientation{5, true, 0.0, 0.0},
                      Orientation{6, true, 0.5, 0.0}, Orientation{7, true, 0.5, 0.5},
                      Orientation{8, true, 0.0, 0.5},
                      // A phone photo without a credible resolution: fitted
                      // to A4 as it stands once turned.
                      Orientation{6, true, 0.5, 0.0, 72, 793.701}),
    [](const auto& info) {
        return "exif" + std::to_string(info.param.exif) + "_" + std::to_string(info.param.dpi);
    });

TEST(ConvertJpeg, ProgressiveAndPaddedFilesAreKeptToo) {
    TempDir dir;
    MakeJpeg(dir.File("p.jpg"), {.width = 120, .height = 80, .kind = ImageKind::Rgb, .dpi = 200}, 0,
             true);
    ASSERT_EQ(Convert(dir.File("p.jpg"), dir.File("p.xdw")), 0);
    EXPECT_TRUE(PdfPageImage(dir.File("p.xdw"), 1).raw == ReadBytes(dir.File("p.jpg")));
    // Camera files often carry bytes after the end marker: they are no part
    // of the picture and stay out of the document.
    WriteBytes(dir.File("t.jpg"), ReadBytes(dir.File("p.jpg")) + std::string(100, '\0'));
    ASSERT_EQ(Convert(dir.File("t.jpg"), dir.File("t.xdw")), 0);
    EXPECT_TRUE(PdfPageImage(dir.File("t.xdw"), 1).raw == ReadBytes(dir.File("p.jpg")));
    const RgbImage page = RenderPdfPage(dir.File("t.xdw"), 1, 72);
    double rgb[3];
    page.Average(0.1, 0.1, 0.4, 0.4, rgb);
    EXPECT_GT(rgb[0], 200);
    EXPECT_LT(rgb[1], 60);
}

// Replaces the JFIF block of a JPEG with an EXIF block giving 100 pixels per
// centimetre, little-endian as cameras write it (with afterJfif, puts it after
// the JFIF block); with camera, it also names the camera's make.
std::string WithExifResolution(const std::string& jpeg, bool camera = false,
                               bool afterJfif = false) {
    const size_t app0Length =
        (static_cast<unsigned char>(jpeg[4]) << 8) | static_cast<unsigned char>(jpeg[5]);
    EXPECT_EQ(jpeg.substr(6, 4), "JFIF");
    auto le16 = [](unsigned v) { return std::string{char(v & 0xFF), char(v >> 8)}; };
    auto le32 = [&](unsigned v) { return le16(v & 0xFFFF) + le16(v >> 16); };
    const unsigned entries = camera ? 4 : 3, values = 10 + 12 * entries + 4;
    std::string tiff = std::string("II*\0", 4) + le32(8) + le16(entries);
    if (camera) tiff += le16(0x010F) + le16(2) + le32(4) + std::string("Cam", 4);  // Make
    tiff += le16(0x011A) + le16(5) + le32(1) + le32(values);                       // XResolution
    tiff += le16(0x011B) + le16(5) + le32(1) + le32(values + 8);                   // YResolution
    tiff += le16(0x0128) + le16(3) + le32(1) + le32(3);                            // per centimetre
    tiff += le32(0);
    tiff += le32(100) + le32(1) + le32(100) + le32(1);
    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    const size_t length = payload.size() + 2;
    const std::string app1 =
        std::string("\xFF\xE1") + char(length >> 8) + char(length & 0xFF) + payload;
    return jpeg.substr(0, afterJfif ? 4 + app0Length : 2) + app1 + jpeg.substr(4 + app0Length);
}

TEST(ConvertJpeg, ResolutionFromExifWhenThereIsNoJfif) {
    TempDir dir;
    MakeJpeg(dir.File("a.jpg"), {.width = 600, .height = 300, .kind = ImageKind::Rgb, .dpi = 72});
    WriteBytes(dir.File("cam.jpg"), WithExifResolution(ReadBytes(dir.File("a.jpg"))));
    ASSERT_EQ(Convert(dir.File("cam.jpg"), dir.File("cam.xdw")), 0);
    const PageBox box = PdfPageBox(dir.File("cam.xdw"), 1);
    EXPECT_NEAR(box.width, 600 * 72 / 254.0, 0.01);  // 100 per cm is 254 dpi
    EXPECT_NEAR(box.height, 300 * 72 / 254.0, 0.01);
    EXPECT_TRUE(PdfPageImage(dir.File("cam.xdw"), 1).raw == ReadBytes(dir.File("cam.jpg")));

    // A camera's resolution says nothing about paper: fitted to A4.
    WriteBytes(dir.File("phone.jpg"), WithExifResolution(ReadBytes(dir.File("a.jpg")), true));
    ASSERT_EQ(Convert(dir.File("phone.jpg"), dir.File("phone.xdw")), 0);
    EXPECT_NEAR(PdfPageBox(dir.File("phone.xdw"), 1).width, 841.89, 0.01);

    // A JFIF density (here 72 dpi) wins over the EXIF block after it.
    WriteBytes(dir.File("both.jpg"), WithExifResolution(ReadBytes(dir.File("a.jpg")), false, true));
    ASSERT_EQ(Convert(dir.File("both.jpg"), dir.File("both.xdw")), 0);
    EXPECT_NEAR(PdfPageBox(dir.File("both.xdw"), 1).width, 841.89, 0.01);
}

TEST(ConvertJpeg, VeryLongImagesAreShownSmallerNotRefused) {
    TempDir dir;
    // 30000 pixels at 100 dpi would be a page longer than readers take.
    MakeJpeg(dir.File("strip.jpg"),
             {.width = 30000, .height = 100, .kind = ImageKind::Gray, .dpi = 100});
    ASSERT_EQ(Convert(dir.File("strip.jpg"), dir.File("strip.xdw")), 0);
    const PageBox box = PdfPageBox(dir.File("strip.xdw"), 1);
    EXPECT_NEAR(box.width, 14400.0, 0.01);
    EXPECT_NEAR(box.height, 48.0, 0.01);  // the same shape
}

TEST(ConvertJpeg, ContentDecidesNotTheName) {
    TempDir dir;
    MakeJpeg(dir.File("scan.tif"), {.width = 32, .height = 32, .kind = ImageKind::Gray, .dpi = 96});
    ASSERT_EQ(Convert(dir.File("scan.tif"), dir.File("out.xdw")), 0);
    EXPECT_EQ(PdfPageImage(dir.File("out.xdw"), 1).filter, "/DCTDecode");
}

}  // namespace
