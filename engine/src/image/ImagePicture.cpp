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
#include "image/ImageJpeg.h"
#include "image/ImagePng.h"
#include "image/ImageTiff.h"
#include "image/PngPredictor.h"
#include "pdf/PdfBuild.h"

namespace xdw {

namespace {

constexpr std::uintmax_t kMaxPictureBytes = 1ull << 30;
constexpr uint64_t kMaxPixels = 1ull << 28;

[[noreturn]] void Bad(const std::string& what) { throw EngineError(XDW_E_CANNOT_READ, what); }

struct PixFree {
    void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<PIX, PixFree>;

std::string ReadPicture(const std::string& path) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) throw EngineError(CodeFromErrno(ec.value()), "cannot read the picture");
    if (size > kMaxPictureBytes) Bad("picture file larger than 1 GiB");
    std::ifstream in(path, std::ios::binary);
    std::string data(size, '\0');
    in.read(data.data(), static_cast<std::streamsize>(size));
    if (!in || static_cast<std::uintmax_t>(in.gcount()) != size) Bad("cannot read the picture");
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
    if (depth != 32) Bad("unsupported picture depth " + std::to_string(depth));
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

void AddDecodedPage(QPDF& pdf, const std::string& data, PictureKind kind) {
    QuietLeptonica();
    l_int32 w = 0, h = 0;
    if (pixReadHeaderMem(reinterpret_cast<const l_uint8*>(data.data()), data.size(), nullptr, &w,
                         &h, nullptr, nullptr, nullptr) != 0)
        Bad(std::string(PictureKindName(kind)) + ": unreadable header");
    if (w <= 0 || h <= 0 || static_cast<uint64_t>(w) * static_cast<uint64_t>(h) > kMaxPixels)
        Bad(std::string(PictureKindName(kind)) + ": picture too large (" + std::to_string(w) + "x" +
            std::to_string(h) + " pixels; at most 268 million)");
    PixPtr pix(pixReadMem(reinterpret_cast<const l_uint8*>(data.data()), data.size()));
    if (!pix) Bad(std::string(PictureKindName(kind)) + ": damaged picture");
    const Samples s = SamplesOf(pix.get());

    std::string coded;
    {
        Pl_String sink("picture", nullptr, coded);
        Pl_Flate flate("picture", &sink, Pl_Flate::a_deflate);
        WritePredictedRows(s.rows.data(), s.rowBytes, pixGetHeight(pix.get()),
                           std::max(1, s.bits * s.colors / 8), flate);
        flate.finish();
    }
    QPDFObjectHandle image =
        NewImageStream(pdf, pixGetWidth(pix.get()), pixGetHeight(pix.get()), s.bits, s.space);
    QPDFObjectHandle parms = QPDFObjectHandle::newDictionary();
    parms.replaceKey("/Predictor", QPDFObjectHandle::newInteger(15));
    parms.replaceKey("/Columns", QPDFObjectHandle::newInteger(pixGetWidth(pix.get())));
    parms.replaceKey("/Colors", QPDFObjectHandle::newInteger(s.colors));
    parms.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(s.bits));
    image.replaceStreamData(coded, QPDFObjectHandle::newName("/FlateDecode"), parms);

    ImagePlacement placement;
    placement.width = pixGetWidth(pix.get());
    placement.height = pixGetHeight(pix.get());
    placement.xdpi = pixGetXRes(pix.get());
    placement.ydpi = pixGetYRes(pix.get());
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
                Bad("not a picture");
            case PictureKind::Tiff:
                AddTiffPages(pdf, path);
                return;
            case PictureKind::Jpeg: {
                const std::string data = ReadPicture(path);
                auto buffer = std::make_shared<Buffer>(data.size());
                std::memcpy(buffer->getBuffer(), data.data(), data.size());
                AddJpegPage(pdf, std::move(buffer));
            }
                return;
            case PictureKind::Png: {
                const std::string data = ReadPicture(path);
                if (!AddPngPageAsStored(pdf, data)) AddDecodedPage(pdf, data, kind);
                return;
            }
            default:
                AddDecodedPage(pdf, ReadPicture(path), kind);
                return;
        }
    } catch (const EngineError& e) {
        // The reason names the format when the reader did not.
        const std::string name = PictureKindName(kind);
        if (std::string(e.what()).rfind(name, 0) == 0) throw;
        throw EngineError(e.code(), name + ": " + e.what());
    }
}

}  // namespace xdw
