#include "ocr_support.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include <poppler-document.h>
#include <poppler-page.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "TestFiles.h"

extern char** environ;

namespace xdwtest {

namespace {

std::u32string Utf32(const std::string& text) {
    std::u32string out;
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const int n = b < 0x80 ? 1 : b < 0xe0 ? 2 : b < 0xf0 ? 3 : 4;
        char32_t c = n == 1 ? b : b & (0x7f >> n);
        for (int k = 1; k < n && i + k < text.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3f);
        out += c;
        i += n;
    }
    return out;
}

std::string Utf8(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xe0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (c & 0x3f));
        } else {
            out += static_cast<char>(0xf0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out;
}

struct Grey {
    int width = 0, height = 0;
    std::string pixels;
};

// Draws the lines with ImageMagick into a binary PGM and reads it back.
Grey DrawPage(const ScanSpec& want, const std::string& scratch) {
    std::vector<std::string> args = {
        "convert",
        "-size",
        std::to_string(want.widthPx) + "x" + std::to_string(want.heightPx),
        "xc:white",
        "-density",
        "300",
        "-units",
        "PixelsPerInch",
        "-font",
        want.font,
        "-pointsize",
        std::to_string(want.pointSize),
        "-fill",
        "black"};
    int y = want.linesTop;
    for (const auto& line : want.lines) {
        args.insert(args.end(), {"-annotate", "+120+" + std::to_string(y), line});
        y += want.pointSize * 300 / 72 * 2;
    }
    const int pitch = want.pointSize * 300 / 72;
    int x = want.widthPx - 150 - pitch;
    for (const auto& column : want.columns) {
        int cy = 150 + pitch;
        for (char32_t ch : Utf32(column)) {
            args.insert(args.end(),
                        {"-annotate", "+" + std::to_string(x) + "+" + std::to_string(cy),
                         Utf8(std::u32string(1, ch))});
            cy += pitch * 11 / 10;
        }
        x -= pitch * 9 / 5;
    }
    for (const auto& p : want.placed) {
        args.insert(args.end(),
                    {"-pointsize", std::to_string(p.pointSize ? p.pointSize : want.pointSize)});
        if (p.pitch == 0) {
            args.insert(
                args.end(),
                {"-annotate", "+" + std::to_string(p.x) + "+" + std::to_string(p.y), p.text});
            continue;
        }
        int cx = p.x;
        for (char32_t ch : Utf32(p.text)) {
            args.insert(args.end(),
                        {"-annotate", "+" + std::to_string(cx) + "+" + std::to_string(p.y),
                         Utf8(std::u32string(1, ch))});
            cx += p.pitch;
        }
    }
    for (const auto& r : want.rules)
        args.insert(
            args.end(),
            {"-draw", "rectangle " + std::to_string(r.at(0)) + "," + std::to_string(r.at(1)) + " " +
                          std::to_string(r.at(2)) + "," + std::to_string(r.at(3))});
    if (want.turnContent != 0)
        args.insert(args.end(), {"-rotate", std::to_string(want.turnContent)});
    args.insert(args.end(), want.capture.begin(), want.capture.end());
    if (want.colour)
        args.insert(args.end(), {"-depth", "8", "ppm:" + scratch});
    else
        args.insert(args.end(), {"-colorspace", "Gray", "-depth", "8", "pgm:" + scratch});
    RunTool(args);

    std::ifstream in(scratch, std::ios::binary);
    std::string magic;
    int maxval = 0;
    Grey g;
    in >> magic >> g.width >> g.height >> maxval;
    in.get();
    if (magic != (want.colour ? "P6" : "P5") || maxval != 255 || g.width <= 0 || g.height <= 0)
        throw std::runtime_error("unexpected image from convert");
    g.pixels.resize(static_cast<size_t>(g.width) * g.height * (want.colour ? 3 : 1));
    in.read(g.pixels.data(), static_cast<std::streamsize>(g.pixels.size()));
    if (!in) throw std::runtime_error("short image from convert");
    std::remove(scratch.c_str());
    return g;
}

// The grey image one bit a pixel, rows padded to whole bytes, 1 white.
std::string Bits(const Grey& g) {
    const size_t line = (static_cast<size_t>(g.width) + 7) / 8;
    std::string bits(line * g.height, '\0');
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x)
            if (static_cast<unsigned char>(g.pixels[size_t(y) * g.width + x]) >= 128)
                bits[y * line + x / 8] |= static_cast<char>(0x80 >> (x % 8));
    return bits;
}

}  // namespace

void MakeScannedPdf(const std::string& path, const std::vector<ScanSpec>& pages) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFPageDocumentHelper helper(pdf);
    for (const ScanSpec& want : pages) {
        const Grey g = DrawPage(want, path + ".pgm");
        QPDFObjectHandle image =
            QPDFObjectHandle::newStream(&pdf, want.bilevel ? Bits(g) : g.pixels);
        QPDFObjectHandle dict = image.getDict();
        dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
        dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
        dict.replaceKey("/Width", QPDFObjectHandle::newInteger(g.width));
        dict.replaceKey("/Height", QPDFObjectHandle::newInteger(g.height));
        dict.replaceKey("/ColorSpace",
                        QPDFObjectHandle::newName(want.colour ? "/DeviceRGB" : "/DeviceGray"));
        dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(want.bilevel ? 1 : 8));

        const double w = g.width * 72.0 / want.dpiX, h = g.height * 72.0 / want.dpiY;
        const double ox = want.offsetBox ? 100 : 0, oy = want.offsetBox ? 50 : 0;
        std::ostringstream content;
        content << "q " << w << " 0 0 " << h << " " << ox << " " << oy << " cm /Im0 Do Q\n";
        if (!want.stamp.empty())
            content << "BT /F1 12 Tf " << ox + 20 << " " << oy + 12 << " Td (" << want.stamp
                    << ") Tj ET\n";
        QPDFObjectHandle page = QPDFObjectHandle::parse("<< /Type /Page >>");
        std::ostringstream box;
        box << "[" << ox << " " << oy << " " << ox + w << " " << oy + h << "]";
        if (want.offsetBox) {
            // A wider MediaBox with the image inside the CropBox.
            std::ostringstream media;
            media << "[0 0 " << ox + w + 80 << " " << oy + h + 60 << "]";
            page.replaceKey("/MediaBox", QPDFObjectHandle::parse(media.str()));
            page.replaceKey("/CropBox", QPDFObjectHandle::parse(box.str()));
        } else {
            page.replaceKey("/MediaBox", QPDFObjectHandle::parse(box.str()));
        }
        if (want.pageRotate != 0)
            page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(want.pageRotate));
        QPDFObjectHandle res = QPDFObjectHandle::parse(
            "<< /XObject << >> /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
            ">> >> >>");
        res.getKey("/XObject").replaceKey("/Im0", image);
        page.replaceKey("/Resources", res);
        page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content.str()));
        helper.addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
    }
    QPDFWriter writer(pdf, path.c_str());
    writer.write();
}

int PageRotate(const std::string& path, int page) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
    QPDFObjectHandle r = pages.at(page - 1).getAttribute("/Rotate", false);
    return r.isInteger() ? r.getIntValueAsInt() : 0;
}

PageImage FirstPageImage(const std::string& path, int page) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
    for (auto& [name, image] : pages.at(page - 1).getImages()) {
        PageImage out;
        out.width = image.getDict().getKey("/Width").getIntValueAsInt();
        out.height = image.getDict().getKey("/Height").getIntValueAsInt();
        auto data = image.getStreamData(qpdf_dl_all);
        out.pixels.assign(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
        return out;
    }
    throw std::runtime_error("page has no image");
}

std::string PdfTextBand(const std::string& path, int page, double top, double bottom) {
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path));
    if (!doc) throw std::runtime_error("poppler cannot open " + path);
    std::unique_ptr<poppler::page> p(doc->create_page(page - 1));
    if (!p) throw std::runtime_error("no such page");
    // Text positions are measured on the page as displayed, from its top left.
    const poppler::rectf box = p->page_rect(poppler::crop_box);
    const bool sideways =
        p->orientation() == poppler::page::landscape || p->orientation() == poppler::page::seascape;
    const double w = sideways ? box.height() : box.width();
    const double h = sideways ? box.width() : box.height();
    const poppler::ustring text = p->text(poppler::rectf(0, h * top, w, h * (bottom - top)));
    const poppler::byte_array utf8 = text.to_utf8();
    return std::string(utf8.begin(), utf8.end());
}

std::string PdfReadingText(const std::string& path, int page, bool asWritten) {
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path));
    if (!doc) throw std::runtime_error("poppler cannot open " + path);
    std::unique_ptr<poppler::page> p(doc->create_page(page - 1));
    if (!p) throw std::runtime_error("no such page");
    const poppler::ustring text =
        p->text(poppler::rectf(), asWritten ? poppler::page::raw_order_layout
                                            : poppler::page::non_raw_non_physical_layout);
    const poppler::byte_array utf8 = text.to_utf8();
    return std::string(utf8.begin(), utf8.end());
}

std::vector<std::array<double, 4>> PdfWordBoxes(const std::string& path, int page) {
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path));
    if (!doc) throw std::runtime_error("poppler cannot open " + path);
    std::unique_ptr<poppler::page> p(doc->create_page(page - 1));
    if (!p) throw std::runtime_error("no such page");
    const poppler::rectf page_box = p->page_rect(poppler::crop_box);
    std::vector<std::array<double, 4>> boxes;
    for (const poppler::text_box& word : p->text_list()) {
        const poppler::rectf b = word.bbox();
        boxes.push_back({b.left() / page_box.width(), b.top() / page_box.height(),
                         b.right() / page_box.width(), b.bottom() / page_box.height()});
    }
    return boxes;
}

std::string WithoutBlanks(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t' && c != '\f') out += c;
    return out;
}

std::string SingleBlanks(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != ' ' || out.empty() || out.back() != ' ') out += c;
    return out;
}

double Cer(const std::string& expected, const std::string& text) {
    auto chars = [](const std::string& s) {
        std::u32string out;
        for (char32_t c : Utf32(s))
            if (c != U' ' && c != U'\n' && c != U'\r' && c != U'\t' && c != U'\f' && c != 0x3000)
                out += c;
        return out;
    };
    const std::u32string a = chars(expected), b = chars(text);
    std::vector<size_t> prev(b.size() + 1), cur(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) prev[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        cur[0] = i;
        for (size_t j = 1; j <= b.size(); ++j)
            cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (a[i - 1] != b[j - 1])});
        std::swap(prev, cur);
    }
    return a.empty() ? (b.empty() ? 0.0 : 1.0) : double(prev[b.size()]) / double(a.size());
}

int Count(const std::string& haystack, const std::string& needle) {
    int n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + needle.size()))
        ++n;
    return n;
}

}  // namespace xdwtest
