#include "image/ImagePicture.h"

#include <leptonica/allheaders.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>

#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_String.hh>

#include "Error.h"
#include "Limits.h"
#include "image/ImageJpeg.h"
#include "image/ImagePng.h"
#include "image/ImageTiff.h"
#include "image/PngPredictor.h"
#include "pdf/PdfBuild.h"

namespace xdw {

namespace {

struct PixFree {
    void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<PIX, PixFree>;

std::string ReadPicture(const std::string& path, std::uintmax_t largest) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) ThrowErrno(XDW_REASON_SOURCE, path, ec.value(), "cannot read the picture");
    if (size > largest)
        BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_BYTES, largest,
                 "picture file larger than " + std::to_string(largest >> 20) + " MiB");
    std::ifstream in(path, std::ios::binary);
    std::string data(size, '\0');
    in.read(data.data(), static_cast<std::streamsize>(size));
    if (!in || static_cast<std::uintmax_t>(in.gcount()) != size)
        Bad(XDW_REASON_CONTENT, "cannot read the picture");
    return data;
}

// Leptonica prints its complaints unless told otherwise; once is enough.
void QuietLeptonica() {
    static std::once_flag once;
    std::call_once(once, [] { setMsgSeverity(L_SEVERITY_NONE); });
}

uint8_t OverWhite(unsigned c, unsigned a) {
    return static_cast<uint8_t>((c * a + 255 * (255 - a)) / 255);
}

// A colour map as an /Indexed colour space, each entry over white paper.
QPDFObjectHandle IndexedSpace(PIXCMAP* cmap) {
    const int count = pixcmapGetCount(cmap);
    std::string lookup;
    for (int i = 0; i < count; ++i) {
        l_int32 r = 0, g = 0, b = 0, a = 255;
        pixcmapGetRGBA(cmap, i, &r, &g, &b, &a);
        for (int c : {r, g, b})
            lookup +=
                static_cast<char>(OverWhite(static_cast<unsigned>(c), static_cast<unsigned>(a)));
    }
    QPDFObjectHandle space = QPDFObjectHandle::newArray();
    space.appendItem(QPDFObjectHandle::newName("/Indexed"));
    space.appendItem(QPDFObjectHandle::newName("/DeviceRGB"));
    space.appendItem(QPDFObjectHandle::newInteger(count - 1));
    space.appendItem(QPDFObjectHandle::newString(lookup));
    return space;
}

// The pixels of a decoded picture as packed rows of samples: colour-mapped
// and grey pictures keep their depth, everything else becomes 8-bit RGB.
struct Samples {
    std::vector<uint8_t> rows;
    size_t rowBytes = 0;
    int bits = 8;
    int colors = 3;
    QPDFObjectHandle space;
};

Samples SamplesOf(PIX* pix) {
    const uint32_t w = pixGetWidth(pix), h = pixGetHeight(pix);
    const int depth = pixGetDepth(pix);
    PIXCMAP* cmap = pixGetColormap(pix);
    const l_uint32* data = pixGetData(pix);
    const int wpl = pixGetWpl(pix);
    Samples s;
    if (cmap != nullptr || depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16) {
        s.bits = depth;
        s.colors = 1;
        if (cmap != nullptr) {
            s.space = IndexedSpace(cmap);
        } else {
            s.space = QPDFObjectHandle::newName("/DeviceGray");
        }
        s.rowBytes = (static_cast<size_t>(w) * depth + 7) / 8;
        s.rows.resize(s.rowBytes * h);
        for (uint32_t y = 0; y < h; ++y) {
            const l_uint32* line = data + static_cast<size_t>(y) * wpl;
            uint8_t* out = s.rows.data() + y * s.rowBytes;
            // Leptonica keeps rows as 32-bit words, first pixel in the high
            // bits; samples come out high byte first, as PDF wants them.
            for (size_t i = 0; i < s.rowBytes; ++i)
                out[i] = static_cast<uint8_t>(line[i / 4] >> (24 - 8 * (i % 4)));
            // Leptonica's 1-bit pictures without a map are 1 = black.
            if (depth == 1 && cmap == nullptr)
                for (size_t i = 0; i < s.rowBytes; ++i) out[i] = static_cast<uint8_t>(~out[i]);
        }
        return s;
    }
    if (depth != 32) Bad(XDW_REASON_CONTENT, "unsupported picture depth " + std::to_string(depth));
    const bool alpha = pixGetSpp(pix) == 4;
    s.space = QPDFObjectHandle::newName("/DeviceRGB");
    s.rowBytes = static_cast<size_t>(w) * 3;
    s.rows.resize(s.rowBytes * h);
    for (uint32_t y = 0; y < h; ++y) {
        const l_uint32* line = data + static_cast<size_t>(y) * wpl;
        uint8_t* out = s.rows.data() + y * s.rowBytes;
        for (uint32_t x = 0; x < w; ++x) {
            const l_uint32 p = line[x];
            const unsigned a = alpha ? (p & 0xFF) : 255;
            out[3 * x] = OverWhite((p >> 24) & 0xFF, a);
            out[3 * x + 1] = OverWhite((p >> 16) & 0xFF, a);
            out[3 * x + 2] = OverWhite((p >> 8) & 0xFF, a);
        }
    }
    return s;
}

// What decoding the picture whole would hold at once, from its header: the
// decoder's own rows and the decoded picture (colour at four bytes a pixel).
void CheckDecodedSize(uint64_t w, uint64_t h, int bps, int spp, bool cmap, PictureKind kind) {
    const uint64_t pixels = w * h;
    const uint64_t depth = cmap || spp == 1 ? std::max(bps, 1) : 32;
    const uint64_t decoded = pixels * depth / 8;
    const uint64_t rows = pixels * std::max(spp, 1) * ((std::max(bps, 1) + 7) / 8);
    if (w == 0 || h == 0 || pixels > kMaxPagePixels || decoded > kMaxDecodedPictureBytes ||
        rows + decoded > kMaxPageBytes)
        BadLimit(XDW_REASON_PICTURE_LIMIT,
                 pixels > kMaxPagePixels ? XDW_LIMIT_PIXELS : XDW_LIMIT_BYTES,
                 pixels > kMaxPagePixels ? kMaxPagePixels : kMaxDecodedPictureBytes,
                 std::string(PictureKindName(kind)) + ": picture too large (" + std::to_string(w) +
                     "x" + std::to_string(h) + " pixels; at most 256 MiB decoded)");
}

// The GIF cut after its first picture and closed with the trailer: the
// decoder would otherwise decode every frame of an animation, of which the
// page shows only the first.
void KeepFirstGifFrame(std::string& data) {
    const auto* d = reinterpret_cast<const unsigned char*>(data.data());
    const size_t n = data.size();
    // Colour tables follow the screen and image descriptors when their
    // flags say so: 3 * 2^(size + 1) bytes.
    const auto table = [](unsigned flags) -> size_t {
        return (flags & 0x80) ? 3u << ((flags & 7) + 1) : 0;
    };
    // Sub-blocks, each a length byte and that many bytes, up to an empty one.
    const auto skipBlocks = [&](size_t pos) {
        while (pos < n && d[pos] != 0) pos += 1 + d[pos];
        return pos + 1;
    };
    if (n < 13) Bad(XDW_REASON_CONTENT, "GIF: truncated");
    size_t pos = 13 + table(d[10]);
    while (pos < n) {
        if (d[pos] == 0x21 && pos + 1 < n) {  // an extension
            pos = skipBlocks(pos + 2);
        } else if (d[pos] == 0x2C && pos + 10 < n) {  // the first picture
            pos += 10 + table(d[pos + 9]) + 1;        // and its code size
            pos = skipBlocks(pos);
            if (pos > n) break;
            data.resize(pos);
            data += '\x3B';
            return;
        } else {
            break;
        }
    }
    Bad(XDW_REASON_CONTENT, "GIF: no picture");
}

void AddDecodedPage(QPDF& pdf, std::string data, PictureKind kind) {
    QuietLeptonica();
    if (kind == PictureKind::Gif) KeepFirstGifFrame(data);
    l_int32 w = 0, h = 0, bps = 0, spp = 0, cmap = 0;
    if (pixReadHeaderMem(reinterpret_cast<const l_uint8*>(data.data()), data.size(), nullptr, &w,
                         &h, &bps, &spp, &cmap) != 0 ||
        w < 0 || h < 0)
        Bad(XDW_REASON_CONTENT, std::string(PictureKindName(kind)) + ": unreadable header");
    CheckDecodedSize(static_cast<uint64_t>(w), static_cast<uint64_t>(h), bps, spp, cmap != 0, kind);
    PixPtr pix(pixReadMem(reinterpret_cast<const l_uint8*>(data.data()), data.size()));
    std::string().swap(data);  // the file's bytes are not needed past here
    if (!pix) Bad(XDW_REASON_CONTENT, std::string(PictureKindName(kind)) + ": damaged picture");
    const Samples s = SamplesOf(pix.get());
    ImagePlacement placement;
    placement.width = pixGetWidth(pix.get());
    placement.height = pixGetHeight(pix.get());
    placement.xdpi = pixGetXRes(pix.get());
    placement.ydpi = pixGetYRes(pix.get());
    pix.reset();  // the samples are all that is coded

    std::string coded;
    {
        Pl_String sink("picture", nullptr, coded);
        Pl_Flate flate("picture", &sink, Pl_Flate::a_deflate);
        WritePredictedRows(s.rows.data(), s.rowBytes, static_cast<uint32_t>(placement.height),
                           std::max(1, s.bits * s.colors / 8), flate);
        flate.finish();
    }
    QPDFObjectHandle image =
        NewImageStream(pdf, placement.width, placement.height, s.bits, s.space);
    QPDFObjectHandle parms = QPDFObjectHandle::newDictionary();
    parms.replaceKey("/Predictor", QPDFObjectHandle::newInteger(15));
    parms.replaceKey("/Columns", QPDFObjectHandle::newInteger(placement.width));
    parms.replaceKey("/Colors", QPDFObjectHandle::newInteger(s.colors));
    parms.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(s.bits));
    image.replaceStreamData(coded, QPDFObjectHandle::newName("/FlateDecode"), parms);
    AddImagePage(pdf, image, placement);
}

}  // namespace

PictureKind PictureKindOf(const std::string& head) {
    auto starts = [&](const char* magic, size_t len) {
        return head.size() >= len && std::memcmp(head.data(), magic, len) == 0;
    };
    if (starts("\xFF\xD8\xFF", 3)) return PictureKind::Jpeg;
    if (starts("II*\0", 4) || starts("MM\0*", 4) || starts("II+\0", 4) || starts("MM\0+", 4))
        return PictureKind::Tiff;
    if (starts("\x89PNG\r\n\x1a\n", 8)) return PictureKind::Png;
    if (starts("GIF87a", 6) || starts("GIF89a", 6)) return PictureKind::Gif;
    if (starts("BM", 2) && head.size() >= 14) return PictureKind::Bmp;
    if (starts("RIFF", 4) && head.size() >= 12 && head.compare(8, 4, "WEBP") == 0)
        return PictureKind::WebP;
    if (head.size() >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6' &&
        std::strchr(" \t\r\n", head[2]) != nullptr)
        return PictureKind::Pnm;
    return PictureKind::None;
}

const char* PictureKindName(PictureKind kind) {
    switch (kind) {
        case PictureKind::Jpeg:
            return "JPEG";
        case PictureKind::Tiff:
            return "TIFF";
        case PictureKind::Png:
            return "PNG";
        case PictureKind::Gif:
            return "GIF";
        case PictureKind::Bmp:
            return "BMP";
        case PictureKind::WebP:
            return "WebP";
        case PictureKind::Pnm:
            return "PNM";
        case PictureKind::None:
            break;
    }
    return "unknown picture";
}

void AddPicturePages(QPDF& pdf, const std::string& path) {
    std::string head;
    {
        std::ifstream in(path, std::ios::binary);
        head.resize(16);
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<size_t>(in.gcount()));
    }
    const PictureKind kind = PictureKindOf(head);
    try {
        switch (kind) {
            case PictureKind::None:
                Bad(XDW_REASON_CONTENT, "not a picture");
            case PictureKind::Tiff:
                AddTiffPages(pdf, path);
                return;
            case PictureKind::Jpeg:
                AddJpegPage(pdf, ReadJpegFile(path));
                return;
            case PictureKind::Png: {
                std::string data = ReadPicture(path, kMaxJpegBytes);
                if (!AddPngPageAsStored(pdf, data)) {
                    if (data.size() > kMaxDecodedPictureFile)
                        BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_BYTES, kMaxDecodedPictureFile,
                                 "PNG file larger than 256 MiB");
                    AddDecodedPage(pdf, std::move(data), kind);
                }
                return;
            }
            default:
                AddDecodedPage(pdf, ReadPicture(path, kMaxDecodedPictureFile), kind);
                return;
        }
    } catch (const EngineError& e) {
        // The reason names the format when the reader did not.
        const std::string name = PictureKindName(kind);
        if (std::string(e.what()).rfind(name, 0) == 0) throw;
        throw EngineError(e.code(), name + ": " + e.what(), e.concern());
    }
}

}  // namespace xdw
