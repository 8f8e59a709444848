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

}  // namespace

bool AddPngPageAsStored(QPDF& pdf, const std::string& bytes) {
    const auto* d = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    if (n < 8 || std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) != 0)
        Bad(XDW_REASON_CONTENT, "PNG: not a PNG");

    uint32_t width = 0, height = 0;
    int depth = 0, colorType = -1, interlace = 0;
    std::string palette, idat;
    double dpiX = 0, dpiY = 0;
    bool transparency = false, ended = false;
    for (size_t pos = 8; !ended;) {
        if (pos + 12 > n) Bad(XDW_REASON_CONTENT, "PNG: truncated");
        const uint32_t length = Be32(d + pos);
        const std::string type(reinterpret_cast<const char*>(d + pos + 4), 4);
        if (length > n - pos - 12) Bad(XDW_REASON_CONTENT, "PNG: truncated chunk " + type);
        const unsigned char* body = d + pos + 8;
        if (pos == 8 && type != "IHDR") Bad(XDW_REASON_CONTENT, "PNG: no header");
        if (type == "IHDR") {
            if (length < 13) Bad(XDW_REASON_CONTENT, "PNG: short header");
            width = Be32(body);
            height = Be32(body + 4);
            depth = body[8];
            colorType = body[9];
            interlace = body[12];
            if (width == 0 || height == 0 || width > (1u << 24) || height > (1u << 24))
                Bad(XDW_REASON_CONTENT, "PNG: bad size");
            if (body[10] != 0 || body[11] != 0) Bad(XDW_REASON_CONTENT, "PNG: unknown compression");
        } else if (type == "PLTE") {
            palette.assign(reinterpret_cast<const char*>(body), length);
        } else if (type == "tRNS") {
            transparency = true;
        } else if (type == "pHYs" && length >= 9 && body[8] == 1) {
            // Pixels per metre.
            dpiX = Be32(body) * 0.0254;
            dpiY = Be32(body + 4) * 0.0254;
        } else if (type == "IDAT") {
            idat.append(reinterpret_cast<const char*>(body), length);
        } else if (type == "IEND") {
            ended = true;
        }
        pos += 12 + static_cast<size_t>(length);
    }

    // Stored as it is or decoded, a page holds no more pixels than any other.
    if (uint64_t{width} * height > kMaxPagePixels)
        BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_PIXELS, kMaxPagePixels,
                 "PNG: picture too large (" + std::to_string(width) + "x" + std::to_string(height) +
                     " pixels; at most 600 million)");

    int colors = 0;
    switch (colorType) {
        case 0:
            colors = 1;
            break;
        case 2:
            colors = 3;
            break;
        case 3:
            colors = 1;
            break;
        case 4:
        case 6:
            return false;  // an alpha channel: shown over white after decoding
        default:
            Bad(XDW_REASON_CONTENT, "PNG: unknown colour type");
    }
    const bool depthOk = colorType == 0
                             ? (depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16)
                         : colorType == 2 ? (depth == 8 || depth == 16)
                                          : (depth == 1 || depth == 2 || depth == 4 || depth == 8);
    if (!depthOk) Bad(XDW_REASON_CONTENT, "PNG: bad bit depth");
    if (interlace != 0 || transparency) return false;
    if (idat.empty()) Bad(XDW_REASON_CONTENT, "PNG: no image data");

    const uint64_t rowBytes = (uint64_t{width} * depth * colors + 7) / 8;
    RowCheck check(rowBytes, height);
    try {
        Pl_Flate inflate("png check", &check, Pl_Flate::a_inflate);
        inflate.write(reinterpret_cast<const unsigned char*>(idat.data()), idat.size());
        inflate.finish();
    } catch (const EngineError&) {
        throw;
    } catch (const std::runtime_error& e) {
        Bad(XDW_REASON_CONTENT, std::string("PNG: damaged image data (") + e.what() + ")");
    }
    if (!check.complete()) Bad(XDW_REASON_CONTENT, "PNG: image data ends early");

    QPDFObjectHandle space = QPDFObjectHandle::newName(colors == 3 ? "/DeviceRGB" : "/DeviceGray");
    if (colorType == 3) {
        if (palette.empty() || palette.size() % 3 != 0 || palette.size() > 768)
            Bad(XDW_REASON_CONTENT, "PNG: bad palette");
        space = QPDFObjectHandle::newArray();
        space.appendItem(QPDFObjectHandle::newName("/Indexed"));
        space.appendItem(QPDFObjectHandle::newName("/DeviceRGB"));
        space.appendItem(
            QPDFObjectHandle::newInteger(static_cast<long long>(palette.size() / 3) - 1));
        space.appendItem(QPDFObjectHandle::newString(palette));
    }
    QPDFObjectHandle image = NewImageStream(pdf, width, height, depth, space);
    QPDFObjectHandle parms = QPDFObjectHandle::newDictionary();
    parms.replaceKey("/Predictor", QPDFObjectHandle::newInteger(15));
    parms.replaceKey("/Columns", QPDFObjectHandle::newInteger(width));
    parms.replaceKey("/Colors", QPDFObjectHandle::newInteger(colors));
    parms.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(depth));
    image.replaceStreamData(idat, QPDFObjectHandle::newName("/FlateDecode"), parms);

    ImagePlacement placement;
    placement.width = width;
    placement.height = height;
    placement.xdpi = dpiX;
    placement.ydpi = dpiY;
    AddImagePage(pdf, image, placement);
    return true;
}

}  // namespace xdw
