// The inputs offices really have, converted (and recognised where asked) as
// the program does it: signed contracts, documents with information of their
// own, phone photos. One row each: how the input is made, what the document
// must keep.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include "TestFiles.h"
#include "ocr_support.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

std::string Scan(const TempDir& dir) {
    const std::string path = dir.File("scan.pdf");
    MakeScannedPdf(path, {{.lines = {"Signed contract of sale"}, .pointSize = 22}});
    return path;
}

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

// A field of pdfinfo's report, e.g. "Producer".
std::string InfoField(const std::string& pdf, const std::string& name) {
    const std::string out = "\n" + ToolOutput({"pdfinfo", pdf});
    const size_t at = out.find("\n" + name + ":");
    if (at == std::string::npos) return "";
    const size_t start = out.find_first_not_of(' ', at + name.size() + 2);
    return out.substr(start, out.find('\n', start) - start);
}

// The cross-reference table a change appended to the signed bytes: each entry
// is exactly 20 bytes, as readers that seek into the table by number count.
void ExpectEntriesOfTwentyBytes(const std::string& update) {
    const size_t xref = update.find("\nxref\n");
    ASSERT_NE(xref, std::string::npos) << "no cross-reference table appended";
    size_t at = xref + 6;
    while (update.compare(at, 7, "trailer") != 0) {
        const size_t eol = update.find('\n', at);
        ASSERT_NE(eol, std::string::npos);
        int first = 0, count = 0;
        ASSERT_EQ(std::sscanf(update.c_str() + at, "%d %d", &first, &count), 2);
        at = eol + 1;
        for (int n = 0; n < count; ++n, at += 20) {
            const std::string entry = update.substr(at, 20);
            EXPECT_TRUE(entry.ends_with(" \n") || entry.ends_with("\r\n")) << entry;
            EXPECT_EQ(entry.find('\n'), 19u) << entry;
        }
    }
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

struct Input {
    const char* name;
    std::string (*make)(const TempDir&);  // gives the source
    std::optional<int> ocr;               // the result OCR must give, when asked for
    bool signedBytes;      // the source's bytes begin the document (exactly them unchanged)
    const char* text;      // what pdftotext must find, or null
    const char* title;     // the document's title, or null
    const char* created;   // what the creation date must hold ("": any date)
    double width, height;  // the page's size, or 0
};

const Input kInputs[] = {
    // Titled after the source in an update appended to the signed bytes.
    {"signed, OCR off", [](const TempDir& d) { return Signed(d, Scan(d)); }, std::nullopt, true,
     nullptr, "signed", nullptr, 0, 0},
    {"signed, OCR on", [](const TempDir& d) { return Signed(d, Scan(d)); }, 0, true,
     "contract of sale", "signed", "", 0, 0},
    // Not opened to be changed: the change could not be appended safely.
    {"signed and encrypted, OCR on",
     [](const TempDir& d) {
         RunTool({"mutool", "clean", "-E", "aes-128", "-O", "owner", Scan(d), d.File("l.pdf")});
         return Signed(d, d.File("l.pdf"), "owner");
     },
     XDW_E_ACCESS_DENIED, true, nullptr, nullptr, nullptr, 0, 0},
    {"PDF with its own information, OCR on",
     [](const TempDir& d) {
         QPDF pdf;
         pdf.processFile(Scan(d).c_str());
         pdf.getTrailer().replaceKey("/Info",
                                     pdf.makeIndirectObject(QPDFObjectHandle::parse(
                                         "<< /Title (Minutes) /Producer (Scanner 2) /CreationDate "
                                         "(D:20010101120000Z) /ModDate (D:20010101120000Z) >>")));
         QPDFWriter(pdf, d.File("minutes.pdf").c_str()).write();
         return d.File("minutes.pdf");
     },
     0, false, "contract of sale", "Minutes", "2001", 0, 0},
    // A 12-megapixel phone photo at 72 dpi: A4 landscape at its proportions.
    {"phone photo",
     [](const TempDir& d) {
         MakeJpeg(d.File("IMG_0001.jpg"),
                  {.width = 4032, .height = 3024, .kind = ImageKind::Gray, .dpi = 72});
         return d.File("IMG_0001.jpg");
     },
     std::nullopt, false, nullptr, "IMG_0001", "", 595.276 * 4 / 3, 595.276},
};

TEST(PdfInputs, EachKeepsWhatItPromised) {
    for (const Input& input : kInputs) {
        SCOPED_TRACE(input.name);
        TempDir dir;
        const std::string in = input.make(dir), out = dir.File("out.xdw");
        const XDW_CREATE_OPTION option{sizeof(XDW_CREATE_OPTION), 1, 0, 0, 0, 0, 0, 0};
        ASSERT_EQ(in.ends_with(".jpg")
                      ? XDW_CreateXdwFromImageFile(in.c_str(), out.c_str(), &option)
                      : XDW_CreateXdwFromImagePdfFile(in.c_str(), out.c_str(), nullptr),
                  0);
        const bool changed = input.ocr == 0 || input.title != nullptr;
        if (input.ocr) {
            EXPECT_EQ(Ocr(out), *input.ocr);
        }
        if (input.signedBytes) {
            const std::string bytes = ReadBytes(out), source = ReadBytes(in);
            EXPECT_TRUE(changed ? bytes.starts_with(source) : bytes == source) << "rewritten";
            if (changed) ExpectEntriesOfTwentyBytes(bytes.substr(source.size() - 1));
            const std::string check =
                ToolOutput({"pdfsig", "-nssdir", "sql:" + dir.File("nss"), out});
            EXPECT_NE(check.find("Signature is Valid."), std::string::npos) << check;
        }
        if (input.created) {
            // Producer and modification date are this run's; the rest is kept.
            EXPECT_NE(InfoField(out, "Producer").find("Quilbex"), std::string::npos);
            EXPECT_NE(InfoField(out, "CreationDate"), "");
            EXPECT_NE(InfoField(out, "CreationDate").find(input.created), std::string::npos);
            EXPECT_NE(InfoField(out, "ModDate"), "");
            EXPECT_EQ(InfoField(out, "ModDate").find("2001"), std::string::npos);
        }
        const std::string text = input.text ? SingleBlanks(PdfPageTexts(out).at(0)) : "";
        EXPECT_NE(text.find(input.text ? input.text : ""), std::string::npos);
        EXPECT_EQ(InfoField(out, "Title"), input.title ? input.title : InfoField(in, "Title"));
        if (input.width > 0) {
            EXPECT_NEAR(PdfPageBox(out, 1).width, input.width, 0.1);
            EXPECT_NEAR(PdfPageBox(out, 1).height, input.height, 0.1);
            EXPECT_TRUE(PdfPageImage(out, 1).raw == ReadBytes(in)) << "JPEG data re-encoded";
        }
    }
}

}  // namespace
