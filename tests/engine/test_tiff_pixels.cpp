// Every kind of TIFF page the engine stores itself, in strips and in tiles of
// any width (also widths libtiff only reads), compared pixel for pixel with
// libtiff's own decoding of the same file.
#include <gtest/gtest.h>

#include <tiffio.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include "RawFiles.h"
#include "TestFiles.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

struct Format {
    const char* name;
    uint16_t photometric;
    uint16_t bits;
    uint16_t samples;
    uint16_t fillOrder = FILLORDER_MSB2LSB;
    uint16_t planar = PLANARCONFIG_CONTIG;
};

struct Layout {
    const char* name;
    uint32_t width, height;
    uint32_t tileWidth = 0, tileHeight = 0;  // 0: strips
    uint32_t rowsPerStrip = 0;
};

// Packs the samples of a rectangle of the page (from plane first to plane
// last) into rows of rowBits bits, padded to bytes; pixels outside the page
// get noise, as a writer may leave there.
std::string Pack(const std::vector<uint32_t>& samples, const Format& f, const Layout& l,
                 uint32_t x0, uint32_t y0, uint32_t w, uint32_t h, int first, int last,
                 std::mt19937& noise) {
    std::string out;
    const int per = last - first;
    for (uint32_t y = y0; y < y0 + h; ++y) {
        std::vector<uint32_t> row;
        for (uint32_t x = x0; x < x0 + w; ++x)
            for (int s = first; s < last; ++s)
                row.push_back(x < l.width && y < l.height
                                  ? samples[(static_cast<size_t>(y) * l.width + x) * f.samples + s]
                                  : noise() & ((1u << f.bits) - 1));
        if (f.bits == 16) {
            for (uint32_t v : row) out += Le16(v);
            continue;
        }
        std::string bytes((static_cast<size_t>(w) * per * f.bits + 7) / 8, '\0');
        for (size_t i = 0; i < row.size(); ++i) {
            const size_t bit = i * f.bits;
            const uint32_t v = row[i] << (8 - f.bits - bit % 8);
            bytes[bit / 8] = static_cast<char>(static_cast<uint8_t>(bytes[bit / 8]) | v);
        }
        out += bytes;
    }
    if (f.fillOrder == FILLORDER_LSB2MSB)
        TIFFReverseBits(reinterpret_cast<uint8_t*>(out.data()), static_cast<tmsize_t>(out.size()));
    return out;
}

// An uncompressed TIFF of random samples (the same for every layout of a
// seed) in the given format and layout.
std::string MakeTiffBytes(const Format& f, const Layout& l, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint32_t> samples(static_cast<size_t>(l.width) * l.height * f.samples);
    for (uint32_t& v : samples) v = random() & ((1u << f.bits) - 1);
    std::vector<uint32_t> map(3u << f.bits);
    for (uint32_t& v : map) v = random() & 0xFFFF;
    std::mt19937 noise(seed + 1);

    const bool tiled = l.tileWidth != 0;
    const uint32_t cw = tiled ? l.tileWidth : l.width;
    const uint32_t ch = tiled ? l.tileHeight : l.rowsPerStrip;
    const int planes = f.planar == PLANARCONFIG_SEPARATE ? f.samples : 1;
    std::string data;
    std::vector<uint32_t> offsets, counts;
    for (int p = 0; p < planes; ++p)
        for (uint32_t y = 0; y < l.height; y += ch)
            for (uint32_t x = 0; x < l.width; x += cw) {
                const uint32_t h = tiled ? ch : std::min(ch, l.height - y);
                const std::string chunk =
                    planes > 1 ? Pack(samples, f, l, x, y, cw, h, p, p + 1, noise)
                               : Pack(samples, f, l, x, y, cw, h, 0, f.samples, noise);
                offsets.push_back(static_cast<uint32_t>(8 + data.size()));
                counts.push_back(static_cast<uint32_t>(chunk.size()));
                data += chunk;
            }
    std::vector<TiffEntry> tags = {
        {256, 4, {l.width}},
        {257, 4, {l.height}},
        {258, 3, std::vector<uint32_t>(f.samples, f.bits)},
        {259, 3, {COMPRESSION_NONE}},
        {262, 3, {f.photometric}},
        {266, 3, {f.fillOrder}},
        {277, 3, {f.samples}},
        {284, 3, {f.planar}},
    };
    if (tiled) {
        tags.push_back({322, 4, {l.tileWidth}});
        tags.push_back({323, 4, {l.tileHeight}});
        tags.push_back({324, 4, offsets});
        tags.push_back({325, 4, counts});
    } else {
        tags.push_back({273, 4, offsets});
        tags.push_back({278, 4, {l.rowsPerStrip}});
        tags.push_back({279, 4, counts});
    }
    if (f.photometric == PHOTOMETRIC_PALETTE) {
        tags.push_back({320, 3, map});
    }
    return TiffFile(tags, data);
}

struct Rgb {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;  // r g b, rows from the top
};

// libtiff's reading of the file, as RGB. Its RGBA reader misplaces the
// samples of tiles cut by the page's right edge (sub-byte and 16-bit ones), so
// the reference is always read from a file of one strip.
Rgb LibtiffRgb(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) throw std::runtime_error("libtiff cannot open the file");
    Rgb out;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &out.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &out.height);
    std::vector<uint32_t> raster(static_cast<size_t>(out.width) * out.height);
    const int ok = TIFFReadRGBAImageOriented(tif, out.width, out.height, raster.data(),
                                             ORIENTATION_TOPLEFT, 1);
    TIFFClose(tif);
    if (!ok) throw std::runtime_error("libtiff cannot read the pixels");
    for (uint32_t p : raster)
        for (uint32_t c : {TIFFGetR(p), TIFFGetG(p), TIFFGetB(p)})
            out.pixels.push_back(static_cast<uint8_t>(c));
    return out;
}

// A G4 image stream's bits, decoded by libtiff: 1 for the code's black runs.
std::vector<uint8_t> DecodeG4(const std::string& coded, uint32_t w, uint32_t h,
                              const std::string& scratch) {
    WriteBytes(scratch, TiffFile({{256, 4, {w}},
                                  {257, 4, {h}},
                                  {258, 3, {1}},
                                  {259, 3, {COMPRESSION_CCITTFAX4}},
                                  {262, 3, {PHOTOMETRIC_MINISWHITE}},
                                  {273, 4, {8}},
                                  {278, 4, {h}},
                                  {279, 4, {static_cast<uint32_t>(coded.size())}}},
                                 coded));
    TIFF* tif = TIFFOpen(scratch.c_str(), "r");
    std::vector<uint8_t> row(TIFFScanlineSize(tif)), bits;
    for (uint32_t y = 0; y < h; ++y) {
        if (TIFFReadScanline(tif, row.data(), y, 0) < 0) throw std::runtime_error("G4");
        for (uint32_t x = 0; x < w; ++x) bits.push_back((row[x / 8] >> (7 - x % 8)) & 1);
    }
    TIFFClose(tif);
    return bits;
}

uint32_t Sample(const std::string& data, size_t rowBytes, int bits, uint32_t y, size_t i) {
    const auto* d = reinterpret_cast<const uint8_t*>(data.data()) + y * rowBytes;
    if (bits == 16) return d[i * 2];  // high byte
    if (bits == 8) return d[i];
    const size_t bit = i * bits;
    return (d[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

// The page image of the engine's document, shown as a PDF reader shows it.
Rgb EngineRgb(const std::string& path, const std::string& scratch) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    QPDFPageObjectHelper page = QPDFPageDocumentHelper(pdf).getAllPages().at(0);
    QPDFObjectHandle image = page.getImages().begin()->second;
    QPDFObjectHandle dict = image.getDict();
    Rgb out;
    out.width = static_cast<uint32_t>(dict.getKey("/Width").getIntValue());
    out.height = static_cast<uint32_t>(dict.getKey("/Height").getIntValue());
    const int bits = static_cast<int>(dict.getKey("/BitsPerComponent").getIntValue());
    const bool inverted = dict.getKey("/Decode").isArray();
    if (dict.getKey("/Filter").isNameAndEquals("/CCITTFaxDecode")) {
        const bool blackIs1 = dict.getKey("/DecodeParms").getKey("/BlackIs1").isBool() &&
                              dict.getKey("/DecodeParms").getKey("/BlackIs1").getBoolValue();
        const std::shared_ptr<Buffer> raw = image.getRawStreamData();
        const std::vector<uint8_t> code =
            DecodeG4(std::string(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize()),
                     out.width, out.height, scratch);
        for (uint8_t black : code) {
            // The filter's output bit is 1 for black exactly when BlackIs1.
            const int bit = blackIs1 ? black : 1 - black;
            out.pixels.insert(out.pixels.end(), 3, bit ? 255 : 0);
        }
        return out;
    }
    const std::shared_ptr<Buffer> buffer = image.getStreamData(qpdf_dl_all);
    const std::string data(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
    QPDFObjectHandle cs = dict.getKey("/ColorSpace");
    const int n = cs.isNameAndEquals("/DeviceRGB") ? 3 : cs.isNameAndEquals("/DeviceCMYK") ? 4 : 1;
    const size_t rowBytes = (static_cast<size_t>(out.width) * n * bits + 7) / 8;
    const uint32_t max = bits == 16 ? 255 : (1u << bits) - 1;
    for (uint32_t y = 0; y < out.height; ++y)
        for (uint32_t x = 0; x < out.width; ++x) {
            uint32_t v[4];
            for (int k = 0; k < n; ++k) v[k] = Sample(data, rowBytes, bits, y, size_t(x) * n + k);
            if (cs.isArray()) {  // /Indexed /DeviceRGB hival lookup
                const std::string lookup = cs.getArrayItem(3).getStringValue();
                for (int k = 0; k < 3; ++k)
                    out.pixels.push_back(static_cast<uint8_t>(lookup.at(v[0] * 3 + k)));
            } else if (n == 4) {
                // The same CMYK to RGB rule as libtiff's.
                for (int k = 0; k < 3; ++k)
                    out.pixels.push_back(static_cast<uint8_t>((255 - v[3]) * (255 - v[k]) / 255));
            } else {
                for (int k = 0; k < 3; ++k) {
                    uint32_t c = v[n == 1 ? 0 : k] * 255 / max;
                    out.pixels.push_back(static_cast<uint8_t>(inverted ? 255 - c : c));
                }
            }
        }
    return out;
}

const Format kFormats[] = {
    {"bilevel_white_is_zero", PHOTOMETRIC_MINISWHITE, 1, 1},
    {"bilevel_black_is_zero", PHOTOMETRIC_MINISBLACK, 1, 1},
    {"bilevel_low_bit_first", PHOTOMETRIC_MINISWHITE, 1, 1, FILLORDER_LSB2MSB},
    {"grey_2", PHOTOMETRIC_MINISBLACK, 2, 1},
    {"grey_4_white_is_zero", PHOTOMETRIC_MINISWHITE, 4, 1},
    {"grey_4_low_bit_first", PHOTOMETRIC_MINISBLACK, 4, 1, FILLORDER_LSB2MSB},
    {"grey_8", PHOTOMETRIC_MINISBLACK, 8, 1},
    {"grey_8_white_is_zero", PHOTOMETRIC_MINISWHITE, 8, 1},
    {"grey_16", PHOTOMETRIC_MINISBLACK, 16, 1},
    {"palette_1", PHOTOMETRIC_PALETTE, 1, 1},
    {"palette_2", PHOTOMETRIC_PALETTE, 2, 1},
    {"palette_4", PHOTOMETRIC_PALETTE, 4, 1},
    {"palette_8", PHOTOMETRIC_PALETTE, 8, 1},
    {"rgb_8", PHOTOMETRIC_RGB, 8, 3},
    {"rgb_16", PHOTOMETRIC_RGB, 16, 3},
    {"rgb_8_planes", PHOTOMETRIC_RGB, 8, 3, FILLORDER_MSB2LSB, PLANARCONFIG_SEPARATE},
    {"rgb_16_planes", PHOTOMETRIC_RGB, 16, 3, FILLORDER_MSB2LSB, PLANARCONFIG_SEPARATE},
    {"cmyk_8", PHOTOMETRIC_SEPARATED, 8, 4},
    {"cmyk_8_planes", PHOTOMETRIC_SEPARATED, 8, 4, FILLORDER_MSB2LSB, PLANARCONFIG_SEPARATE},
    {"grey_4_planes_low_bit_first", PHOTOMETRIC_MINISBLACK, 4, 1, FILLORDER_LSB2MSB,
     PLANARCONFIG_SEPARATE},
};

const Layout kLayouts[] = {
    {"strips_of_3_rows", 37, 11, 0, 0, 3},     {"tiles_16", 37, 21, 16, 16},
    {"tiles_20_wide", 45, 19, 20, 8},          {"tiles_36_wide", 77, 9, 36, 16},
    {"tile_larger_than_page", 20, 20, 32, 32},
};

// One test per format, all layouts in it: each test is a process of its own.
class TiffPixels : public ::testing::TestWithParam<Format> {};

void ExpectSameAsLibtiff(const Format& format, const Layout& layout) {
    TempDir dir;
    const std::string in = dir.File("in.tif"), out = dir.File("out.xdw");
    WriteBytes(in, MakeTiffBytes(format, layout, 17));
    const XDW_CREATE_OPTION option{sizeof(XDW_CREATE_OPTION), 1, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(XDW_CreateXdwFromImageFile(in.c_str(), out.c_str(), &option), 0) << [] {
        char reason[200];
        XDW_GetLastErrorText(reason, sizeof reason);
        return std::string(reason);
    }();

    const std::string reference = dir.File("reference.tif");
    const Layout oneStrip{"one_strip", layout.width, layout.height, 0, 0, layout.height};
    WriteBytes(reference, MakeTiffBytes({format.name, format.photometric, format.bits,
                                         format.samples, format.fillOrder, PLANARCONFIG_CONTIG},
                                        oneStrip, 17));
    const Rgb want = LibtiffRgb(reference);
    const Rgb got = EngineRgb(out, dir.File("g4.tif"));
    ASSERT_EQ(got.width, want.width);
    ASSERT_EQ(got.height, want.height);
    ASSERT_EQ(got.pixels.size(), want.pixels.size());
    // libtiff's RGBA reader rounds 16-bit colour samples to 8 bits, where a
    // PDF reader may take the high byte.
    const int slack = format.bits == 16 && format.samples > 1 ? 1 : 0;
    for (size_t i = 0; i < want.pixels.size(); ++i) {
        if (std::abs(got.pixels[i] - want.pixels[i]) > slack) {
            const size_t pixel = i / 3;
            FAIL() << "pixel " << pixel % want.width << "," << pixel / want.width << " channel "
                   << i % 3 << ": " << int(got.pixels[i]) << " instead of " << int(want.pixels[i]);
        }
    }
}

TEST_P(TiffPixels, SameAsLibtiffInEveryLayout) {
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        ExpectSameAsLibtiff(GetParam(), layout);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, TiffPixels, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
