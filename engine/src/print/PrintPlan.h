// How a file is printed, decided from its content (never from its name
// alone): pictures by the engine itself, documents by LibreOffice through
// the import filter that reads them faithfully, anything else refused.
#pragma once

#include <string>

namespace xdw {

enum class PrintRoute {
    Picture,  // PNG, GIF, BMP, WebP, PNM, JPEG or TIFF data: pages built here
    Pdf,      // PDF data under another name: copied here, every page checked
    Office,   // LibreOffice prints it
};

struct PrintPlan {
    PrintRoute route = PrintRoute::Office;
    std::string mimeType;  // what the content is; the attachment's type
    // LibreOffice's import filter with its options ("" lets it choose from
    // the content) and the export to PDF.
    std::string importFilter;
    std::string exportFilter = "pdf";
    // Text handed over as UTF-8, recoded from this character set ("" for
    // files that are not recoded).
    std::string charset;
    // Plain text: laid out here as a flat text document, which the import
    // filter reads, rather than by LibreOffice's text import.
    bool plainText = false;
};

// Throws EngineError(XDW_E_CANNOT_READ) with the reason for content that
// would not print faithfully: empty files, binary data, archives, programs,
// text in an unknown character set.
PrintPlan PlanPrint(const std::string& path);

}  // namespace xdw
