// Deciding from a file's content (not its name) whether LibreOffice can print
// it: LibreOffice opens nearly anything, random bytes included, as a page of
// garbage text, so that has to be refused before it starts.
#pragma once

#include <string>

namespace xdw {

// The MIME type libmagic finds in the file's content ("" when it cannot tell).
std::string ContentMimeType(const std::string& path);

// Whether a document of that MIME type is one the application prints.
bool IsPrintableMimeType(const std::string& mime);

// Throws EngineError(XDW_E_CANNOT_READ) when the file is not a document the
// application can print (empty, binary data, an archive, an executable...).
// Returns its MIME type otherwise.
std::string CheckPrintableContent(const std::string& path);

}  // namespace xdw
