// Lengths the preparation steps give at 300 dpi, scaled to a page's own.
#pragma once

#include <algorithm>

namespace xdw {

inline int AtDpi(int px300, int dpi) { return std::max(1, px300 * dpi / 300); }

}  // namespace xdw
