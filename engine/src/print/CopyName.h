// The name of the copy LibreOffice is given. It shows in titles, sheet names
// and page headers, so it is the source's own name wherever LibreOffice can
// take it: valid UTF-8 (a Shift-JIS name is read as such) and short enough
// for the suffixes LibreOffice adds to it (".pdf", lock files).
#pragma once

#include <string>

namespace xdw {

inline constexpr std::size_t kLongestCopyName = 120;

std::string CopyName(const std::string& path);

}  // namespace xdw
