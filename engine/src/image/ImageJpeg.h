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
};

// Reads the structure of a whole JPEG file: its frame, resolution and
// orientation, and checks that every segment is complete up to the end
// marker. Throws EngineError(XDW_E_CANNOT_READ) for anything else.
JpegInfo ParseJpeg(std::string_view data);

// Adds a page showing the JPEG data, embedded byte for byte (the buffer is
// shared, not copied).
void AddJpegPage(QPDF& pdf, std::shared_ptr<Buffer> data);

}  // namespace xdw
