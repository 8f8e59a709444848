#include "Document.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>

#include <qpdf/QPDFExc.hh>

#include "Error.h"
#include "pdf/OutputFile.h"
#include "pdf/PageTree.h"

namespace xdw {

namespace {

// Handles are numbers that are never reused, so a stale or made-up handle is
// always recognised instead of reaching freed memory.
std::map<std::uintptr_t, std::unique_ptr<Document>>& Registry() {
    static std::map<std::uintptr_t, std::unique_ptr<Document>> registry;
    return registry;
}
std::uintptr_t g_lastHandle = 0;

std::uintptr_t Key(XDW_DOCUMENT_HANDLE handle) { return reinterpret_cast<std::uintptr_t>(handle); }

}  // namespace

std::shared_ptr<QPDF> ReadPdf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) throw EngineError(CodeFromErrno(errno), "source");
    if (!S_ISREG(st.st_mode)) throw EngineError(XDW_E_CANNOT_READ, "not a file");
    FILE* file = std::fopen(path.c_str(), "rbe");
    if (file == nullptr) throw EngineError(CodeFromErrno(errno), "source");

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
    auto doc = std::make_unique<Document>();
    doc->pdf = ReadPdf(path);
    // Saving replaces the file by renaming over it; through a symbolic link
    // that would replace the link, so the real file is the one kept.
    char* real = ::realpath(path.c_str(), nullptr);
    doc->path = real != nullptr ? real : path;
    std::free(real);
    const std::uintptr_t key = ++g_lastHandle;
    doc->handle = key;
    Registry().emplace(key, std::move(doc));
    return reinterpret_cast<XDW_DOCUMENT_HANDLE>(key);
}

Document& LookupDocument(XDW_DOCUMENT_HANDLE handle) {
    const auto it = Registry().find(Key(handle));
    if (it == Registry().end()) throw EngineError(XDW_E_INVALID_ARG, "handle");
    return *it->second;
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
    if (Registry().erase(Key(handle)) == 0) throw EngineError(XDW_E_INVALID_ARG, "handle");
}

void CloseAllDocuments() { Registry().clear(); }

}  // namespace xdw
