// TIFF test images and CCITT G4 data, as libtiff writes them.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include <tiffio.h>

#include "ImagePattern.h"
#include "TestFiles.h"

namespace xdwtest {

void MakeTiff(const std::string& path, const std::vector<TiffPageSpec>& pages) {
    bool first = true;
    for (const TiffPageSpec& page : pages) {
        PixPtr pix = MakePix(page.image);
        int comp = IFF_TIFF;
        switch (page.compression) {
            case TiffCompression::None:
                comp = IFF_TIFF;
                break;
            case TiffCompression::G4:
                comp = IFF_TIFF_G4;
                break;
            case TiffCompression::Lzw:
                comp = IFF_TIFF_LZW;
                break;
            case TiffCompression::PackBits:
                comp = IFF_TIFF_PACKBITS;
                break;
        }
        if (pixWriteTiff(path.c_str(), pix.get(), comp, first ? "w" : "a") != 0)
            throw std::runtime_error("tiff write failed");
        first = false;
    }
    // Marks the reduced-resolution directories, written as plain ones above.
    std::unique_ptr<TIFF, void (*)(TIFF*)> tif(nullptr, TIFFClose);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (!pages[i].reduced) continue;
        if (!tif) tif.reset(TIFFOpen(path.c_str(), "r+"));
        if (!tif || !TIFFSetDirectory(tif.get(), static_cast<tdir_t>(i)) ||
            !TIFFSetField(tif.get(), TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE) ||
            !TIFFRewriteDirectory(tif.get()))
            throw std::runtime_error("tiff subfile type not written");
    }
}

std::string WhiteG4Strip(uint32_t side) {
    std::string path = (std::filesystem::temp_directory_path() / "quilbex-g4-XXXXXX").string();
    const int fd = ::mkstemp(path.data());
    if (fd < 0) throw std::runtime_error("no temporary file");
    ::close(fd);
    std::unique_ptr<TIFF, void (*)(TIFF*)> tif(TIFFOpen(path.c_str(), "w"), TIFFClose);
    const std::vector<uint8_t> white(side / 8 + 1, 0);
    bool ok = tif != nullptr;
    if (ok) {
        TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, side);
        TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, side);
        TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif.get(), TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, side);
        for (uint32_t row = 0; ok && row < side; ++row)
            ok = TIFFWriteScanline(tif.get(), const_cast<uint8_t*>(white.data()), row, 0) == 1;
    }
    tif.reset();
    std::string strip;
    if (ok) {
        tif.reset(TIFFOpen(path.c_str(), "r"));
        ok = tif != nullptr;
        if (ok) {
            strip.resize(static_cast<size_t>(TIFFRawStripSize64(tif.get(), 0)));
            ok =
                TIFFReadRawStrip(tif.get(), 0, strip.data(), static_cast<tmsize_t>(strip.size())) ==
                static_cast<tmsize_t>(strip.size());
        }
        tif.reset();
    }
    std::remove(path.c_str());
    if (!ok) throw std::runtime_error("G4 strip not made");
    return strip;
}

}  // namespace xdwtest
