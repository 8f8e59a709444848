// Where LibreOffice must run without its sandbox, a document that names a
// file outside itself (a linked picture, an included field, a stylesheet)
// would have that file read and printed: such documents are found before
// they are printed.
#pragma once

#include <string>

namespace xdw {

// The first reference of the file (or, for a zipped office document, of
// its XML parts) that reaches outside it: an absolute path, a file: address
// or a path climbing out with "../", in a link, a picture, a stylesheet, a
// CSS url() or an RTF include field; "" when there is none. Reads at most
// 64 MiB of it.
std::string OutsideLink(const std::string& path);

}  // namespace xdw
