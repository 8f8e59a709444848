#include "image/ImagePng.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

#include <qpdf/Pipeline.hh>
#include <qpdf/Pl_Flate.hh>

#include "Error.h"
#include "Limits.h"
#include "pdf/PdfBuild.h"

namespace xdw {

namespace {

uint32_t Be32(const unsigned char* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Follows the decoded rows: each must start with a filter type PNG knows,
// and there must be exactly as many bytes as the rows need.
class RowCheck : public Pipeline {
public:
    RowCheck(uint64_t rowBytes, uint64_t rows)
        : Pipeline("png rows", nullptr), row_(rowBytes + 1), total_(row_ * rows) {}

    void write(unsigned char const* data, size_t len) override {
        for (size_t i = 0; i < len;) {
            if (seen_ >= total_)
                Bad(XDW_REASON_CONTENT, "PNG: more image data than the picture holds");
            if (seen_ % row_ == 0 && data[i] > 4) Bad(XDW_REASON_CONTENT, "PNG: bad row filter");
            const uint64_t toRowEnd = row_ - seen_ % row_;
            const uint64_t step = std::min<uint64_t>(toRowEnd, len - i);
            seen_ += step;
            i += static_cast<size_t>(step);
        }
    }
    void finish() override {}
    bool complete() const { return seen_ == total_; }

private:
    uint64_t row_;
    uint64_t total_;
    uint64_t seen_ = 0;
};

// What the chunks of a PNG file say, its compressed image data joined.
struct PngFile {
    uint32_t width = 0, height = 0;
    int depth = 0, colorType = -1, interlace = 0;
    std::string palette, idat;
    double dpiX = 0, dpiY = 0;
    bool transparency = false;
};

void ReadHeader(const unsigned char* body, uint32_t length, PngFile& png) {
    if (length < 13) Bad(XDW_REASON_CONTENT, "PNG: short header");
    png.width = Be32(body);
    png.height = Be32(body + 4);
    png.depth = body[8];
    png.colorType = body[9];
    png.interlace = body[12];
    if (png.width == 0 || png.height == 0 || png.width > (1u << 24) || png.height > (1u << 24))
        Bad(XDW_REASON_CONTENT, "PNG: bad size");
    if (body[10] != 0 || body[11] != 0) Bad(XDW_REASON_CONTENT, "PNG: unknown compression");
}

// The chunks up to IEND; throws for a file that is not a whole PNG.
PngFile ReadChunks(const std::string& bytes) {
    const auto* d = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    if (n < 8 || std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) != 0)
        Bad(XDW_REASON_CONTENT, "PNG: not a PNG");
    PngFile png;
    for (size_t pos = 8;;) {
        if (pos + 12 > n) Bad(XDW_REASON_CONTENT, "PNG: truncated");
        const uint32_t length = Be32(d + pos);
        const std::string type(reinterpret_cast<const char*>(d + pos + 4), 4);
        if (length > n - pos - 12) Bad(XDW_REASON_CONTENT, "PNG: truncated chunk " + type);
        const unsigned char* body = d + pos + 8;
        if (pos == 8 && type != "IHDR") Bad(XDW_REASON_CONTENT, "PNG: no header");
        if (type == "IHDR") {
            ReadHeader(body, length, png);
        } else if (type == "PLTE") {
            png.palette.assign(reinterpret_cast<const char*>(body), length);
        } else if (type == "tRNS") {
            png.transparency = true;
        } else if (type == "pHYs" && length >= 9 && body[8] == 1) {
            // Pixels per metre.
            png.dpiX = Be32(body) * 0.0254;
            png.dpiY = Be32(body + 4) * 0.0254;
        } else if (type == "IDAT") {
            png.idat.append(reinterpret_cast<const char*>(body), length);
        } else if (type == "IEND") {
            return png;
        }
        pos += 12 + static_cast<size_t>(length);
    }
}

// The colour components of a pixel as the page stores them (a palette
// index is one), or 0 when the picture needs decoding first (an alpha
// channel, interlacing, transparency). Throws for a colour type or depth PNG
// does not know, and for a picture larger than any page may be.
int StoredColors(const PngFile& png) {
    // Stored as it is or decoded, a page holds no more pixels than any other.
    if (uint64_t{png.width} * png.height > kMaxPagePixels)
        BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_PIXELS, kMaxPagePixels,
                 "PNG: picture too large (" + std::to_string(png.width) + "x" +
                     std::to_string(png.height) + " pixels; at most 600 million)");
    int colors = 0;
    switch (png.colorType) {
        case 0:
        case 3:
            colors = 1;
            break;
        case 2:
            colors = 3;
            break;
        case 4:
        case 6:
            return 0;  // an alpha channel: shown over white after decoding
        default:
            Bad(XDW_REASON_CONTENT, "PNG: unknown colour type");
    }
    const int depth = png.depth;
    const bool depthOk =
        png.colorType == 0   ? (depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16)
        : png.colorType == 2 ? (depth == 8 || depth == 16)
                             : (depth == 1 || depth == 2 || depth == 4 || depth == 8);
    if (!depthOk) Bad(XDW_REASON_CONTENT, "PNG: bad bit depth");
    if (png.interlace != 0 || png.transparency) return 0;
    return colors;
}

// Throws unless the compressed data decodes to exactly the picture's rows.
void CheckRows(const PngFile& png, int colors) {
    if (png.idat.empty()) Bad(XDW_REASON_CONTENT, "PNG: no image data");
    const uint64_t rowBytes = (uint64_t{png.width} * png.depth * colors + 7) / 8;
    RowCheck check(rowBytes, png.height);
    try {
        Pl_Flate inflate("png check", &check, Pl_Flate::a_inflate);
        inflate.write(reinterpret_cast<const unsigned char*>(png.idat.data()), png.idat.size());
        inflate.finish();
    } catch (const EngineError&) {
        throw;
    } catch (const std::runtime_error& e) {
        Bad(XDW_REASON_CONTENT, std::string("PNG: damaged image data (") + e.what() + ")");
    }
    if (!check.complete()) Bad(XDW_REASON_CONTENT, "PNG: image data ends early");
}

QPDFObjectHandle ColourSpace(const PngFile& png, int colors) {
    if (png.colorType != 3)
        return QPDFObjectHandle::newName(colors == 3 ? "/DeviceRGB" : "/DeviceGray");
    const std::string& palette = png.palette;
    if (palette.empty() || palette.size() % 3 != 0 || palette.size() > 768)
        Bad(XDW_REASON_CONTENT, "PNG: bad palette");
    QPDFObjectHandle space = QPDFObjectHandle::newArray();
    space.appendItem(QPDFObjectHandle::newName("/Indexed"));
    space.appendItem(QPDFObjectHandle::newName("/DeviceRGB"));
    space.appendItem(QPDFObjectHandle::newInteger(static_cast<long long>(palette.size() / 3) - 1));
    space.appendItem(QPDFObjectHandle::newString(palette));
    return space;
}

// The image stream holding the compressed data as it is, with the row
// predictor that undoes PNG's filters.
QPDFObjectHandle StoredImage(QPDF& pdf, const PngFile& png, int colors) {
    QPDFObjectHandle image =
        NewImageStream(pdf, png.width, png.height, png.depth, ColourSpace(png, colors));
    QPDFObjectHandle parms = QPDFObjectHandle::newDictionary();
    parms.replaceKey("/Predictor", QPDFObjectHandle::newInteger(15));
    parms.replaceKey("/Columns", QPDFObjectHandle::newInteger(png.width));
    parms.replaceKey("/Colors", QPDFObjectHandle::newInteger(colors));
    parms.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(png.depth));
    image.replaceStreamData(png.idat, QPDFObjectHandle::newName("/FlateDecode"), parms);
    return image;
}

}  // namespace

bool AddPngPageAsStored(QPDF& pdf, const std::string& bytes) {
    const PngFile png = ReadChunks(bytes);
    const int colors = StoredColors(png);
    if (colors == 0) return false;
    CheckRows(png, colors);
    QPDFObjectHandle image = StoredImage(pdf, png, colors);
    ImagePlacement placement;
    placement.width = png.width;
    placement.height = png.height;
    placement.xdpi = png.dpiX;
    placement.ydpi = png.dpiY;
    AddImagePage(pdf, image, placement);
    return true;
}

}  // namespace xdw
