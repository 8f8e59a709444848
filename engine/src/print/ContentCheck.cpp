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
    // A symbolic link is looked at as the file it leads to.
    Magic cookie(
        magic_open(MAGIC_MIME_TYPE | MAGIC_ERROR | MAGIC_NO_CHECK_COMPRESS | MAGIC_SYMLINK));
    if (!cookie) throw EngineError(XDW_E_FAIL, "libmagic unavailable");
    if (magic_load(cookie.get(), nullptr) != 0)
        throw EngineError(XDW_E_NOT_INSTALLED, "libmagic database missing");
    const char* type = magic_file(cookie.get(), path.c_str());
    return type == nullptr ? std::string() : std::string(type);
}

bool IsPrintableMimeType(const std::string& mime) {
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
    static constexpr std::array<std::string_view, 9> exact = {
        "application/msword",
        "application/rtf",
        "text/rtf",
        "application/CDFV2",  // an OLE compound document (older Office files)
        "application/x-ole-storage",
        "application/x-hwp",
        "application/x-abiword",
        "application/x-mswrite",
        "application/x-iwork-pages-sffpages",
    };
    for (auto type : exact)
        if (mime == type) return true;
    return false;
}

}  // namespace xdw
