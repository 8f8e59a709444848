// JPEG test images, with an EXIF orientation when asked.
#include <stdexcept>

#include "ImagePattern.h"
#include "TestFiles.h"

namespace xdwtest {

namespace {

std::string ExifOrientationBlock(int orientation) {
    // APP1 "Exif": a big-endian TIFF header with one IFD holding Orientation.
    std::string tiff = std::string("MM\0*\0\0\0\x08", 8);
    tiff += std::string("\0\x01", 2);                    // one entry
    tiff += std::string("\x01\x12\0\x03\0\0\0\x01", 8);  // Orientation, SHORT, 1
    tiff += static_cast<char>(0);
    tiff += static_cast<char>(orientation);
    tiff += std::string("\0\0", 2);
    tiff += std::string("\0\0\0\0", 4);  // no next IFD
    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    const size_t length = payload.size() + 2;
    std::string segment = "\xFF\xE1";
    segment += static_cast<char>(length >> 8);
    segment += static_cast<char>(length & 0xFF);
    return segment + payload;
}

}  // namespace

void MakeJpeg(const std::string& path, const ImageSpec& want, int exifOrientation,
              bool progressive) {
    ImageSpec jpegSpec = want;
    if (jpegSpec.kind == ImageKind::Bilevel) jpegSpec.kind = ImageKind::Gray;
    PixPtr pix = MakePix(jpegSpec);
    l_uint8* data = nullptr;
    size_t size = 0;
    if (pixWriteMemJpeg(&data, &size, pix.get(), 90, progressive ? 1 : 0) != 0)
        throw std::runtime_error("jpeg encode failed");
    std::string bytes(reinterpret_cast<char*>(data), size);
    lept_free(data);
    if (exifOrientation != 0) bytes.insert(2, ExifOrientationBlock(exifOrientation));
    WriteBytes(path, bytes);
}

}  // namespace xdwtest
