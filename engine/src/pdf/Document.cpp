#include "pdf/Document.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <qpdf/QPDFExc.hh>

#include "Error.h"
#include "HandleRegistry.h"
#include "pdf/DocInfo.h"
#include "pdf/DocumentLabel.h"
#include "pdf/OutputFile.h"
#include "pdf/PageTree.h"
#include "pdf/Signature.h"

namespace xdw {

namespace {

HandleRegistry<Document, XDW_DOCUMENT_HANDLE>& Registry() {
    static HandleRegistry<Document, XDW_DOCUMENT_HANDLE> registry;
    return registry;
}

}  // namespace

std::shared_ptr<QPDF> ReadPdf(const std::string& path, const std::string* bytes) {
    FILE* file = nullptr;
    if (bytes == nullptr) {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) ThrowErrno(XDW_REASON_SOURCE, path, errno, "source");
        if (!S_ISREG(st.st_mode)) Bad(XDW_REASON_SOURCE_NOT_FILE, "not a file", path);
        file = std::fopen(path.c_str(), "rbe");
        if (file == nullptr) ThrowErrno(XDW_REASON_SOURCE, path, errno, "source");
    }

    auto pdf = std::make_shared<QPDF>();
    pdf->setSuppressWarnings(true);
    try {
        if (file != nullptr)
            pdf->processFile(path.c_str(), file, true);
        else
            pdf->processMemoryFile(path.c_str(), bytes->data(), bytes->size());
        CheckPageTreeDepth(*pdf);
        if (pdf->getAllPages().empty()) Bad(XDW_REASON_PDF_DAMAGED, "no pages", path);
    } catch (const EngineError&) {
        throw;
    } catch (const QPDFExc& e) {
        // Without the user's password nothing can be done with the file, and
        // printing it would not help either.
        if (e.getErrorCode() == qpdf_e_password)
            Bad(XDW_REASON_PASSWORD, "the file is protected by a password", path);
        // Not a PDF, or damaged beyond repair.
        Bad(XDW_REASON_PDF_DAMAGED, e.what(), path);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        Bad(XDW_REASON_PDF_DAMAGED, e.what(), path);
    }
    return pdf;
}

std::string ReadFileBytes(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rbe");
    if (file == nullptr) ThrowErrno(XDW_REASON_SOURCE, path, errno, "source");
    std::string data;
    char chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) data.append(chunk, n);
    const bool failed = std::ferror(file) != 0;
    const int err = errno;
    std::fclose(file);
    if (failed) ThrowErrno(XDW_REASON_SOURCE, path, err, "source");
    return data;
}

XDW_DOCUMENT_HANDLE OpenDocument(const std::string& path) {
    auto doc = std::make_shared<Document>();
    doc->pdf = ReadPdf(path);
    if (IsSigned(*doc->pdf)) {
        // Read again from the bytes kept, so that what is appended on saving
        // fits exactly the file it goes after.
        doc->signedBytes = std::make_shared<const std::string>(ReadFileBytes(path));
        doc->pdf = ReadPdf(path, doc->signedBytes.get());
        // Opened to be changed: a change that cannot be appended safely would
        // break the signature, so the document is not opened at all.
        const std::string refusal = SignedChangeRefusal(*doc->pdf);
        if (!refusal.empty())
            Bad(XDW_REASON_SIGNED,
                refusal + ": it cannot be changed without breaking its signature", path);
    }
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

namespace {

// After OCR: the kind and keys from the pages' own text and their reading.
void LabelAfterReading(Document& doc) {
    if (doc.readText.empty()) return;
    std::vector<std::string> pages = OwnPageTexts(*doc.pdf, true);
    bool recognised = false;
    for (size_t p = 0; p < pages.size(); ++p)
        if (auto read = doc.readText.find(static_cast<int>(p) + 1); read != doc.readText.end()) {
            pages[p] += "\n" + read->second;
            recognised = recognised || !read->second.empty();
        }
    const DocumentKeys keys = FindDocumentKeys(pages, recognised);
    if (LabelDocument(*doc.pdf, std::string(), keys)) doc.changed = true;
}

}  // namespace

void SaveDocument(Document& doc) {
    LabelAfterReading(doc);
    if (doc.changed) StampChangedDocument(*doc.pdf);
    if (doc.signedBytes) {
        if (doc.changed) {
            const std::string& before = *doc.signedBytes;
            auto saved =
                std::make_shared<const std::string>(before + IncrementalUpdate(*doc.pdf, before));
            CommitBytes(*saved, doc.path, true);
            // The saved file is what further changes go after.
            doc.pdf = ReadPdf(doc.path, saved.get());
            doc.signedBytes = saved;
        }
        doc.changed = false;
        return;
    }
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
