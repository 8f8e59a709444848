// The OCR pass over a new document: page by page, failures logged and skipped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "RunFixture.h"

namespace quilbex::testing {
namespace {

using ::testing::ElementsAre;

class OcrPass : public RunFixture {
protected:
    // A run waiting for Execute, with OutPath set as Execute sets it.
    void Prepare(std::vector<std::string> settings = {}) {
        settings.insert(settings.begin(), {"[common]", "ShowSetting=Y"});
        WriteSettings(settings);
        Start({MakeSource("a.doc")});
        engine.calls.clear();
        window.journal.clear();
        run->Options().OutPath = "/out/a.xdw";
    }
};

TEST_F(OcrPass, OnePageWithoutRotationGivesFourLines) {
    Prepare();
    run->RunOcrPass();
    EXPECT_THAT(window.log, ElementsAre("xdwファイルをオープンしました。", "1ページ処理します。",
                                        "1ページをOCRしました。", "xdwファイルを保存しました。"));
    EXPECT_THAT(engine.calls,
                ElementsAre("OpenDocumentHandle(/out/a.xdw)", "GetDocumentInformation(doc)",
                            "ApplyOcr(doc,1,1)", "SaveDocument(doc)", "CloseDocumentHandle(doc)"));
}

TEST_F(OcrPass, PassesSizedRecords) {
    Prepare();
    run->RunOcrPass();
    ASSERT_EQ(engine.openModes.size(), 1u);
    EXPECT_EQ(engine.openModes[0].size, 12);
    EXPECT_EQ(engine.openModes[0].for_update, 1);
    EXPECT_EQ(engine.openModes[0].share, 1);
    EXPECT_THAT(engine.infoSizes, ElementsAre(static_cast<int>(sizeof(XDW_DOCUMENT_INFO))));
    EXPECT_EQ(sizeof(XDW_DOCUMENT_INFO), 40u);

    ASSERT_EQ(engine.ocrOptions.size(), 1u);
    const XDW_OCR_OPTION& option = engine.ocrOptions[0];
    EXPECT_EQ(option.size, static_cast<int32_t>(sizeof(XDW_OCR_OPTION)));
    EXPECT_EQ(option.text_layer, 1);
    EXPECT_EQ(option.language, -1);
    EXPECT_EQ(option.insert_spaces, 0);
    EXPECT_EQ(option.replace_layer, 1);
    EXPECT_EQ(option.reserved1, 0);
    EXPECT_EQ(option.reserved2, 0);
    EXPECT_EQ(option.reserved3, 0);
    EXPECT_EQ(option.keep_image, 1);
    EXPECT_EQ(option.reserved4, 0);
    EXPECT_EQ(option.area, nullptr);
    EXPECT_EQ(option.reserved5, 0);
}

TEST_F(OcrPass, LanguageFollowsTheExactSettingText) {
    const std::pair<const char*, int> cases[] = {
        {"日本語", 0}, {"英語", 1}, {"自動", -1}, {"english", -1}, {"", -1}};
    for (const auto& [language, field] : cases) {
        RunOptions& options = Create({"/in/a.pdf"}).Options();
        options.Language = language;
        engine.ocrOptions.clear();
        run->RunOcrPass();
        ASSERT_EQ(engine.ocrOptions.size(), 1u) << language;
        EXPECT_EQ(engine.ocrOptions[0].language, field) << language;
    }
}

TEST_F(OcrPass, ZeroPagesGoesStraightToSaving) {
    Prepare();
    engine.pages = 0;
    run->RunOcrPass();
    EXPECT_THAT(window.log, ElementsAre("xdwファイルをオープンしました。", "0ページ処理します。",
                                        "xdwファイルを保存しました。"));
}

TEST_F(OcrPass, AFailingPageIsReportedAndTheRestGoOn) {
    Prepare();
    engine.pages = 3;
    engine.ocrResults[2] = XDW_E_FAIL;
    run->RunOcrPass();
    EXPECT_THAT(window.log,
                ElementsAre("xdwファイルをオープンしました。", "3ページ処理します。",
                            "1ページをOCRしました。", "-2147467259:何らかのエラーが発生しました。",
                            "3ページをOCRしました。", "xdwファイルを保存しました。"));
}

TEST_F(OcrPass, APositiveResultIsAFailureToo) {
    Prepare({"AutoRotate=Y"});
    engine.rotateResults[1] = 5;
    engine.ocrResults[1] = 5;
    run->RunOcrPass();
    EXPECT_THAT(window.log,
                ElementsAre("xdwファイルをオープンしました。", "1ページ処理します。",
                            "5:何らかのエラーが発生しました。", "5:何らかのエラーが発生しました。",
                            "xdwファイルを保存しました。"));
}

TEST_F(OcrPass, RotationComesBeforeRecognitionOnEachPage) {
    Prepare({"AutoRotate=Y"});
    engine.pages = 2;
    run->RunOcrPass();
    EXPECT_THAT(engine.calls,
                ElementsAre("OpenDocumentHandle(/out/a.xdw)", "GetDocumentInformation(doc)",
                            "RotatePageAuto(doc,1)", "ApplyOcr(doc,1,1)", "RotatePageAuto(doc,2)",
                            "ApplyOcr(doc,2,1)", "SaveDocument(doc)", "CloseDocumentHandle(doc)"));
    EXPECT_THAT(window.log, ElementsAre("xdwファイルをオープンしました。", "2ページ処理します。",
                                        "1ページを自動正立しました。", "1ページをOCRしました。",
                                        "2ページを自動正立しました。", "2ページをOCRしました。",
                                        "xdwファイルを保存しました。"));
}

TEST_F(OcrPass, RaisedErrorsAreLoggedWithTheirMessage) {
    Prepare({"AutoRotate=Y"});
    engine.pages = 2;
    engine.rotateErrors[1] = "access violation";
    engine.ocrErrors[1] = "out of memory";
    run->RunOcrPass();
    EXPECT_THAT(window.log, ElementsAre("xdwファイルをオープンしました。", "2ページ処理します。",
                                        "自動正立エラー：access violation",
                                        "OCRエラー：out of memory", "2ページを自動正立しました。",
                                        "2ページをOCRしました。", "xdwファイルを保存しました。"));
}

TEST_F(OcrPass, AFailedOpenIsReportedAndNothingElseIsDone) {
    Prepare();
    engine.openResult = XDW_E_ACCESS_DENIED;
    run->RunOcrPass();
    EXPECT_THAT(engine.calls, ElementsAre("OpenDocumentHandle(/out/a.xdw)"));
    EXPECT_THAT(window.log, ElementsAre("-2147024891:指定されたファイルを開くことができません。"));
    EXPECT_THAT(window.messages, ElementsAre("指定されたファイルを開くことができません。"));
}

TEST_F(OcrPass, AFailedSaveIsReportedAndTheDocumentStillClosed) {
    Prepare();
    engine.saveResult = XDW_E_DISK_FULL;
    run->RunOcrPass();
    EXPECT_EQ(window.log.back(), "-2147024784:何らかのエラーが発生しました。");
    EXPECT_EQ(engine.calls.back(), "CloseDocumentHandle(doc)");
}

TEST_F(OcrPass, RunsAfterADirectConversionWhenAsked) {
    WriteSettings({"[common]", "OCR=Y", "Language=日本語"});
    Start({MakeSource("scan.jpg")});
    EXPECT_THAT(engine.Calls("OpenDocumentHandle"),
                ElementsAre("OpenDocumentHandle(/home/user/DocuWorks/scan.xdw)"));
    ASSERT_EQ(engine.ocrOptions.size(), 1u);
    EXPECT_EQ(engine.ocrOptions[0].language, 0);
    EXPECT_EQ(window.closeRequests, 1);
}

TEST_F(OcrPass, TheSourceIsDeletedBeforeTheOcrPassBegins) {
    WriteSettings({"[common]", "OCR=Y", "DelFile=Y"});
    const std::string source = MakeSource("scan.jpg");
    std::map<std::string, bool> sourceThere;  // at the first call of each name
    engine.onCall = [&](const std::string& name) { sourceThere.emplace(name, Exists(source)); };
    Start({source});
    EXPECT_TRUE(sourceThere.at("CreateXdwFromImageFile"));
    EXPECT_FALSE(sourceThere.at("OpenDocumentHandle"));
    EXPECT_FALSE(Exists(source));
}

}  // namespace
}  // namespace quilbex::testing
