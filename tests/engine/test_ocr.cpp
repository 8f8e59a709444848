// Recognition through the C calls: pages drawn from a real font at test time
// get an invisible text layer that a PDF text extractor reads back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "TestFiles.h"
#include "ocr_support.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

const std::vector<std::string> kEnglish = {"The quick brown fox jumps", "over the lazy dog."};
const std::vector<std::string> kJapanese = {"日本語の文書を読み取ります",
                                            "東京都の会議室で話しました"};

// Opens path, runs the page calls, saves and closes; returns the first failure.
int OcrFile(const std::string& path, int language, int times = 1, bool rotateFirst = false) {
    XDW_OPEN_MODE mode{sizeof(XDW_OPEN_MODE), 1, 1};
    XDW_DOCUMENT_HANDLE doc = nullptr;
    int rc = XDW_OpenDocumentHandle(path.c_str(), &doc, &mode);
    if (rc < 0) return rc;
    const XDW_OCR_OPTION option = OcrOption(language);
    for (int i = 0; i < times && rc == 0; ++i) {
        if (rotateFirst) rc = XDW_RotatePageAuto(doc, 1, nullptr);
        if (rc == 0) rc = XDW_ApplyOcr(doc, 1, 1, &option, nullptr);
    }
    const int saved = XDW_SaveDocument(doc, nullptr);
    XDW_CloseDocumentHandle(doc, nullptr);
    return rc != 0 ? rc : saved;
}

class OcrTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string Make(const ScanSpec& want) {
        const std::string path = dir.File("page.xdw");
        MakeScannedPdf(path, {want});
        return path;
    }
};

TEST_F(OcrTest, EnglishWordsAreFoundWithBlanksBetweenThem) {
    const std::string path = Make({.lines = kEnglish});
    ASSERT_EQ(PdfPageTexts(path).at(0).find("quick"), std::string::npos);
    ASSERT_EQ(OcrFile(path, XDW_OCR_LANGUAGE_ENGLISH), 0);
    const std::string text = SingleBlanks(PdfPageTexts(path).at(0));
    EXPECT_NE(text.find("The quick brown fox jumps"), std::string::npos) << text;
    EXPECT_NE(text.find("over the lazy dog"), std::string::npos) << text;
}

TEST_F(OcrTest, JapaneseCharactersAreFoundWithoutBlanksBetweenThem) {
    const std::string path = Make({.lines = kJapanese});
    ASSERT_EQ(OcrFile(path, XDW_OCR_LANGUAGE_JAPANESE), 0);
    const std::string text = SingleBlanks(PdfPageTexts(path).at(0));
    EXPECT_NE(text.find("日本語の文書を読み取ります"), std::string::npos) << text;
    EXPECT_NE(text.find("東京都の会議室で話しました"), std::string::npos) << text;
}

// A fax in normal mode, rows half as dense as columns (G3, 204 x 98 dpi): an
// A4 portrait page as tall as its paper, and its words are read.
TEST_F(OcrTest, NormalModeFaxIsAPortraitPageAndItsWordsAreRead) {
    const std::string fax = dir.File("fax.tif"), path = dir.File("fax.xdw");
    // Drawn square at 204 dpi, then every other row dropped, as the machine scans.
    std::vector<std::string> command = {"convert", "-font", kIpaGothic};
    std::istringstream args(
        "-size 1728x2292 xc:white -pointsize 44 -annotate +150+400 TEXT -sample 1728x1146! "
        "-monochrome -compress Fax -units PixelsPerInch -density 204x98 OUT");
    for (std::string arg; args >> arg;)
        command.push_back(arg == "TEXT" ? "The invoice follows by fax" : arg == "OUT" ? fax : arg);
    RunTool(command);
    const XDW_CREATE_OPTION fit{sizeof(XDW_CREATE_OPTION), 1, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(XDW_CreateXdwFromImageFile(fax.c_str(), path.c_str(), &fit), 0);
    const PageBox box = PdfPageBox(path, 1);
    EXPECT_NEAR(box.width, 1728 * 72 / 204.0, 0.5);  // 215 x 297 mm
    EXPECT_NEAR(box.height, 1146 * 72 / 98.0, 0.5);
    ASSERT_EQ(OcrFile(path, XDW_OCR_LANGUAGE_ENGLISH), 0);
    const std::string text = SingleBlanks(PdfPageTexts(path).at(0));
    EXPECT_NE(text.find("The invoice follows by fax"), std::string::npos) << text;
}

TEST_F(OcrTest, AutomaticLanguageReadsJapaneseAndEnglishOnOnePage) {
    const std::string path = Make({.lines = {kJapanese[0], kEnglish[0]}});
    ASSERT_EQ(OcrFile(path, XDW_OCR_LANGUAGE_AUTO), 0);
    const std::string text = SingleBlanks(PdfPageTexts(path).at(0));
    EXPECT_NE(text.find("日本語の文書を読み取ります"), std::string::npos) << text;
    EXPECT_NE(text.find("quick brown fox"), std::string::npos) << text;
}

TEST_F(OcrTest, SecondOcrReplacesTheLayerInsteadOfAddingOne) {
    const std::string path = Make({.lines = kEnglish});
    ASSERT_EQ(OcrFile(path, XDW_OCR_LANGUAGE_ENGLISH, 2), 0);  // twice in one session
    ASSERT_EQ(OcrFile(path, XDW_OCR_LANGUAGE_ENGLISH), 0);     // and once more after saving
    const std::string text = SingleBlanks(PdfPageTexts(path).at(0));
    EXPECT_EQ(Count(text, "quick"), 1) << text;
    EXPECT_EQ(Count(text, "lazy"), 1) << text;
}

TEST_F(OcrTest, RecognitionWorksAgainAfterFinalize) {
    const std::string path = Make({.lines = kEnglish});
    ASSERT_EQ(OcrFile(path, XDW_OCR_LANGUAGE_ENGLISH), 0);
    EXPECT_EQ(XDW_Finalize(nullptr), 0);
    ASSERT_EQ(OcrFile(path, XDW_OCR_LANGUAGE_ENGLISH), 0);
    EXPECT_EQ(Count(PdfPageTexts(path).at(0), "quick"), 1);
}

// Tesseract's OpenMP loops would start a pool of worker threads that fight
// over the cores; recognition must stay on the calling thread.
TEST_F(OcrTest, RecognitionStartsNoWorkerThreads) {
    const char* limit =
        std::getenv("OMP_THREAD_LIMIT");  // unset: one thread is the engine's choice
    if (limit != nullptr && std::string(limit) != "1")
        GTEST_SKIP() << "OMP_THREAD_LIMIT set by the caller";
    const std::string path = Make({.lines = {kJapanese[0], kEnglish[0]}});
    const int before = ThreadCount();
    ASSERT_EQ(OcrFile(path, XDW_OCR_LANGUAGE_AUTO), 0);
    EXPECT_EQ(ThreadCount(), before);
    // ...without touching the environment other threads may be reading.
    EXPECT_EQ(std::getenv("OMP_THREAD_LIMIT") == nullptr, limit == nullptr);
}

// The layer lands over the words whatever the page's rotation and box origin:
// the first line is read back from the top of the page as displayed.
class OcrPlacementTest : public OcrTest, public ::testing::WithParamInterface<int> {};

TEST_P(OcrPlacementTest, WordsSitOverTheirImage) {
    const int rotate = GetParam();
    // The content is drawn turned against the page's rotation, so the page
    // reads upright as displayed.
    const std::string path = Make({.lines = kEnglish,
                                   .turnContent = (360 - rotate) % 360,
                                   .pageRotate = rotate,
                                   .offsetBox = true});
    ASSERT_EQ(OcrFile(path, XDW_OCR_LANGUAGE_ENGLISH), 0);
    const std::string top = SingleBlanks(PdfTextBand(path, 1, 0, 0.2));
    EXPECT_NE(top.find("quick brown"), std::string::npos) << top;
    EXPECT_EQ(top.find("lazy"), std::string::npos) << top;
    EXPECT_NE(SingleBlanks(PdfTextBand(path, 1)).find("lazy dog"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Rotations, OcrPlacementTest, ::testing::Values(0, 90, 180, 270));

}  // namespace
