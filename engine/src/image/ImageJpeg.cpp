#include "image/ImageJpeg.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "Error.h"
#include "Limits.h"
#include "image/JpegExif.h"
#include "pdf/PdfBuild.h"

namespace xdw {

namespace {

unsigned Be16(const unsigned char* p) { return (p[0] << 8) | p[1]; }

bool IsFrameMarker(unsigned m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// Markers that stand alone, with no segment after them.
bool IsLoneMarker(unsigned m) { return m == 0x01 || (m >= 0xD0 && m <= 0xD7); }

// A JPEG file's bytes, read marker by marker.
class JpegCursor {
public:
    explicit JpegCursor(std::string_view bytes)
        : d_(reinterpret_cast<const unsigned char*>(bytes.data())), n_(bytes.size()) {}

    size_t Position() const { return pos_; }

    // The next marker; fill bytes (0xFF runs) may come before it, and stray
    // bytes between segments are skipped as JPEG decoders do.
    unsigned NextMarker() {
        if (pos_ >= n_) Bad(XDW_REASON_CONTENT, "truncated");
        if (d_[pos_] != 0xFF) pos_ = Find(0xFF, pos_, "marker expected");
        while (pos_ < n_ && d_[pos_] == 0xFF) ++pos_;
        if (pos_ >= n_) Bad(XDW_REASON_CONTENT, "truncated");
        return d_[pos_++];
    }

    // The segment after the marker just read, without its length; the
    // cursor moves past it.
    std::string_view NextSegment() {
        if (pos_ + 2 > n_) Bad(XDW_REASON_CONTENT, "truncated");
        const size_t length = Be16(d_ + pos_);
        if (length < 2 || pos_ + length > n_) Bad(XDW_REASON_CONTENT, "truncated segment");
        const std::string_view segment(reinterpret_cast<const char*>(d_ + pos_ + 2), length - 2);
        pos_ += length;
        return segment;
    }

    // Past the entropy-coded data of a scan: it runs to the next marker that
    // is neither a stuffed 0xFF00 nor a restart marker.
    void SkipScanData() {
        for (;;) {
            pos_ = Find(0xFF, pos_, "truncated scan");
            if (pos_ + 1 >= n_) Bad(XDW_REASON_CONTENT, "truncated scan");
            const unsigned next = d_[pos_ + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                pos_ += 2;
            } else if (next == 0xFF) {
                ++pos_;
            } else {
                return;
            }
        }
    }

private:
    size_t Find(unsigned char byte, size_t from, const char* missing) const {
        const void* at = std::memchr(d_ + from, byte, n_ - from);
        if (at == nullptr) Bad(XDW_REASON_CONTENT, missing);
        return static_cast<const unsigned char*>(at) - d_;
    }

    const unsigned char* d_;
    size_t n_;
    size_t pos_ = 2;  // past the start-of-image marker
};

bool StartsWith(std::string_view segment, std::string_view tag) {
    return segment.substr(0, tag.size()) == tag;
}

// A JFIF block's density, when it gives an absolute one.
bool TakeJfifDensity(std::string_view segment, JpegInfo& info) {
    const auto* seg = reinterpret_cast<const unsigned char*>(segment.data());
    const unsigned units = seg[7];
    const double xd = Be16(seg + 8), yd = Be16(seg + 10);
    if ((units != 1 && units != 2) || xd <= 0 || yd <= 0) return false;
    const double f = units == 2 ? 2.54 : 1.0;
    info.xdpi = xd * f;
    info.ydpi = yd * f;
    return true;
}

// An EXIF block's orientation, camera and resolution; a JFIF density, and
// a resolution an earlier block gave, win over its resolution.
void TakeExif(std::string_view block, bool jfifDensity, JpegInfo& info) {
    const ExifFacts exif = ReadExif(block);
    if (exif.orientation != 0) info.orientation = exif.orientation;
    info.camera = info.camera || exif.camera;
    if (!jfifDensity && info.xdpi == 0 && info.ydpi == 0) {
        info.xdpi = exif.xdpi;
        info.ydpi = exif.ydpi;
    }
}

// Baseline, extended and progressive Huffman frames of 8-bit samples are
// what PDF readers decode.
void TakeFrame(unsigned marker, std::string_view segment, JpegInfo& info) {
    const auto* seg = reinterpret_cast<const unsigned char*>(segment.data());
    if (marker > 0xC2) Bad(XDW_REASON_CONTENT, "unsupported JPEG process");
    if (info.components != 0) Bad(XDW_REASON_CONTENT, "second frame");
    if (segment.size() < 6) Bad(XDW_REASON_CONTENT, "short frame header");
    if (seg[0] != 8) Bad(XDW_REASON_CONTENT, "not 8-bit");
    info.height = Be16(seg + 1);
    info.width = Be16(seg + 3);
    info.components = seg[5];
    if (info.width == 0 || info.height == 0) Bad(XDW_REASON_CONTENT, "no size");
    if (info.components != 1 && info.components != 3 && info.components != 4)
        Bad(XDW_REASON_CONTENT, "components");
    // Decoders (a viewer's, the OCR pass's) allocate by the frame header,
    // whatever the data behind it holds.
    const uint64_t pixels = static_cast<uint64_t>(info.width) * info.height;
    const std::string tooLarge = "picture too large (" + std::to_string(info.width) + "x" +
                                 std::to_string(info.height) +
                                 " pixels; at most 600 million and 640 MiB decoded)";
    if (pixels > kMaxPagePixels)
        BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_PIXELS, kMaxPagePixels, tooLarge);
    if (pixels * info.components > kMaxPageBytes)
        BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_BYTES, kMaxPageBytes, tooLarge);
    if (segment.size() < 6 + 3 * static_cast<size_t>(info.components))
        Bad(XDW_REASON_CONTENT, "short frame header");
}

}  // namespace

JpegInfo ParseJpeg(std::string_view bytes) {
    if (bytes.size() < 4 || !StartsWith(bytes, "\xFF\xD8")) Bad(XDW_REASON_CONTENT, "not a JPEG");
    JpegInfo info;
    JpegCursor cursor(bytes);
    bool jfifDensity = false;
    int scans = 0;
    for (unsigned marker = cursor.NextMarker(); marker != 0xD9; marker = cursor.NextMarker()) {
        if (marker == 0xD8 || marker == 0x00) Bad(XDW_REASON_CONTENT, "stray marker");
        if (IsLoneMarker(marker)) continue;
        const std::string_view segment = cursor.NextSegment();
        if (marker == 0xE0 && segment.size() >= 12 && StartsWith(segment, {"JFIF\0", 5})) {
            jfifDensity = TakeJfifDensity(segment, info) || jfifDensity;
        } else if (marker == 0xE1 && StartsWith(segment, {"Exif\0\0", 6})) {
            TakeExif(segment, jfifDensity, info);
        } else if (marker == 0xEE && StartsWith(segment, "Adobe")) {
            info.adobe = true;
        } else if (IsFrameMarker(marker)) {
            TakeFrame(marker, segment, info);
        } else if (marker == 0xDA) {
            if (info.components == 0) Bad(XDW_REASON_CONTENT, "scan before frame");
            // Each scan of a progressive picture is a pass over all of it.
            if (++scans > kMaxJpegScans)
                BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_SCANS, kMaxJpegScans,
                         "more than 1000 scans");
            cursor.SkipScanData();
        }
    }
    if (info.components == 0 || scans == 0) Bad(XDW_REASON_CONTENT, "no image data");
    info.length = cursor.Position();
    return info;
}

std::shared_ptr<Buffer> ReadJpegFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) ThrowErrno(XDW_REASON_SOURCE, path, errno, "source");
    std::string data;
    size_t step = 1 << 20;
    for (bool end = false; !end;) {
        const size_t had = data.size();
        if (had >= kMaxJpegBytes) {
            ::close(fd);
            BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_BYTES, kMaxJpegBytes,
                     "JPEG file larger than 768 MiB");
        }
        data.resize(std::min<size_t>(had + step, kMaxJpegBytes));
        size_t got = had;
        while (got < data.size()) {
            const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                const int err = errno;
                ::close(fd);
                ThrowErrno(XDW_REASON_SOURCE, path, err, "source");
            }
            if (n == 0) {
                end = true;
                break;
            }
            got += static_cast<size_t>(n);
        }
        data.resize(got);
        step *= 2;  // parsing again after each step costs twice the file at most
        try {
            const JpegInfo info = ParseJpeg(data);
            data.resize(info.length);
            break;
        } catch (const EngineError&) {
            if (end) {
                ::close(fd);
                throw;
            }
        }
    }
    ::close(fd);
    auto buffer = std::make_shared<Buffer>(data.size());
    std::memcpy(buffer->getBuffer(), data.data(), data.size());
    return buffer;
}

void AddJpegPage(QPDF& pdf, std::shared_ptr<Buffer> data) {
    const JpegInfo info = ParseJpeg(
        std::string_view(reinterpret_cast<const char*>(data->getBuffer()), data->getSize()));
    if (info.length < data->getSize()) {
        // Whatever follows the picture is no part of it.
        auto picture = std::make_shared<Buffer>(info.length);
        std::memcpy(picture->getBuffer(), data->getBuffer(), info.length);
        data = std::move(picture);
    }

    const char* space = info.components == 1   ? "/DeviceGray"
                        : info.components == 3 ? "/DeviceRGB"
                                               : "/DeviceCMYK";
    QPDFObjectHandle image =
        NewImageStream(pdf, info.width, info.height, 8, QPDFObjectHandle::newName(space));
    QPDFObjectHandle dict = image.getDict();
    if (info.components == 4 && info.adobe)
        dict.replaceKey("/Decode", QPDFObjectHandle::parse("[1 0 1 0 1 0 1 0]"));
    // The file's bytes are the stream's data, unchanged.
    image.replaceStreamData(std::move(data), QPDFObjectHandle::newName("/DCTDecode"),
                            QPDFObjectHandle::newNull());

    ImagePlacement placement;
    placement.width = info.width;
    placement.height = info.height;
    placement.xdpi = info.xdpi;
    placement.ydpi = info.ydpi;
    placement.orientation = info.orientation;
    placement.camera = info.camera;
    AddImagePage(pdf, image, placement);
}

}  // namespace xdw
