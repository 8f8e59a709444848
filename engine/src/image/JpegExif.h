// What a JPEG file's EXIF block says about placing its picture.
#pragma once

#include <string_view>

namespace xdw {

struct ExifFacts {
    int orientation = 0;  // 1 to 8; 0 when not given
    bool camera = false;  // the camera's make or model is named
    double xdpi = 0;      // 0 when not given, or not as an absolute size
    double ydpi = 0;
};

// Reads the block of an APP1 "Exif" segment (its "Exif\0\0" header first),
// from its first IFD only. Damaged data gives what could be read, or nothing.
ExifFacts ReadExif(std::string_view block);

}  // namespace xdw
