#include "print/AppPrintDocument.h"

#include <qpdf/QPDFEFStreamObjectHelper.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QUtil.hh>

#include <ctime>
#include <filesystem>

#include "Error.h"
#include "image/ImagePicture.h"
#include "pdf/DocInfo.h"
#include "pdf/Document.h"
#include "pdf/PageCheck.h"
#include "pdf/PageTree.h"

namespace xdw {

PrintedDocument BuildPrintedDocument(const std::string& printedPdf,
                                     const std::function<void(int, int)>& onPage) {
    PrintedDocument result;
    std::vector<QPDFPageObjectHelper> pages;
    try {
        result.printed = QPDF::create();
        result.printed->setSuppressWarnings(true);
        result.printed->processFile(printedPdf.c_str());
        pages = QPDFPageDocumentHelper(*result.printed).getAllPages();
    } catch (const QPDFExc& e) {
        throw EngineError(XDW_E_CANNOT_READ, std::string("printed PDF unreadable: ") + e.what());
    } catch (const std::runtime_error& e) {
        throw EngineError(XDW_E_CANNOT_READ, std::string("printed PDF unreadable: ") + e.what());
    }
    if (pages.empty()) Bad(XDW_REASON_BLANK_PRINT, "LibreOffice printed no page");

    result.document = QPDF::create();
    result.document->emptyPDF();
    result.document->setSuppressWarnings(true);
    QPDFPageDocumentHelper target(*result.document);
    const int total = static_cast<int>(pages.size());
    for (int i = 0; i < total; ++i) {
        onPage(i + 1, total);
        // addPage copies a page of another document with everything it uses.
        target.addPage(pages[static_cast<size_t>(i)], false);
        result.pages = i + 1;
    }
    return result;
}

PrintedDocument BuildPictureDocument(const std::string& picture,
                                     const std::function<void(int, int)>& onPage) {
    PrintedDocument result;
    result.document = QPDF::create();
    result.document->emptyPDF();
    result.document->setSuppressWarnings(true);
    AddPicturePages(*result.document, picture);
    StampNewDocument(*result.document, std::filesystem::path(picture).stem().string());
    const int total =
        static_cast<int>(QPDFPageDocumentHelper(*result.document).getAllPages().size());
    if (total == 0) Bad(XDW_REASON_CONTENT, "the picture has no page");
    for (int i = 1; i <= total; ++i) {
        onPage(i, total);
        result.pages = i;
    }
    return result;
}

PrintedDocument BuildPdfCopy(const std::string& path, const std::string& displayName,
                             const std::function<void(int, int)>& onPage) {
    PrintedDocument result;
    result.document = ReadPdf(path);
    result.mended = CheckEveryPage(*result.document, displayName);
    try {
        FlattenPageTree(*result.document);
    } catch (const std::exception& e) {
        Bad(XDW_REASON_PDF_DAMAGED, displayName + ": " + e.what(), path);
    }
    const int total = static_cast<int>(result.document->getAllPages().size());
    for (int i = 1; i <= total; ++i) {
        onPage(i, total);
        result.pages = i;
    }
    return result;
}

void AttachOriginal(QPDF& document, const std::string& dataPath, const std::string& displayName,
                    const std::string& mimeType) {
    auto stream =
        QPDFEFStreamObjectHelper::createEFStream(document, QUtil::file_provider(dataPath));
    if (!mimeType.empty()) stream.setSubtype(mimeType);
    const std::string now = QUtil::qpdf_time_to_pdf_time(QUtil::get_current_qpdf_time());
    stream.setCreationDate(now).setModDate(now);
    auto fileSpec = QPDFFileSpecObjectHelper::createFileSpec(document, displayName, stream);
    fileSpec.setDescription("Original file");
    QPDFEmbeddedFileDocumentHelper(document).replaceEmbeddedFile(displayName, fileSpec);
}

}  // namespace xdw
