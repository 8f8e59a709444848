// Recognition failures and odd pages, on the engine's internals: each ends in
// its result code, leaves the page as it was, and nothing crashes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "Error.h"
#include "TestFiles.h"
#include "ocr/DocumentOcr.h"
#include "ocr/Recognizer.h"
#include "ocr/TesseractPool.h"
#include "ocr_support.h"
#include "pdf/Document.h"

using namespace xdw;
using namespace xdwtest;

namespace {

const std::vector<std::string> kText = {"The quick brown fox jumps", "over the lazy dog."};

XDW_OCR_OPTION Option(int language) {
    XDW_OCR_OPTION o{};
    o.size = sizeof(o);
    o.text_layer = 1;
    o.language = language;
    return o;
}

Document Open(const std::string& path) {
    Document doc;
    doc.path = path;
    doc.pdf = std::make_shared<QPDF>();
    doc.pdf->processFile(path.c_str());
    return doc;
}

// The page's content streams and resources, written out, to compare.
std::string PageState(Document& doc, int page = 1) {
    auto p = QPDFPageDocumentHelper(*doc.pdf).getAllPages().at(page - 1).getObjectHandle();
    return p.getKey("/Contents").unparseResolved() + p.getKey("/Resources").unparse() +
           p.getKey("/Rotate").unparse();
}

int32_t CodeOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const EngineError& e) {
        return e.code();
    }
    return 0;
}

class OcrErrors : public ::testing::Test {
protected:
    TempDir dir;
    Document Scanned(const ScanSpec& want) {
        const std::string path = dir.File("page.pdf");
        MakeScannedPdf(path, {want});
        return Open(path);
    }
};

TEST_F(OcrErrors, MissingLanguageDataIsReportedAsNotInstalled) {
    Document doc = Scanned({.lines = kText, .turnContent = 90});
    const std::string before = PageState(doc);
    const std::string data = dir.File("tessdata");
    std::filesystem::create_directory(data);
    const OcrSettings settings{.tessdata = data};
    EXPECT_EQ(CodeOf([&] { ApplyOcr(doc, 1, Option(XDW_OCR_LANGUAGE_ENGLISH), settings); }),
              XDW_E_NOT_INSTALLED);
    EXPECT_EQ(CodeOf([&] { RotatePageAuto(doc, 1, settings); }), XDW_E_NOT_INSTALLED);

    // English present, Japanese not: automatic needs both.
    std::filesystem::create_symlink("/usr/share/tesseract-ocr/5/tessdata/eng.traineddata",
                                    data + "/eng.traineddata");
    EXPECT_EQ(CodeOf([&] { ApplyOcr(doc, 1, Option(XDW_OCR_LANGUAGE_AUTO), settings); }),
              XDW_E_NOT_INSTALLED);
    // Language data without the glyphless font for the layer.
    EXPECT_EQ(CodeOf([&] { ApplyOcr(doc, 1, Option(XDW_OCR_LANGUAGE_ENGLISH), settings); }),
              XDW_E_NOT_INSTALLED);
    EXPECT_EQ(PageState(doc), before);
    EXPECT_FALSE(doc.changed);

    // Orientation data there but not loadable: the turn that waited for the
    // page's reading fails, and the page keeps its layer, read as it lies; a
    // turn still waiting fails where it is finally made.
    std::filesystem::create_symlink("/usr/share/tesseract-ocr/5/tessdata/pdf.ttf",
                                    data + "/pdf.ttf");
    std::ofstream(data + "/osd.traineddata") << "not a model";
    EXPECT_EQ(CodeOf([&] { RotatePageAuto(doc, 1, settings); }), 0);
    EXPECT_EQ(CodeOf([&] { ApplyOcr(doc, 1, Option(XDW_OCR_LANGUAGE_ENGLISH), settings); }),
              XDW_E_NOT_INSTALLED);
    EXPECT_NE(PageState(doc), before);
    Document waiting = Scanned({.lines = kText, .turnContent = 90});
    EXPECT_EQ(CodeOf([&] { RotatePageAuto(waiting, 1, settings); }), 0);
    EXPECT_NE(TurnPending(waiting), nullptr);
}

TEST_F(OcrErrors, UnknownLanguageIsABadArgument) {
    Document doc = Scanned({.lines = kText});
    EXPECT_EQ(CodeOf([&] { ApplyOcr(doc, 1, Option(7)); }), XDW_E_INVALID_ARG);
}

TEST_F(OcrErrors, PageOverItsTimeLimitFailsAndStaysUnchanged) {
    std::vector<std::string> many;
    for (int i = 0; i < 12; ++i) many.push_back(kText[i % 2]);
    Document doc = Scanned({.lines = many, .heightPx = 3400, .pointSize = 10});
    const std::string before = PageState(doc);
    const auto start = std::chrono::steady_clock::now();
    try {
        ApplyOcr(doc, 1, Option(XDW_OCR_LANGUAGE_AUTO), {.timeLimitMs = 1});
        ADD_FAILURE() << "no time limit";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), XDW_E_CANNOT_READ);
        EXPECT_EQ(e.concern().kind, XDW_REASON_TIME_LIMIT);
        EXPECT_NE(std::string(e.what()).find("page 1: "), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("processor time"), std::string::npos) << e.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(PageState(doc), before);

    // The instance is fine for the next page once the limit is sensible.
    EXPECT_EQ(CodeOf([&] { ApplyOcr(doc, 1, Option(XDW_OCR_LANGUAGE_AUTO)); }), 0);
    EXPECT_NE(PageState(doc), before);
}

// A page read while the machine gives it a hundredth of the time (its
// processes stopped and let go again; a twentieth let a quiet machine read
// the page before its limit had passed in waiting) keeps its text: its limit counts the
// processor time the page takes, its rendering child's included, not the
// time it waited.
TEST_F(OcrErrors, APageKeptWaitingIsNotOutOfTime) {
    Document doc = Scanned({.lines = kText, .stamp = "Page 1"});
    const pid_t child = ::fork();
    if (child == 0) {
        ::setpgid(0, 0);
        const OcrSettings settings{.timeLimitMs = 6000};
        ::_exit(CodeOf([&] { ApplyOcr(doc, 1, Option(XDW_OCR_LANGUAGE_ENGLISH), settings); }) == 0
                    ? 0
                    : 1);
    }
    ::setpgid(child, child);
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() - start > std::chrono::minutes(3))
            ::kill(-child, SIGKILL);
        ::usleep(10'000);
        ::kill(-child, SIGSTOP);
        ::usleep(990'000);
        ::kill(-child, SIGCONT);
    }
    EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6))
        << "never kept waiting";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// After a cancel no page is read (nor rendered, to be read or turned) until
// the document is let go: a page asked for right after it fails at once.
TEST_F(OcrErrors, NothingIsReadAfterACancel) {
    Document doc = Scanned({.lines = kText, .stamp = "Page 1"});
    CancelOcrUnderWay();
    EXPECT_EQ(CodeOf([&] { RotatePageAuto(doc, 1); }), XDW_E_FAIL);  // not drawn to be turned
    EXPECT_EQ(CodeOf([&] { ApplyOcr(doc, 1, Option(XDW_OCR_LANGUAGE_ENGLISH)); }), XDW_E_FAIL);
    StopOcrLookAhead();
    EXPECT_EQ(CodeOf([&] { ApplyOcr(doc, 1, Option(XDW_OCR_LANGUAGE_ENGLISH)); }), 0);
}

// Pages with no area, no content, broken content or an absurd size.
TEST_F(OcrErrors, OddPagesNeverCrash) {
    const std::string path = dir.File("odd.pdf");
    {
        QPDF pdf;
        pdf.emptyPDF();
        QPDFPageDocumentHelper pages(pdf);
        auto add = [&](const std::string& dict, const std::string& content) {
            QPDFObjectHandle page = QPDFObjectHandle::parse(&pdf, dict);
            if (!content.empty())
                page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
            pages.addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
        };
        add("<< /Type /Page /MediaBox [0 0 0 0] >>", "");  // read as a letter-size page
        add("<< /Type /Page /MediaBox [0 0 595 842] >>", "");
        add("<< /Type /Page /MediaBox [0 0 595 842] /Rotate 45 >>", "q 1 0 0 RG Q Q Q ET BT (");
        add("<< /Type /Page /MediaBox [0 0 14400 14400] >>", "0 0 100 100 re f\n");
        add("<< /Type /Page /MediaBox [0 0 1 1] >>", "0 0 1 1 re f\n");
        add("<< /Type /Page /MediaBox [0 0 14400 2] >>", "0 0 100 1 re f\n");
        // A picture one pixel wide at 300 dpi: no visible area, nothing to read.
        add("<< /Type /Page /MediaBox [0 0 0.24 14400] >>", "0 0 0.24 14400 re f\n");
        add("<< /Type /Page /MediaBox [0 0 595 842] /Resources << /XObject << /X 99 0 R >> >> >>",
            "/X Do /Nothing Do\n");
        QPDFWriter writer(pdf, path.c_str());
        writer.write();
    }
    Document doc = Open(path);
    for (int page = 1; page <= 8; ++page) {
        SCOPED_TRACE(page);
        EXPECT_EQ(CodeOf([&] { ApplyOcr(doc, page, Option(XDW_OCR_LANGUAGE_ENGLISH)); }), 0);
        EXPECT_EQ(CodeOf([&] { RotatePageAuto(doc, page); }), 0);
    }
    EXPECT_EQ(CodeOf([&] { ApplyOcr(doc, 9, Option(XDW_OCR_LANGUAGE_ENGLISH)); }),
              XDW_E_INVALID_ARG);
}

TEST_F(OcrErrors, ChangesNotYetSavedAreSeen) {
    // The page is drawn on its side and turned upright only in memory.
    Document doc = Scanned({.lines = kText, .turnContent = 90});
    QPDFPageDocumentHelper(*doc.pdf).getAllPages().at(0).getObjectHandle().replaceKey(
        "/Rotate", QPDFObjectHandle::newInteger(270));
    ApplyOcr(doc, 1, Option(XDW_OCR_LANGUAGE_ENGLISH));
    const std::string out = dir.File("out.pdf");
    QPDFWriter writer(*doc.pdf, out.c_str());
    writer.write();
    EXPECT_NE(SingleBlanks(PdfTextBand(out, 1)).find("quick brown fox"), std::string::npos);
}

}  // namespace
