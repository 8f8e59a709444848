// JPEG files become pages with the file itself as the image data.
#pragma once

#include <memory>
#include <string_view>

#include <qpdf/Buffer.hh>

#include <qpdf/QPDF.hh>

namespace xdw {

struct JpegInfo {
    long width = 0;
    long height = 0;
    int components = 0;
    bool adobe = false;  // an Adobe block: CMYK data is stored inverted
    double xdpi = 0;     // 0: not recorded
    double ydpi = 0;
    int orientation = 1;  // EXIF orientation, 1 when absent
    bool camera = false;  // EXIF names the camera's make or model
    size_t length = 0;    // the bytes up to and with the end marker
};

// Reads the structure of a whole JPEG file: its frame, resolution and
// orientation, and checks that every segment is complete up to the end
// marker. Throws EngineError(XDW_E_CANNOT_READ) for anything else.
JpegInfo ParseJpeg(std::string_view data);

// The JPEG file's bytes up to its end marker, read in growing steps so that
// whatever follows the picture (padding, a second file) is neither read nor
// held; files whose picture does not end within kMaxJpegBytes are refused.
// Throws EngineError: the system's reason, or XDW_E_CANNOT_READ.
std::shared_ptr<Buffer> ReadJpegFile(const std::string& path);

// Adds a page showing the JPEG data, embedded byte for byte (the buffer is
// shared, not copied); bytes after the end marker are not kept.
void AddJpegPage(QPDF& pdf, std::shared_ptr<Buffer> data);

}  // namespace xdw
