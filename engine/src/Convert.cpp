#include "Convert.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <qpdf/QPDFExc.hh>

#include "Error.h"
#include "Limits.h"
#include "image/ImageJpeg.h"
#include "image/ImageTiff.h"
#include "pdf/DocInfo.h"
#include "pdf/Document.h"
#include "pdf/DocumentLabel.h"
#include "pdf/OutputFile.h"
#include "pdf/PageCheck.h"
#include "pdf/PageTree.h"
#include "pdf/Repair.h"
#include "pdf/Signature.h"

namespace xdw {

namespace {

// The source must exist and be a file; its errno code otherwise.
void RequireSource(const std::string& input) {
    struct stat st;
    if (::stat(input.c_str(), &st) != 0) ThrowErrno(XDW_REASON_SOURCE, input, errno, "source");
    if (!S_ISREG(st.st_mode)) Bad(XDW_REASON_SOURCE_NOT_FILE, "source is not a file", input);
    if (::access(input.c_str(), R_OK) != 0) ThrowErrno(XDW_REASON_SOURCE, input, errno, "source");
}

// Writes a new document; problems met while reading the source's content on
// the way count as unreadable content.
void Commit(QPDF& pdf, const std::string& output) {
    try {
        CommitPdf(pdf, output, false);
    } catch (const EngineError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        Bad(XDW_REASON_CONTENT, e.what());
    }
}

std::string ReadHead(const std::string& path, size_t count) {
    std::ifstream in(path, std::ios::binary);
    if (!in) ThrowErrno(XDW_REASON_SOURCE, path, errno, "source");
    std::string head(count, '\0');
    in.read(head.data(), static_cast<std::streamsize>(count));
    head.resize(static_cast<size_t>(in.gcount()));
    return head;
}

bool IsJpeg(const std::string& head) {
    return head.size() >= 3 && head.compare(0, 3, "\xFF\xD8\xFF") == 0;
}

bool IsTiff(const std::string& head) {
    if (head.size() < 4) return false;
    return head.compare(0, 4, std::string("II*\0", 4)) == 0 ||
           head.compare(0, 4, std::string("MM\0*", 4)) == 0 ||
           head.compare(0, 4, std::string("II+\0", 4)) == 0 ||
           head.compare(0, 4, std::string("MM\0+", 4)) == 0;
}

// The source's name without its folder and extension: the title of a
// document that has none of its own.
std::string Stem(const std::string& input) { return std::filesystem::path(input).stem().string(); }

}  // namespace

void ConvertPdf(const std::string& input, const std::string& output) {
    SetSourceRepair({});
    RequireSource(input);
    CheckTargetFree(output);
    std::shared_ptr<QPDF> pdf = ReadPdf(input);
    const std::string name = std::filesystem::path(input).filename().string();
    if (IsSigned(*pdf)) {
        // Rewriting would break the signatures: the document is the file's
        // own bytes, read once and checked as they are copied.
        const std::string bytes = ReadFileBytes(input);
        std::shared_ptr<QPDF> signedPdf = ReadPdf(input, &bytes);
        const std::string mended = CheckEveryPage(*signedPdf, name);
        // Its title and keys go after the signed bytes, where that is allowed.
        const DocumentKeys keys = FindDocumentKeys(OwnPageTexts(input, *signedPdf));
        std::string update;
        if (SignedChangeRefusal(*signedPdf).empty() && mended.empty() &&
            LabelDocument(*signedPdf, Stem(input), keys))
            update = IncrementalUpdate(*signedPdf, bytes);
        CommitBytes(bytes + update, output, false);
        SetSourceRepair(mended);
        return;
    }
    // qpdf repairs what damage it can; the copy is made only when every page
    // came through.
    std::string mended = CheckEveryPage(*pdf, name);
    try {
        FlattenPageTree(*pdf);
    } catch (const std::exception& e) {
        Bad(XDW_REASON_PDF_DAMAGED, e.what(), input);
    }
    const DocumentKeys keys = FindDocumentKeys(OwnPageTexts(input, *pdf));
    LabelDocument(*pdf, Stem(input), keys);
    Commit(*pdf, output);
    // What writing had to mend counts too (a stream read anew, a length).
    if (mended.empty() && pdf->anyWarnings()) mended = "damaged objects mended while writing";
    SetSourceRepair(mended);
}

void ConvertImage(const std::string& input, const std::string& output, const XDW_CREATE_OPTION*) {
    SetSourceRepair({});
    RequireSource(input);
    CheckTargetFree(output);
    // The content decides, not the name.
    const std::string head = ReadHead(input, 8);
    QPDF pdf;
    pdf.emptyPDF();
    if (IsJpeg(head)) {
        AddJpegPage(pdf, ReadJpegFile(input));
    } else if (IsTiff(head)) {
        AddTiffPages(pdf, input);
    } else {
        Bad(XDW_REASON_CONTENT, "not a JPEG or TIFF image", input);
    }
    StampNewDocument(pdf);
    LabelDocument(pdf, Stem(input), DocumentKeys());
    Commit(pdf, output);
}

}  // namespace xdw
