#include "pdf/Document.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <qpdf/QPDFExc.hh>

#include "Error.h"
#include "HandleRegistry.h"
#include "pdf/OutputFile.h"
#include "pdf/PageTree.h"

namespace xdw {

namespace {

HandleRegistry<Document, XDW_DOCUMENT_HANDLE>& Registry() {
    static HandleRegistry<Document, XDW_DOCUMENT_HANDLE> registry;
    return registry;
}

}  // namespace

std::shared_ptr<QPDF> ReadPdf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) ThrowErrno(XDW_REASON_SOURCE, path, errno, "source");
    if (!S_ISREG(st.st_mode))
        throw EngineError(XDW_E_CANNOT_READ, "not a file",
                          Concern{XDW_REASON_SOURCE_NOT_FILE, path, 0, {}});
    FILE* file = std::fopen(path.c_str(), "rbe");
    if (file == nullptr) ThrowErrno(XDW_REASON_SOURCE, path, errno, "source");

    auto pdf = std::make_shared<QPDF>();
    pdf->setSuppressWarnings(true);
    try {
        pdf->processFile(path.c_str(), file, true);
        CheckPageTreeDepth(*pdf);
        if (pdf->getAllPages().empty()) throw EngineError(XDW_E_CANNOT_READ, "no pages");
    } catch (const EngineError&) {
        throw;
    } catch (const QPDFExc& e) {
        // Not a PDF, damaged beyond repair, or locked with a password.
        throw EngineError(XDW_E_CANNOT_READ, e.what());
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        throw EngineError(XDW_E_CANNOT_READ, e.what());
    }
    return pdf;
}

XDW_DOCUMENT_HANDLE OpenDocument(const std::string& path) {
    auto doc = std::make_shared<Document>();
    doc->pdf = ReadPdf(path);
    // Saving replaces the file by renaming over it; through a symbolic link
    // that would replace the link, so the real file is the one kept.
    char* real = ::realpath(path.c_str(), nullptr);
    doc->path = real != nullptr ? real : path;
    std::free(real);
    Document& opened = *doc;
    const XDW_DOCUMENT_HANDLE handle = Registry().Add(std::move(doc));
    opened.handle = reinterpret_cast<std::uintptr_t>(handle);
    return handle;
}

Document& LookupDocument(XDW_DOCUMENT_HANDLE handle) {
    // The registry keeps it alive until it is closed.
    const std::shared_ptr<Document> doc = Registry().Find(handle);
    if (doc == nullptr) throw EngineError(XDW_E_INVALID_ARG, "handle");
    return *doc;
}

int PageCount(Document& doc) {
    try {
        return static_cast<int>(doc.pdf->getAllPages().size());
    } catch (const std::exception& e) {
        throw EngineError(XDW_E_CANNOT_READ, e.what());
    }
}

void SaveDocument(Document& doc) {
    CommitPdf(*doc.pdf, doc.path, true);
    doc.changed = false;
}

void CloseDocument(XDW_DOCUMENT_HANDLE handle) {
    // Unsaved changes are dropped: closing without saving leaves the file as
    // it was.
    if (!Registry().Remove(handle)) throw EngineError(XDW_E_INVALID_ARG, "handle");
}

void CloseAllDocuments() { Registry().TakeAll(); }

}  // namespace xdw
