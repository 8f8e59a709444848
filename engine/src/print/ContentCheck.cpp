#include "print/ContentCheck.h"

#include <magic.h>

#include <algorithm>
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

}  // namespace

std::string ContentMimeType(const std::string& path) {
    // One cookie per call: libmagic cookies are not shared between threads.
    // A symbolic link is looked at as the file it leads to.
    Magic cookie(
        magic_open(MAGIC_MIME_TYPE | MAGIC_ERROR | MAGIC_NO_CHECK_COMPRESS | MAGIC_SYMLINK));
    if (!cookie) throw EngineError(XDW_E_FAIL, "libmagic unavailable");
    if (magic_load(cookie.get(), nullptr) != 0)
        Bad(XDW_REASON_MISSING_PART, "libmagic database missing", "libmagic");
    const char* type = magic_file(cookie.get(), path.c_str());
    return type == nullptr ? std::string() : std::string(type);
}

bool IsPrintableMimeType(const std::string& mime) {
    // Only the types LibreOffice prints as the document they are: a vendor's
    // whole family would let in help files, fonts, mail and cabinets.
    static constexpr std::array<std::string_view, 37> printable = {
        "application/vnd.oasis.opendocument.text",
        "application/vnd.oasis.opendocument.text-template",
        "application/vnd.oasis.opendocument.text-master",
        "application/vnd.oasis.opendocument.text-web",
        "application/vnd.oasis.opendocument.spreadsheet",
        "application/vnd.oasis.opendocument.spreadsheet-template",
        "application/vnd.oasis.opendocument.presentation",
        "application/vnd.oasis.opendocument.presentation-template",
        "application/vnd.oasis.opendocument.graphics",
        "application/vnd.oasis.opendocument.graphics-template",
        "application/vnd.openxmlformats-officedocument.wordprocessingml.document",
        "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
        "application/vnd.openxmlformats-officedocument.presentationml.presentation",
        "application/vnd.ms-excel",
        "application/vnd.ms-powerpoint",
        "application/vnd.ms-publisher",
        "application/vnd.ms-works",
        "application/vnd.ms-visio.drawing.main+xml",
        "application/vnd.visio",
        "application/vnd.sun.xml.writer",
        "application/vnd.sun.xml.writer.template",
        "application/vnd.sun.xml.calc",
        "application/vnd.sun.xml.calc.template",
        "application/vnd.sun.xml.impress",
        "application/vnd.sun.xml.impress.template",
        "application/vnd.sun.xml.draw",
        "application/vnd.sun.xml.draw.template",
        "application/vnd.wordperfect",
        "application/msword",
        "application/rtf",
        "text/rtf",
        "application/CDFV2",  // an OLE compound document (older Office files)
        "application/x-hwp",
        "application/x-abiword",
        "application/x-mswrite",
        "application/x-ole-storage",
        "application/x-iwork-pages-sffpages",
    };
    return std::find(printable.begin(), printable.end(), mime) != printable.end();
}

}  // namespace xdw
