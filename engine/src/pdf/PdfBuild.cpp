#include "pdf/PdfBuild.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <qpdf/QPDFPageDocumentHelper.hh>

#include "pdf/PdfNumber.h"

namespace xdw {

namespace {

// Largest page side most PDF readers accept, in points (200 inches).
constexpr double kMaxSide = 14400.0;

double UsableDpi(double dpi) {
    return std::isfinite(dpi) && dpi >= 1.0 && dpi <= 100000.0 ? dpi : 0.0;
}

}  // namespace

QPDFObjectHandle NewImageStream(QPDF& pdf, long width, long height, int bitsPerComponent,
                                QPDFObjectHandle colorSpace) {
    QPDFObjectHandle image = QPDFObjectHandle::newStream(&pdf);
    QPDFObjectHandle dict = image.getDict();
    dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(width));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(height));
    dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(bitsPerComponent));
    dict.replaceKey("/ColorSpace", colorSpace);
    return image;
}

void AddImagePage(QPDF& pdf, QPDFObjectHandle image, const ImagePlacement& placement) {
    double xdpi = UsableDpi(placement.xdpi);
    double ydpi = UsableDpi(placement.ydpi);
    if (xdpi == 0) xdpi = ydpi;
    if (ydpi == 0) ydpi = xdpi;
    const bool credible = !placement.camera && std::min(xdpi, ydpi) >= kMinScanDpi;
    if (!credible) xdpi = ydpi = 72.0;

    // The image's own size, then the page's once it is turned upright.
    double w = placement.width * 72.0 / xdpi;
    double h = placement.height * 72.0 / ydpi;
    const int o =
        placement.orientation >= 1 && placement.orientation <= 8 ? placement.orientation : 1;
    const bool transposed = o >= 5;
    double pw = transposed ? h : w;
    double ph = transposed ? w : h;
    if (!credible && pw > 0 && ph > 0) {
        const double fit =
            pw > ph ? std::min(kA4Long / pw, kA4Short / ph) : std::min(kA4Short / pw, kA4Long / ph);
        pw *= fit;
        ph *= fit;
    }
    // Keep pages within what readers take; very large images are shown
    // smaller rather than refused.
    const double scale = std::min(1.0, kMaxSide / std::max(pw, ph));
    pw *= scale;
    ph *= scale;

    // Maps the image's unit square (row 0 at the top) onto the page so that
    // the picture appears upright, for each of the eight orientations.
    double m[6];
    switch (o) {
        case 2:
            m[0] = -pw, m[1] = 0, m[2] = 0, m[3] = ph, m[4] = pw, m[5] = 0;
            break;
        case 3:
            m[0] = -pw, m[1] = 0, m[2] = 0, m[3] = -ph, m[4] = pw, m[5] = ph;
            break;
        case 4:
            m[0] = pw, m[1] = 0, m[2] = 0, m[3] = -ph, m[4] = 0, m[5] = ph;
            break;
        case 5:
            m[0] = 0, m[1] = -ph, m[2] = -pw, m[3] = 0, m[4] = pw, m[5] = ph;
            break;
        case 6:
            m[0] = 0, m[1] = -ph, m[2] = pw, m[3] = 0, m[4] = 0, m[5] = ph;
            break;
        case 7:
            m[0] = 0, m[1] = ph, m[2] = pw, m[3] = 0, m[4] = 0, m[5] = 0;
            break;
        case 8:
            m[0] = 0, m[1] = ph, m[2] = -pw, m[3] = 0, m[4] = pw, m[5] = 0;
            break;
        default:
            m[0] = pw, m[1] = 0, m[2] = 0, m[3] = ph, m[4] = 0, m[5] = 0;
            break;
    }
    std::string content = "q ";
    for (double v : m) content += PdfNumber(v, 4) + " ";
    content += "cm /Im0 Do Q\n";

    QPDFObjectHandle page = QPDFObjectHandle::newDictionary();
    page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
    page.replaceKey("/MediaBox",
                    QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(0, 0, pw, ph)));
    QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
    xobjects.replaceKey("/Im0", image);
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/XObject", xobjects);
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
}

}  // namespace xdw
