// The inputs offices really have, converted (and recognised where asked) as
// the program does it: signed contracts, filled-in forms, documents with
// their own information, phone photos. Each row makes its input at test time and says what the
// document must keep.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "TestFiles.h"
#include "ocr_support.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

const ScanSpec kScan{.lines = {"Signed contract of sale", "between both parties named below"},
                     .pointSize = 22};

// A copy of pdf signed with a throw-away certificate of a test database.
std::string Signed(const TempDir& dir, const std::string& pdf, const std::string& owner = "") {
    const std::string db = "sql:" + dir.File("nss");
    RunTool({"mkdir", dir.File("nss")});
    WriteBytes(dir.File("noise"), std::string(64, 'q') + dir.path());
    RunTool({"certutil", "-N", "-d", db, "--empty-password"});
    RunTool({"certutil", "-S", "-d", db, "-n", "test", "-s", "CN=Quilbex Test", "-x", "-t",
             "CT,C,C", "-k", "rsa", "-g", "1024", "-z", dir.File("noise"), "-v", "12"});
    std::vector<std::string> sign = {"pdfsig", "-nssdir", db, "-nick", "test", "-add-signature"};
    if (!owner.empty()) sign.insert(sign.end(), {"-opw", owner});
    sign.insert(sign.end(), {pdf, dir.File("signed.pdf")});
    RunTool(sign);
    return dir.File("signed.pdf");
}

bool SignatureValid(const TempDir& dir, const std::string& pdf) {
    const std::string out = ToolOutput({"pdfsig", "-nssdir", "sql:" + dir.File("nss"), pdf});
    return out.find("Signature Validation: Signature is Valid.") != std::string::npos;
}

// Writes pdf again after change.
void Rewrite(const std::string& path, const std::function<void(QPDF&)>& change) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    change(pdf);
    const std::string temp = path + ".new";
    QPDFWriter writer(pdf, temp.c_str());
    writer.write();
    RunTool({"mv", temp, path});
}

// A page with a label and a filled-in text field drawn by its appearance.
void MakeForm(const std::string& path) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
    QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
    fonts.replaceKey("/F1", font);
    QPDFObjectHandle appearance = QPDFObjectHandle::newStream(
        &pdf, "/Tx BMC BT /F1 28 Tf 4 10 Td (Jane Doe Smith) Tj ET EMC\n");
    appearance.getDict().replaceKey("/BBox", QPDFObjectHandle::parse("[0 0 300 44]"));
    appearance.getDict().replaceKey("/Resources", QPDFObjectHandle::newDictionary());
    appearance.getDict().getKey("/Resources").replaceKey("/Font", fonts);
    QPDFObjectHandle field = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /V (Jane Doe Smith)"
        " /Rect [110 100 410 144] /DA (/F1 28 Tf 0 g) /F 4 >>"));
    field.replaceKey("/AP", QPDFObjectHandle::newDictionary());
    field.getKey("/AP").replaceKey("/N", appearance);
    QPDFObjectHandle page = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 440 200] >>"));
    page.replaceKey("/Resources", QPDFObjectHandle::newDictionary());
    page.getKey("/Resources").replaceKey("/Font", fonts);
    page.replaceKey("/Contents",
                    QPDFObjectHandle::newStream(&pdf, "BT /F1 28 Tf 10 110 Td (Name) Tj ET\n"));
    page.replaceKey("/Annots", QPDFObjectHandle::newArray({field}));
    field.replaceKey("/P", page);
    QPDFObjectHandle form = QPDFObjectHandle::newDictionary();
    form.replaceKey("/Fields", QPDFObjectHandle::newArray({field}));
    form.replaceKey("/DA", QPDFObjectHandle::newString("/F1 28 Tf 0 g"));
    pdf.getRoot().replaceKey("/AcroForm", form);
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);
    QPDFWriter writer(pdf, path.c_str());
    writer.write();
}

// A field of pdfinfo's report, e.g. "Producer".
std::string InfoField(const std::string& pdf, const std::string& name) {
    const std::string out = "\n" + ToolOutput({"pdfinfo", pdf});
    const size_t at = out.find("\n" + name + ":");
    if (at == std::string::npos) return "";
    const size_t start = out.find_first_not_of(' ', at + name.size() + 2);
    return out.substr(start, out.find('\n', start) - start);
}

int Ocr(const std::string& path) {
    XDW_DOCUMENT_HANDLE doc = nullptr;
    const XDW_OPEN_MODE mode{sizeof(XDW_OPEN_MODE), 1, 1};
    if (const int r = XDW_OpenDocumentHandle(path.c_str(), &doc, &mode); r < 0) return r;
    const XDW_OCR_OPTION option{
        sizeof(XDW_OCR_OPTION), 1, XDW_OCR_LANGUAGE_ENGLISH, 0, 1, 0, 0, 0, 1, 0, nullptr, 0};
    int result = XDW_ApplyOcr(doc, 1, 1, &option, nullptr);
    if (result == 0) result = XDW_SaveDocument(doc, nullptr);
    XDW_CloseDocumentHandle(doc, nullptr);
    return result;
}

std::string LastError() {
    char text[512];
    XDW_GetLastErrorText(text, sizeof text);
    return text;
}

struct Input {
    const char* name;
    std::function<std::string(const TempDir&)> make;  // gives the source
    std::optional<int> ocr;  // the result OCR must give, when it is asked for
    std::function<void(const TempDir&, const std::string& in, const std::string& out)> check;
};

const Input kInputs[] = {
    {"signed, OCR off",
     [](const TempDir& dir) {
         MakeScannedPdf(dir.File("scan.pdf"), {kScan});
         return Signed(dir, dir.File("scan.pdf"));
     },
     std::nullopt,
     [](const TempDir& dir, const std::string& in, const std::string& out) {
         EXPECT_TRUE(ReadBytes(out) == ReadBytes(in)) << "a signed PDF was rewritten";
         EXPECT_TRUE(SignatureValid(dir, out));
     }},
    {"signed and encrypted, OCR on",
     [](const TempDir& dir) {
         MakeScannedPdf(dir.File("scan.pdf"), {kScan});
         RunTool({"mutool", "clean", "-E", "aes-128", "-O", "owner", dir.File("scan.pdf"),
                  dir.File("locked.pdf")});
         return Signed(dir, dir.File("locked.pdf"), "owner");
     },
     XDW_E_ACCESS_DENIED,  // not opened to be changed
     [](const TempDir& dir, const std::string& in, const std::string& out) {
         EXPECT_TRUE(ReadBytes(out) == ReadBytes(in)) << "a signed PDF was rewritten";
         EXPECT_TRUE(SignatureValid(dir, out));
     }},
    {"signed, OCR on",
     [](const TempDir& dir) {
         MakeScannedPdf(dir.File("scan.pdf"), {kScan});
         return Signed(dir, dir.File("scan.pdf"));
     },
     0,
     [](const TempDir& dir, const std::string& in, const std::string& out) {
         EXPECT_TRUE(ReadBytes(out).starts_with(ReadBytes(in))) << "signed bytes changed";
         EXPECT_TRUE(SignatureValid(dir, out));
         EXPECT_NE(SingleBlanks(PdfPageTexts(out).at(0)).find("contract of sale"),
                   std::string::npos);
         EXPECT_NE(InfoField(out, "Producer").find("Quilbex"), std::string::npos);
     }},
    {"form with OCR",
     [](const TempDir& dir) {
         MakeForm(dir.File("form.pdf"));
         return dir.File("form.pdf");
     },
     0,
     [](const TempDir&, const std::string&, const std::string& out) {
         const std::string text = PdfPageTexts(out).at(0);
         EXPECT_EQ(Count(text, "Jane"), 1) << text;
         EXPECT_EQ(ReadBytes(out).find("QbxOcrLayer"), std::string::npos) << "text doubled";
         QPDF pdf;
         pdf.processFile(out.c_str());
         EXPECT_EQ(pdf.getRoot().getKey("/AcroForm").getKey("/Fields").getArrayNItems(), 1);
     }},
    {"PDF with its own information, OCR on",
     [](const TempDir& dir) {
         MakeScannedPdf(dir.File("minutes.pdf"), {kScan});
         Rewrite(dir.File("minutes.pdf"), [](QPDF& pdf) {
             pdf.getTrailer().replaceKey(
                 "/Info",
                 pdf.makeIndirectObject(QPDFObjectHandle::parse(
                     "<< /Title (Minutes) /Producer (Scanner 2) "
                     "/CreationDate (D:20010101120000Z) /ModDate (D:20010101120000Z) >>")));
         });
         return dir.File("minutes.pdf");
     },
     0,
     [](const TempDir&, const std::string&, const std::string& out) {
         EXPECT_EQ(InfoField(out, "Title"), "Minutes");
         EXPECT_NE(InfoField(out, "Producer").find("Quilbex"), std::string::npos);
         EXPECT_NE(InfoField(out, "CreationDate").find("2001"), std::string::npos);
         EXPECT_EQ(InfoField(out, "ModDate").find("2001"), std::string::npos);
     }},
    {"phone photo at 72 dpi",
     [](const TempDir& dir) {
         MakeJpeg(dir.File("IMG_0001.jpg"),
                  {.width = 4032, .height = 3024, .kind = ImageKind::Gray, .dpi = 72});
         return dir.File("IMG_0001.jpg");
     },
     std::nullopt,
     [](const TempDir&, const std::string& in, const std::string& out) {
         const PageBox box = PdfPageBox(out, 1);
         EXPECT_NEAR(box.height, 595.28, 0.1);  // A4 landscape, the photo's proportions
         EXPECT_NEAR(box.width, 595.28 * 4 / 3, 0.1);
         EXPECT_TRUE(PdfPageImage(out, 1).raw == ReadBytes(in)) << "JPEG data re-encoded";
         EXPECT_EQ(InfoField(out, "Title"), "IMG_0001");
         EXPECT_NE(InfoField(out, "Producer").find("Quilbex"), std::string::npos);
         EXPECT_FALSE(InfoField(out, "CreationDate").empty());
         EXPECT_FALSE(InfoField(out, "ModDate").empty());
     }},
};

TEST(PdfInputs, EachKeepsWhatItPromised) {
    for (const Input& input : kInputs) {
        SCOPED_TRACE(input.name);
        TempDir dir;
        const std::string in = input.make(dir);
        const std::string out = dir.File("out.xdw");
        const bool picture = in.ends_with(".jpg");
        const XDW_CREATE_OPTION option{sizeof(XDW_CREATE_OPTION), 1, 0, 0, 0, 0, 0, 0};
        const int result = picture
                               ? XDW_CreateXdwFromImageFile(in.c_str(), out.c_str(), &option)
                               : XDW_CreateXdwFromImagePdfFile(in.c_str(), out.c_str(), nullptr);
        ASSERT_EQ(result, 0) << LastError();
        if (input.ocr) {
            ASSERT_EQ(Ocr(out), *input.ocr) << LastError();
        }
        input.check(dir, in, out);
    }
}

}  // namespace
