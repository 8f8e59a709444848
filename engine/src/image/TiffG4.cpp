#include "image/TiffG4.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>

#include "Error.h"

namespace xdw {

namespace {

// A TIFF file held in memory: libtiff writes the coded page into it, then the
// strip is read back out.
struct MemFile {
    std::string data;
    toff_t pos = 0;
};

tmsize_t MemRead(thandle_t h, void* buf, tmsize_t size) {
    auto* f = static_cast<MemFile*>(h);
    if (f->pos >= f->data.size()) return 0;
    const size_t n = std::min<size_t>(static_cast<size_t>(size), f->data.size() - f->pos);
    std::memcpy(buf, f->data.data() + f->pos, n);
    f->pos += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t MemWrite(thandle_t h, void* buf, tmsize_t size) {
    auto* f = static_cast<MemFile*>(h);
    const size_t n = static_cast<size_t>(size);
    if (f->data.size() < f->pos + n) f->data.resize(f->pos + n);
    std::memcpy(f->data.data() + f->pos, buf, n);
    f->pos += n;
    return size;
}

toff_t MemSeek(thandle_t h, toff_t off, int whence) {
    auto* f = static_cast<MemFile*>(h);
    toff_t base = 0;
    if (whence == SEEK_CUR) base = f->pos;
    if (whence == SEEK_END) base = f->data.size();
    f->pos = base + off;
    return f->pos;
}

int MemClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t h) { return static_cast<MemFile*>(h)->data.size(); }
int MemMap(thandle_t, void**, toff_t*) { return 0; }
void MemUnmap(thandle_t, void*, toff_t) {}

int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Counts libtiff's complaints into the int it is handed.
int Count(TIFF*, void* count, const char*, const char*, va_list) {
    ++*static_cast<int*>(count);
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};

// One bilevel page, white as 0, G4-coded in a single strip.
void SetG4Page(TIFF* tif, uint32_t width, uint32_t height) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
}

}  // namespace

// libtiff's G4 coder, in memory: Leptonica's pixGenerateCIData writes each page to /tmp first.
std::string EncodeG4(const uint8_t* rows, uint32_t width, uint32_t height, size_t rowBytes) {
    MemFile file;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, Quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Quiet, nullptr);
    {
        std::unique_ptr<TIFF, TiffCloser> out(TIFFClientOpenExt("g4", "w", &file, MemRead, MemWrite,
                                                                MemSeek, MemClose, MemSize, MemMap,
                                                                MemUnmap, options));
        if (!out) {
            TIFFOpenOptionsFree(options);
            throw EngineError(XDW_E_FAIL, "G4 coder");
        }
        SetG4Page(out.get(), width, height);
        const tmsize_t size = static_cast<tmsize_t>(rowBytes * height);
        if (TIFFWriteEncodedStrip(out.get(), 0, const_cast<uint8_t*>(rows), size) != size) {
            TIFFOpenOptionsFree(options);
            throw EngineError(XDW_E_FAIL, "G4 coding");
        }
    }
    file.pos = 0;
    std::unique_ptr<TIFF, TiffCloser> in(TIFFClientOpenExt("g4", "r", &file, MemRead, MemWrite,
                                                           MemSeek, MemClose, MemSize, MemMap,
                                                           MemUnmap, options));
    TIFFOpenOptionsFree(options);
    if (!in) throw EngineError(XDW_E_FAIL, "G4 coder");
    const uint64_t rawSize = TIFFRawStripSize64(in.get(), 0);
    if (rawSize == 0 || rawSize == static_cast<uint64_t>(-1)) throw EngineError(XDW_E_FAIL, "G4");
    std::string coded(rawSize, '\0');
    const tmsize_t got =
        TIFFReadRawStrip(in.get(), 0, coded.data(), static_cast<tmsize_t>(rawSize));
    if (got < 0) throw EngineError(XDW_E_FAIL, "G4");
    coded.resize(static_cast<size_t>(got));
    return coded;
}

std::optional<std::vector<uint8_t>> DecodeG4(const std::string& coded, uint32_t width,
                                             uint32_t height) {
    if (width == 0 || height == 0 || coded.empty()) return std::nullopt;
    const size_t rowBytes = (size_t(width) + 7) / 8;
    int complaints = 0;
    MemFile file;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, Count, &complaints);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Count, &complaints);
    {
        // The coded data as the one strip of a TIFF file in memory...
        std::unique_ptr<TIFF, TiffCloser> out(TIFFClientOpenExt("g4", "w", &file, MemRead, MemWrite,
                                                                MemSeek, MemClose, MemSize, MemMap,
                                                                MemUnmap, options));
        if (!out) {
            TIFFOpenOptionsFree(options);
            return std::nullopt;
        }
        SetG4Page(out.get(), width, height);
        const tmsize_t size = static_cast<tmsize_t>(coded.size());
        if (TIFFWriteRawStrip(out.get(), 0, const_cast<char*>(coded.data()), size) != size) {
            TIFFOpenOptionsFree(options);
            return std::nullopt;
        }
    }
    // ... read back through libtiff's decoder.
    file.pos = 0;
    std::unique_ptr<TIFF, TiffCloser> in(TIFFClientOpenExt("g4", "r", &file, MemRead, MemWrite,
                                                           MemSeek, MemClose, MemSize, MemMap,
                                                           MemUnmap, options));
    TIFFOpenOptionsFree(options);
    if (!in || complaints != 0) return std::nullopt;
    std::vector<uint8_t> rows(rowBytes * height);
    const tmsize_t want = static_cast<tmsize_t>(rows.size());
    if (TIFFReadEncodedStrip(in.get(), 0, rows.data(), want) != want || complaints != 0)
        return std::nullopt;
    return rows;
}

}  // namespace xdw
