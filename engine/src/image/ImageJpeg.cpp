#include "image/ImageJpeg.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "Error.h"
#include "Limits.h"
#include "pdf/PdfBuild.h"

namespace xdw {

namespace {

unsigned Be16(const unsigned char* p) { return (p[0] << 8) | p[1]; }

// Reads the bits of an EXIF block that place the picture: orientation,
// resolution and whether a camera is named, from the first IFD. Damaged EXIF data is ignored, not
// fatal.
class ExifReader {
public:
    ExifReader(const unsigned char* data, size_t size) : d_(data), n_(size) {}

    void Read(JpegInfo& info) const {
        if (n_ < 8) return;
        if (std::memcmp(d_, "II", 2) == 0) {
            little_ = true;
        } else if (std::memcmp(d_, "MM", 2) != 0) {
            return;
        }
        if (U16(2) != 42) return;
        const uint32_t ifd = U32(4);
        if (ifd < 8 || ifd > n_ - 2) return;
        const unsigned count = U16(ifd);
        double xres = 0, yres = 0;
        unsigned unit = 2;
        for (unsigned i = 0; i < count; ++i) {
            const size_t entry = ifd + 2 + 12 * static_cast<size_t>(i);
            if (entry + 12 > n_) break;
            const unsigned tag = U16(entry), type = U16(entry + 2);
            if (tag == 0x010F || tag == 0x0110) {
                info.camera = true;  // Make, Model
            } else if (tag == 0x0112 && type == 3) {
                const unsigned o = U16(entry + 8);
                if (o >= 1 && o <= 8) info.orientation = static_cast<int>(o);
            } else if (tag == 0x0128 && type == 3) {
                unit = U16(entry + 8);
            } else if ((tag == 0x011A || tag == 0x011B) && type == 5) {
                const uint32_t at = U32(entry + 8);
                if (at > n_ || n_ - at < 8) continue;
                const uint32_t num = U32(at), den = U32(at + 4);
                const double value = den == 0 ? 0.0 : static_cast<double>(num) / den;
                (tag == 0x011A ? xres : yres) = value;
            }
        }
        // Unit 1 gives no absolute size; 3 is per centimetre.
        if (info.xdpi == 0 && info.ydpi == 0 && (unit == 2 || unit == 3)) {
            const double f = unit == 3 ? 2.54 : 1.0;
            info.xdpi = xres * f;
            info.ydpi = yres * f;
        }
    }

private:
    unsigned U16(size_t at) const {
        return little_ ? d_[at] | (d_[at + 1] << 8) : (d_[at] << 8) | d_[at + 1];
    }
    uint32_t U32(size_t at) const {
        const uint32_t a = U16(at), b = U16(at + 2);
        return little_ ? a | (b << 16) : (a << 16) | b;
    }

    const unsigned char* d_;
    size_t n_;
    mutable bool little_ = false;
};

bool IsFrameMarker(unsigned m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

}  // namespace

JpegInfo ParseJpeg(std::string_view bytes) {
    const auto* d = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8) Bad(XDW_REASON_CONTENT, "not a JPEG");

    JpegInfo info;
    bool frame = false, scan = false;
    int scans = 0;
    bool jfifDensity = false;
    size_t pos = 2;
    for (;;) {
        // Next marker; fill bytes (0xFF runs) may come before it, and stray
        // bytes between segments are skipped as JPEG decoders do.
        if (pos >= n) Bad(XDW_REASON_CONTENT, "truncated");
        if (d[pos] != 0xFF) {
            const void* ff = std::memchr(d + pos, 0xFF, n - pos);
            if (ff == nullptr) Bad(XDW_REASON_CONTENT, "marker expected");
            pos = static_cast<const unsigned char*>(ff) - d;
        }
        while (pos < n && d[pos] == 0xFF) ++pos;
        if (pos >= n) Bad(XDW_REASON_CONTENT, "truncated");
        const unsigned marker = d[pos++];
        if (marker == 0xD9) {  // end of image
            info.length = pos;
            break;
        }
        if (marker == 0xD8 || marker == 0x00) Bad(XDW_REASON_CONTENT, "stray marker");
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (pos + 2 > n) Bad(XDW_REASON_CONTENT, "truncated");
        const size_t length = Be16(d + pos);
        if (length < 2 || pos + length > n) Bad(XDW_REASON_CONTENT, "truncated segment");
        const unsigned char* seg = d + pos + 2;
        const size_t segSize = length - 2;

        if (marker == 0xE0 && segSize >= 12 && std::memcmp(seg, "JFIF\0", 5) == 0) {
            const unsigned units = seg[7];
            const double xd = Be16(seg + 8), yd = Be16(seg + 10);
            if ((units == 1 || units == 2) && xd > 0 && yd > 0) {
                const double f = units == 2 ? 2.54 : 1.0;
                info.xdpi = xd * f;
                info.ydpi = yd * f;
                jfifDensity = true;
            }
        } else if (marker == 0xE1 && segSize >= 6 && std::memcmp(seg, "Exif\0\0", 6) == 0) {
            JpegInfo exif = info;
            if (jfifDensity) exif.xdpi = exif.ydpi = 1;  // JFIF density wins
            ExifReader(seg + 6, segSize - 6).Read(exif);
            info.orientation = exif.orientation;
            info.camera = exif.camera;
            if (!jfifDensity) {
                info.xdpi = exif.xdpi;
                info.ydpi = exif.ydpi;
            }
        } else if (marker == 0xEE && segSize >= 5 && std::memcmp(seg, "Adobe", 5) == 0) {
            info.adobe = true;
        } else if (IsFrameMarker(marker)) {
            // Baseline, extended and progressive Huffman frames of 8-bit
            // samples are what PDF readers decode.
            if (marker > 0xC2) Bad(XDW_REASON_CONTENT, "unsupported JPEG process");
            if (frame) Bad(XDW_REASON_CONTENT, "second frame");
            if (segSize < 6) Bad(XDW_REASON_CONTENT, "short frame header");
            if (seg[0] != 8) Bad(XDW_REASON_CONTENT, "not 8-bit");
            info.height = Be16(seg + 1);
            info.width = Be16(seg + 3);
            info.components = seg[5];
            if (info.width == 0 || info.height == 0) Bad(XDW_REASON_CONTENT, "no size");
            if (info.components != 1 && info.components != 3 && info.components != 4)
                Bad(XDW_REASON_CONTENT, "components");
            // Decoders (a viewer's, the OCR pass's) allocate by the frame
            // header, whatever the data behind it holds.
            const uint64_t pixels = static_cast<uint64_t>(info.width) * info.height;
            const std::string tooLarge = "picture too large (" + std::to_string(info.width) + "x" +
                                         std::to_string(info.height) +
                                         " pixels; at most 600 million and 640 MiB decoded)";
            if (pixels > kMaxPagePixels)
                BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_PIXELS, kMaxPagePixels, tooLarge);
            if (pixels * info.components > kMaxPageBytes)
                BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_BYTES, kMaxPageBytes, tooLarge);
            if (segSize < 6 + 3 * static_cast<size_t>(info.components))
                Bad(XDW_REASON_CONTENT, "short frame header");
            frame = true;
        } else if (marker == 0xDA) {
            if (!frame) Bad(XDW_REASON_CONTENT, "scan before frame");
            // Each scan of a progressive picture is a pass over all of it.
            if (++scans > kMaxJpegScans)
                BadLimit(XDW_REASON_PICTURE_LIMIT, XDW_LIMIT_SCANS, kMaxJpegScans,
                         "more than 1000 scans");
            scan = true;
            pos += length;
            // Entropy-coded data runs to the next marker that is neither a
            // stuffed 0xFF00 nor a restart marker.
            for (;;) {
                const void* ff = std::memchr(d + pos, 0xFF, n - pos);
                if (ff == nullptr) Bad(XDW_REASON_CONTENT, "truncated scan");
                pos = static_cast<const unsigned char*>(ff) - d;
                if (pos + 1 >= n) Bad(XDW_REASON_CONTENT, "truncated scan");
                const unsigned next = d[pos + 1];
                if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                    pos += 2;
                } else if (next == 0xFF) {
                    ++pos;
                } else {
                    break;
                }
            }
            continue;
        }
        pos += length;
    }
    if (!frame || !scan) Bad(XDW_REASON_CONTENT, "no image data");
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
