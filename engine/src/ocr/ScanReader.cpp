#include "ocr/ScanReader.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <memory>
#include <sstream>
#include <vector>

#include "PageColour.h"
#include "image/TiffG4.h"
#include "pdf/BoundedSink.h"

namespace xdw {

namespace {

constexpr double kTolerancePt = 1.0;    // placement slack, in points
constexpr double kDpiTolerance = 0.02;  // resolution slack, as a fraction
// A scan this fine or finer is read at its own resolution: its text is
// large enough in pixels to read, and drawing it finer only adds work.
constexpr double kLeastOwnDpi = 200;
// A scan finer than asked, up to this many times, is reduced to the
// resolution asked as it is read (a photo fitted to the page); a finer one
// is rendered.
constexpr double kMostReduction = 2;
// A page larger than an A3 sheet both ways (in points, with room for
// rounding) that holds one picture coarser than kLeastOwnDpi is a sheet's
// picture set at a nominal size: a phone photo laid at its camera's 72 dpi
// on a page 42 by 56 inches. Its pixels are read as a sheet's, as though
// its narrower side lay across an A4 sheet (kA4ShortInches).
constexpr double kA3ShortPt = 842 * 1.05, kA3LongPt = 1191 * 1.05;
constexpr double kA4ShortInches = 210 / 25.4;

bool ToNumber(const std::string& token, double& value) {
    const char* end = token.data() + token.size();
    auto [ptr, ec] = std::from_chars(token.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

// The page box as x0 y0 x1 y1, normalised; false when it is not four numbers.
bool Box(QPDFObjectHandle box, double out[4]) {
    if (!box.isArray() || box.getArrayNItems() != 4) return false;
    for (int i = 0; i < 4; ++i)
        if (!box.getArrayItem(i).getValueAsNumber(out[i])) return false;
    if (out[0] > out[2]) std::swap(out[0], out[2]);
    if (out[1] > out[3]) std::swap(out[1], out[3]);
    return out[2] - out[0] >= 1 && out[3] - out[1] >= 1;
}

struct Placement {
    double a, b, c, d, e, f;
    std::string name;
};

// The content, when it is only "[q] a b c d e f cm /Name Do [Q]".
std::optional<Placement> SingleImageDraw(QPDFPageObjectHelper& page) {
    // Decoding stops as soon as the content is longer than such a page's.
    BoundedSink content(4096, true);
    PipePageContents(page, content);
    if (content.full()) return std::nullopt;
    std::istringstream in(content.data());
    std::vector<std::string> tokens;
    for (std::string t; in >> t;) tokens.push_back(t);
    if (tokens.size() == 11 && tokens.front() == "q" && tokens.back() == "Q")
        tokens = std::vector<std::string>(tokens.begin() + 1, tokens.end() - 1);
    if (tokens.size() != 9 || tokens[6] != "cm" || tokens[8] != "Do" || tokens[7].size() < 2 ||
        tokens[7][0] != '/')
        return std::nullopt;
    Placement p;
    double* fields[] = {&p.a, &p.b, &p.c, &p.d, &p.e, &p.f};
    for (int i = 0; i < 6; ++i)
        if (!ToNumber(tokens[i], *fields[i])) return std::nullopt;
    p.name = tokens[7];
    return p;
}

// Components per pixel of an 8-bit grey or RGB image; 0 for anything else.
int Components(QPDFObjectHandle dict) {
    if (dict.getKey("/BitsPerComponent").getIntValue() != 8) return 0;
    if (dict.getKey("/ImageMask").isBool() && dict.getKey("/ImageMask").getBoolValue()) return 0;
    for (const char* key : {"/SMask", "/Mask", "/Decode", "/SMaskInData"})
        if (dict.hasKey(key)) return 0;
    QPDFObjectHandle cs = dict.getKey("/ColorSpace");
    if (cs.isName()) {
        if (cs.getName() == "/DeviceGray") return 1;
        if (cs.getName() == "/DeviceRGB") return 3;
        return 0;
    }
    if (cs.isArray() && cs.getArrayNItems() == 2 &&
        cs.getArrayItem(0).isNameAndEquals("/ICCBased") && cs.getArrayItem(1).isStream()) {
        const long long n = cs.getArrayItem(1).getDict().getKey("/N").getIntValue();
        return n == 1 || n == 3 ? int(n) : 0;
    }
    return 0;
}

// A page's visible box (x0 y0 x1 y1, in points) and how it is turned.
struct PageFrame {
    double box[4] = {};
    int rotate = 0;
    double Width() const { return box[2] - box[0]; }
    double Height() const { return box[3] - box[1]; }
};

// The frame of a page that shows nothing over its content (no annotations),
// whose crop box is its media box and which is turned by right angles only;
// nothing otherwise.
std::optional<PageFrame> PlainFrame(QPDFObjectHandle dict) {
    QPDFObjectHandle annots = dict.getKey("/Annots");
    if (annots.isArray() && annots.getArrayNItems() > 0) return std::nullopt;
    PageFrame frame;
    if (!Box(dict.getKey("/MediaBox"), frame.box)) return std::nullopt;
    if (dict.hasKey("/CropBox")) {
        double crop[4];
        if (!Box(dict.getKey("/CropBox"), crop)) return std::nullopt;
        for (int i = 0; i < 4; ++i)
            if (std::abs(crop[i] - frame.box[i]) > kTolerancePt) return std::nullopt;
    }
    if (dict.getKey("/Rotate").isInteger()) {
        frame.rotate = static_cast<int>(((dict.getKey("/Rotate").getIntValue() % 360) + 360) % 360);
        if (frame.rotate % 90 != 0) return std::nullopt;
    }
    return frame;
}

// The image the drawing names in the page's resources; nothing when it names
// anything else.
std::optional<QPDFObjectHandle> DrawnImage(QPDFPageObjectHelper& page, const Placement& draw) {
    QPDFObjectHandle image =
        page.getObjectHandle().getKey("/Resources").getKey("/XObject").getKey(draw.name);
    if (!image.isStream() || !image.getDict().getKey("/Subtype").isNameAndEquals("/Image"))
        return std::nullopt;
    return image;
}

// The image the page's only drawing lays over its whole frame, upright and
// unstretched; nothing otherwise.
std::optional<QPDFObjectHandle> WholePageImage(QPDFPageObjectHelper& page, const PageFrame& frame) {
    const std::optional<Placement> draw = SingleImageDraw(page);
    if (!draw || draw->b != 0 || draw->c != 0) return std::nullopt;
    if (std::abs(draw->a - frame.Width()) > kTolerancePt ||
        std::abs(draw->d - frame.Height()) > kTolerancePt ||
        std::abs(draw->e - frame.box[0]) > kTolerancePt ||
        std::abs(draw->f - frame.box[1]) > kTolerancePt)
        return std::nullopt;
    return DrawnImage(page, *draw);
}

// A page that is one 8-bit grey or RGB image over its frame.
struct Scan {
    PageFrame frame;
    QPDFObjectHandle image;
    size_t width = 0, height = 0;  // the image's, in pixels
    int components = 0;
    double scale = 1;  // what it is reduced by as it is read
    int dpi = 0;       // the resolution it is read at when not its own shown size's
};

// The page as such a scan at dpi, within the rendering's size limits;
// nothing when it is anything else.
std::optional<Scan> FindScan(QPDF& pdf, int pageNumber, double dpi) {
    pdf.pushInheritedAttributesToPage();
    auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
    if (pageNumber < 1 || pageNumber > static_cast<int>(pages.size())) return std::nullopt;
    QPDFPageObjectHelper& page = pages[pageNumber - 1];
    const std::optional<PageFrame> frame = PlainFrame(page.getObjectHandle());
    if (!frame) return std::nullopt;
    std::optional<QPDFObjectHandle> image = WholePageImage(page, *frame);
    if (!image) return std::nullopt;
    QPDFObjectHandle dict = image->getDict();
    const int n = Components(dict);
    const long long iw = dict.getKey("/Width").getIntValue();
    const long long ih = dict.getKey("/Height").getIntValue();
    if (n == 0 || iw <= 0 || ih <= 0 || iw > kMaxRenderSide || ih > kMaxRenderSide ||
        double(iw) * double(ih) > kMaxRenderPixels)
        return std::nullopt;
    // Square pixels, at dpi or coarser down to kLeastOwnDpi, or finer to be
    // reduced to dpi.
    const double dpiX = iw / (frame->Width() / 72), dpiY = ih / (frame->Height() / 72);
    const double shortPt = std::min(frame->Width(), frame->Height());
    const double longPt = std::max(frame->Width(), frame->Height());
    const double sheetDpi = double(std::min(iw, ih)) / kA4ShortInches;
    if (std::abs(dpiX - dpiY) <= dpiY * kDpiTolerance && dpiY < kLeastOwnDpi &&
        shortPt > kA3ShortPt && longPt > kA3LongPt && sheetDpi >= kLeastOwnDpi &&
        sheetDpi <= dpi * kMostReduction) {
        const double scale = sheetDpi > dpi * (1 + kDpiTolerance) ? dpi / sheetDpi : 1;
        return Scan{*frame,
                    *image,
                    size_t(iw),
                    size_t(ih),
                    n,
                    scale,
                    static_cast<int>(std::lround(sheetDpi * scale))};
    }
    if (std::abs(dpiX - dpiY) > dpiY * kDpiTolerance ||
        dpiY > dpi * kMostReduction * (1 + kDpiTolerance) ||
        dpiY < kLeastOwnDpi * (1 - kDpiTolerance))
        return std::nullopt;
    const double scale = dpiY > dpi * (1 + kDpiTolerance) ? dpi / dpiY : 1;
    return Scan{*frame, *image, size_t(iw), size_t(ih), n, scale};
}

// The page's shown box and turn, as the geometry of its drawing carries them.
void SetFrame(PageGeometry& g, const PageFrame& frame) {
    g.x0 = frame.box[0];
    g.y0 = frame.box[1];
    g.x1 = frame.box[2];
    g.y1 = frame.box[3];
    g.rotate = frame.rotate;
}

// The full pixels under one pixel of a reduced row or column, each with the
// share of the reduced pixel it covers.
struct Span {
    std::vector<std::pair<size_t, double>> parts;
};

// For each of the to pixels that from pixels are reduced to, its span.
std::vector<Span> Spans(size_t from, size_t to) {
    std::vector<Span> spans(to);
    const double step = double(from) / double(to);
    for (size_t i = 0; i < to; ++i) {
        const double begin = i * step, end = std::min(double(from), (i + 1) * step);
        for (size_t j = size_t(begin); j < from && double(j) < end; ++j) {
            const double cover = std::min(end, double(j + 1)) - std::max(begin, double(j));
            if (cover > 0) spans[i].parts.emplace_back(j, cover / (end - begin));
        }
    }
    return spans;
}

// The scan's image in grey, turned clockwise by the page's rotation as it is
// shown; nothing when its data holds fewer samples than it declares.
std::optional<RenderedPage> ShownImage(const Scan& scan) {
    // Only the samples the image declares are decoded; what a stream holds
    // beyond them is never drawn.
    const size_t W = scan.width, H = scan.height;
    const int n = scan.components;
    BoundedSink samples(W * H * n, true);
    QPDFObjectHandle image = scan.image;
    image.pipeStreamData(&samples, 0, qpdf_dl_all);
    if (samples.count() != W * H * n) return std::nullopt;
    const auto* src = reinterpret_cast<const unsigned char*>(samples.data().data());

    const PageFrame& frame = scan.frame;
    RenderedPage out;
    PageGeometry& g = out.geometry;
    SetFrame(g, frame);
    const bool sideways = frame.rotate == 90 || frame.rotate == 270;
    // The image as shown, full size: where its pixel x, y comes from.
    const size_t SW = sideways ? H : W, SH = sideways ? W : H;
    auto source = [&](size_t x, size_t y) {
        size_t sx = x, sy = y;
        switch (frame.rotate) {
            case 90:
                sx = y, sy = H - 1 - x;
                break;
            case 180:
                sx = W - 1 - x, sy = H - 1 - y;
                break;
            case 270:
                sx = W - 1 - y, sy = x;
                break;
            default:
                break;
        }
        return src + (sy * W + sx) * n;
    };
    const double k = scan.scale;
    g.width = std::max(1, int(std::lround(double(SW) * k)));
    g.height = std::max(1, int(std::lround(double(SH) * k)));
    const double shownWidthPt = sideways ? frame.Height() : frame.Width();
    g.pointsPerPixel = shownWidthPt / g.width;
    out.dpi =
        scan.dpi > 0 ? scan.dpi : static_cast<int>(std::lround(g.width / (shownWidthPt / 72)));
    out.bytesPerLine = g.width;
    out.pixels.resize(size_t(g.width) * g.height);
    const OnWhite white(n == 1 ? Rgb{} : PaperColour(int(W), int(H), [&](int x, int y) {
        const unsigned char* p = src + (size_t(y) * W + size_t(x)) * n;
        return Rgb{p[0], p[1], p[2]};
    }));
    auto put = [&](size_t at, const unsigned char* p) {
        if (n == 1)
            out.pixels[at] = p[0];
        else
            PutColour(out.pixels, out.stampInk, at, p[0], p[1], p[2], white);
    };
    // A grey scan shown as it lies, at its own resolution: its rows as they are.
    if (k == 1 && n == 1 && frame.rotate == 0) {
        std::copy_n(src, out.pixels.size(), out.pixels.begin());
        return out;
    }
    // Reduced, each pixel is the mean of the full image's pixels under it,
    // each by how much of it lies there, as the renderer draws it.
    const std::vector<Span> across = Spans(SW, size_t(g.width));
    const std::vector<Span> down = Spans(SH, size_t(g.height));
    size_t at = 0;
    for (size_t y = 0; y < size_t(g.height); ++y)
        for (size_t x = 0; x < size_t(g.width); ++x, ++at) {
            if (k == 1) {
                put(at, source(x, y));
                continue;
            }
            double sum[3] = {0, 0, 0};
            for (const auto& [sy, wy] : down[y].parts)
                for (const auto& [sx, wx] : across[x].parts) {
                    const unsigned char* p = source(sx, sy);
                    for (int i = 0; i < n; ++i) sum[i] += wx * wy * p[i];
                }
            unsigned char mean[3];
            for (int i = 0; i < n; ++i)
                mean[i] = static_cast<unsigned char>(std::clamp(std::lround(sum[i]), 0L, 255L));
            put(at, mean);
        }
    return out;
}

// A picture poppler enlarges to draw the page at the resolution asked: one
// bit a pixel in CCITT G4 (a fax, a black-and-white scan, as this engine
// stores them), or 8-bit grey coarser than the least read as it is, laid
// upright over a page that shows it as it lies. Its rows (packed bits, 1 for
// the code's black runs, or grey bytes) and the drawing that lays it.
struct Enlarged {
    PageFrame frame;
    Placement draw;
    size_t width = 0, height = 0;
    int bits = 8;
    std::vector<uint8_t> rows;
    bool blackIs1 = false;
    bool interpolate = false;
};

// The one dictionary of a one-filter stream's parameters, or a null.
QPDFObjectHandle OnlyOne(QPDFObjectHandle item) {
    if (item.isArray())
        return item.getArrayNItems() == 1 ? item.getArrayItem(0) : QPDFObjectHandle();
    return item;
}

// The rows of a G4 picture w by h; nothing for anything else poppler would
// decode otherwise.
std::optional<std::vector<uint8_t>> G4Rows(QPDFObjectHandle image, long long w, long long h,
                                           bool& blackIs1) {
    QPDFObjectHandle dict = image.getDict();
    if (!dict.getKey("/ColorSpace").isNameAndEquals("/DeviceGray") ||
        !OnlyOne(dict.getKey("/Filter")).isNameAndEquals("/CCITTFaxDecode"))
        return std::nullopt;
    for (const char* key : {"/SMask", "/Mask", "/Decode", "/SMaskInData"})
        if (dict.hasKey(key)) return std::nullopt;
    QPDFObjectHandle parms = OnlyOne(dict.getKey("/DecodeParms"));
    if (!parms.isDictionary()) return std::nullopt;
    auto number = [&](const char* key, long long absent) {
        QPDFObjectHandle v = parms.getKey(key);
        return v.isNull()      ? std::optional<long long>(absent)
               : v.isInteger() ? std::optional<long long>(v.getIntValue())
                               : std::nullopt;
    };
    auto flag = [&](const char* key) {
        QPDFObjectHandle v = parms.getKey(key);
        return v.isBool()   ? std::optional<bool>(v.getBoolValue())
               : v.isNull() ? std::optional<bool>(false)
                            : std::nullopt;
    };
    const std::optional<long long> kind = number("/K", 0);
    const std::optional<bool> black = flag("/BlackIs1"), aligned = flag("/EncodedByteAlign");
    if (!kind || *kind >= 0 || number("/Columns", 1728) != w || number("/Rows", h) != h || !black ||
        !aligned || *aligned)
        return std::nullopt;
    blackIs1 = *black;
    std::shared_ptr<Buffer> coded = image.getRawStreamData();
    return DecodeG4(
        std::string(reinterpret_cast<const char*>(coded->getBuffer()), coded->getSize()),
        uint32_t(w), uint32_t(h));
}

// The grey bytes of an 8-bit grey picture w by h; nothing when its data
// holds fewer.
std::optional<std::vector<uint8_t>> GreyRows(QPDFObjectHandle image, long long w, long long h) {
    if (Components(image.getDict()) != 1) return std::nullopt;
    const size_t size = size_t(w) * size_t(h);
    BoundedSink samples(size, true);
    image.pipeStreamData(&samples, 0, qpdf_dl_all);
    if (samples.count() != size) return std::nullopt;
    const std::string& data = samples.data();
    return std::vector<uint8_t>(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(size));
}

std::optional<Enlarged> FindEnlarged(QPDF& pdf, int pageNumber) {
    auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
    if (pageNumber < 1 || pageNumber > static_cast<int>(pages.size())) return std::nullopt;
    QPDFPageObjectHelper& page = pages[pageNumber - 1];
    QPDFObjectHandle pageDict = page.getObjectHandle();
    const std::optional<PageFrame> frame = PlainFrame(pageDict);
    // The crop box is the media box to the point, so the frame is what is shown.
    if (!frame || frame->rotate != 0 ||
        (pageDict.hasKey("/CropBox") &&
         pageDict.getKey("/CropBox").unparse() != pageDict.getKey("/MediaBox").unparse()))
        return std::nullopt;
    const std::optional<Placement> draw = SingleImageDraw(page);
    std::optional<QPDFObjectHandle> image = WholePageImage(page, *frame);
    if (!draw || !image || draw->a <= 0 || draw->d <= 0) return std::nullopt;
    QPDFObjectHandle dict = image->getDict();
    QPDFObjectHandle mask = dict.getKey("/ImageMask"), interpolate = dict.getKey("/Interpolate");
    const long long w = dict.getKey("/Width").getIntValue();
    const long long h = dict.getKey("/Height").getIntValue();
    const long long bits = dict.getKey("/BitsPerComponent").getIntValue();
    if ((mask.isBool() && mask.getBoolValue()) ||
        (!interpolate.isNull() && !interpolate.isBool()) || w <= 0 || h <= 0 ||
        w > kMaxRenderSide || h > kMaxRenderSide || double(w) * double(h) > kMaxRenderPixels ||
        (bits != 1 && bits != 8))
        return std::nullopt;
    // Grey finer than the least read as it is was read as it is.
    if (bits == 8 && h / (frame->Height() / 72) >= kLeastOwnDpi * (1 - kDpiTolerance))
        return std::nullopt;
    Enlarged found{*frame,    *draw, size_t(w), size_t(h),
                   int(bits), {},    false,     interpolate.isBool() && interpolate.getBoolValue()};
    std::optional<std::vector<uint8_t>> rows =
        bits == 1 ? G4Rows(*image, w, h, found.blackIs1) : GreyRows(*image, w, h);
    if (!rows) return std::nullopt;
    found.rows = std::move(*rows);
    return found;
}

// One row of samples (with a copy of its last one after it) widened to n
// pixels, each between the two samples it falls between by how far it lies
// from each: how poppler enlarges a picture, to its rounding.
void Widen(const std::vector<uint8_t>& row, size_t w, size_t n, std::vector<uint8_t>& out) {
    const double step = double(w) / double(n);
    double at = 0;
    for (size_t x = 0; x < n; ++x) {
        double whole = 0;
        const double part = std::modf(at, &whole);
        const size_t p = size_t(whole);
        out[x] = static_cast<uint8_t>(row[p] * (1.0 - part) + row[p + 1] * part);
        at += step;
    }
}

// The page as poppler draws it at dpi: the picture enlarged between its
// pixels to the device pixels its drawing spans (its right and bottom edges
// rounded down and one added) and laid from its top left pixel, on white;
// nothing when it would be drawn otherwise (reduced, or enlarged four times
// or more, which poppler does by repeating pixels).
std::optional<RenderedPage> DrawnEnlarged(const Enlarged& scan, double dpi) {
    const PageFrame& frame = scan.frame;
    const double renderDpi = RenderDpi(frame.Width(), frame.Height(), dpi);
    const double k = renderDpi / 72.0;
    // The device matrix of the page, as poppler's state sets it up and the
    // drawing's matrix is joined to it.
    const double left = scan.draw.e * k + -k * frame.box[0];
    const double top = scan.draw.f * -k + k * frame.box[3] + -(scan.draw.d * k);
    const double across = scan.draw.a * k, down = scan.draw.d * k;
    const long long x0 = std::llround(std::floor(left)), y0 = std::llround(std::floor(top));
    const long long x1 = std::llround(std::floor(across + left)) + 1;
    const long long y1 = std::llround(std::floor(down + top)) + 1;
    const size_t W = scan.width, H = scan.height;
    const long long sw = x1 - x0, sh = y1 - y0;
    if (sw < (long long)W || sh < (long long)H || sw > kMaxRenderSide + 2 ||
        sh > kMaxRenderSide + 2)
        return std::nullopt;
    if (!scan.interpolate && (sw / (long long)W >= 4 || sh / (long long)H >= 4))
        return std::nullopt;

    RenderedPage out;
    PageGeometry& g = out.geometry;
    SetFrame(g, frame);
    g.width = std::max(1, int(frame.Width() * k + 0.5));
    g.height = std::max(1, int(frame.Height() * k + 0.5));
    g.pointsPerPixel = frame.Width() / g.width;
    out.dpi = static_cast<int>(std::lround(renderDpi));
    out.bytesPerLine = g.width;
    out.pixels.assign(size_t(g.width) * g.height, 255);

    const size_t rowBytes = scan.bits == 1 ? (W + 7) / 8 : W;
    const uint8_t ink = scan.blackIs1 ? 255 : 0, paper = 255 - ink;
    const size_t scaledWidth = static_cast<size_t>(sw);
    std::vector<uint8_t> samples(W + 1), line1(scaledWidth), line2(scaledWidth);
    size_t next = 0;  // the picture's next row to widen
    auto widenNext = [&](std::vector<uint8_t>& line) {
        const uint8_t* row = scan.rows.data() + next++ * rowBytes;
        if (scan.bits == 1)
            for (size_t x = 0; x < W; ++x)
                samples[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? ink : paper;
        else
            std::copy_n(row, W, samples.begin());
        samples[W] = samples[W - 1];
        Widen(samples, W, scaledWidth, line);
    };
    widenNext(line2);
    const double step = double(H) / double(sh);
    double at = 0;
    long long current = -1;
    std::array<uint8_t, 256> same{};
    for (long long y = 0; y < sh; ++y, at += step) {
        double whole = 0;
        const double part = std::modf(at, &whole);
        if ((long long)whole > current) {
            ++current;
            std::swap(line1, line2);
            if (current < (long long)H - 1)
                widenNext(line2);
            else
                line2 = line1;
        }
        const long long dy = y0 + y;
        if (dy < 0 || dy >= g.height) continue;
        // Where both rows agree, the mix as poppler rounds it, worked out once.
        for (int v = 0; v < 256; ++v) same[v] = static_cast<uint8_t>(v * (1.0 - part) + v * part);
        uint8_t* row = out.pixels.data() + size_t(dy) * g.width;
        const long long from = std::max(0LL, -x0), to = std::min(sw, g.width - x0);
        for (long long x = from; x < to; ++x) {
            const uint8_t a = line1[size_t(x)], b = line2[size_t(x)];
            row[x0 + x] = a == b ? same[a] : static_cast<uint8_t>(a * (1.0 - part) + b * part);
        }
    }
    // Its grey as the renderer takes a page's colours: on its own paper.
    const OnWhite white(PaperColour(g.width, g.height, [&](int x, int y) {
        const uint8_t v = out.pixels[size_t(y) * g.width + x];
        return Rgb{v, v, v};
    }));
    std::array<uint8_t, 256> grey{};
    for (int v = 0; v < 256; ++v) grey[v] = white(uint8_t(v), uint8_t(v), uint8_t(v)).r;
    for (uint8_t& v : out.pixels) v = grey[v];
    return out;
}

}  // namespace

std::optional<RenderedPage> ReadScannedPage(QPDF& pdf, int pageNumber, double dpi) {
    try {
        if (const std::optional<Scan> scan = FindScan(pdf, pageNumber, dpi))
            return ShownImage(*scan);
        const std::optional<Enlarged> enlarged = FindEnlarged(pdf, pageNumber);
        std::optional<RenderedPage> drawn = enlarged ? DrawnEnlarged(*enlarged, dpi) : std::nullopt;
        // Marked as the rendering of such a page is.
        if (drawn && enlarged->bits == 1) {
            drawn->bilevel = true;
            drawn->picture = BilevelScanDpi(pdf, pageNumber);
        }
        return drawn;
    } catch (const std::exception&) {
        return std::nullopt;  // anything unexpected: the renderer decides
    }
}

PictureDpi BilevelScanDpi(QPDF& pdf, int pageNumber) {
    try {
        auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
        if (pageNumber < 1 || pageNumber > static_cast<int>(pages.size())) return {};
        QPDFPageObjectHelper& page = pages[pageNumber - 1];
        const std::optional<Placement> draw = SingleImageDraw(page);
        std::optional<QPDFObjectHandle> image = draw ? DrawnImage(page, *draw) : std::nullopt;
        if (!image) return {};
        QPDFObjectHandle dict = image->getDict();
        QPDFObjectHandle bits = dict.getKey("/BitsPerComponent");
        if (!bits.isInteger() || bits.getIntValue() != 1) return {};
        // Pixels over the length each axis is drawn at, in inches.
        const double across = std::hypot(draw->a, draw->b) / 72;
        const double down = std::hypot(draw->c, draw->d) / 72;
        QPDFObjectHandle w = dict.getKey("/Width"), h = dict.getKey("/Height");
        if (!w.isInteger() || !h.isInteger() || across <= 0 || down <= 0) return {};
        auto dpi = [](long long pixels, double inches) {
            return static_cast<int>(std::lround(std::clamp(double(pixels) / inches, 1.0, 1e5)));
        };
        return {dpi(w.getIntValue(), across), dpi(h.getIntValue(), down)};
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace xdw
