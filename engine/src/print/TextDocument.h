// Plain text as a flat OpenDocument text for LibreOffice to print: one
// paragraph a line, in the monospaced look of its own text import, but with
// no extra space between Japanese and Latin characters, which its import
// adds and which breaks a search of the printed page for "4月15日".
#pragma once

#include <string>

namespace xdw {

// utf8: the text without a byte-order mark. Line ends (CR LF, LF, CR, VT)
// end a paragraph, a form feed starts a new page, tabs and runs of blanks
// stay as they are; other control characters are left out.
std::string TextAsFlatDocument(const std::string& utf8);

}  // namespace xdw
