// Automatic up-righting through the C calls: pages whose text is turned come
// out upright, and pages without enough text are left alone.
#include <gtest/gtest.h>

#include <string>

#include "TestFiles.h"
#include "ocr_support.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

const std::vector<std::string> kText = {
    "Quilbex turns one file into a document.",  "Scanned pages often arrive upside down",
    "or turned on their side, and the program", "sets each page upright before reading it.",
    "The quick brown fox jumps over the dog.",
};

struct Outcome {
    int rotateResult = 1;
    int ocrResult = 1;
};

// Opens path, turns page 1 upright, reads it (in English unless told) unless
// not to be read, saves.
Outcome RotateThenOcr(const std::string& path, bool read = true,
                      int language = XDW_OCR_LANGUAGE_ENGLISH) {
    Outcome out;
    XDW_OPEN_MODE mode{sizeof(XDW_OPEN_MODE), 1, 1};
    XDW_DOCUMENT_HANDLE doc = nullptr;
    if (XDW_OpenDocumentHandle(path.c_str(), &doc, &mode) < 0) return out;
    out.rotateResult = XDW_RotatePageAuto(doc, 1, nullptr);
    XDW_OCR_OPTION option{};
    option.size = sizeof(option);
    option.text_layer = 1;
    option.language = language;
    out.ocrResult = read ? XDW_ApplyOcr(doc, 1, 1, &option, nullptr) : 0;
    EXPECT_EQ(XDW_SaveDocument(doc, nullptr), 0);
    XDW_CloseDocumentHandle(doc, nullptr);
    return out;
}

// A small receipt: too few, too short lines for the letters' shapes alone to
// show its way up.
const std::vector<std::string> kReceipt = {"領収書", "文具店ほしの", "ボールペン三本", "ノート二冊",
                                           "合計九百八十円"};

struct Turn {
    int content;           // how the image is turned, clockwise
    int pageRotate;        // the page's rotation before
    int expected;          // the page's rotation after
    bool read = true;      // read after it is turned
    bool receipt = false;  // the receipt, read in Japanese, rather than kText
    bool fax = false;      // sent as a normal-mode fax (98 rows an inch)
};

class RotateTest : public ::testing::TestWithParam<Turn> {};

TEST_P(RotateTest, PageComesOutUpright) {
    const Turn t = GetParam();
    TempDir dir;
    const std::string path = dir.File("turned.xdw");
    ScanSpec page{.lines = kText, .turnContent = t.content, .pageRotate = t.pageRotate};
    if (t.receipt)
        page = {.lines = kReceipt,
                .widthPx = 800,
                .heightPx = 1300,
                .pointSize = 9,
                .turnContent = t.content,
                .pageRotate = t.pageRotate};
    if (t.fax) page.dpiX = 204, page.dpiY = 98, page.bilevel = true;
    MakeScannedPdf(path, {page});

    const Outcome out = RotateThenOcr(
        path, t.read, t.receipt ? XDW_OCR_LANGUAGE_JAPANESE : XDW_OCR_LANGUAGE_ENGLISH);
    EXPECT_EQ(out.rotateResult, 0);
    EXPECT_EQ(out.ocrResult, 0);
    EXPECT_EQ(PageRotate(path, 1), t.expected);
    if (!t.read) return;
    // Read upright, the words come out in order.
    const std::string text = SingleBlanks(PdfTextBand(path, 1));
    for (const char* words :
         t.receipt ? std::vector<const char*>{"ボールペン三本", "合計"}
                   : std::vector<const char*>{"turns one file into a document", "quick brown fox"})
        EXPECT_NE(text.find(words), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Turns, RotateTest,
                         ::testing::Values(Turn{90, 0, 270}, Turn{180, 0, 180}, Turn{270, 0, 90},
                                           Turn{0, 90, 0}, Turn{0, 0, 0}, Turn{90, 180, 270},
                                           Turn{180, 0, 180, false}, Turn{180, 0, 180, true, true},
                                           Turn{180, 0, 180, true, false, true}),
                         [](const ::testing::TestParamInfo<Turn>& info) {
                             return std::string(info.param.fax ? "fax_" : "") +
                                    (info.param.receipt ? "receipt_" : "") + "drawn" +
                                    std::to_string(info.param.content) + "_shown" +
                                    std::to_string(info.param.pageRotate) +
                                    (info.param.read ? "" : "_unread");
                         });

TEST(RotateTest, OnlyThePageRotationChanges) {
    TempDir dir;
    const std::string path = dir.File("turned.xdw");
    MakeScannedPdf(path, {{.lines = kText, .turnContent = 180}});
    const PageImage before = FirstPageImage(path);
    ASSERT_EQ(RotateThenOcr(path).rotateResult, 0);
    ASSERT_EQ(PageRotate(path, 1), 180);
    const PageImage after = FirstPageImage(path);
    EXPECT_EQ(after.width, before.width);
    EXPECT_EQ(after.height, before.height);
    EXPECT_TRUE(after.pixels == before.pixels) << "the image was changed";
}

TEST(RotateTest, ThreeLinesOfJapaneseAreEnough) {
    TempDir dir;
    const std::string path = dir.File("turned.xdw");
    MakeScannedPdf(path, {{.lines = {"日本語の文書を読み取ります", "東京都の会議室で話しました",
                                     "会議は午後三時から始まります"},
                           .turnContent = 90}});
    EXPECT_EQ(RotateThenOcr(path).rotateResult, 0);
    EXPECT_EQ(PageRotate(path, 1), 270);
}

TEST(RotateTest, BlankAndTextPoorPagesAreLeftAlone) {
    TempDir dir;
    for (const ScanSpec& want : {ScanSpec{.lines = {}, .pageRotate = 90},
                                 ScanSpec{.lines = {"Hello world"}, .turnContent = 90}}) {
        const std::string path = dir.File("blank.xdw");
        MakeScannedPdf(path, {want});
        XDW_OPEN_MODE mode{sizeof(XDW_OPEN_MODE), 1, 1};
        XDW_DOCUMENT_HANDLE doc = nullptr;
        ASSERT_EQ(XDW_OpenDocumentHandle(path.c_str(), &doc, &mode), 0);
        EXPECT_EQ(XDW_RotatePageAuto(doc, 1, nullptr), 0);
        EXPECT_EQ(XDW_SaveDocument(doc, nullptr), 0);
        XDW_CloseDocumentHandle(doc, nullptr);
        EXPECT_EQ(PageRotate(path, 1), want.pageRotate);
    }
}

}  // namespace
