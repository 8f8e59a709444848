#include "pdf/PdfNumber.h"

#include <array>
#include <charconv>
#include <cmath>

namespace xdw {

std::string PdfNumber(double value, int decimals) {
    if (!std::isfinite(value)) value = 0;
    if (std::abs(value) < 0.5 * std::pow(10.0, -decimals)) value = 0;
    std::array<char, 400> buf{};
    auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                   std::chars_format::fixed, decimals);
    std::string s(buf.data(), ec == std::errc() ? end : buf.data());
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s.empty() || s == "-0" ? "0" : s;
}

}  // namespace xdw
