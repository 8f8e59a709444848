// Files made at test time for the engine tests, and ways to look into the
// documents the engine writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace xdwtest {

// A fresh folder under the system's temporary folder, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Names of the entries in the folder (no "." or ".."), sorted.
    std::vector<std::string> Entries() const;

private:
    std::string path_;
};

std::string ReadBytes(const std::string& path);
// Runs a program (no shell) and waits; throws when it fails.
void RunTool(const std::vector<std::string>& args);
// Runs a program (no shell) and gives what it wrote to standard output,
// whatever its exit status; throws when it cannot be started.
std::string ToolOutput(const std::vector<std::string>& args);

// How many threads this process has now.
int ThreadCount();
// A ZIP archive of the given (name, bytes) entries, stored uncompressed in
// that order: how OpenDocument files are made without LibreOffice.
void WriteZip(const std::string& path,
              const std::vector<std::pair<std::string, std::string>>& entries);
// An OpenDocument file written without LibreOffice: the mimetype first, the
// manifest, content.xml holding body (inside office:document-content, with
// the office, draw, text, svg, presentation, script, table and xlink
// namespaces declared), then the further entries.
void WriteOdf(const std::string& path, const std::string& mime, const std::string& body,
              std::vector<std::pair<std::string, std::string>> more = {});
void WriteBytes(const std::string& path, const std::string& data);
bool Exists(const std::string& path);

// A PDF whose pages carry the given text in a standard font; lines are
// separated by '\n'. ASCII text only.
void MakeTextPdf(const std::string& path, const std::vector<std::string>& pages);

// The text of every page, as poppler extracts it.
std::vector<std::string> PdfPageTexts(const std::string& path);
int PdfPageCount(const std::string& path);

// A page's size in points, from its MediaBox, and its /Rotate.
struct PageBox {
    double width = 0;
    double height = 0;
    int rotate = 0;
};
PageBox PdfPageBox(const std::string& path, int page);

// The first image XObject drawn by a page, as stored in the file.
struct StoredImage {
    std::string filter;       // e.g. "/DCTDecode"; "" when unfiltered
    std::string decodeParms;  // the /DecodeParms dictionary, unparsed, or ""
    std::string colorSpace;   // unparsed
    long width = 0;
    long height = 0;
    int bits = 0;
    std::string raw;      // the stream's data as stored
    std::string decoded;  // the samples, when qpdf can decode the filter; else ""
};
StoredImage PdfPageImage(const std::string& path, int page);
// A one-page PDF showing image, its stream holding image.raw as given under
// image.filter (and image.decodeParms), made without the engine.
void MakeImagePdf(const std::string& path, const StoredImage& image);

// A page rendered by poppler at the given resolution, as 8-bit RGB rows.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // width * height * 3
    // The average (r, g, b) over a rectangle given in fractions of the image.
    void Average(double x0, double y0, double x1, double y1, double rgb[3]) const;
};
RgbImage RenderPdfPage(const std::string& path, int page, double dpi);

// Test images. Pixels come from a pattern: the top-left quarter is red (or
// black for grey and bilevel images), the rest white, so orientation can be
// read back from a rendering.
enum class ImageKind { Bilevel, Gray, Rgb };
struct ImageSpec {
    int width = 64;
    int height = 48;
    ImageKind kind = ImageKind::Rgb;
    int dpi = 0;  // 0: no resolution recorded
};

// A JPEG file; exifOrientation 0 writes no EXIF block.
void MakeJpeg(const std::string& path, const ImageSpec& want, int exifOrientation = 0,
              bool progressive = false);

// TIFF compression choices for MakeTiff.
enum class TiffCompression { None, G4, Lzw, PackBits };
struct TiffPageSpec {
    ImageSpec image;
    TiffCompression compression = TiffCompression::None;
    bool reduced = false;  // a reduced-resolution copy (NEWSUBFILETYPE 1), not a page
};
// A TIFF with one directory per page.
void MakeTiff(const std::string& path, const std::vector<TiffPageSpec>& pages);
// The CCITT G4 data (K = -1, high bit first) of a white side x side page, as
// libtiff codes it.
std::string WhiteG4Strip(uint32_t side);

}  // namespace xdwtest
