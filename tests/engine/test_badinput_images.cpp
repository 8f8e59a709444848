// Bad files given to XDW_CreateXdwFromImageFile: each is refused with a clean
// result code, without a crash and without anything left in the folder.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "RawFiles.h"
#include "TestFiles.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

int Convert(const std::string& in, const std::string& out) {
    const XDW_CREATE_OPTION option{sizeof(XDW_CREATE_OPTION), 1, 0, 0, 0, 0, 0, 0};
    return XDW_CreateXdwFromImageFile(in.c_str(), out.c_str(), &option);
}

std::string Noise(size_t size, unsigned seed) {
    std::string out;
    for (size_t i = 0; i < size; ++i)
        out += static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
    return out;
}

std::string ValidJpeg(const TempDir& dir) {
    MakeJpeg(dir.File("valid.jpg"), {.width = 64, .height = 64, .kind = ImageKind::Rgb, .dpi = 72});
    std::string bytes = ReadBytes(dir.File("valid.jpg"));
    std::remove(dir.File("valid.jpg").c_str());
    return bytes;
}

std::string ValidTiff(const TempDir& dir) {
    MakeTiff(
        dir.File("valid.tif"),
        {{{.width = 200, .height = 200, .kind = ImageKind::Rgb, .dpi = 72}, TiffCompression::None},
         {{.width = 200, .height = 200, .kind = ImageKind::Gray, .dpi = 72},
          TiffCompression::None}});
    std::string bytes = ReadBytes(dir.File("valid.tif"));
    std::remove(dir.File("valid.tif").c_str());
    return bytes;
}

// Changes the frame header of a JPEG: byte offset within the SOF segment.
std::string PatchFrame(std::string jpeg, size_t offset, char value, char marker = '\xC0') {
    const auto sof = jpeg.find(std::string("\xFF") + marker);
    if (sof == std::string::npos) return jpeg;
    jpeg[sof + offset] = value;
    return jpeg;
}

struct BadImage {
    const char* name;
    std::string (*make)(const TempDir&);
};

const BadImage kBadImages[] = {
    {"zero_bytes", [](const TempDir&) { return std::string(); }},
    {"random_bytes", [](const TempDir&) { return Noise(5000, 7); }},
    {"jpeg_magic_then_noise",
     [](const TempDir&) { return std::string("\xFF\xD8\xFF\xE0", 4) + Noise(5000, 8); }},
    {"jpeg_truncated_in_scan",
     [](const TempDir& d) {
         const std::string j = ValidJpeg(d);
         return j.substr(0, j.size() * 2 / 3);
     }},
    {"jpeg_headers_only",
     [](const TempDir& d) {
         const std::string j = ValidJpeg(d);
         return j.substr(0, j.find("\xFF\xDA"));
     }},
    {"jpeg_segment_past_end",
     [](const TempDir&) {
         return std::string(
             "\xFF\xD8\xFF\xE0\x7F\xFF"
             "JFIF",
             10);
     }},
    {"jpeg_zero_height", [](const TempDir& d) { return PatchFrame(ValidJpeg(d), 6, 0); }},
    {"jpeg_12_bit", [](const TempDir& d) { return PatchFrame(ValidJpeg(d), 4, 12); }},
    {"jpeg_two_components", [](const TempDir& d) { return PatchFrame(ValidJpeg(d), 9, 2); }},
    {"tiff_magic_only", [](const TempDir&) { return std::string("II*\0", 4); }},
    {"tiff_directory_past_end",
     [](const TempDir&) { return std::string("II*\0", 4) + Le32(1u << 30); }},
    {"tiff_magic_then_noise",
     [](const TempDir&) { return std::string("MM\0*", 4) + Noise(5000, 9); }},
    {"tiff_truncated_pixels",
     [](const TempDir& d) {
         const std::string t = ValidTiff(d);
         return t.substr(0, t.size() / 3);
     }},
    {"tiff_absurd_size",
     [](const TempDir&) {
         // A million by a million 8-bit pixels claimed, eight bytes present.
         return TiffWithTags({{256, 1000000},
                              {257, 1000000},
                              {258, 8},
                              {259, 1},
                              {262, 1},
                              {273, 8 + 2 + 10 * 12 + 4},
                              {277, 1},
                              {278, 1000000},
                              {279, 8}},
                             "12345678");
     }},
    {"tiff_large_but_no_data",
     [](const TempDir&) {
         return TiffWithTags({{256, 16000},
                              {257, 16000},
                              {258, 1},
                              {259, 1},
                              {262, 0},
                              {273, 8 + 2 + 9 * 12 + 4},
                              {278, 16000},
                              {279, 32000000}},
                             "");
     }},
    {"tiff_no_size",
     [](const TempDir&) {
         return TiffWithTags({{258, 8}, {259, 1}, {262, 1}});
     }},
};

class ImageRefused : public ::testing::TestWithParam<BadImage> {};

TEST_P(ImageRefused, CannotReadAndNothingWritten) {
    TempDir dir;
    for (const char* name : {"in.jpg", "in.tif"}) {
        WriteBytes(dir.File(name), GetParam().make(dir));
        const auto before = dir.Entries();
        EXPECT_EQ(Convert(dir.File(name), dir.File("out.xdw")), XDW_E_CANNOT_READ) << name;
        EXPECT_EQ(dir.Entries(), before) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, ImageRefused, ::testing::ValuesIn(kBadImages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ImageArguments, MissingSourceExistingOutputAndBadOption) {
    TempDir dir;
    EXPECT_EQ(Convert(dir.File("none.jpg"), dir.File("out.xdw")), XDW_E_FILE_NOT_FOUND);

    MakeJpeg(dir.File("in.jpg"), {});
    WriteBytes(dir.File("out.xdw"), "keep me");
    EXPECT_EQ(Convert(dir.File("in.jpg"), dir.File("out.xdw")), XDW_E_FILE_EXISTS);
    EXPECT_EQ(ReadBytes(dir.File("out.xdw")), "keep me");

    const XDW_CREATE_OPTION tooSmall{4, 1, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(XDW_CreateXdwFromImageFile(dir.File("in.jpg").c_str(), dir.File("o.xdw").c_str(),
                                         &tooSmall),
              XDW_E_INVALID_ARG);
    // The option record may be left out.
    EXPECT_EQ(
        XDW_CreateXdwFromImageFile(dir.File("in.jpg").c_str(), dir.File("o.xdw").c_str(), nullptr),
        0);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"in.jpg", "o.xdw", "out.xdw"}));
}

TEST(ImageArguments, DamagedLaterPageFailsTheWholeFile) {
    TempDir dir;
    std::string tiff = ValidTiff(dir);
    // Cut into the second page's pixels: no document with a page missing.
    WriteBytes(dir.File("in.tif"), tiff.substr(0, tiff.size() - 40000));
    EXPECT_EQ(Convert(dir.File("in.tif"), dir.File("out.xdw")), XDW_E_CANNOT_READ);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"in.tif"}));
}

}  // namespace
