#include "image/ImageTiff.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <qpdf/Pl_Flate.hh>

#include "Error.h"
#include "Limits.h"
#include "image/PngPredictor.h"
#include "image/TiffG4.h"
#include "pdf/OutputFile.h"
#include "pdf/PdfBuild.h"

namespace xdw {

namespace {

int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Counts libtiff's errors instead of printing them: a file that reports
// errors while being read is damaged, even where libtiff carries on.
int CountError(TIFF*, void* errors, const char*, const char*, va_list) {
    ++*static_cast<int*>(errors);
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

TiffPtr OpenTiff(const std::string& path, int* errors) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, CountError, errors);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Quiet, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kMaxPageBytes));
    TiffPtr tif(TIFFOpenExt(path.c_str(), "rm", options));
    TIFFOpenOptionsFree(options);
    if (!tif) Bad(XDW_REASON_CONTENT, "not a readable TIFF");
    return tif;
}

enum class Route {
    G4Copy,   // bilevel, already one G4 strip: the coded data is used as it is
    Bilevel,  // bilevel, coded to G4 here
    Samples,  // the samples as stored, compressed losslessly by the writer
    Rgba,     // anything else libtiff can turn into RGB
};

struct TiffPage {
    tdir_t directory = 0;
    Route route = Route::Samples;
    uint32_t width = 0, height = 0;
    uint16_t bits = 1, samples = 1, photometric = 0, fillOrder = FILLORDER_MSB2LSB;
    bool separate = false;  // stored a plane at a time
    size_t rowBytes = 0;
};

// The TIFF file, opened once and shared by the pages' stream providers.
struct TiffSource {
    std::string path;
    int errors = 0;
    TiffPtr tif;

    TIFF* Select(tdir_t directory) {
        if (!tif) tif = OpenTiff(path, &errors);
        const tdir_t current = TIFFCurrentDirectory(tif.get());
        if (current == directory) return tif.get();
        // Pages are written in order: the next directory is one step on,
        // anything else is found from the start.
        const bool ok = current + 1 == directory ? TIFFReadDirectory(tif.get()) == 1
                                                 : TIFFSetDirectory(tif.get(), directory) == 1;
        if (!ok || TIFFCurrentDirectory(tif.get()) != directory)
            Bad(XDW_REASON_CONTENT, "directory");
        return tif.get();
    }
    void CheckNoErrors() const {
        if (errors != 0) Bad(XDW_REASON_CONTENT, "damaged TIFF");
    }
};

uint32_t RoundUp16(uint32_t v) { return v > UINT32_MAX - 15 ? UINT32_MAX : (v + 15) / 16 * 16; }

// Puts bits bits from src, first bit in the high bit of src[0], into the zero
// bits of dst starting at bit offset at: sub-byte pixels of one tile rarely
// start on a byte boundary of the page's row.
void PutBits(uint8_t* dst, size_t at, const uint8_t* src, size_t bits) {
    dst += at / 8;
    const unsigned shift = at % 8;
    const size_t whole = bits / 8;
    const unsigned rest = bits % 8;
    const uint8_t last = rest == 0 ? 0 : static_cast<uint8_t>(src[whole] & (0xFF00u >> rest));
    if (shift == 0) {
        std::memcpy(dst, src, whole);
        if (rest != 0) dst[whole] |= last;
        return;
    }
    for (size_t i = 0; i < whole; ++i) {
        dst[i] |= static_cast<uint8_t>(src[i] >> shift);
        dst[i + 1] |= static_cast<uint8_t>(src[i] << (8 - shift));
    }
    if (rest == 0) return;
    dst[whole] |= static_cast<uint8_t>(last >> shift);
    if (rest + shift > 8) dst[whole + 1] |= static_cast<uint8_t>(last << (8 - shift));
}

uint16_t Tag16(TIFF* tif, ttag_t tag, uint16_t fallback) {
    uint16_t value = fallback;
    if (!TIFFGetFieldDefaulted(tif, tag, &value)) value = fallback;
    return value;
}

// Decoded rows of one plane of the current directory: sample is the plane
// for pages stored a plane at a time, else 0; pixels of bitsPerPixel bits.
// Reading stops at the first error libtiff counts in errors: a damaged page
// can claim hundreds of thousands of strips.
std::vector<uint8_t> ReadPlane(TIFF* tif, const TiffPage& page, uint16_t sample,
                               size_t bitsPerPixel, const int& errors) {
    const size_t rowBytes = (page.width * bitsPerPixel + 7) / 8;
    std::vector<uint8_t> out(rowBytes * page.height);  // zeros: tiles are ORed in
    if (!TIFFIsTiled(tif)) {
        uint32_t rowsPerStrip = page.height;
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, page.height);
        for (uint32_t y = 0; y < page.height; y += rowsPerStrip) {
            const uint32_t rows = std::min(rowsPerStrip, page.height - y);
            const tmsize_t want = static_cast<tmsize_t>(rows * rowBytes);
            if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y, sample),
                                     out.data() + y * rowBytes, want) < want ||
                errors != 0)
                Bad(XDW_REASON_CONTENT, "strip");
        }
        return out;
    }
    uint32_t tw = 0, th = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
    const uint64_t tileRow = TIFFTileRowSize64(tif);
    if (tw == 0 || th == 0 || tileRow == 0) Bad(XDW_REASON_CONTENT, "tiles");
    std::vector<uint8_t> tile(TIFFTileSize64(tif));
    for (uint32_t y = 0; y < page.height; y += th) {
        for (uint32_t x = 0; x < page.width; x += tw) {
            if (TIFFReadTile(tif, tile.data(), x, y, 0, sample) < 0 || errors != 0)
                Bad(XDW_REASON_CONTENT, "tile");
            const size_t bits = std::min(tw, page.width - x) * bitsPerPixel;
            for (uint32_t r = 0; r < th && y + r < page.height; ++r)
                PutBits(out.data() + (y + r) * rowBytes, x * bitsPerPixel,
                        tile.data() + r * tileRow, bits);
        }
    }
    return out;
}

// Decoded, contiguous rows of the current directory; planes stored apart
// (whole bytes a sample) are interleaved.
std::vector<uint8_t> ReadRows(TIFF* tif, const TiffPage& page, const int& errors) {
    if (!page.separate)
        return ReadPlane(tif, page, 0, static_cast<size_t>(page.bits) * page.samples, errors);
    std::vector<uint8_t> out(page.rowBytes * page.height);
    const size_t size = page.bits / 8;
    const size_t pixels = static_cast<size_t>(page.width) * page.height;
    for (uint16_t s = 0; s < page.samples; ++s) {
        const std::vector<uint8_t> plane = ReadPlane(tif, page, s, page.bits, errors);
        for (size_t i = 0; i < pixels; ++i)
            std::memcpy(out.data() + (i * page.samples + s) * size, plane.data() + i * size, size);
    }
    return out;
}

std::string PageData(TIFF* tif, const TiffPage& page, const int& errors) {
    switch (page.route) {
        case Route::G4Copy: {
            const uint64_t size = TIFFRawStripSize64(tif, 0);
            if (size == 0 || size == static_cast<uint64_t>(-1) || size > kMaxPageBytes)
                Bad(XDW_REASON_CONTENT, "strip");
            std::string coded(size, '\0');
            const tmsize_t got =
                TIFFReadRawStrip(tif, 0, coded.data(), static_cast<tmsize_t>(size));
            if (got <= 0) Bad(XDW_REASON_CONTENT, "strip");
            coded.resize(static_cast<size_t>(got));
            if (page.fillOrder == FILLORDER_LSB2MSB)
                TIFFReverseBits(reinterpret_cast<uint8_t*>(coded.data()), got);
            return coded;
        }
        case Route::Bilevel: {
            const std::vector<uint8_t> rows = ReadRows(tif, page, errors);
            return EncodeG4(rows.data(), page.width, page.height, page.rowBytes);
        }
        case Route::Samples:
            break;  // streamed by WriteSamples
        case Route::Rgba: {
            std::vector<uint32_t> raster(static_cast<size_t>(page.width) * page.height);
            // Any damaged strip refuses the page anyway (CheckNoErrors), so
            // libtiff stops at the first one instead of trying every other.
            if (!TIFFReadRGBAImageOriented(tif, page.width, page.height, raster.data(),
                                           ORIENTATION_TOPLEFT, 1))
                Bad(XDW_REASON_CONTENT, "pixels");
            std::string rgb(raster.size() * 3, '\0');
            for (size_t i = 0; i < raster.size(); ++i) {
                // Transparent parts are shown over white paper. The reader
                // hands colours already weighed by their alpha (unassociated
                // alpha is multiplied in as it reads): only the paper's
                // share is added.
                const uint32_t p = raster[i];
                const unsigned a = TIFFGetA(p);
                const unsigned c[3] = {TIFFGetR(p), TIFFGetG(p), TIFFGetB(p)};
                for (int k = 0; k < 3; ++k)
                    rgb[i * 3 + k] = static_cast<char>(std::min(255u, c[k] + (255 - a)));
            }
            return rgb;
        }
    }
    Bad(XDW_REASON_CONTENT, "route");
}

size_t BytesPerPixel(const TiffPage& page) {
    return std::max<size_t>(1, static_cast<size_t>(page.bits) * page.samples / 8);
}

// The samples of a page, predicted and Flate-compressed as they go out.
void WriteSamples(TIFF* tif, const TiffPage& page, Pipeline* pipeline, const int& errors) {
    std::vector<uint8_t> rows = ReadRows(tif, page, errors);
    if (page.bits == 16) {
        // PDF wants 16-bit samples high byte first.
        uint16_t probe = 1;
        if (*reinterpret_cast<uint8_t*>(&probe) == 1)
            for (size_t i = 0; i + 1 < rows.size(); i += 2) std::swap(rows[i], rows[i + 1]);
    }
    Pl_Flate flate("image", pipeline, Pl_Flate::a_deflate);
    WritePredictedRows(rows.data(), page.rowBytes, page.height, BytesPerPixel(page), flate);
    flate.finish();
}

// Gives a page's image data to the writer when it gets to that stream.
class TiffPageProvider : public QPDFObjectHandle::StreamDataProvider {
public:
    TiffPageProvider(std::shared_ptr<TiffSource> source, TiffPage page)
        : source_(std::move(source)), page_(page) {}

    void provideStreamData(QPDFObjGen const&, Pipeline* pipeline) override {
        std::string data;
        try {
            TIFF* tif = source_->Select(page_.directory);
            if (page_.route == Route::Samples) {
                WriteSamples(tif, page_, pipeline, source_->errors);
                source_->CheckNoErrors();
                return;
            }
            data = PageData(tif, page_, source_->errors);
            source_->CheckNoErrors();
        } catch (const EngineError& e) {
            NoteWriteFailure(e.code());
            throw;
        } catch (const std::bad_alloc&) {
            NoteWriteFailure(XDW_E_FAIL);
            throw;
        }
        pipeline->write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
        pipeline->finish();
    }

private:
    std::shared_ptr<TiffSource> source_;
    TiffPage page_;
};

bool IsBilevelPhotometric(uint16_t p) {
    return p == PHOTOMETRIC_MINISWHITE || p == PHOTOMETRIC_MINISBLACK;
}

// Decides how the current directory becomes a page, from its tags alone.
TiffPage Describe(TIFF* tif, tdir_t directory) {
    TiffPage page;
    page.directory = directory;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &page.width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &page.height) || page.width == 0 ||
        page.height == 0)
        Bad(XDW_REASON_CONTENT, "no size");
    page.bits = Tag16(tif, TIFFTAG_BITSPERSAMPLE, 1);
    page.samples = Tag16(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    page.fillOrder = Tag16(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    const uint16_t compression = Tag16(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    const uint16_t planar = Tag16(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    const uint16_t format = Tag16(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
    uint16_t extra = 0;
    uint16_t* extraTypes = nullptr;
    TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extra, &extraTypes);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &page.photometric))
        page.photometric = page.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISWHITE;

    if (!TIFFIsCODECConfigured(compression)) Bad(XDW_REASON_CONTENT, "unknown compression");
    const uint64_t pixels = static_cast<uint64_t>(page.width) * page.height;
    if (pixels > kMaxPagePixels)
        BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_PIXELS, kMaxPagePixels, "image too large");
    if (TIFFIsTiled(tif)) {
        // A tile never needs to be much larger than its page.
        uint32_t tw = 0, th = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
        if (tw > RoundUp16(page.width) || th > RoundUp16(page.height))
            Bad(XDW_REASON_CONTENT, "tiles larger than the page");
    }

    page.separate = planar == PLANARCONFIG_SEPARATE && page.samples > 1;
    const bool plain = (!page.separate || page.bits % 8 == 0) && extra == 0 &&
                       (format == SAMPLEFORMAT_UINT || format == SAMPLEFORMAT_VOID);
    const uint16_t inks = Tag16(tif, TIFFTAG_INKSET, INKSET_CMYK);
    const uint16_t p = page.photometric;
    const uint16_t b = page.bits;
    if (plain && page.samples == 1 && b == 1 && IsBilevelPhotometric(p)) {
        const bool oneStrip = !TIFFIsTiled(tif) && TIFFNumberOfStrips(tif) == 1;
        uint32_t t6 = 0;
        TIFFGetField(tif, TIFFTAG_T6OPTIONS, &t6);
        page.route = compression == COMPRESSION_CCITTFAX4 && oneStrip && t6 == 0 ? Route::G4Copy
                                                                                 : Route::Bilevel;
    } else if (plain && page.samples == 1 && IsBilevelPhotometric(p) &&
               (b == 2 || b == 4 || b == 8 || b == 16)) {
        page.route = Route::Samples;
    } else if (plain && page.samples == 1 && p == PHOTOMETRIC_PALETTE &&
               (b == 1 || b == 2 || b == 4 || b == 8)) {
        page.route = Route::Samples;
    } else if (plain && page.samples == 3 && p == PHOTOMETRIC_RGB && (b == 8 || b == 16)) {
        page.route = Route::Samples;
    } else if (plain && page.samples == 4 && p == PHOTOMETRIC_SEPARATED && inks == INKSET_CMYK &&
               (b == 8 || b == 16)) {
        page.route = Route::Samples;
    } else {
        char message[1024];
        if (!TIFFRGBAImageOK(tif, message)) Bad(XDW_REASON_CONTENT, "unsupported TIFF image");
        page.route = Route::Rgba;
        page.bits = 8;
        page.samples = 3;
        page.separate = false;
    }
    page.rowBytes = (static_cast<size_t>(page.width) * page.bits * page.samples + 7) / 8;
    if (page.rowBytes * page.height > kMaxPageBytes)
        BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_BYTES, kMaxPageBytes, "image too large");
    if (page.route == Route::Rgba && pixels > kMaxRgbaPixels)
        BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_PIXELS, kMaxRgbaPixels, "image too large");
    return page;
}

// The colour space of a stored-samples page; palette pages get their lookup
// table, scaled from TIFF's 16-bit entries.
QPDFObjectHandle ColorSpace(TIFF* tif, const TiffPage& page) {
    if (page.route == Route::Rgba || page.photometric == PHOTOMETRIC_RGB)
        return QPDFObjectHandle::newName("/DeviceRGB");
    if (page.photometric == PHOTOMETRIC_SEPARATED) return QPDFObjectHandle::newName("/DeviceCMYK");
    if (page.photometric != PHOTOMETRIC_PALETTE) return QPDFObjectHandle::newName("/DeviceGray");
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b)) Bad(XDW_REASON_CONTENT, "no colour map");
    const size_t entries = size_t{1} << page.bits;
    // Some writers store 8-bit values in the 16-bit table.
    bool eightBit = true;
    for (size_t i = 0; i < entries; ++i)
        if (r[i] > 255 || g[i] > 255 || b[i] > 255) eightBit = false;
    std::string lookup;
    for (size_t i = 0; i < entries; ++i) {
        for (const uint16_t* c : {r, g, b})
            lookup += static_cast<char>(eightBit ? c[i] : c[i] >> 8);
    }
    QPDFObjectHandle space = QPDFObjectHandle::newArray();
    space.appendItem(QPDFObjectHandle::newName("/Indexed"));
    space.appendItem(QPDFObjectHandle::newName("/DeviceRGB"));
    space.appendItem(QPDFObjectHandle::newInteger(static_cast<long long>(entries) - 1));
    space.appendItem(QPDFObjectHandle::newString(lookup));
    return space;
}

void Resolution(TIFF* tif, ImagePlacement& placement) {
    float x = 0, y = 0;
    const uint16_t unit = Tag16(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    if (unit != RESUNIT_INCH && unit != RESUNIT_CENTIMETER) return;
    const double f = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
    if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x)) placement.xdpi = x * f;
    if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y)) placement.ydpi = y * f;
}

void AddPage(QPDF& pdf, TIFF* tif, const TiffPage& page, std::shared_ptr<TiffSource> source) {
    QPDFObjectHandle image =
        NewImageStream(pdf, page.width, page.height, page.bits, ColorSpace(tif, page));
    QPDFObjectHandle dict = image.getDict();

    QPDFObjectHandle filter = QPDFObjectHandle::newNull();
    QPDFObjectHandle parms = QPDFObjectHandle::newNull();
    if (page.route == Route::G4Copy || page.route == Route::Bilevel) {
        // G4 codes 0 bits as white runs; for black-is-zero pages those runs
        // are the black ones.
        filter = QPDFObjectHandle::newName("/CCITTFaxDecode");
        parms = QPDFObjectHandle::newDictionary();
        parms.replaceKey("/K", QPDFObjectHandle::newInteger(-1));
        parms.replaceKey("/Columns", QPDFObjectHandle::newInteger(page.width));
        parms.replaceKey("/Rows", QPDFObjectHandle::newInteger(page.height));
        parms.replaceKey("/BlackIs1",
                         QPDFObjectHandle::newBool(page.photometric == PHOTOMETRIC_MINISBLACK));
    } else if (page.route == Route::Samples) {
        if (page.photometric == PHOTOMETRIC_MINISWHITE)
            dict.replaceKey("/Decode", QPDFObjectHandle::parse("[1 0]"));
        filter = QPDFObjectHandle::newName("/FlateDecode");
        parms = QPDFObjectHandle::newDictionary();
        parms.replaceKey("/Predictor", QPDFObjectHandle::newInteger(15));
        parms.replaceKey("/Columns", QPDFObjectHandle::newInteger(page.width));
        parms.replaceKey("/Colors", QPDFObjectHandle::newInteger(page.samples));
        parms.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(page.bits));
    }
    image.replaceStreamData(std::make_shared<TiffPageProvider>(std::move(source), page), filter,
                            parms);

    ImagePlacement placement;
    placement.width = page.width;
    placement.height = page.height;
    Resolution(tif, placement);
    // libtiff already turns RGBA pages upright (as far as it can).
    placement.orientation =
        page.route == Route::Rgba ? 1 : Tag16(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    AddImagePage(pdf, image, placement);
}

}  // namespace

void AddTiffPages(QPDF& pdf, const std::string& path) {
    auto source = std::make_shared<TiffSource>();
    source->path = path;
    TiffPtr tif = OpenTiff(path, &source->errors);
    int pages = 0;
    uint64_t decoded = 0;
    tdir_t directory = 0;
    do {
        uint32_t subfile = 0;
        TIFFGetField(tif.get(), TIFFTAG_SUBFILETYPE, &subfile);
        // Reduced-resolution copies (thumbnails) are not pages of their own.
        if ((subfile & FILETYPE_REDUCEDIMAGE) == 0) {
            if (++pages > kMaxImagePages)
                BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_PAGES, kMaxImagePages,
                         "too many pages");
            const TiffPage page = Describe(tif.get(), directory);
            decoded += page.rowBytes * page.height;
            if (decoded > kMaxFileDecodedBytes)
                BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_BYTES, kMaxFileDecodedBytes,
                         "too many pixels in the file altogether");
            AddPage(pdf, tif.get(), page, source);
        }
        ++directory;
    } while (TIFFReadDirectory(tif.get()));
    source->CheckNoErrors();
    if (pages == 0) Bad(XDW_REASON_CONTENT, "no pages");
    source->tif = std::move(tif);
}

}  // namespace xdw
