#include "print/ContentCheck.h"

#include <magic.h>

#include <array>
#include <memory>
#include <string_view>

#include "Error.h"

namespace xdw {

namespace {

struct MagicCloser {
    void operator()(magic_t cookie) const { magic_close(cookie); }
};
using Magic = std::unique_ptr<std::remove_pointer_t<magic_t>, MagicCloser>;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string ContentMimeType(const std::string& path) {
    // One cookie per call: libmagic cookies are not shared between threads.
    Magic cookie(magic_open(MAGIC_MIME_TYPE | MAGIC_ERROR | MAGIC_NO_CHECK_COMPRESS));
    if (!cookie) throw EngineError(XDW_E_FAIL, "libmagic unavailable");
    if (magic_load(cookie.get(), nullptr) != 0)
        throw EngineError(XDW_E_NOT_INSTALLED, "libmagic database missing");
    const char* type = magic_file(cookie.get(), path.c_str());
    return type == nullptr ? std::string() : std::string(type);
}

bool IsPrintableMimeType(const std::string& mime) {
    // Plain and marked-up text of every kind (text/plain, text/csv,
    // text/html, text/rtf, program sources...).
    if (StartsWith(mime, "text/")) return true;
    // Office documents: OpenDocument, OOXML, the binary MS Office formats.
    static constexpr std::array<std::string_view, 6> officePrefixes = {
        "application/vnd.oasis.opendocument.",
        "application/vnd.openxmlformats-officedocument.",
        "application/vnd.ms-",
        "application/vnd.sun.xml.",
        "application/vnd.wordperfect",
        "application/vnd.visio",
    };
    for (auto prefix : officePrefixes)
        if (StartsWith(mime, prefix)) return true;
    static constexpr std::array<std::string_view, 13> exact = {
        "application/msword",        "application/rtf",       "application/pdf",
        "application/CDFV2",  // an OLE compound document (older Office files)
        "application/x-ole-storage", "application/json",      "application/xml",
        "application/csv",           "application/x-hwp",     "application/postscript",
        "application/x-abiword",     "application/x-mswrite", "application/x-iwork-pages-sffpages",
    };
    for (auto type : exact)
        if (mime == type) return true;
    // Pictures LibreOffice Draw opens and prints as a page.
    static constexpr std::array<std::string_view, 10> images = {
        "image/png",   "image/jpeg",     "image/gif",
        "image/bmp",   "image/x-ms-bmp", "image/tiff",
        "image/webp",  "image/svg+xml",  "image/x-portable-pixmap",
        "image/x-pcx",
    };
    for (auto type : images)
        if (mime == type) return true;
    return false;
}

std::string CheckPrintableContent(const std::string& path) {
    const std::string mime = ContentMimeType(path);
    if (!IsPrintableMimeType(mime))
        throw EngineError(XDW_E_CANNOT_READ,
                          "not a printable document: " + (mime.empty() ? "unknown" : mime));
    return mime;
}

}  // namespace xdw
