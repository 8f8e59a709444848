// PDF files made without the engine, and what the engine's documents hold.
#include "TestFiles.h"

#include <memory>
#include <stdexcept>

#include <poppler-document.h>
#include <poppler-page.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

namespace xdwtest {

namespace {

std::string PdfString(const std::string& text) {
    std::string out = "(";
    for (char c : text) {
        if (c == '(' || c == ')' || c == '\\') out += '\\';
        out += c;
    }
    return out + ")";
}

}  // namespace

void MakeTextPdf(const std::string& path, const std::vector<std::string>& pages) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
    QPDFPageDocumentHelper helper(pdf);
    for (const std::string& text : pages) {
        std::string content = "BT /F1 18 Tf 72 720 Td 22 TL\n";
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) content += PdfString(line) + " Tj T*\n";
        content += "ET\n";
        QPDFObjectHandle page = QPDFObjectHandle::parse(
            "<< /Type /Page /MediaBox [0 0 612 792] /Resources << /Font << >> >> >>");
        page.getKey("/Resources").getKey("/Font").replaceKey("/F1", font);
        page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
        helper.addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
    }
    QPDFWriter writer(pdf, path.c_str());
    writer.write();
}

void MakeImagePdf(const std::string& path, const StoredImage& image) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle stream = QPDFObjectHandle::newStream(&pdf);
    stream.replaceStreamData(image.raw,
                             image.filter.empty() ? QPDFObjectHandle::newNull()
                                                  : QPDFObjectHandle::newName(image.filter),
                             image.decodeParms.empty()
                                 ? QPDFObjectHandle::newNull()
                                 : QPDFObjectHandle::parse(image.decodeParms));
    QPDFObjectHandle dict = stream.getDict();
    dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(image.width));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(image.height));
    dict.replaceKey("/ColorSpace", QPDFObjectHandle::parse(image.colorSpace));
    dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(image.bits));
    QPDFObjectHandle page = QPDFObjectHandle::parse(
        "<< /Type /Page /MediaBox [0 0 200 200] /Resources << /XObject << >> >> >>");
    page.getKey("/Resources").getKey("/XObject").replaceKey("/Im0", stream);
    page.replaceKey("/Contents",
                    QPDFObjectHandle::newStream(&pdf, "q 200 0 0 200 0 0 cm /Im0 Do Q\n"));
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
    QPDFWriter writer(pdf, path.c_str());
    writer.setDecodeLevel(qpdf_dl_none);  // the stream is stored exactly as given
    writer.setCompressStreams(false);
    writer.write();
}

std::vector<std::string> PdfPageTexts(const std::string& path) {
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path));
    if (!doc) throw std::runtime_error("poppler cannot open " + path);
    std::vector<std::string> texts;
    for (int i = 0; i < doc->pages(); ++i) {
        std::unique_ptr<poppler::page> page(doc->create_page(i));
        const poppler::byte_array utf8 = page->text().to_utf8();
        texts.emplace_back(utf8.begin(), utf8.end());
    }
    return texts;
}

int PdfPageCount(const std::string& path) {
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path));
    if (!doc) throw std::runtime_error("poppler cannot open " + path);
    return doc->pages();
}

PageBox PdfPageBox(const std::string& path, int page) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    QPDFObjectHandle p = pdf.getAllPages().at(static_cast<size_t>(page - 1));
    const QPDFObjectHandle::Rectangle box =
        QPDFPageObjectHelper(p).getMediaBox().getArrayAsRectangle();
    PageBox out;
    out.width = box.urx - box.llx;
    out.height = box.ury - box.lly;
    QPDFObjectHandle rotate = p.getKey("/Rotate");
    if (rotate.isInteger()) out.rotate = rotate.getIntValueAsInt();
    return out;
}

StoredImage PdfPageImage(const std::string& path, int page) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    QPDFPageObjectHelper p(pdf.getAllPages().at(static_cast<size_t>(page - 1)));
    const auto images = p.getImages();
    if (images.empty()) throw std::runtime_error("page has no image");
    QPDFObjectHandle image = images.begin()->second;
    QPDFObjectHandle dict = image.getDict();
    StoredImage out;
    QPDFObjectHandle filter = dict.getKey("/Filter");
    if (filter.isArray() && filter.getArrayNItems() == 1) filter = filter.getArrayItem(0);
    if (filter.isName()) out.filter = filter.getName();
    if (dict.hasKey("/DecodeParms")) out.decodeParms = dict.getKey("/DecodeParms").unparse();
    out.colorSpace = dict.getKey("/ColorSpace").unparse();
    out.width = dict.getKey("/Width").getIntValue();
    out.height = dict.getKey("/Height").getIntValue();
    out.bits = dict.getKey("/BitsPerComponent").getIntValueAsInt();
    const auto raw = image.getRawStreamData();
    out.raw.assign(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize());
    if (out.filter.empty() || out.filter == "/FlateDecode") {
        const auto decoded = image.getStreamData(qpdf_dl_generalized);
        out.decoded.assign(reinterpret_cast<const char*>(decoded->getBuffer()), decoded->getSize());
    }
    return out;
}

}  // namespace xdwtest
