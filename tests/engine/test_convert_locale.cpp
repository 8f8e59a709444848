// Image files converted while the process runs under a comma-decimal locale,
// as a desktop session set to German does: the pages must show the picture
// and be as large as under the C locale.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <string>

#include "TestFiles.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

constexpr const char* kCommaLocale = "de_DE.UTF-8";

int Convert(const std::string& in, const std::string& out) {
    const XDW_CREATE_OPTION option{sizeof(XDW_CREATE_OPTION), 1, 0, 0, 0, 0, 0, 0};
    return XDW_CreateXdwFromImageFile(in.c_str(), out.c_str(), &option);
}

// Converts under the comma locale, both for C (printf) and C++ (streams),
// and puts the C locale back before anything looks at the result.
int ConvertUnderCommaLocale(const std::string& in, const std::string& out) {
    const std::locale before = std::locale::global(std::locale(kCommaLocale));
    const int rc = Convert(in, out);
    std::locale::global(before);
    std::setlocale(LC_ALL, "C");
    return rc;
}

struct LocaleCase {
    const char* name;
    void (*make)(const std::string& path);
};

const LocaleCase kCases[] = {
    {"jpeg_fitted_to_a4",
     [](const std::string& p) { MakeJpeg(p, {.width = 160, .height = 120, .dpi = 72}); }},
    {"jpeg_turned_by_exif",
     [](const std::string& p) { MakeJpeg(p, {.width = 160, .height = 120, .dpi = 72}, 6); }},
    {"tiff_g4", [](const std::string& p) {
         MakeTiff(p, {{{.width = 301, .height = 203, .kind = ImageKind::Bilevel, .dpi = 200},
                       TiffCompression::G4}});
     }}};

class CommaLocale : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(CommaLocale, PagesShowThePictureAtTheirSize) {
    ASSERT_NE(std::setlocale(LC_ALL, kCommaLocale), nullptr)
        << kCommaLocale << " is not installed (scripts/setup.sh generates it)";
    std::setlocale(LC_ALL, "C");
    TempDir dir;
    GetParam().make(dir.File("in"));
    ASSERT_EQ(Convert(dir.File("in"), dir.File("c.xdw")), 0);
    ASSERT_EQ(ConvertUnderCommaLocale(dir.File("in"), dir.File("de.xdw")), 0);

    const PageBox c = PdfPageBox(dir.File("c.xdw"), 1), de = PdfPageBox(dir.File("de.xdw"), 1);
    EXPECT_NEAR(de.width, c.width, 0.01);
    EXPECT_NEAR(de.height, c.height, 0.01);
    // A quarter of the picture is dark: a blank page averages white.
    double rgb[3];
    RenderPdfPage(dir.File("de.xdw"), 1, 36).Average(0, 0, 1, 1, rgb);
    EXPECT_LT(rgb[1], 230) << "blank page";
}

INSTANTIATE_TEST_SUITE_P(Images, CommaLocale, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
