// What a file's content is (not its name): LibreOffice opens nearly
// anything, random bytes included, as a page of garbage text, so that has to
// be known before it starts.
#pragma once

#include <string>

namespace xdw {

// The MIME type libmagic finds in the file's content ("" when it cannot tell).
std::string ContentMimeType(const std::string& path);

// Whether the content type is an office document LibreOffice opens by
// itself (text, pictures and drawings are planned separately).
bool IsPrintableMimeType(const std::string& mime);

}  // namespace xdw
