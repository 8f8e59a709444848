#include "print/PrintPlan.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "Error.h"
#include "image/ImagePicture.h"
#include "print/ContentCheck.h"
#include "print/SavedValues.h"
#include "print/TextEncoding.h"

namespace xdw {

namespace {

constexpr std::uintmax_t kLargestText = 64u << 20;

// LibreOffice's CSV import: field separator, text quote ("), character set
// 76 (UTF-8), data from line 1.
// Separator, quote, UTF-8, first line; then: no column formats, the UI's
// language, quoted fields as they are, special numbers found, three export
// options, spaces kept, no sheet choice and formulas NOT evaluated: a cell
// written "=INFO(\"system\")" prints as written, nothing of this machine.
const std::string kCsvOptions = ",34,76,1,,0,false,true,false,false,false,,false";
const std::string kCsvImport = "Text - txt - csv (StarCalc):44" + kCsvOptions;
const std::string kTsvImport = "Text - txt - csv (StarCalc):9" + kCsvOptions;
const std::string kFlatTextImport = "OpenDocument Text Flat XML";
const std::string kHtmlImport = "HTML (StarWriter)";
const std::string kSvgImport = "SVG - Scalable Vector Graphics Draw";
const std::string kWriterPdf = "pdf:writer_pdf_Export";

// A refusal names the file and, when the engine takes no file of its kind,
// the type.
[[noreturn]] void Refuse(const std::string& why, const std::string& path,
                         const std::string& type = {}) {
    Bad(Concern{type.empty() ? XDW_REASON_CONTENT : XDW_REASON_TYPE_REFUSED, path, 0, type}, why);
}

std::string Head(const std::string& path, size_t count) {
    std::ifstream in(path, std::ios::binary);
    std::string head(count, '\0');
    in.read(head.data(), static_cast<std::streamsize>(count));
    head.resize(static_cast<size_t>(in.gcount()));
    return head;
}

std::string LowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

bool IsTextMime(const std::string& mime) {
    return mime.rfind("text/", 0) == 0 || mime == "application/json" || mime == "application/xml" ||
           mime == "application/csv" || mime == "application/javascript";
}

// Text as LibreOffice should read it: its character set, then the import
// for what the text holds.
PrintPlan PlanText(const std::string& path, const std::string& mime) {
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) > kLargestText)
        Refuse("text file larger than 64 MiB", path);
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    PrintPlan plan;
    plan.mimeType = mime == "application/octet-stream" ? "text/plain" : mime;
    plan.charset = DetectTextCharset(bytes);
    if (plan.charset.empty())
        Refuse("not text in a character set that can be recognised", path,
               mime == "application/octet-stream" ? mime : std::string());

    const std::string ext = LowerExtension(path);
    // XML LibreOffice has an import of its own for: a flat OpenDocument
    // file (one XML file, no archive), XHTML.
    const bool xml = mime == "text/xml" || mime == "application/xml";
    const std::string head = bytes.substr(0, 4096);
    if (xml && head.find("<office:document") != std::string::npos) {
        plan.charset.clear();
        if (head.find("office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"") !=
            std::string::npos)
            plan.mimeType = kFlatOds;
        return plan;
    }
    if (mime == "text/html" || mime == "application/xhtml+xml" ||
        (xml && head.find("<html") != std::string::npos)) {
        // The HTML import reads the character set from the page itself.
        plan.charset.clear();
        plan.importFilter = kHtmlImport;
        plan.exportFilter = kWriterPdf;
    } else if (mime == "text/rtf") {
        plan.charset.clear();
    } else if (mime == "text/tab-separated-values" || ext == ".tsv" || ext == ".tab") {
        plan.importFilter = kTsvImport;
        plan.exportFilter = "pdf:calc_pdf_Export";
    } else if (mime == "text/csv" || mime == "application/csv" || ext == ".csv") {
        plan.importFilter = kCsvImport;
        plan.exportFilter = "pdf:calc_pdf_Export";
    } else {
        plan.importFilter = kFlatTextImport;
        plan.exportFilter = kWriterPdf;
        plan.plainText = true;
    }
    return plan;
}

}  // namespace

PrintPlan PlanPrint(const std::string& path) {
    const PictureKind picture = PictureKindOf(Head(path, 16));
    const std::string mime = ContentMimeType(path);
    if (picture != PictureKind::None) {
        PrintPlan plan;
        plan.route = PrintRoute::Picture;
        plan.mimeType = mime;
        return plan;
    }
    if (mime == "application/x-empty" || mime == "inode/x-empty") Refuse("empty file", path);
    if (mime == "image/svg+xml") {
        PrintPlan plan;
        plan.mimeType = mime;
        plan.importFilter = kSvgImport;
        plan.exportFilter = "pdf:draw_pdf_Export";
        return plan;
    }
    if (mime == "application/pdf") {
        PrintPlan plan;
        plan.route = PrintRoute::Pdf;
        plan.mimeType = mime;
        return plan;
    }
    // Text libmagic cannot name (Shift-JIS often, UTF-16) is tried as text too.
    if (IsTextMime(mime) || mime == "application/octet-stream") return PlanText(path, mime);
    if (IsPrintableMimeType(mime)) {
        PrintPlan plan;
        plan.mimeType = mime;
        return plan;
    }
    const std::string type = mime.empty() ? std::string("application/octet-stream") : mime;
    Refuse("not a printable document: " + type, path, type);
}

}  // namespace xdw
