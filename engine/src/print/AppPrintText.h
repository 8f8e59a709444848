// Plain text files from Windows are often in Shift-JIS (code page 932),
// which LibreOffice would read as another encoding and print as garbage.
#pragma once

#include <string>

namespace xdw {

// The text of bytes that are not UTF-8 but read cleanly as code page 932
// (the ANSI code page of the Japanese desktops these files come from),
// converted to UTF-8; otherwise an empty string (the bytes are printed as
// they are).
std::string Cp932TextAsUtf8(const std::string& bytes);

}  // namespace xdw
