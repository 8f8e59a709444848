#include "TestFiles.h"

#include <dirent.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include <leptonica/allheaders.h>
#include <poppler-document.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>
#include <tiffio.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

extern char** environ;

namespace xdwtest {

int ThreadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}

void RunTool(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + args[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(args[0] + " failed");
}

std::string ToolOutput(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string out;
    char buffer[4096];
    for (ssize_t n; started == 0 && (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    if (started != 0) throw std::runtime_error("cannot start " + args[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return out;
}

namespace {

void Le(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

void WriteZip(const std::string& path,
              const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string zip, directory;
    for (const auto& [name, data] : entries) {
        const uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
        const uint32_t offset = static_cast<uint32_t>(zip.size());
        std::string
            common;  // version, flags, method 0 (stored), time, date, crc, sizes, name length
        Le(common, 10, 2), Le(common, 0, 2), Le(common, 0, 2), Le(common, 0, 2),
            Le(common, 0x21, 2), Le(common, crc, 4), Le(common, data.size(), 4),
            Le(common, data.size(), 4), Le(common, name.size(), 2);
        zip += std::string("PK\x03\x04", 4) + common;
        Le(zip, 0, 2);
        zip += name + data;
        directory += std::string("PK\x01\x02", 4);
        Le(directory, 10, 2);
        directory += common;
        Le(directory, 0, 2), Le(directory, 0, 2), Le(directory, 0, 2), Le(directory, 0, 2),
            Le(directory, 0, 4), Le(directory, offset, 4);
        directory += name;
    }
    const uint32_t start = static_cast<uint32_t>(zip.size());
    zip += directory + std::string("PK\x05\x06", 4);
    Le(zip, 0, 2), Le(zip, 0, 2), Le(zip, entries.size(), 2), Le(zip, entries.size(), 2);
    Le(zip, directory.size(), 4), Le(zip, start, 4), Le(zip, 0, 2);
    WriteBytes(path, zip);
}

namespace {

const std::string kManifestHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<manifest:manifest "
    "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
    "manifest:version=\"1.2\">\n";

const std::string kContentHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content "
    "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
    "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
    "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
    "xmlns:presentation=\"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0\" "
    "xmlns:script=\"urn:oasis:names:tc:opendocument:xmlns:script:1.0\" "
    "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
    "xmlns:xlink=\"http://www.w3.org/1999/xlink\" office:version=\"1.2\">\n";

}  // namespace

void WriteOdf(const std::string& path, const std::string& mime, const std::string& body,
              std::vector<std::pair<std::string, std::string>> more) {
    std::string manifest = kManifestHead +
                           "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"" +
                           mime +
                           "\"/>\n<manifest:file-entry manifest:full-path=\"content.xml\" "
                           "manifest:media-type=\"text/xml\"/>\n";
    for (const auto& entry : more)
        manifest += "<manifest:file-entry manifest:full-path=\"" + entry.first +
                    "\" manifest:media-type=\"text/xml\"/>\n";
    manifest += "</manifest:manifest>\n";
    std::vector<std::pair<std::string, std::string>> entries = {
        {"mimetype", mime},
        {"META-INF/manifest.xml", manifest},
        {"content.xml", kContentHead + body + "</office:document-content>\n"}};
    entries.insert(entries.end(), more.begin(), more.end());
    WriteZip(path, entries);
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/quilbex-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may take write permission away from the folder.
    ::chmod(path_.c_str(), 0700);
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempDir::Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

void WriteBytes(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

namespace {

std::string PdfString(const std::string& text) {
    std::string out = "(";
    for (char c : text) {
        if (c == '(' || c == ')' || c == '\\') out += '\\';
        out += c;
    }
    return out + ")";
}

}  // namespace

void MakeTextPdf(const std::string& path, const std::vector<std::string>& pages) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
    QPDFPageDocumentHelper helper(pdf);
    for (const std::string& text : pages) {
        std::string content = "BT /F1 18 Tf 72 720 Td 22 TL\n";
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) content += PdfString(line) + " Tj T*\n";
        content += "ET\n";
        QPDFObjectHandle page = QPDFObjectHandle::parse(
            "<< /Type /Page /MediaBox [0 0 612 792] /Resources << /Font << >> >> >>");
        page.getKey("/Resources").getKey("/Font").replaceKey("/F1", font);
        page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
        helper.addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
    }
    QPDFWriter writer(pdf, path.c_str());
    writer.write();
}

void MakeImagePdf(const std::string& path, const StoredImage& image) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle stream = QPDFObjectHandle::newStream(&pdf);
    stream.replaceStreamData(image.raw,
                             image.filter.empty() ? QPDFObjectHandle::newNull()
                                                  : QPDFObjectHandle::newName(image.filter),
                             image.decodeParms.empty()
                                 ? QPDFObjectHandle::newNull()
                                 : QPDFObjectHandle::parse(image.decodeParms));
    QPDFObjectHandle dict = stream.getDict();
    dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(image.width));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(image.height));
    dict.replaceKey("/ColorSpace", QPDFObjectHandle::parse(image.colorSpace));
    dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(image.bits));
    QPDFObjectHandle page = QPDFObjectHandle::parse(
        "<< /Type /Page /MediaBox [0 0 200 200] /Resources << /XObject << >> >> >>");
    page.getKey("/Resources").getKey("/XObject").replaceKey("/Im0", stream);
    page.replaceKey("/Contents",
                    QPDFObjectHandle::newStream(&pdf, "q 200 0 0 200 0 0 cm /Im0 Do Q\n"));
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
    QPDFWriter writer(pdf, path.c_str());
    writer.setDecodeLevel(qpdf_dl_none);  // the stream is stored exactly as given
    writer.setCompressStreams(false);
    writer.write();
}

std::vector<std::string> PdfPageTexts(const std::string& path) {
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path));
    if (!doc) throw std::runtime_error("poppler cannot open " + path);
    std::vector<std::string> texts;
    for (int i = 0; i < doc->pages(); ++i) {
        std::unique_ptr<poppler::page> page(doc->create_page(i));
        const poppler::byte_array utf8 = page->text().to_utf8();
        texts.emplace_back(utf8.begin(), utf8.end());
    }
    return texts;
}

int PdfPageCount(const std::string& path) {
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path));
    if (!doc) throw std::runtime_error("poppler cannot open " + path);
    return doc->pages();
}

PageBox PdfPageBox(const std::string& path, int page) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    QPDFObjectHandle p = pdf.getAllPages().at(static_cast<size_t>(page - 1));
    const QPDFObjectHandle::Rectangle box =
        QPDFPageObjectHelper(p).getMediaBox().getArrayAsRectangle();
    PageBox out;
    out.width = box.urx - box.llx;
    out.height = box.ury - box.lly;
    QPDFObjectHandle rotate = p.getKey("/Rotate");
    if (rotate.isInteger()) out.rotate = rotate.getIntValueAsInt();
    return out;
}

StoredImage PdfPageImage(const std::string& path, int page) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    QPDFPageObjectHelper p(pdf.getAllPages().at(static_cast<size_t>(page - 1)));
    const auto images = p.getImages();
    if (images.empty()) throw std::runtime_error("page has no image");
    QPDFObjectHandle image = images.begin()->second;
    QPDFObjectHandle dict = image.getDict();
    StoredImage out;
    QPDFObjectHandle filter = dict.getKey("/Filter");
    if (filter.isArray() && filter.getArrayNItems() == 1) filter = filter.getArrayItem(0);
    if (filter.isName()) out.filter = filter.getName();
    if (dict.hasKey("/DecodeParms")) out.decodeParms = dict.getKey("/DecodeParms").unparse();
    out.colorSpace = dict.getKey("/ColorSpace").unparse();
    out.width = dict.getKey("/Width").getIntValue();
    out.height = dict.getKey("/Height").getIntValue();
    out.bits = dict.getKey("/BitsPerComponent").getIntValueAsInt();
    const auto raw = image.getRawStreamData();
    out.raw.assign(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize());
    if (out.filter.empty() || out.filter == "/FlateDecode") {
        const auto decoded = image.getStreamData(qpdf_dl_generalized);
        out.decoded.assign(reinterpret_cast<const char*>(decoded->getBuffer()), decoded->getSize());
    }
    return out;
}

void RgbImage::Average(double x0, double y0, double x1, double y1, double rgb[3]) const {
    const int xa = static_cast<int>(x0 * width), xb = std::max(xa + 1, int(x1 * width));
    const int ya = static_cast<int>(y0 * height), yb = std::max(ya + 1, int(y1 * height));
    double sum[3] = {0, 0, 0};
    long count = 0;
    for (int y = ya; y < yb && y < height; ++y) {
        for (int x = xa; x < xb && x < width; ++x) {
            const uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
            for (int c = 0; c < 3; ++c) sum[c] += p[c];
            ++count;
        }
    }
    for (int c = 0; c < 3; ++c) rgb[c] = count > 0 ? sum[c] / count : 0;
}

RgbImage RenderPdfPage(const std::string& path, int page, double dpi) {
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path));
    if (!doc) throw std::runtime_error("poppler cannot open " + path);
    std::unique_ptr<poppler::page> p(doc->create_page(page - 1));
    if (!p) throw std::runtime_error("no such page");
    poppler::page_renderer renderer;
    const poppler::image image = renderer.render_page(p.get(), dpi, dpi);
    if (!image.is_valid() || image.format() != poppler::image::format_argb32)
        throw std::runtime_error("render failed");
    RgbImage out;
    out.width = image.width();
    out.height = image.height();
    out.pixels.resize(static_cast<size_t>(out.width) * out.height * 3);
    for (int y = 0; y < out.height; ++y) {
        const auto* row = reinterpret_cast<const uint8_t*>(image.const_data()) +
                          static_cast<size_t>(y) * image.bytes_per_row();
        for (int x = 0; x < out.width; ++x) {
            uint8_t* dst = &out.pixels[(static_cast<size_t>(y) * out.width + x) * 3];
            dst[0] = row[x * 4 + 2];  // stored as B, G, R, A
            dst[1] = row[x * 4 + 1];
            dst[2] = row[x * 4 + 0];
        }
    }
    return out;
}

namespace {

struct PixDeleter {
    void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<PIX, PixDeleter>;

// The pattern: the top-left quarter is marked, the rest is white.
PixPtr MakePix(const ImageSpec& want) {
    const int depth = want.kind == ImageKind::Bilevel ? 1 : want.kind == ImageKind::Gray ? 8 : 32;
    PixPtr pix(pixCreate(want.width, want.height, depth));
    if (!pix) throw std::runtime_error("pixCreate failed");
    if (depth == 1) {
        pixClearAll(pix.get());  // 0 is white
    } else {
        pixSetAll(pix.get());
    }
    for (int y = 0; y < want.height / 2; ++y) {
        for (int x = 0; x < want.width / 2; ++x) {
            l_uint32 value = 0;
            if (depth == 1) value = 1;
            if (depth == 32) composeRGBPixel(255, 0, 0, &value);
            pixSetPixel(pix.get(), x, y, value);
        }
    }
    if (want.dpi > 0) pixSetResolution(pix.get(), want.dpi, want.dpi);
    return pix;
}

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
