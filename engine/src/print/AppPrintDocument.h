// Turning the PDF LibreOffice printed into the final document, page by page,
// with the original file attached when asked.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <qpdf/QPDF.hh>

namespace xdw {

// The finished document and the printed PDF it still reads page content
// from: both must stay alive until the document has been written.
struct PrintedDocument {
    std::shared_ptr<QPDF> printed;
    std::shared_ptr<QPDF> document;
    int pages = 0;
    std::string mended;  // what reading the source had to mend (CheckEveryPage)
};

// Copies every page of printedPdf into a new document, calling onPage(i, n)
// before page i of n is copied. Throws EngineError(XDW_E_CANNOT_READ) when the file is
// not a readable PDF with at least one page; whatever onPage throws (a stop
// request) ends the build.
PrintedDocument BuildPrintedDocument(const std::string& printedPdf,
                                     const std::function<void(int, int)>& onPage);

// A document of the pages of a picture file (see AddPicturePages), with
// onPage called as for a printed PDF. Throws EngineError(XDW_E_CANNOT_READ)
// with the reason for a picture that cannot be read.
PrintedDocument BuildPictureDocument(const std::string& picture,
                                     const std::function<void(int, int)>& onPage);

// A copy of the PDF file at path, as the direct conversion makes it: every
// page checked (the reason names the page of displayName that failed), the
// page tree made flat. onPage is called as for a printed PDF.
PrintedDocument BuildPdfCopy(const std::string& path, const std::string& displayName,
                             const std::function<void(int, int)>& onPage);

// Embeds the bytes of dataPath as a file attachment named displayName. The
// bytes are read when the document is written, so dataPath must stay until
// then.
void AttachOriginal(QPDF& document, const std::string& dataPath, const std::string& displayName,
                    const std::string& mimeType);

}  // namespace xdw
