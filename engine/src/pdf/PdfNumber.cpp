#include "pdf/PdfNumber.h"

#include <cmath>

#include <qpdf/QUtil.hh>

namespace xdw {

std::string PdfNumber(double value, int decimals) {
    // qpdf writes with the classic locale; what it leaves to us: values that
    // are not finite, and "-0" for a value that rounds to nothing.
    if (!std::isfinite(value) || std::abs(value) < 0.5 * std::pow(10.0, -decimals)) return "0";
    const std::string s = QUtil::double_to_string(value, decimals, true);
    return s == "-0" ? "0" : s;
}

}  // namespace xdw
