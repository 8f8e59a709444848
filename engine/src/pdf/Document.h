// Open documents and the handles that name them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include <qpdf/QPDF.hh>

#include "xdwapi/xdwapi.h"

namespace xdw {

struct DocumentOcr;  // how the OCR calls read its pages; theirs alone

struct Document {
    std::string path;  // the file it was opened from and is saved to
    // A signed document's bytes as opened, which pdf was read from: saving
    // appends the changes to them instead of rewriting them.
    std::shared_ptr<const std::string> signedBytes;
    std::shared_ptr<QPDF> pdf;  // its content, changed in memory until saved
    bool changed = false;
    std::uintptr_t handle = 0;  // never reused, so it tells documents apart
    std::shared_ptr<DocumentOcr> ocr;
    // The text recognised on each page read since it was opened (see
    // ReadText): on saving, the document's kind and keys are found again.
    std::map<int, std::string> readText;
};

// Reads a PDF file, or its bytes when given (they must outlive the result).
// Throws EngineError: the errno code when the file cannot be opened,
// XDW_E_PASSWORD_PROTECTED when it needs a password to be opened, XDW_E_CANNOT_READ
// when it is not a readable PDF with pages.
std::shared_ptr<QPDF> ReadPdf(const std::string& path, const std::string* bytes = nullptr);

// The whole file. Throws EngineError with the errno code.
std::string ReadFileBytes(const std::string& path);

// Opens a document to be changed and saved. A signed document that cannot
// take an appended change safely (SignedChangeRefusal) is refused with
// XDW_E_ACCESS_DENIED and the reason.
XDW_DOCUMENT_HANDLE OpenDocument(const std::string& path);
// Throws EngineError(XDW_E_INVALID_ARG) for a handle that is not open.
Document& LookupDocument(XDW_DOCUMENT_HANDLE handle);
int PageCount(Document& doc);
// Replaces the file at doc.path with the changed content (temporary file,
// flushed, renamed into place); a signed document's changes are appended to
// its bytes as they were opened.
void SaveDocument(Document& doc);
void CloseDocument(XDW_DOCUMENT_HANDLE handle);
void CloseAllDocuments();

}  // namespace xdw
