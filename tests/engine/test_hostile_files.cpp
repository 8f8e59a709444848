// Hand-made hostile files: each is refused or converted within a time and a
// memory bound, in a child process so that a crash or a runaway allocation
// fails the test instead of ending it.
#include <gtest/gtest.h>

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "ChildRun.h"
#include "RawFiles.h"
#include "TestFiles.h"
#include "appprint_support.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

constexpr uint64_t kMiB = 1ull << 20;

int ConvertPdf(const TempDir& dir, const std::string& in) {
    return XDW_CreateXdwFromImagePdfFile(in.c_str(), dir.File("out.xdw").c_str(), nullptr);
}

int ConvertImage(const TempDir& dir, const std::string& in) {
    const XDW_CREATE_OPTION option{sizeof(XDW_CREATE_OPTION), 1, 0, 0, 0, 0, 0, 0};
    return XDW_CreateXdwFromImageFile(in.c_str(), dir.File("out.xdw").c_str(), &option);
}

int OcrFirstPage(const std::string& in, bool upright);
int OcrFirstPage(const TempDir&, const std::string& in) { return OcrFirstPage(in, false); }
// A page drawn to be turned is drawn once: past its bounds it is not drawn
// again to be read.
int UprightThenOcr(const TempDir&, const std::string& in) { return OcrFirstPage(in, true); }

// Converts the picture, then runs OCR over the document's first page.
int ConvertThenOcr(const TempDir& dir, const std::string& in) {
    const int converted = ConvertImage(dir, in);
    return converted < 0 ? converted : OcrFirstPage(dir.File("out.xdw"), false);
}

// Opens the file as a document and runs OCR over its first page, turned
// upright first (as a run with AutoRotate does) when upright.
int OcrFirstPage(const std::string& in, bool upright) {
    XDW_DOCUMENT_HANDLE doc = nullptr;
    const XDW_OPEN_MODE mode{sizeof(XDW_OPEN_MODE), 1, 1};
    const int opened = XDW_OpenDocumentHandle(in.c_str(), &doc, &mode);
    if (opened < 0) return opened;
    if (upright) XDW_RotatePageAuto(doc, 1, nullptr);  // its failure is the reading's too
    XDW_OCR_OPTION option{};
    option.size = sizeof option;
    option.text_layer = 1;
    option.language = XDW_OCR_LANGUAGE_ENGLISH;
    option.replace_layer = 1;
    option.keep_image = 1;
    // Left open: closing would replace the failure's reason.
    return XDW_ApplyOcr(doc, 1, 1, &option, nullptr);
}

// Prints the file into a document, as a picture of any name is; the C calls
// hand out the reason of a failure, not its code.
int PrintFile(const TempDir& dir, const std::string& in) {
    XDW_CREATE_HANDLE handle = nullptr;
    const int begun =
        XDW_BeginCreationFromAppFile(in.c_str(), dir.File("out.xdw").c_str(), 0, &handle, nullptr);
    if (begun < 0) return begun;
    XDW_CREATION_STATUS status{sizeof status, 0, 0, 0};
    const bool ended = WaitUntil(
        [&] {
            XDW_GetStatusCreationFromAppFile(handle, &status);
            return status.phase == XDW_PHASE_FINISHED || status.phase == XDW_PHASE_CANCELLED;
        },
        std::chrono::minutes(3));
    if (!ended) XDW_CancelCreationFromAppFile(handle, nullptr);
    XDW_EndCreationFromAppFile(handle, nullptr);
    if (!ended) return XDW_E_FAIL;  // never ended: no row expects this
    return status.phase == XDW_PHASE_FINISHED ? 0 : XDW_E_CANNOT_READ;
}

std::string Be32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

// A PNG of 8-bit RGBA whose pixels are all zero (transparent black); without
// alpha, RGB with black made transparent by a colour key, which is decoded
// rather than stored as it is.
std::string PngChunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    const auto crc =
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    return Be32(static_cast<uint32_t>(data.size())) + body + Be32(static_cast<uint32_t>(crc));
}

std::string ClearPng(uint32_t width, uint32_t height, bool alpha = true) {
    const std::string header =
        Be32(width) + Be32(height) + std::string(alpha ? "\x08\x06\0\0\0" : "\x08\x02\0\0\0", 5);
    return "\x89PNG\r\n\x1a\n" + PngChunk("IHDR", header) +
           (alpha ? "" : PngChunk("tRNS", std::string(6, '\0'))) +
           PngChunk("IDAT",
                    DeflatedRun('\0', uint64_t{height} * (1 + uint64_t{width} * (alpha ? 4 : 3)))) +
           PngChunk("IEND", "");
}

// A 1-bit grey PNG of white, which is stored as it is.
std::string BilevelPng(uint32_t width, uint32_t height) {
    const uint64_t row = 1 + (uint64_t{width} + 7) / 8;
    return "\x89PNG\r\n\x1a\n" +
           PngChunk("IHDR", Be32(width) + Be32(height) + std::string("\x01\0\0\0\0", 5)) +
           PngChunk("IDAT", DeflatedRun('\0', row * height)) + PngChunk("IEND", "");
}

// A small JPEG whose frame header claims width x height.
std::string JpegClaiming(uint16_t width, uint16_t height, bool progressive = false) {
    TempDir dir;
    MakeJpeg(dir.File("j.jpg"), ImageSpec{16, 16}, 0, progressive);
    std::string jpeg = ReadBytes(dir.File("j.jpg"));
    const auto sof = jpeg.find(progressive ? "\xFF\xC2" : "\xFF\xC0");
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width);
    return jpeg;
}

// A progressive JPEG whose last scan is repeated until there are count.
std::string JpegOfScans(int count) {
    TempDir dir;
    MakeJpeg(dir.File("j.jpg"), ImageSpec{16, 16}, 0, true);
    const std::string jpeg = ReadBytes(dir.File("j.jpg"));
    const auto last = jpeg.rfind("\xFF\xDA");
    const std::string scan = jpeg.substr(last, jpeg.size() - 2 - last);
    std::string out = jpeg.substr(0, jpeg.size() - 2);
    for (int i = 0; i < count; ++i) out += scan;
    return out + "\xFF\xD9";
}

std::string PageTreeOfDepth(int depth) {
    // 1: catalog, 2 .. depth+1: page-tree nodes each holding the next, then
    // the one page.
    std::vector<std::string> objects{"<< /Type /Catalog /Pages 2 0 R >>"};
    for (int level = 0; level < depth; ++level)
        objects.push_back("<< /Type /Pages /Count 1 /Kids [" + std::to_string(level + 3) +
                          " 0 R] >>");
    objects.push_back("<< /Type /Page /MediaBox [0 0 612 792] >>");
    return RawPdf(objects);
}

// A page whose dictionary holds arrays and dictionaries nested depth deep.
std::string NestedObjects(int depth) {
    std::string arrays(depth, '['), dicts;
    arrays += std::string(depth, ']');
    for (int i = 0; i < depth; ++i) dicts += "<< /A ";
    dicts += std::string(3 * depth, '>').substr(0, 2 * depth);
    return RawPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Count 1 /Kids [3 0 R] >>",
                   "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Foo " + arrays +
                       " /Bar " + dicts + " >>"});
}

// One A4 page drawing one image over all of it, at 300 dpi when the image
// is 2480 x 3508; the image stream is given.
std::string ImagePage(long width, long height, const std::string& filters, const std::string& data,
                      const std::string& format = "/ColorSpace /DeviceGray /BitsPerComponent 8") {
    return RawPdf(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Count 1 /Kids [3 0 R] >>",
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595.2 841.92] /Contents 4 0 R "
         "/Resources << /XObject << /Im0 5 0 R >> >> >>",
         PdfStream("", "q 595.2 0 0 841.92 0 0 cm /Im0 Do Q"),
         PdfStream("/Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
                       std::to_string(height) + " " + format + " /Filter " + filters,
                   data)});
}

std::string ContentPage(const std::string& filters, const std::string& content) {
    return RawPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Count 1 /Kids [3 0 R] >>",
                   "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R >>",
                   PdfStream("/Filter " + filters, content)});
}

// An A4 page at 300 dpi of pure noise, uncompressed: one bit a pixel, or
// 8-bit RGB.
std::string NoiseTiff(bool colour) {
    const uint32_t width = 2480, height = 3508, samples = colour ? 3 : 1;
    const uint32_t rowBytes = colour ? width * 3 : (width + 7) / 8;
    std::string data(static_cast<size_t>(rowBytes) * height, '\0');
    std::mt19937 noise(7);
    for (char& c : data) c = static_cast<char>(noise());
    return TiffFile({{256, 4, {width}},
                     {257, 4, {height}},
                     {258, 3, std::vector<uint32_t>(samples, colour ? 8 : 1)},
                     {259, 3, {1}},
                     {262, 3, {colour ? 2u : 0u}},
                     {273, 4, {8}},
                     {277, 3, {samples}},
                     {278, 4, {height}},
                     {279, 4, {static_cast<uint32_t>(data.size())}}},
                    data);
}

// A tiled 8-bit grey page of width x height whose tiles claim tw x th.
std::string TiledTiff(uint32_t width, uint32_t height, uint32_t tw, uint32_t th) {
    const uint32_t dataAt = 8 + 2 + 10 * 12 + 4;
    return TiffWithTags({{256, width},
                         {257, height},
                         {258, 8},
                         {259, 1},
                         {262, 1},
                         {277, 1},
                         {322, tw},
                         {323, th},
                         {324, dataAt},
                         {325, 16}},
                        std::string(16, '\x80'));
}

// count pages, every one a white bilevel side x side page stored as the same
// G4 strip.
std::string SharedStripTiff(int count, uint32_t side) {
    static uint32_t s_side;
    static std::string s_strip;
    s_side = side;
    s_strip = WhiteG4Strip(side);
    return TiffDirectories(
        count,
        [](uint32_t dataAt) -> TiffTags {
            return {{256, s_side}, {257, s_side}, {258, 1},
                    {259, 4},      {262, 0},      {273, dataAt},
                    {277, 1},      {278, s_side}, {279, static_cast<uint32_t>(s_strip.size())}};
        },
        s_strip);
}

// A 1-bit page of 40 x 3 pixels in two 20-pixel-wide tiles (a width TIFF
// allows only for reading); rows alternate between patterns.
std::string BilevelTiles20() {
    const uint32_t arrays = 8 + 2 + 10 * 12 + 4;
    const uint32_t dataAt = arrays + 8 + 8;
    // Each tile row is 20 bits, padded to 3 bytes; 8 rows a tile.
    std::string left, right;
    for (int r = 0; r < 8; ++r) {
        left += r % 2 ? std::string("\xF0\x0F\x30", 3) : std::string("\xAA\x55\xC0", 3);
        right += r % 2 ? std::string("\x81\x7E\x90", 3) : std::string("\x0F\xF0\xA0", 3);
    }
    std::string out = std::string("II*\0", 4) + Le32(8) + Le16(10);
    auto tag = [&](unsigned t, unsigned type, uint32_t n, uint32_t v) {
        out += Le16(t) + Le16(type) + Le32(n) + Le32(v);
    };
    tag(256, 4, 1, 40);
    tag(257, 4, 1, 3);
    tag(258, 3, 1, 1);
    tag(259, 3, 1, 1);
    tag(262, 3, 1, 1);
    tag(277, 3, 1, 1);
    tag(322, 4, 1, 20);
    tag(323, 4, 1, 8);
    tag(324, 4, 2, arrays);
    tag(325, 4, 2, arrays + 8);
    out += Le32(0);
    out += Le32(dataAt) + Le32(dataAt + 24) + Le32(24) + Le32(24);
    return out + left + right;
}

// A JBIG2 image of 100 x 100 pixels whose page information declares a page
// of 262144 x 65000 (2 GiB of bitmap).
std::string Jbig2HugePage() {
    const std::string pageInfo =
        Be32(262144) + Be32(65000) + std::string(8, '\0') + std::string(3, '\0');
    const std::string segment = Be32(0) + "\x30" + std::string(1, '\0') + "\x01" +
                                Be32(static_cast<uint32_t>(pageInfo.size())) + pageInfo;
    return ImagePage(100, 100, "/JBIG2Decode", segment,
                     "/ColorSpace /DeviceGray /BitsPerComponent 1");
}

// Form XObjects nested depth deep, each drawing the one below ten times.
std::string NestedForms(int depth) {
    std::vector<std::string> objects{
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Count 1 /Kids [3 0 R] >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R /Resources << "
        "/XObject << /X " +
            std::to_string(5 + depth) + " 0 R >> >> >>",
        PdfStream("", "/X Do"),
        PdfStream("/Type /XObject /Subtype /Form /BBox [0 0 595 842]", "0 0 595 842 re f")};
    std::string tenTimes;
    for (int i = 0; i < 10; ++i) tenTimes += "/X Do ";
    for (int level = 1; level <= depth; ++level)
        objects.push_back(
            PdfStream("/Type /XObject /Subtype /Form /BBox [0 0 595 842] "
                      "/Resources << /XObject << /X " +
                          std::to_string(4 + level) + " 0 R >> >>",
                      tenTimes));
    return RawPdf(objects);
}

// A page's content of size bytes of line segments across it.
std::string LineSegments(uint64_t size) {
    std::string lines = "0 0 m 595 842 l S\n";
    const size_t line = lines.size();
    while (lines.size() < size) lines += lines;
    lines.resize(size / line * line);
    return ContentPage("/FlateDecode", Deflated(lines));
}

// A GIF of count white side x side frames, the first repeated.
std::string GifOfFrames(int count, int side) {
    TempDir dir;
    const std::string size = std::to_string(side) + "x" + std::to_string(side);
    RunTool({"convert", "-size", size, "xc:white", dir.File("one.gif")});
    const std::string one = ReadBytes(dir.File("one.gif"));
    const auto flags = static_cast<unsigned char>(one[10]);
    const size_t frameAt = 13 + ((flags & 0x80) ? 3u << ((flags & 7) + 1) : 0);
    const std::string frame = one.substr(frameAt, one.size() - 1 - frameAt);
    std::string out = one.substr(0, frameAt);
    for (int i = 0; i < count; ++i) out += frame;
    return out + ";";
}

// A page certified with the DocMDP permission p (no real signature: the
// certification alone decides).
std::string CertifiedPdf(int p) {
    return RawPdf({"<< /Type /Catalog /Pages 2 0 R /Perms << /DocMDP 4 0 R >> >>",
                   "<< /Type /Pages /Count 1 /Kids [3 0 R] >>",
                   "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>",
                   "<< /Type /Sig /Reference [<< /TransformMethod /DocMDP /TransformParams << /P " +
                       std::to_string(p) + " /V /1.2 >> >>] >>"});
}

struct HostileRow {
    const char* name;
    std::string (*make)();
    int (*run)(const TempDir&, const std::string&);
    std::vector<int> results;  // any of these
    const char* reason;        // part of the reason text, or "" for success
    double seconds;
    uint64_t peakBytes;
    uint64_t padTo = 0;          // the file made this long (sparse), and no document near it
    int kind = XDW_REASON_NONE;  // the reason's kind, when it names one
};

const HostileRow kRows[] = {
    {"page_tree_20000_deep",
     [] { return PageTreeOfDepth(20000); },
     ConvertPdf,
     {XDW_E_CANNOT_READ},
     "page tree",
     10,
     200 * kMiB,
     0,
     XDW_REASON_PDF_DAMAGED},
    {"page_tree_20000_deep_opened",
     [] { return PageTreeOfDepth(20000); },
     OcrFirstPage,
     {XDW_E_CANNOT_READ},
     "page tree",
     10,
     200 * kMiB,
     0,
     XDW_REASON_PDF_DAMAGED},
    {"page_tree_200_deep",
     [] { return PageTreeOfDepth(200); },
     ConvertPdf,
     {0},
     "",
     10,
     200 * kMiB},
    {"objects_nested_100000_deep",
     [] { return NestedObjects(100000); },
     ConvertPdf,
     {0, XDW_E_CANNOT_READ},
     "",
     10,
     200 * kMiB},
    {"objects_nested_100000_deep_with_ocr",
     [] { return NestedObjects(100000); },
     OcrFirstPage,
     {0, XDW_E_CANNOT_READ},
     "",
     20,
     400 * kMiB},
    {"tiles_65536_square_on_a_small_page",
     [] { return TiledTiff(1000, 1000, 65536, 65536); },
     ConvertImage,
     {XDW_E_CANNOT_READ},
     "tiles",
     5,
     100 * kMiB,
     0,
     XDW_REASON_CONTENT},
    {"tiles_65536_square_on_a_huge_page",
     [] { return TiledTiff(65536, 65536, 65536, 65536); },
     ConvertImage,
     {XDW_E_CANNOT_READ},
     "too large",
     5,
     100 * kMiB,
     0,
     XDW_REASON_PICTURE_LIMIT},
    {"image_flated_twice_to_2_gib_with_ocr",
     [] {
         return ImagePage(2480, 3508, "[/FlateDecode /FlateDecode]",
                          Deflated(DeflatedRun('\xFF', 2048 * kMiB)));
     },
     OcrFirstPage,
     {0, XDW_E_CANNOT_READ},
     "",
     30,
     600 * kMiB},
    {"content_stream_of_1_gib_with_ocr",
     [] { return ContentPage("/FlateDecode", DeflatedRun(' ', 1024 * kMiB)); },
     OcrFirstPage,
     {XDW_E_CANNOT_READ},
     "content too large",
     20,
     300 * kMiB,
     0,
     XDW_REASON_PICTURE_LIMIT},
    {"content_stream_of_1_gib_converted",
     [] { return ContentPage("/FlateDecode", DeflatedRun(' ', 1024 * kMiB)); },
     ConvertPdf,
     {0},
     "",
     10,
     200 * kMiB},
    {"bilevel_tiles_20_pixels_wide", BilevelTiles20, ConvertImage, {0}, "", 5, 100 * kMiB},
    {"jpeg_of_335_bytes_claiming_65000_square",
     [] { return JpegClaiming(65000, 65000); },
     ConvertImage,
     {XDW_E_CANNOT_READ},
     "too large",
     5,
     100 * kMiB,
     0,
     XDW_REASON_PICTURE_LIMIT},
    {"progressive_jpeg_claiming_65000_square_printed",
     [] { return JpegClaiming(65000, 65000, true); },
     PrintFile,
     {XDW_E_CANNOT_READ},
     "too large",
     5,
     100 * kMiB,
     0,
     XDW_REASON_PICTURE_LIMIT},
    {"progressive_jpeg_of_5000_scans",
     [] { return JpegOfScans(5000); },
     ConvertImage,
     {XDW_E_CANNOT_READ},
     "scans",
     5,
     100 * kMiB,
     0,
     XDW_REASON_PICTURE_LIMIT},
    {"png_16383_square_rgba",
     [] { return ClearPng(16383, 16383); },
     PrintFile,
     {XDW_E_CANNOT_READ},
     "too large",
     10,
     100 * kMiB,
     0,
     XDW_REASON_PICTURE_LIMIT},
    {"png_9000_square_rgb_with_colour_key",
     [] { return ClearPng(9000, 9000, false); },
     PrintFile,
     {XDW_E_CANNOT_READ},
     "too large",
     10,
     100 * kMiB,
     0,
     XDW_REASON_PICTURE_LIMIT},
    {"webp_of_38_bytes_claiming_16000_square",
     [] {
         // Lossless: signature, then 14 bits each of width - 1 and height - 1.
         const uint32_t size = (16000 - 1) | ((16000u - 1) << 14);
         return std::string("RIFF") + Le32(30) + "WEBPVP8L" + Le32(18) + "\x2F" + Le32(size) +
                std::string(13, '\0');
     },
     PrintFile,
     {XDW_E_CANNOT_READ},
     "too large",
     5,
     100 * kMiB,
     0,
     XDW_REASON_PICTURE_LIMIT},
    {"bmp_claiming_16000_square",
     [] {
         return "BM" + Le32(54) + Le32(0) + Le32(54) + Le32(40) + Le32(16000) + Le32(16000) +
                Le16(1) + Le16(24) + std::string(24, '\0');
     },
     PrintFile,
     {XDW_E_CANNOT_READ},
     "BMP: ",
     5,
     100 * kMiB,
     0,
     XDW_REASON_CONTENT},
    {"png_8000_square_rgba_printed_within_1_gib",
     [] { return ClearPng(8000, 8000); },
     PrintFile,
     {0},
     "",
     30,
     1024 * kMiB},
    {"10000_pages_sharing_a_16384_square_strip",
     [] { return SharedStripTiff(10000, 16384); },
     ConvertImage,
     {XDW_E_CANNOT_READ},
     "altogether",
     10,
     300 * kMiB,
     0,
     XDW_REASON_PICTURE_LIMIT},
    {"jbig2_of_100_square_declaring_a_2_gib_page_with_ocr",
     Jbig2HugePage,
     OcrFirstPage,
     {0, XDW_E_CANNOT_READ},
     "",
     20,
     1024 * kMiB},
    {"ccitt_image_declared_200000_square_with_ocr",
     [] {
         return ImagePage(200000, 200000, "/CCITTFaxDecode", std::string(700, '\0'),
                          "/ColorSpace /DeviceGray /BitsPerComponent 1 /DecodeParms << /K -1 "
                          "/Columns 200000 /Rows 200000 >>");
     },
     OcrFirstPage,
     {XDW_E_CANNOT_READ},
     "too large to render",
     10,
     300 * kMiB,
     0,
     XDW_REASON_PICTURE_LIMIT},
    // Converted as it is; its text is not read for the document's keys.
    {"forms_nested_9_deep_each_drawn_10_times",
     [] { return NestedForms(9); },
     ConvertPdf,
     {0},
     "",
     10,
     300 * kMiB},
    {"forms_nested_9_deep_each_drawn_10_times_turned_with_ocr",
     [] { return NestedForms(9); },
     UprightThenOcr,
     {XDW_E_CANNOT_READ},
     "to render",
     40,
     1024 * kMiB,
     0,
     XDW_REASON_TIME_LIMIT},
    {"noise_bilevel_a4_with_ocr",
     [] { return NoiseTiff(false); },
     ConvertThenOcr,
     {0},
     "",
     15,
     600 * kMiB},
    {"noise_rgb_a4_with_ocr",
     [] { return NoiseTiff(true); },
     ConvertThenOcr,
     {0},
     "",
     15,
     600 * kMiB},
    {"line_segments_of_250_mib_with_ocr",
     [] { return LineSegments(250 * kMiB); },
     OcrFirstPage,
     {0, XDW_E_CANNOT_READ},
     "",
     40,
     1024 * kMiB},
    {"certified_for_forms_with_ocr",
     [] { return CertifiedPdf(2); },
     OcrFirstPage,
     {XDW_E_ACCESS_DENIED},
     "certified",
     10,
     200 * kMiB,
     0,
     XDW_REASON_SIGNED},
    {"certified_for_annotations_with_ocr",
     [] { return CertifiedPdf(3); },
     OcrFirstPage,
     {XDW_E_ACCESS_DENIED},
     "certified",
     10,
     200 * kMiB,
     0,
     XDW_REASON_SIGNED},
    {"gif_of_300_frames_2000_square_printed",
     [] { return GifOfFrames(300, 2000); },
     PrintFile,
     {0},
     "",
     10,
     100 * kMiB},
    {"png_100000_square_1_bit_stored_printed",
     [] { return BilevelPng(100000, 100000); },
     PrintFile,
     {XDW_E_CANNOT_READ},
     "too large",
     10,
     100 * kMiB,
     0,
     XDW_REASON_PICTURE_LIMIT},
    {"jpeg_with_700_mib_after_its_end_marker",
     [] { return JpegClaiming(16, 16); },
     ConvertImage,
     {0},
     "",
     10,
     100 * kMiB,
     700 * kMiB},
    {"jpeg_with_700_mib_after_its_end_marker_printed",
     [] { return JpegClaiming(16, 16); },
     PrintFile,
     {0},
     "",
     10,
     100 * kMiB,
     700 * kMiB},
    {"chm_help_file_printed",
     [] { return "ITSF" + Le32(3) + Le32(0x60) + Le32(1) + std::string(200, '\0'); },
     PrintFile,
     {XDW_E_CANNOT_READ},
     "not a printable document",
     5,
     100 * kMiB,
     0,
     XDW_REASON_TYPE_REFUSED},
};

class HostileFile : public ::testing::TestWithParam<HostileRow> {};

TEST_P(HostileFile, EndsInTimeWithinMemory) {
    const HostileRow& row = GetParam();
    TempDir dir;
    const std::string in = dir.File("in");
    WriteBytes(in, row.make());
    ASSERT_EQ(row.padTo != 0 ? ::truncate(in.c_str(), static_cast<off_t>(row.padTo)) : 0, 0);
    const ChildResult child =
        RunInChild([&] { return row.run(dir, in); }, 3ull << 30, static_cast<int>(row.seconds * 4));
    ASSERT_TRUE(child.exited) << "the call crashed or ran out of time";
    EXPECT_NE(std::find(row.results.begin(), row.results.end(), child.result), row.results.end())
        << child.result << " " << child.reason;
    if (*row.reason != '\0') {
        EXPECT_NE(child.reason.find(row.reason), std::string::npos) << child.reason;
        EXPECT_EQ(child.kind, row.kind) << child.reason;
        EXPECT_FALSE(Exists(dir.File("out.xdw")));
    }
    if (row.padTo != 0 && Exists(dir.File("out.xdw"))) {
        EXPECT_LT(ReadBytes(dir.File("out.xdw")).size(), 1 * kMiB) << "the padding was kept";
    }
    // Sanitized code runs several times slower and keeps its own memory: its
    // bounds are held by the plain build, which runs the same rows. The time
    // is what the work cost, which a busy machine does not change.
    if (!kUnderAsan) {
        EXPECT_LT(child.cpuSeconds, row.seconds);
        EXPECT_LT(child.peakBytes, row.peakBytes);
    }
    std::printf("%s: result %d, %.2f s (%.2f s of processor time), peak %llu MiB\n", row.name,
                child.result, child.seconds, child.cpuSeconds,
                static_cast<unsigned long long>(child.peakBytes / kMiB));
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileFile, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
