// Reading the next page ahead on a second thread: every page still gets its
// own text, up-righting between pages still gives upright text, and a
// caller that stops between pages leaves no thread behind and loses nothing
// it saved.
#include <gtest/gtest.h>

#include <string>

#include "TestFiles.h"
#include "appprint_support.h"
#include "ocr_support.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

const std::vector<std::string> kPage[] = {
    {"Alpha page opens the file.", "The quick brown fox jumps.", "Letters come in as scans.",
     "Each one is read through."},
    {"Bravo page stands second.", "Scanned letters arrive as images.",
     "Every page is read in order.", "The words can then be searched."},
    {"Charlie page closes it.", "Over the lazy dog it goes."},
};
const char* kMarker[] = {"Alpha", "Bravo", "Charlie"};

class OcrAheadTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.File("pages.xdw");
    XDW_DOCUMENT_HANDLE doc = nullptr;
    XDW_OCR_OPTION option = OcrOption(XDW_OCR_LANGUAGE_ENGLISH);

    void Make() {
        MakeScannedPdf(path, {{.lines = kPage[0]}, {.lines = kPage[1]}, {.lines = kPage[2]}});
    }
    void Open() {
        XDW_OPEN_MODE mode{sizeof(XDW_OPEN_MODE), 1, 1};
        ASSERT_EQ(XDW_OpenDocumentHandle(path.c_str(), &doc, &mode), 0);
    }
    // Each page's text holds its own marker and no other page's.
    void ExpectOwnText(int pages) {
        const auto texts = PdfPageTexts(path);
        for (int p = 0; p < 3; ++p)
            for (int m = 0; m < 3; ++m)
                EXPECT_EQ(Count(texts.at(p), kMarker[m]), p == m && p < pages ? 1 : 0)
                    << "page " << p + 1 << ": " << texts.at(p);
    }
};

TEST_F(OcrAheadTest, EveryPageGetsItsOwnText) {
    Make();
    Open();
    for (int p = 1; p <= 3; ++p) EXPECT_EQ(XDW_ApplyOcr(doc, p, 1, &option, nullptr), 0) << p;
    EXPECT_EQ(XDW_SaveDocument(doc, nullptr), 0);
    EXPECT_EQ(XDW_CloseDocumentHandle(doc, nullptr), 0);
    ExpectOwnText(3);
}

// The program's order with up-righting on: page 2 is read ahead while page 1
// is read, turned upright as it is read, and its reading handed over with
// the turn; a scan, one on a page already turned, and a page with real text
// over its image (drawn, not taken as a plain scan). Page 1 is turned before
// any page is read, and read from what was drawn to turn it.
struct Turned {
    int turnContent, pageRotate;
    std::string stamp;
    int page = 2;
};

TEST_F(OcrAheadTest, UprightingBetweenPagesLeavesEveryPageRight) {
    for (const Turned& c : {Turned{90, 0, ""}, Turned{180, 90, ""}, Turned{270, 0, "Page 2"},
                            Turned{90, 0, "Page 1", 1}}) {
        SCOPED_TRACE(c.turnContent);
        SCOPED_TRACE(c.page);
        std::vector<ScanSpec> pages{{.lines = kPage[0]}, {.lines = kPage[1]}, {.lines = kPage[2]}};
        ScanSpec& turned = pages[c.page - 1];
        turned.turnContent = c.turnContent;
        turned.pageRotate = c.pageRotate;
        turned.stamp = c.stamp;
        MakeScannedPdf(path, pages);
        Open();
        for (int p = 1; p <= 3; ++p) {
            EXPECT_EQ(XDW_RotatePageAuto(doc, p, nullptr), 0) << p;
            EXPECT_EQ(XDW_ApplyOcr(doc, p, 1, &option, nullptr), 0) << p;
        }
        EXPECT_EQ(XDW_SaveDocument(doc, nullptr), 0);
        EXPECT_EQ(XDW_CloseDocumentHandle(doc, nullptr), 0);
        EXPECT_EQ(PageRotate(path, c.page), (360 - c.turnContent) % 360);
        // Read upright, the first line lies at the top of the page as shown.
        const std::vector<std::string>& lines = kPage[c.page - 1];
        const std::string top = SingleBlanks(PdfTextBand(path, c.page, 0, 0.25));
        EXPECT_NE(top.find(lines.front().substr(0, 10)), std::string::npos) << top;
        EXPECT_EQ(top.find(lines.back().substr(lines.back().size() - 9, 8)), std::string::npos)
            << top;
        EXPECT_NE(SingleBlanks(PdfPageTexts(path).at(c.page - 1)).find(lines[1]), std::string::npos)
            << PdfPageTexts(path).at(c.page - 1);
        ExpectOwnText(3);
    }
}

// Page 2 is read ahead in English while page 1 is; asked for in Japanese, it
// is read again in Japanese, not handed over as read ahead.
TEST_F(OcrAheadTest, APageAskedForInAnotherLanguageIsReadInIt) {
    const std::string japanese = "本日は会議の議事録をお送りします。";
    MakeScannedPdf(
        path,
        {{.lines = kPage[0]}, {.lines = {japanese}, .font = kIpaMincho}, {.lines = kPage[2]}});
    Open();
    EXPECT_EQ(XDW_ApplyOcr(doc, 1, 1, &option, nullptr), 0);
    XDW_OCR_OPTION other = option;
    other.language = XDW_OCR_LANGUAGE_JAPANESE;
    EXPECT_EQ(XDW_ApplyOcr(doc, 2, 1, &other, nullptr), 0);
    EXPECT_EQ(XDW_SaveDocument(doc, nullptr), 0);
    EXPECT_EQ(XDW_CloseDocumentHandle(doc, nullptr), 0);
    EXPECT_LT(Cer(japanese, PdfPageTexts(path).at(1)), 0.1) << PdfPageTexts(path).at(1);
}

// A run cancelled between pages: it saved page 1, asked for page 2 (so page
// 3 is being read ahead) and then closes or finalizes without saving again.
struct Stop {
    const char* name;
    bool finalize;
};
class OcrAheadStopTest : public OcrAheadTest, public ::testing::WithParamInterface<Stop> {};

TEST_P(OcrAheadStopTest, NothingIsLeftRunningAndTheSavedPageIsKept) {
    Make();
    const int before = ThreadCount();
    Open();
    ASSERT_EQ(XDW_ApplyOcr(doc, 1, 1, &option, nullptr), 0);
    ASSERT_EQ(XDW_SaveDocument(doc, nullptr), 0);
    ASSERT_EQ(XDW_ApplyOcr(doc, 2, 1, &option, nullptr), 0);
    if (GetParam().finalize) {
        EXPECT_EQ(XDW_Finalize(nullptr), 0);
    } else {
        EXPECT_EQ(XDW_CloseDocumentHandle(doc, nullptr), 0);
    }
    // A thread the recogniser's own pool ran for the read-ahead ends just after it.
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == before; }, std::chrono::seconds(10)))
        << ThreadCount() << " threads, " << before << " before";
    ExpectOwnText(1);
}

INSTANTIATE_TEST_SUITE_P(Ways, OcrAheadStopTest,
                         ::testing::Values(Stop{"Close", false}, Stop{"Finalize", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
